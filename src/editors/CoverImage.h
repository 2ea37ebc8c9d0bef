#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// A CD's cover as its file holds it (JPEG) and as the editor shows it. A camera's or a scanner's
// picture may be thousands of pixels wide: such a cover is stored at a size a cover is looked at, and
// a JPEG already of that size is stored as it came, byte for byte.
struct CoverImage {
    static constexpr int LongSide = 1000;

    QByteArray jpeg;
    QImage picture;
    bool isNull() const { return picture.isNull(); }

    // A null cover when the data hold no picture. Safe on any thread.
    static CoverImage fromData(QByteArray data);
    static CoverImage fromFile(const QString &path);
    // Only for showing: the picture, no larger than the stored size, without its bytes.
    static QImage pictureOfData(QByteArray data);
};
