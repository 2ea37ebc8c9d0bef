#include "support/SheetReader.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

namespace {
// The Debian interpreter, which the python3-* packages install their modules for; another python3
// earlier on the PATH may lack them.
QString python()
{
    if (QFileInfo(QStringLiteral("/usr/bin/python3")).isExecutable())
        return QStringLiteral("/usr/bin/python3");
    return QStandardPaths::findExecutable(QStringLiteral("python3"));
}

QList<bool> bools(const QJsonValue &v)
{
    QList<bool> out;
    for (const QJsonValue &b : v.toArray())
        out << b.toBool();
    return out;
}
} // namespace

SheetFile readSheetFile(const QString &kind, const QString &path)
{
    SheetFile file;
    QProcess p;
    p.start(python(), {QStringLiteral(DADUDU_READSHEET), kind, path});
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        file.error = QStringLiteral("the reader did not finish: ") + p.errorString();
        return file;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        file.error = QString::fromUtf8(p.readAllStandardError()).trimmed();
        return file;
    }
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(p.readAllStandardOutput(), &parse);
    if (parse.error != QJsonParseError::NoError) {
        file.error = parse.errorString();
        return file;
    }
    for (const QJsonValue &s : doc.object().value(QStringLiteral("sheets")).toArray()) {
        const QJsonObject o = s.toObject();
        ReadSheet sheet;
        sheet.name = o.value(QStringLiteral("name")).toString();
        sheet.rowCount = o.value(QStringLiteral("rows")).toInt();
        for (const QJsonValue &row : o.value(QStringLiteral("cells")).toArray())
            sheet.cells << row.toArray().toVariantList();
        for (const QJsonValue &row : o.value(QStringLiteral("wrap")).toArray())
            sheet.wrap << bools(row);
        for (const QJsonValue &row : o.value(QStringLiteral("bold")).toArray())
            sheet.bold << bools(row);
        sheet.heights = o.value(QStringLiteral("heights")).toObject();
        sheet.widths = o.value(QStringLiteral("widths")).toArray().toVariantList();
        sheet.frozen = o.value(QStringLiteral("frozen")).toString();
        sheet.selected = o.value(QStringLiteral("selected")).toBool();
        sheet.shown = o.value(QStringLiteral("shown")).toBool();
        file.sheets << sheet;
    }
    file.ok = true;
    return file;
}
