#include "grid/XlsWriter.h"

#include "base/Texts.h"
#include "grid/CompoundFile.h"
#include "grid/ExportNotes.h"

#include <QHash>
#include <QtEndian>

#include <cstring>

namespace {

enum : quint16 {
    BOF = 0x0809,
    EOF_ = 0x000A,
    CODEPAGE = 0x0042,
    WINDOW1 = 0x003D,
    FONT = 0x0031,
    XF = 0x00E0,
    STYLE = 0x0293,
    BOUNDSHEET = 0x0085,
    SST = 0x00FC,
    CONTINUE = 0x003C,
    EXTSST = 0x00FF,
    COLINFO = 0x007D,
    DIMENSIONS = 0x0200,
    LABELSST = 0x00FD,
    ROW = 0x0208,
    NUMBER = 0x0203,
    WINDOW2 = 0x023E,
};

// Cell formats; the first 15 are the style formats every workbook has.
enum : quint16 { XfCell = 15, XfCaption = 16, XfWrap = 17 };

struct Out {
    QByteArray bytes;
    void u8(quint8 v) { bytes.append(char(v)); }
    void u16(quint16 v)
    {
        char b[2];
        qToLittleEndian(v, b);
        bytes.append(b, 2);
    }
    void u32(quint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        bytes.append(b, 4);
    }
    void f64(double v)
    {
        quint64 u;
        std::memcpy(&u, &v, 8);
        char b[8];
        qToLittleEndian(u, b);
        bytes.append(b, 8);
    }
    void record(quint16 type, const QByteArray &data)
    {
        u16(type);
        u16(quint16(data.size()));
        bytes.append(data);
    }
};

// Rows of wrapped text: Arial 10 is 12.75 points a line; Excel takes no row over 409 points.
constexpr int LineTwips = 255;
constexpr int MaxRowTwips = 409 * 20;

bool isNumber(const QVariant &v)
{
    const int t = v.typeId();
    return t == QMetaType::Int || t == QMetaType::LongLong || t == QMetaType::UInt || t == QMetaType::ULongLong
        || t == QMetaType::Double || t == QMetaType::Float;
}

bool needsHighByte(const QString &s)
{
    for (QChar c : s)
        if (c.unicode() > 0xFF)
            return true;
    return false;
}

void appendChars(Out &o, QStringView s, bool high)
{
    for (QChar c : s) {
        if (high)
            o.u16(c.unicode());
        else
            o.u8(quint8(c.unicode()));
    }
}

// Font and sheet names: 8-bit length.
QByteArray shortString(const QString &s)
{
    Out o;
    const bool high = needsHighByte(s);
    o.u8(quint8(s.size()));
    o.u8(high ? 1 : 0);
    appendChars(o, s, high);
    return o.bytes;
}

QByteArray font(bool bold)
{
    Out o;
    o.u16(200); // 10 pt in twips
    o.u16(0);
    o.u16(0x7FFF); // automatic colour
    o.u16(bold ? 700 : 400);
    o.u16(0);
    o.u8(0);
    o.u8(0);
    o.u8(0);
    o.u8(0);
    o.bytes += shortString(QStringLiteral("Arial"));
    return o.bytes;
}

QByteArray xf(bool style, quint16 fontIndex, quint8 alignment, quint8 usedAttributes)
{
    Out o;
    o.u16(fontIndex);
    o.u16(0);                       // General number format
    o.u16(style ? 0xFFF5 : 0x0001); // locked; style XFs have no parent
    o.u8(alignment);
    o.u8(0);
    o.u8(0);
    o.u8(usedAttributes);
    o.u32(0);
    o.u32(0);
    o.u16(0x20C0); // default pattern colours
    return o.bytes;
}

// Shared strings: an SST record and as many CONTINUE records as the text needs. A string's length
// and flags always stand in one record; its characters may go on in the next, which then opens with
// a flags byte of its own. A character outside the Basic Multilingual Plane is two UTF-16 units
// that stay in one record: readers decode each record's part alone, and half a character is an
// error to them. Every eighth (or more) string is indexed by EXTSST, as Excel writes it.
void writeSst(Out &globals, const std::vector<QString> &strings, quint32 total)
{
    const int unique = int(strings.size());
    const int bucket = qMax(8, (unique + 127) / 128);
    Out ext;
    ext.u16(quint16(bucket));

    Out record;
    record.u32(total);
    record.u32(quint32(unique));
    quint16 type = SST;
    const auto flush = [&] {
        globals.record(type, record.bytes);
        record.bytes.clear();
        type = CONTINUE;
    };
    for (int i = 0; i < unique; ++i) {
        const QString &s = strings[size_t(i)];
        const bool high = needsHighByte(s);
        const int charSize = high ? 2 : 1;
        if (record.bytes.size() + 3 + (s.isEmpty() ? 0 : 2 * charSize) > XlsWriter::MaxRecordData)
            flush();
        if (i % bucket == 0) {
            ext.u32(quint32(globals.bytes.size() + 4 + record.bytes.size()));
            ext.u16(quint16(4 + record.bytes.size()));
            ext.u16(0);
        }
        record.u16(quint16(s.size()));
        record.u8(high ? 1 : 0);
        qsizetype done = 0;
        while (done < s.size()) {
            const qsizetype room = (XlsWriter::MaxRecordData - record.bytes.size()) / charSize;
            const qsizetype n = SheetText::safeCut(QStringView(s).mid(done), room);
            if (n == 0) {
                flush();
                record.u8(high ? 1 : 0);
                continue;
            }
            appendChars(record, QStringView(s).mid(done, n), high);
            done += n;
        }
    }
    flush();
    globals.record(EXTSST, ext.bytes);
}

} // namespace

