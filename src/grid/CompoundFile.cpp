#include "grid/CompoundFile.h"

#include "grid/ExportError.h"

#include <QIODevice>
#include <QtEndian>

#include <vector>

namespace {

constexpr quint32 FreeSect = 0xFFFFFFFF;
constexpr quint32 EndOfChain = 0xFFFFFFFE;
constexpr quint32 FatSect = 0xFFFFFFFD;
constexpr quint32 DifSect = 0xFFFFFFFC;
constexpr quint32 NoStream = 0xFFFFFFFF;
constexpr int HeaderDifat = 109;                        // FAT sector numbers in the header
constexpr int PerSector = CompoundFile::SectorSize / 4; // 128 numbers a sector

void put16(char *p, quint16 v)
{
    qToLittleEndian(v, p);
}
void put32(char *p, quint32 v)
{
    qToLittleEndian(v, p);
}

QByteArray dirEntry(const QString &name, quint8 type, quint32 child, quint32 start, quint32 size)
{
    QByteArray e(128, '\0');
    if (type != 0) {
        for (int i = 0; i < name.size() && i < 31; ++i)
            put16(e.data() + 2 * i, name.at(i).unicode());
        put16(e.data() + 64, quint16((qMin(int(name.size()), 31) + 1) * 2));
        e[66] = char(type);
        e[67] = 1; // black: a one-node red-black tree
    }
    put32(e.data() + 68, NoStream);
    put32(e.data() + 72, NoStream);
    put32(e.data() + 76, child);
    put32(e.data() + 116, start);
    put32(e.data() + 120, size);
    return e;
}

} // namespace

void CompoundFile::write(QIODevice &out, const QString &streamName, QByteArray stream)
{
    if (stream.size() < MiniStreamCutoff)
        stream.append(QByteArray(MiniStreamCutoff - stream.size(), '\0'));
    const quint32 size = quint32(stream.size());
    const int dataSectors = int((size + SectorSize - 1) / SectorSize);

    // The FAT must also map its own sectors, the DIFAT's and the directory's.
    int fat = 1, difat = 0;
    for (;;) {
        difat = fat > HeaderDifat ? (fat - HeaderDifat + PerSector - 2) / (PerSector - 1) : 0;
        if (fat * PerSector >= dataSectors + 1 + fat + difat)
            break;
        ++fat;
    }
    const quint32 firstDifat = quint32(fat);
    const quint32 dirSector = quint32(fat + difat);
    const quint32 firstData = dirSector + 1;

    QByteArray header(SectorSize, '\0');
    char *h = header.data();
    const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    memcpy(h, signature, 8);
    put16(h + 24, 0x003E); // minor version
    put16(h + 26, 0x0003); // major version 3
    put16(h + 28, 0xFFFE); // little-endian
    put16(h + 30, 9);      // 512-byte sectors
    put16(h + 32, 6);      // 64-byte mini sectors
    put32(h + 44, quint32(fat));
    put32(h + 48, dirSector);
    put32(h + 56, MiniStreamCutoff);
    put32(h + 60, EndOfChain); // no mini FAT
    put32(h + 68, difat > 0 ? firstDifat : EndOfChain);
    put32(h + 72, quint32(difat));
    for (int i = 0; i < HeaderDifat; ++i)
        put32(h + 76 + 4 * i, i < fat ? quint32(i) : FreeSect);
    writeOrThrow(out, header);

    std::vector<quint32> table(size_t(fat) * PerSector, FreeSect);
    for (int i = 0; i < fat; ++i)
        table[size_t(i)] = FatSect;
    for (int i = 0; i < difat; ++i)
        table[size_t(fat) + size_t(i)] = DifSect;
    table[dirSector] = EndOfChain;
    for (int i = 0; i < dataSectors; ++i)
        table[firstData + quint32(i)] = i + 1 < dataSectors ? firstData + quint32(i) + 1 : EndOfChain;
    QByteArray fatBytes(int(table.size() * 4), '\0');
    for (size_t i = 0; i < table.size(); ++i)
        put32(fatBytes.data() + 4 * i, table[i]);
    writeOrThrow(out, fatBytes);

    for (int d = 0; d < difat; ++d) {
        QByteArray sector(SectorSize, '\0');
        for (int i = 0; i < PerSector - 1; ++i) {
            const int f = HeaderDifat + d * (PerSector - 1) + i;
            put32(sector.data() + 4 * i, f < fat ? quint32(f) : FreeSect);
        }
        put32(sector.data() + 4 * (PerSector - 1), d + 1 < difat ? firstDifat + quint32(d) + 1 : EndOfChain);
        writeOrThrow(out, sector);
    }

    QByteArray dir;
    dir += dirEntry(QStringLiteral("Root Entry"), 5, 1, EndOfChain, 0);
    dir += dirEntry(streamName, 2, NoStream, firstData, size);
    dir += dirEntry({}, 0, NoStream, 0, 0);
    dir += dirEntry({}, 0, NoStream, 0, 0);
    writeOrThrow(out, dir);

    writeOrThrow(out, stream);
    if (size % SectorSize)
        writeOrThrow(out, QByteArray(int(SectorSize - size % SectorSize), '\0'));
}
