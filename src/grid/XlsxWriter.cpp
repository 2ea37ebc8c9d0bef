#include "grid/XlsxWriter.h"

#include "grid/ExportError.h"
#include "grid/ExportNotes.h"
#include "grid/XlsWriter.h"
#include "base/U_Constantes.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <xlsxwriter.h>

namespace {

// Rows of wrapped text: the default Calibri 11 takes 15 points a line; no row is over 409 points.
constexpr double LinePoints = 15;
constexpr double MaxRowPoints = 409;

bool isNumber(const QVariant &v)
{
    const int t = v.typeId();
    return t == QMetaType::Int || t == QMetaType::LongLong || t == QMetaType::UInt || t == QMetaType::ULongLong
           || t == QMetaType::Double || t == QMetaType::Float;
}

// The format writes a character it cannot hold as _xHHHH_, and libxlsxwriter does so for control
// characters; a text that holds such a sequence itself must have its underscore written so too, or
// a reader turns "_x0041_" into "A".
QString escapeSequences(const QString &text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression sequence(QStringLiteral("_(x[0-9A-Fa-f]{4}_)"));
    QString out = text;
    out.replace(sequence, QStringLiteral("_x005F_\\1"));
    return out;
}

// The text as the file holds it, at most `limit` characters once escaped.
QString fileText(const QString &text, int limit, bool *cut)
{
    QString s = SheetText::cellText(text, limit, cut);
    QString escaped = escapeSequences(s);
    while (escaped.size() > limit) {
        s.truncate(SheetText::safeCut(s, s.size() - (escaped.size() - limit)));
        escaped = escapeSequences(s);
        *cut = true;
    }
    return escaped;
}

QString fileNameOf(const QIODevice &out)
{
    const auto *file = qobject_cast<const QFileDevice *>(&out);
    return file ? file->fileName() : QString();
}

// Closes the workbook on every way out; a workbook closed after a failure is thrown away.
struct Workbook {
    lxw_workbook *book = nullptr;
    ~Workbook()
    {
        if (book)
            workbook_close(book);
    }
    lxw_error close()
    {
        const lxw_error e = workbook_close(book);
        book = nullptr;
        return e;
    }
};

} // namespace

static_assert(XlsxWriter::SheetRows == LXW_ROW_MAX);

XlsxWriter::XlsxWriter(QString title, std::vector<Column> columns, int rowCount, Cell cell, int sheetRows)
    : m_title(std::move(title))
    , m_columns(std::move(columns))
    , m_rowCount(rowCount)
    , m_cell(std::move(cell))
    , m_sheetRows(qBound(2, sheetRows, SheetRows))
{
}

void XlsxWriter::write(QIODevice &out, ExportNotes *notes) const
{
    QTemporaryFile temp(QDir::temp().filePath(QStringLiteral("dadudu-XXXXXX.xlsx")));
    if (!temp.open())
        throw ExportError(U_Constantes::CannotCreateFile.arg(temp.fileTemplate(), temp.errorString()));
    temp.close();
    try {
        writeFile(temp.fileName(), notes);
    } catch (const QString &reason) {
        throw ExportError(U_Constantes::CannotWriteFile.arg(fileNameOf(out), reason));
    }
    QFile made(temp.fileName());
    if (!made.open(QIODevice::ReadOnly))
        throw ExportError(U_Constantes::CannotWriteFile.arg(fileNameOf(out), made.errorString()));
    while (!made.atEnd()) {
        const QByteArray chunk = made.read(1 << 20);
        if (chunk.isEmpty() || out.write(chunk) != chunk.size())
            throw ExportError(U_Constantes::CannotWriteFile.arg(fileNameOf(out), out.errorString()));
    }
}