XlsWriter::XlsWriter(QString title, std::vector<Column> columns, int rowCount, Cell cell)
    : m_title(std::move(title))
    , m_columns(std::move(columns))
    , m_rowCount(rowCount)
    , m_cell(std::move(cell))
{ }

QString XlsWriter::sheetName(const QString &title, int sheet)
{
    QString base = title.trimmed();
    for (QChar bad : {u'[', u']', u':', u'*', u'?', u'/', u'\\'})
        base.replace(bad, u'_');
    if (base.isEmpty())
        base = Texts::SheetWithoutTitle;
    const QString suffix = sheet > 0 ? QStringLiteral(" (%1)").arg(sheet + 1) : QString();
    return base.left(31 - suffix.size()) + suffix;
}

// Every text once in the shared string table; cells refer to it by number.
struct XlsWriter::SharedStrings {
    std::vector<QString> strings;
    QHash<QString, quint32> ids;
    quint32 labelCount = 0; // cells that refer to the table
    std::vector<quint32> captionIds;

    quint32 intern(const QString &s)
    {
        auto it = ids.constFind(s);
        if (it != ids.constEnd())
            return *it;
        const quint32 id = quint32(strings.size());
        ids.insert(s, id);
        strings.push_back(s);
        return id;
    }
};

QByteArray XlsWriter::workbookStream(ExportNotes *notes) const
{
    const int perSheet = SheetRows - 1;
    const int sheets = qMax(1, (m_rowCount + perSheet - 1) / perSheet);

    SharedStrings strings;
    for (const Column &c : m_columns)
        strings.captionIds.push_back(strings.intern(SheetText::cellText(c.caption, MaxCellText)));
    if (notes) {
        notes->cellLimit = MaxCellText;
        notes->sheetRows = perSheet;
        if (sheets > 1)
            for (int sheet = 0; sheet < sheets; ++sheet)
                notes->sheets << sheetName(m_title, sheet);
    }

    // Sheets first, to learn their sizes; the globals in front of them give their offsets.
    std::vector<QByteArray> sheetStreams;
    sheetStreams.reserve(size_t(sheets));
    for (int sheet = 0; sheet < sheets; ++sheet)
        sheetStreams.push_back(sheetRecords(sheet, strings, notes));
    strings.ids = {};

    QByteArray stream = globalRecords(sheetStreams, strings);
    for (QByteArray &s : sheetStreams) {
        stream += s;
        s = QByteArray();
    }
    return stream;
}

