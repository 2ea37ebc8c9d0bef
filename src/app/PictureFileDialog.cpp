#include "app/PictureFileDialog.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>

namespace {
// The size of the cover area in the audio CD editor.
constexpr QSize PreviewSize(161, 112);
} // namespace

PictureFileDialog::PictureFileDialog(QWidget *parent, const QString &qtFilter)
    : QFileDialog(parent, {}, {}, qtFilter)
{
    setObjectName(QStringLiteral("pictureDialog"));
    // Only Qt's own dialog takes a widget of ours.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);

    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    const int frame = 2 * m_preview->frameWidth();
    m_preview->setFixedSize(PreviewSize + QSize(frame, frame));
    m_preview->setAlignment(Qt::AlignCenter);
    if (auto *grid = qobject_cast<QGridLayout *>(layout()))
        grid->addWidget(m_preview, 0, grid->columnCount(), grid->rowCount() - 1, 1, Qt::AlignTop);

    connect(this, &QFileDialog::currentChanged, this, &PictureFileDialog::showPreview);
}

void PictureFileDialog::showPreview(const QString &path)
{
    QImage picture;
    if (QFileInfo(path).isFile()) {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        picture = reader.read();
    }
    if (picture.isNull()) {
        m_preview->clear();
        return;
    }
    m_preview->setPixmap(QPixmap::fromImage(
        picture.scaled(m_preview->contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}
