#include "grid/ExportError.h"

#include "base/Texts.h"

#include <QFileDevice>

ExportError::ExportError(const QString &text)
    : std::runtime_error(text.toStdString())
    , m_text(text)
{ }

void writeOrThrow(QIODevice &out, QByteArrayView bytes)
{
    // A short write leaves its reason untold; the write of the rest then fails with it.
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = out.write(bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            throw ExportError(Texts::CannotWriteFile.arg(fileNameOf(out), out.errorString()));
        done += qsizetype(n);
    }
}

QString fileNameOf(const QIODevice &out)
{
    const auto *file = qobject_cast<const QFileDevice *>(&out);
    return file ? file->fileName() : QString();
}
