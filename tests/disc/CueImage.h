#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <QStringList>

// Writes name.cue and a sparse name.bin into dir for a disc whose tracks start at the given
// absolute frames (a standard disc's first track at 150) and whose lead-out is at leadOut.
// dataTracks lists the 1-based tracks written as data (MODE1) instead of audio. binFile is the
// BIN's path relative to dir as the FILE line names it; empty names it after the sheet. head holds
// lines for the top of the sheet (CATALOG, TITLE, PERFORMER), trackLines lines for each track in
// turn (TITLE, ISRC); the sheet is written in ISO-8859-1, or in UTF-8 as encoding says.
enum class CueEncoding { Latin1, Utf8, Utf8WithMark };

inline QString writeCueImage(const QString &dir, const QString &name, const QList<int> &starts, int leadOut,
                             const QList<int> &dataTracks = {}, QString binFile = {}, const QStringList &head = {},
                             const QStringList &trackLines = {}, CueEncoding encoding = CueEncoding::Latin1)
{
    auto msf = [](int frames) {
        return QString::asprintf("%02d:%02d:%02d", frames / 4500, (frames / 75) % 60, frames % 75);
    };
    const QString cuePath = QDir(dir).filePath(name + QStringLiteral(".cue"));
    if (binFile.isEmpty())
        binFile = name + QStringLiteral(".bin");
    QString cue;
    for (const QString &line : head)
        cue += line + QStringLiteral("\r\n");
    cue += QStringLiteral("FILE \"%1\" BINARY\r\n").arg(binFile);
    for (int k = 0; k < starts.size(); ++k) {
        const bool data = dataTracks.contains(k + 1);
        cue += QStringLiteral("  TRACK %1 %2\r\n")
                   .arg(k + 1, 2, 10, QLatin1Char('0'))
                   .arg(data ? QStringLiteral("MODE1/2352") : QStringLiteral("AUDIO"));
        if (!trackLines.value(k).isEmpty())
            cue += QStringLiteral("    ") + trackLines[k] + QStringLiteral("\r\n");
        cue += QStringLiteral("    INDEX 01 %1\r\n").arg(msf(starts[k] - 150));
    }
    QFile c(cuePath);
    const QByteArray bytes = encoding == CueEncoding::Latin1 ? cue.toLatin1()
        : encoding == CueEncoding::Utf8                      ? cue.toUtf8()
                                                             : "\xEF\xBB\xBF" + cue.toUtf8();
    if (!c.open(QIODevice::WriteOnly) || c.write(bytes) < 0)
        return {};
    QFile bin(QDir(dir).filePath(binFile));
    if (!QDir(dir).mkpath(QFileInfo(bin).path()) || !bin.open(QIODevice::WriteOnly)
        || !bin.resize(qint64(leadOut - 150) * 2352))
        return {};
    return cuePath;
}
