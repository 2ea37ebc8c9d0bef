#pragma once

#include <QFileDialog>

class QLabel;

// The open-file dialog for a cover: beside the file list, a preview of the picture in the file
// that is current, so a cover is recognised before it is chosen.
class PictureFileDialog : public QFileDialog
{
    Q_OBJECT
public:
    PictureFileDialog(QWidget *parent, const QString &qtFilter);

    QLabel *preview() const { return m_preview; }

private:
    void showPreview(const QString &path);

    QLabel *m_preview = nullptr;
};
