#include "editors/CoverImage.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace {

// Decoded straight at the smaller size: a JPEG decoder then skips most of the work, where decoding
// 5600 pixels square only to shrink them afterwards takes seconds.
QImage readScaled(QImageReader &reader, bool *scaled)
{
    const QSize size = reader.size();
    *scaled = size.isValid() && qMax(size.width(), size.height()) > CoverImage::LongSide;
    if (*scaled)
        reader.setScaledSize(size.scaled(CoverImage::LongSide, CoverImage::LongSide, Qt::KeepAspectRatio));
    return reader.read();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

CoverImage CoverImage::fromData(QByteArray data)
{
    CoverImage cover;
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    bool scaled = false;
    cover.picture = readScaled(reader, &scaled);
    if (cover.picture.isNull())
        return {};
    if (format == "jpeg" && !scaled) {
        cover.jpeg = std::move(data);
    } else {
        QBuffer out(&cover.jpeg);
        out.open(QIODevice::WriteOnly);
        cover.picture.save(&out, "JPG", 90);
    }
    return cover;
}

CoverImage CoverImage::fromFile(const QString &path)
{
    return fromData(fileBytes(path));
}

QImage CoverImage::pictureOfData(QByteArray data)
{
    QBuffer in(&data);
    in.open(QIODevice::ReadOnly);
    QImageReader reader(&in);
    bool scaled = false;
    return readScaled(reader, &scaled);
}
