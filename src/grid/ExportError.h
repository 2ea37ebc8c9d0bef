#pragma once

#include <QByteArrayView>
#include <QString>

#include <stdexcept>

class QIODevice;

// An export or print file that could not be written. what() and text() name the file and the reason.
class ExportError : public std::runtime_error
{
public:
    explicit ExportError(const QString &text);
    QString text() const { return m_text; }

private:
    QString m_text;
};

// Every byte to `out`, or ExportError naming the file and the system's reason ("No space left on
// device"). A file device should be unbuffered: a buffered one loses the reason of a failed flush.
void writeOrThrow(QIODevice &out, QByteArrayView bytes);

// The file a device writes, or an empty text for another device.
QString fileNameOf(const QIODevice &out);