QByteArray XlsWriter::sheetRecords(int sheet, SharedStrings &strings, ExportNotes *notes) const
{
    const int columns = int(m_columns.size());
    const int perSheet = SheetRows - 1;
    const auto widthPx
        = [&](int c) { return qBound(2, m_columns[size_t(c)].widthPx > 0 ? m_columns[size_t(c)].widthPx : 80, 1000); };
    std::vector<QVariant> values(static_cast<size_t>(columns));

    const int first = sheet * perSheet;
    const int rows = qMin(perSheet, m_rowCount - first);
    Out o;
    o.u16(BOF);
    o.u16(16);
    o.u16(0x0600);
    o.u16(0x0010); // worksheet
    o.u16(0x0DBB);
    o.u16(0x07CC);
    o.u32(0);
    o.u32(6);
    for (int c = 0; c < columns; ++c) {
        Out ci;
        ci.u16(quint16(c));
        ci.u16(quint16(c));
        ci.u16(quint16(widthPx(c) * 256 / 7));
        ci.u16(XfCell);
        ci.u16(0);
        ci.u16(0);
        o.record(COLINFO, ci.bytes);
    }
    Out dim;
    dim.u32(0);
    dim.u32(quint32(rows + 1));
    dim.u16(0);
    dim.u16(quint16(columns));
    dim.u16(0);
    o.record(DIMENSIONS, dim.bytes);

    const auto label = [&](int row, int col, quint16 xfIndex, quint32 id) {
        ++strings.labelCount;
        o.u16(LABELSST);
        o.u16(10);
        o.u16(quint16(row));
        o.u16(quint16(col));
        o.u16(xfIndex);
        o.u32(id);
    };
    for (int c = 0; c < columns; ++c)
        label(0, c, XfCaption, strings.captionIds[size_t(c)]);
    for (int r = 0; r < rows; ++r) {
        // Texts first: a row whose wrapped texts need more than one line gets a height of its own,
        // which stands before its cells.
        int lines = 1;
        int firstCut = -1;
        for (int c = 0; c < columns; ++c) {
            QVariant &v = values[size_t(c)];
            v = m_cell(first + r, c);
            if (v.isNull() || isNumber(v))
                continue;
            bool cut = false;
            v = SheetText::cellText(v.toString(), MaxCellText, &cut);
            if (cut && notes) {
                if (firstCut < 0)
                    firstCut = int(notes->cutCells.size());
                notes->cutCells.push_back({sheetName(m_title, sheet), r + 2, {}, m_columns[size_t(c)].caption});
            }
            if (m_columns[size_t(c)].wrap)
                lines = qMax(lines, SheetText::wrappedLines(v.toString(), widthPx(c)));
        }
        if (firstCut >= 0)
            for (size_t i = size_t(firstCut); i < notes->cutCells.size(); ++i)
                notes->cutCells[i].label = values[0].toString();
        if (lines > 1) {
            Out row;
            row.u16(quint16(r + 1));
            row.u16(0);
            row.u16(quint16(columns));
            row.u16(quint16(qMin(lines * LineTwips, MaxRowTwips)));
            row.u16(0);
            row.u16(0);
            row.u16(0x0140); // the height was set, not measured from the cells
            row.u16(XfCell);
            o.record(ROW, row.bytes);
        }
        for (int c = 0; c < columns; ++c) {
            const QVariant &v = values[size_t(c)];
            if (v.isNull())
                continue;
            if (isNumber(v)) {
                o.u16(NUMBER);
                o.u16(14);
                o.u16(quint16(r + 1));
                o.u16(quint16(c));
                o.u16(XfCell);
                o.f64(v.toDouble());
                continue;
            }
            const QString s = v.toString();
            if (s.isEmpty())
                continue;
            label(r + 1, c, m_columns[size_t(c)].wrap ? XfWrap : XfCell, strings.intern(s));
        }
    }
    Out w;
    // Gridlines, headings, zeros; the first sheet alone selected and shown: a reader that finds
    // several sheets marked shown may open any of them, or refuse.
    w.u16(sheet == 0 ? 0x06B6 : 0x00B6);
    w.u16(0);
    w.u16(0);
    w.u32(64);
    w.u16(0);
    w.u16(0);
    w.u32(0);
    o.record(WINDOW2, w.bytes);
    o.record(EOF_, {});
    return std::move(o.bytes);
}

QByteArray XlsWriter::globalRecords(const std::vector<QByteArray> &sheets, const SharedStrings &strings) const
{
    Out g;
    {
        Out bof;
        bof.u16(0x0600);
        bof.u16(0x0005); // workbook globals
        bof.u16(0x0DBB);
        bof.u16(0x07CC);
        bof.u32(0);
        bof.u32(6);
        g.record(BOF, bof.bytes);
    }
    {
        Out cp;
        cp.u16(1200); // UTF-16
        g.record(CODEPAGE, cp.bytes);
    }
    {
        Out w;
        w.u16(0);
        w.u16(0);
        w.u16(0x4000);
        w.u16(0x2000);
        w.u16(0x0038);
        w.u16(0);
        w.u16(0);
        w.u16(1);
        w.u16(0x0258);
        g.record(WINDOW1, w.bytes);
    }
    // Font number 4 does not exist in this format, so the fifth record is font 5: the bold one.
    for (int i = 0; i < 4; ++i)
        g.record(FONT, font(false));
    g.record(FONT, font(true));
    for (int i = 0; i < 15; ++i)
        g.record(XF, xf(true, 0, 0x20, 0xF4));
    g.record(XF, xf(false, 0, 0x20, 0x00));
    g.record(XF, xf(false, 5, 0x20, 0x08));
    g.record(XF, xf(false, 0, 0x28, 0x10));
    {
        Out st;
        st.u16(0x8000); // built-in style on XF 0: Normal
        st.u8(0);
        st.u8(0xFF);
        g.record(STYLE, st.bytes);
    }
    std::vector<int> offsetFields;
    for (int sheet = 0; sheet < int(sheets.size()); ++sheet) {
        Out bs;
        bs.u32(0); // the sheet's offset, set below
        bs.u8(0);
        bs.u8(0);
        bs.bytes += shortString(sheetName(m_title, sheet));
        offsetFields.push_back(int(g.bytes.size()) + 4);
        g.record(BOUNDSHEET, bs.bytes);
    }
    writeSst(g, strings.strings, strings.labelCount);
    g.record(EOF_, {});

    quint32 offset = quint32(g.bytes.size());
    for (size_t sheet = 0; sheet < sheets.size(); ++sheet) {
        qToLittleEndian(offset, g.bytes.data() + offsetFields[sheet]);
        offset += quint32(sheets[sheet].size());
    }
    return std::move(g.bytes);
}

void XlsWriter::write(QIODevice &out, ExportNotes *notes) const
{
    CompoundFile::write(out, QStringLiteral("Workbook"), workbookStream(notes));
}