void XlsxWriter::writeFile(const QString &path, ExportNotes *notes) const
{
    const auto check = [](lxw_error e) {
        if (e != LXW_NO_ERROR)
            throw QString::fromUtf8(lxw_strerror(e));
    };
    const QByteArray file = QFile::encodeName(path);
    // Rows go to the file as they are written, so a long list takes little memory; texts then stand
    // in their cells rather than in a shared table, which every reader takes.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    Workbook wb;
    wb.book = workbook_new_opt(file.constData(), &options);
    if (!wb.book)
        throw QString::fromUtf8(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED));

    lxw_format *caption = workbook_add_format(wb.book);
    format_set_bold(caption);
    lxw_format *plain = workbook_add_format(wb.book);
    format_set_align(plain, LXW_ALIGN_VERTICAL_TOP);
    lxw_format *memo = workbook_add_format(wb.book);
    format_set_align(memo, LXW_ALIGN_VERTICAL_TOP);
    format_set_text_wrap(memo);

    const int columns = int(m_columns.size());
    const int perSheet = m_sheetRows - 1;
    const int sheets = qMax(1, (m_rowCount + perSheet - 1) / perSheet);
    if (notes) {
        notes->cellLimit = MaxCellText;
        notes->sheetRows = perSheet;
        if (sheets > 1)
            for (int sheet = 0; sheet < sheets; ++sheet)
                notes->sheets << XlsWriter::sheetName(m_title, sheet);
    }
    const auto widthPx = [&](int c) { return qBound(2, m_columns[size_t(c)].widthPx > 0 ? m_columns[size_t(c)].widthPx : 80, 1000); };
    std::vector<QVariant> values(static_cast<size_t>(columns));
    for (int sheet = 0; sheet < sheets; ++sheet) {
        const QString name = XlsWriter::sheetName(m_title, sheet);
        lxw_worksheet *ws = workbook_add_worksheet(wb.book, name.toUtf8().constData());
        if (!ws)
            ws = workbook_add_worksheet(wb.book, nullptr);
        if (!ws)
            throw QString::fromUtf8(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED));
        if (sheet == 0)
            worksheet_activate(ws);
        for (int c = 0; c < columns; ++c)
            check(worksheet_set_column_pixels(ws, lxw_col_t(c), lxw_col_t(c), uint32_t(widthPx(c)),
                                              m_columns[size_t(c)].wrap ? memo : plain));
        worksheet_freeze_panes(ws, 1, 0);
        for (int c = 0; c < columns; ++c) {
            bool cut = false;
            check(worksheet_write_string(ws, 0, lxw_col_t(c),
                                         fileText(m_columns[size_t(c)].caption, MaxCellText, &cut).toUtf8().constData(),
                                         caption));
        }

        const int firstRow = sheet * perSheet;
        const int rows = qMin(perSheet, m_rowCount - firstRow);
        for (int r = 0; r < rows; ++r) {
            const lxw_row_t row = lxw_row_t(r + 1);
            int lines = 1;
            int firstCut = -1;
            for (int c = 0; c < columns; ++c) {
                QVariant &v = values[size_t(c)];
                v = m_cell(firstRow + r, c);
                if (v.isNull() || m_columns[size_t(c)].flag || isNumber(v))
                    continue;
                bool cut = false;
                const QString text = fileText(v.toString(), MaxCellText, &cut);
                if (cut && notes) {
                    if (firstCut < 0)
                        firstCut = int(notes->cutCells.size());
                    notes->cutCells.push_back({name, r + 2, {}, m_columns[size_t(c)].caption});
                }
                if (m_columns[size_t(c)].wrap)
                    lines = qMax(lines, SheetText::wrappedLines(SheetText::cellText(v.toString(), MaxCellText), widthPx(c)));
                v = text;
            }
            if (firstCut >= 0)
                for (size_t i = size_t(firstCut); i < notes->cutCells.size(); ++i)
                    notes->cutCells[i].label = values[0].toString();
            // A row's height goes before its cells: the rows are written out as they come.
            if (lines > 1)
                check(worksheet_set_row(ws, row, qMin(lines * LinePoints, MaxRowPoints), nullptr));
            for (int c = 0; c < columns; ++c) {
                const QVariant &v = values[size_t(c)];
                const Column &column = m_columns[size_t(c)];
                lxw_format *format = column.wrap ? memo : plain;
                if (v.isNull())
                    continue;
                if (column.flag)
                    check(worksheet_write_boolean(ws, row, lxw_col_t(c), v.toBool() ? 1 : 0, format));
                else if (isNumber(v))
                    check(worksheet_write_number(ws, row, lxw_col_t(c), v.toDouble(), format));
                else if (const QString s = v.toString(); !s.isEmpty())
                    check(worksheet_write_string(ws, row, lxw_col_t(c), s.toUtf8().constData(), format));
            }
        }
    }
    check(wb.close());
}
