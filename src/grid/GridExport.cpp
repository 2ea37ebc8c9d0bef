#include "grid/GridExport.h"

#include "grid/ExportError.h"
#include "grid/GridModel.h"
#include "grid/XlsWriter.h"
#include "base/U_Constantes.h"

#include <QSaveFile>

namespace {

void openOrThrow(QSaveFile &file)
{
    if (!file.open(QIODevice::WriteOnly))
        throw ExportError(U_Constantes::CannotCreateFile.arg(file.fileName(), file.errorString()));
}

void commitOrThrow(QSaveFile &file)
{
    if (!file.commit())
        throw ExportError(U_Constantes::CannotWriteFile.arg(file.fileName(), file.errorString()));
}

// Thrown through a writer from its row reader when the user stops the export.
struct Stopped {
};

QString htmlCell(const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral("&nbsp;");
    QString s = text.toHtmlEscaped();
    s.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    s.replace(u'\n', QStringLiteral("<br>"));
    return s;
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
        file.write(chunk.toUtf8());
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

bool GridExport::toXls(const GridModel &model, const QString &path, const QString &title, const Progress &progress)
{
    QSaveFile file(path);
    openOrThrow(file);
    const std::vector<int> columns = exportedColumns(model);
    std::vector<XlsWriter::Column> xlsColumns;
    for (int c : columns) {
        const GridColumn &gc = model.columns()[size_t(c)];
        xlsColumns.push_back({gc.caption, gc.width, gc.kind == GridColumn::Memo});
    }
    const int total = model.rowTotal();
    const XlsWriter writer(title, std::move(xlsColumns), total, [&](int position, int column) -> QVariant {
        if (progress && column == 0 && position % ProgressEveryRows == 0 && !progress(position, total))
            throw Stopped{};
        const int c = columns[size_t(column)];
        const int row = model.sourceRow(position);
        const QVariant v = model.value(row, c);
        const QVariant cell = model.columns()[size_t(c)].kind != GridColumn::CheckBox && GridModel::isNumber(v)
                                      && v.typeId() != QMetaType::Bool
                                  ? v
                                  : QVariant(model.text(row, c));
        // The last cell read: what is left to do reads no row.
        if (progress && position == total - 1 && column == int(columns.size()) - 1 && !progress(total, total))
            throw Stopped{};
        return cell;
    });
    try {
        writer.write(file);
    } catch (const Stopped &) {
        return false; // the unfinished file is dropped with `file`
    }
    if (progress && !progress(total, total))
        return false;
    commitOrThrow(file);
    return true;
}
