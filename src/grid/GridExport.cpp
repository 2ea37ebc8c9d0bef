#include "grid/GridExport.h"

#include "base/Texts.h"
#include "grid/ExportError.h"
#include "grid/ExportNotes.h"
#include "grid/GridModel.h"
#include "grid/GridPrinter.h"
#include "grid/XlsWriter.h"
#include "grid/XlsxWriter.h"

#include <QFileInfo>
#include <QPdfWriter>
#include <QSaveFile>

#include <optional>

namespace {

// Unbuffered: each write reaches the file at once, so a failed one tells the system's reason.
void openOrThrow(QSaveFile &file)
{
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw ExportError(Texts::CannotCreateFile.arg(file.fileName(), file.errorString()));
}

void commitOrThrow(QSaveFile &file)
{
    if (!file.commit())
        throw ExportError(Texts::CannotWriteFile.arg(file.fileName(), file.errorString()));
}

// Passes everything written to it on to `target`, whole, for a writer that never looks at what its
// writes answer; the first failure is kept for the caller, and nothing more is written after it.
class CheckedSink : public QIODevice
{
public:
    explicit CheckedSink(QIODevice &target)
        : m_target(target)
    { }
    bool isSequential() const override { return true; }
    std::optional<ExportError> failure;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override
    {
        if (failure)
            return -1;
        try {
            writeOrThrow(m_target, QByteArrayView(data, length));
        } catch (const ExportError &e) {
            failure = e;
            return -1;
        }
        return length;
    }

private:
    QIODevice &m_target;
};

// Thrown through a writer from its row reader when the user stops the export.
struct Stopped { };

QString htmlCell(const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral("&nbsp;");
    QString s = text.toHtmlEscaped();
    s.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    s.replace(u'\n', QStringLiteral("<br>"));
    return s;
}

// A field as RFC 4180 has it: quoted when it holds a comma, a quote or a line break, quotes doubled.
// For a spreadsheet, a text that starts the way a formula does (=HYPERLINK(...) would become a live
// link) is written after an apostrophe, so the spreadsheet keeps it a text.
QString csvField(const QString &stored, bool forSpreadsheet)
{
    QString text = stored;
    if (forSpreadsheet && !text.isEmpty()) {
        const QChar first = text.front();
        if (first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' || first == u'\r')
            text.prepend(u'\'');
    }
    bool quote = false;
    for (QChar c : text)
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') {
            quote = true;
            break;
        }
    if (!quote)
        return text;
    text.replace(u'"', QStringLiteral("\"\""));
    return u'"' + text + u'"';
}

// A cell as the spreadsheets take it: numbers as numbers, flags as flags, the rest as shown.
QVariant sheetCell(const GridModel &model, int position, int c, bool flagsAsText)
{
    const int row = model.sourceRow(position);
    QVariant v = model.value(row, c);
    const GridColumn::Kind kind = model.columns()[size_t(c)].kind;
    if (kind == GridColumn::CheckBox && !flagsAsText)
        return v.isNull() ? QVariant() : QVariant(v.toBool());
    if (kind != GridColumn::CheckBox && GridModel::isNumber(v) && v.typeId() != QMetaType::Bool)
        return v;
    return model.text(row, c);
}

// A spreadsheet's cells as the writers ask for them, with the export's checkpoints: every few hundred
// rows, and once the last cell is read, after which the writer reads no row.
std::function<QVariant(int, int)> sheetCells(const GridModel &model, const std::vector<int> &columns, bool flagsAsText,
                                             const GridExport::Progress &progress)
{
    const int total = model.rowTotal();
    const int last = int(columns.size()) - 1;
    return [&model, &columns, flagsAsText, &progress, total, last](int position, int column) {
        if (progress && column == 0 && position % GridExport::ProgressEveryRows == 0 && !progress(position, total))
            throw Stopped{};
        QVariant cell = sheetCell(model, position, columns[size_t(column)], flagsAsText);
        if (progress && position == total - 1 && column == last && !progress(total, total))
            throw Stopped{};
        return cell;
    };
}

// Writes the sheets and keeps the file, unless the user stopped the export; the unfinished file is
// then dropped with `file`.
template<class Writer>
bool writeSheets(const Writer &writer, QSaveFile &file, ExportNotes *notes, int total,
                 const GridExport::Progress &progress)
{
    try {
        writer.write(file, notes);
    } catch (const Stopped &) {
        return false;
    }
    if (progress && !progress(total, total))
        return false;
    commitOrThrow(file);
    return true;
}

} // namespace

std::vector<int> GridExport::exportedColumns(const GridModel &model)
{
    std::vector<int> out;
    for (int c = 0; c < int(model.columns().size()); ++c)
        if (!model.columns()[size_t(c)].hidden)
            out.push_back(c);
    return out;
}

