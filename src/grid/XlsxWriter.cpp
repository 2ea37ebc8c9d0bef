#include "grid/XlsxWriter.h"

#include "base/Texts.h"
#include "grid/ExportError.h"
#include "grid/ExportNotes.h"
#include "grid/XlsWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

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

// XML 1.0 holds no control character but tab and line breaks, no U+FFFE or U+FFFF and no half of a
// surrogate pair; a file holding one is not XML, and readers refuse it whole.
bool xmlHolds(char16_t c)
{
    return c == 0x09 || c == 0x0A || c == 0x0D || (c >= 0x20 && c < 0xD800) || (c > 0xDFFF && c < 0xFFFE);
}

// The format writes a character XML cannot hold as _xHHHH_; a text that holds such a sequence itself
// must have its underscore written so too, or a reader turns "_x0041_" into "A".
QString escapeSequences(const QString &text)
{
    const qsizetype n = text.size();
    const auto isSequence = [&](qsizetype i) {
        if (i + 6 >= n || text[i] != u'_' || text[i + 1] != u'x' || text[i + 6] != u'_')
            return false;
        for (qsizetype k = i + 2; k < i + 6; ++k)
            if (!isxdigit(text[k].toLatin1()))
                return false;
        return true;
    };
    const auto escaped = [](char16_t c) {
        return QStringLiteral("_x") + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0') + u'_';
    };
    QString out;
    bool changed = false;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            if (changed)
                out += QStringView(text).mid(i, 2);
            ++i;
            continue;
        }
        const bool sequence = isSequence(i);
        if (!sequence && xmlHolds(c)) {
            if (changed)
                out += QChar(c);
            continue;
        }
        if (!changed) {
            out.reserve(n + 16);
            out += QStringView(text).left(i);
            changed = true;
        }
        out += escaped(c);
    }
    return changed ? out : text;
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

// libxlsxwriter tells its failures on standard error as well as in its answer; the answer is what
// the user hears, once, so the library's lines are kept off standard error while it works with files.
// What failed, the system says in errno: `call` answers it as the library left it.
template<class Call> auto quietly(Call call, int *systemError)
{
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved >= 0 && null >= 0)
        ::dup2(null, STDERR_FILENO);
    errno = 0;
    const auto result = call();
    *systemError = errno;
    std::fflush(stderr);
    if (saved >= 0) {
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
    }
    if (null >= 0)
        ::close(null);
    return result;
}

// The reason for a failure: the system's, when the library failed at a file, else the library's.
QString reasonOf(lxw_error e, int systemError)
{
    switch (e) {
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        if (systemError != 0)
            return QString::fromLocal8Bit(std::strerror(systemError));
        break;
    default:
        break;
    }
    return QString::fromUtf8(lxw_strerror(e));
}

// Closes the workbook on every way out; a workbook closed after a failure is thrown away.
struct Workbook {
    lxw_workbook *book = nullptr;
    ~Workbook()
    {
        int ignored = 0;
        if (book)
            quietly([this] { return workbook_close(book); }, &ignored);
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
{ }

void XlsxWriter::write(QIODevice &out, ExportNotes *notes) const
{
    // The workbook and the library's own temporary files go beside the file they make: where the
    // user has room for the file, and never into a temporary folder that may be small or full.
    const QString name = fileNameOf(out);
    const QDir folder = name.isEmpty() ? QDir::temp() : QFileInfo(name).absoluteDir();
    QTemporaryFile temp(folder.filePath(QStringLiteral("dadudu-XXXXXX.xlsx")));
    if (!temp.open())
        throw ExportError(Texts::CannotCreateFile.arg(temp.fileTemplate(), temp.errorString()));
    temp.close();
    try {
        writeFile(temp.fileName(), folder.path(), notes);
    } catch (const QString &reason) {
        throw ExportError(Texts::CannotWriteFile.arg(name, reason));
    }
    QFile made(temp.fileName());
    if (!made.open(QIODevice::ReadOnly))
        throw ExportError(Texts::CannotWriteFile.arg(name, made.errorString()));
    while (!made.atEnd()) {
        const QByteArray chunk = made.read(1 << 20);
        if (chunk.isEmpty())
            throw ExportError(Texts::CannotWriteFile.arg(name, made.errorString()));
        writeOrThrow(out, chunk);
    }
}

void XlsxWriter::writeFile(const QString &path, const QString &tmpdir, ExportNotes *notes) const
{
    const auto check = [](lxw_error e) {
        if (e != LXW_NO_ERROR)
            throw QString::fromUtf8(lxw_strerror(e));
    };
    int systemError = 0;
    const QByteArray file = QFile::encodeName(path);
    QByteArray folder = QFile::encodeName(tmpdir);
    // Rows go to a temporary file as they are written, so a long list takes little memory; texts
    // then stand in their cells rather than in a shared table, which every reader takes.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    options.tmpdir = folder.data();
    Workbook wb;
    wb.book = quietly([&] { return workbook_new_opt(file.constData(), &options); }, &systemError);
    if (!wb.book)
        throw QString::fromUtf8(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED));
    // The library writes the rows to its temporary file unchecked; a failed write there would leave
    // rows out of the file without a word.
    const auto checkRows = [](lxw_worksheet *ws, int systemError) {
        if (ws->optimize_tmpfile && std::ferror(ws->optimize_tmpfile))
            throw QString::fromLocal8Bit(std::strerror(systemError != 0 ? systemError : EIO));
    };

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
    const auto widthPx
        = [&](int c) { return qBound(2, m_columns[size_t(c)].widthPx > 0 ? m_columns[size_t(c)].widthPx : 80, 1000); };
    std::vector<QVariant> values(static_cast<size_t>(columns));
    for (int sheet = 0; sheet < sheets; ++sheet) {
        const QString name = XlsWriter::sheetName(m_title, sheet);
        lxw_worksheet *ws
            = quietly([&] { return workbook_add_worksheet(wb.book, name.toUtf8().constData()); }, &systemError);
        if (!ws)
            ws = quietly([&] { return workbook_add_worksheet(wb.book, nullptr); }, &systemError);
        if (!ws)
            throw systemError != 0 ? QString::fromLocal8Bit(std::strerror(systemError))
                                   : QString::fromUtf8(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED));
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
            errno = 0;
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
                    lines = qMax(lines,
                                 SheetText::wrappedLines(SheetText::cellText(v.toString(), MaxCellText), widthPx(c)));
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
            checkRows(ws, errno);
        }
    }
    const lxw_error closed = quietly([&] { return wb.close(); }, &systemError);
    if (closed != LXW_NO_ERROR)
        throw reasonOf(closed, systemError);
}
