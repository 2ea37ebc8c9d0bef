#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// Writes a compound file (the OLE2 container of Excel 97-2003 workbooks) holding one stream in the
// root storage: version 3, 512-byte sectors, no mini stream.
class CompoundFile
{
public:
    // Streams under 4096 bytes are padded with zeros to that size: smaller ones would belong in a
    // mini stream, which this writer never makes. Raises ExportError when a write fails.
    static void write(QIODevice &out, const QString &streamName, QByteArray stream);

    static constexpr int SectorSize = 512;
    static constexpr int MiniStreamCutoff = 4096;
};