bool GridExport::toHtml(const GridModel &model, const QString &path, const QString &title, const Progress &progress)
{
    QSaveFile file(path);
    openOrThrow(file);
    const std::vector<int> columns = exportedColumns(model);

    QString chunk;
    const auto flush = [&] {
        writeOrThrow(file, chunk.toUtf8());
        chunk.clear();
    };
    chunk += QStringLiteral("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>%1</title>\n"
                            "<style>table{border-collapse:collapse;font-family:sans-serif;font-size:10pt}"
                            "th,td{border:1px solid #a0a0a0;padding:2px 4px;vertical-align:top;text-align:left}"
                            "th{background:#e0e0e0}</style>\n</head>\n<body>\n<table>\n<tr>")
                 .arg(title.toHtmlEscaped());
    for (int c : columns)
        chunk += QStringLiteral("<th>%1</th>").arg(htmlCell(model.columns()[size_t(c)].caption));
    chunk += QStringLiteral("</tr>\n");
    const int total = model.rowTotal();
    for (int p = 0; p < total; ++p) {
        if (progress && p % ProgressEveryRows == 0 && !progress(p, total))
            return false; // the unfinished file is dropped with `file`
        const int row = model.sourceRow(p);
        chunk += QStringLiteral("<tr>");
        for (int c : columns) {
            chunk += QStringLiteral("<td>");
            chunk += htmlCell(model.text(row, c));
            chunk += QStringLiteral("</td>");
        }
        chunk += QStringLiteral("</tr>\n");
        if (chunk.size() > 1 << 16)
            flush();
    }
    chunk += QStringLiteral("</table>\n</body>\n</html>\n");
    flush();
    if (progress && !progress(total, total))
        return false;
    commitOrThrow(file);
    return true;
}

bool GridExport::toXls(const GridModel &model, const QString &path, const QString &title, ExportNotes *notes,
                       const Progress &progress)
{
    QSaveFile file(path);
    openOrThrow(file);
    const std::vector<int> columns = exportedColumns(model);
    std::vector<XlsWriter::Column> xlsColumns;
    for (int c : columns) {
        const GridColumn &gc = model.columns()[size_t(c)];
        xlsColumns.push_back({gc.caption, gc.width, gc.kind == GridColumn::Memo});
    }
    const XlsWriter writer(title, std::move(xlsColumns), model.rowTotal(), sheetCells(model, columns, true, progress));
    return writeSheets(writer, file, notes, model.rowTotal(), progress);
}

bool GridExport::toXlsx(const GridModel &model, const QString &path, const QString &title, ExportNotes *notes,
                        const Progress &progress)
{
    QSaveFile file(path);
    openOrThrow(file);
    const std::vector<int> columns = exportedColumns(model);
    std::vector<XlsxWriter::Column> xlsxColumns;
    for (int c : columns) {
        const GridColumn &gc = model.columns()[size_t(c)];
        xlsxColumns.push_back({gc.caption, gc.width, gc.kind == GridColumn::Memo, gc.kind == GridColumn::CheckBox});
    }
    const XlsxWriter writer(title, std::move(xlsxColumns), model.rowTotal(),
                            sheetCells(model, columns, false, progress));
    return writeSheets(writer, file, notes, model.rowTotal(), progress);
}

bool GridExport::toCsv(const GridModel &model, const QString &path, const Progress &progress, bool raw)
{
    QSaveFile file(path);
    openOrThrow(file);
    const std::vector<int> columns = exportedColumns(model);
    // The byte-order mark tells a spreadsheet the file is UTF-8; without it some read accents as
    // their local code page.
    QString chunk = raw ? QString() : QString(QChar(0xFEFF));
    const auto record = [&](const auto &field) {
        for (size_t i = 0; i < columns.size(); ++i) {
            if (i > 0)
                chunk += u',';
            chunk += csvField(field(columns[i]), !raw);
        }
        chunk += QStringLiteral("\r\n");
    };
    record([&](int c) { return model.columns()[size_t(c)].caption; });
    const int total = model.rowTotal();
    for (int p = 0; p < total; ++p) {
        if (progress && p % ProgressEveryRows == 0 && !progress(p, total))
            return false; // the unfinished file is dropped with `file`
        const int row = model.sourceRow(p);
        record([&](int c) { return model.text(row, c); });
        if (chunk.size() > 1 << 16) {
            writeOrThrow(file, chunk.toUtf8());
            chunk.clear();
        }
    }
    if (progress && !progress(total, total))
        return false;
    writeOrThrow(file, chunk.toUtf8());
    commitOrThrow(file);
    return true;
}

void GridExport::toPdf(const GridModel &model, const QString &path, const QString &title)
{
    QSaveFile file(path);
    openOrThrow(file);
    // The PDF engine writes straight into the file beside the output, which is put in place only
    // once whole; it never looks at what its writes answer, so the sink does.
    CheckedSink sink(file);
    sink.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&sink);
    pdf.setResolution(int(GridPrinter::LayoutDpi));
    pdf.setPageLayout(GridPrinter::houseLayout());
    pdf.setTitle(title);
    GridPrinter layout(model, title, pdf.pageLayout());
    const bool printed = layout.print(&pdf);
    sink.close();
    if (sink.failure)
        throw *sink.failure;
    if (!printed)
        throw ExportError(Texts::CannotWriteFile.arg(path, file.errorString()));
    commitOrThrow(file);
}

bool GridExport::save(const GridModel &model, const QString &path, Format format, const QString &title,
                      ExportNotes *notes, const Progress &progress)
{
    switch (format) {
    case Html:
        return toHtml(model, path, title, progress);
    case Xls:
        return toXls(model, path, title, notes, progress);
    case Xlsx:
        return toXlsx(model, path, title, notes, progress);
    case Csv:
        return toCsv(model, path, progress);
    case CsvRaw:
        return toCsv(model, path, progress, true);
    case Pdf:
        toPdf(model, path, title);
        return true;
    }
    return false;
}

GridExport::Format GridExport::formatOfFile(const QString &path, Format otherwise)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"xlsx")
        return Xlsx;
    if (suffix == u"xls")
        return Xls;
    if (suffix == u"csv")
        return Csv;
    if (suffix == u"html" || suffix == u"htm")
        return Html;
    if (suffix == u"pdf")
        return Pdf;
    return otherwise;
}
