#pragma once

#include <QComboBox>
#include <QFutureWatcher>
#include <QPointer>

#include <memory>

class QAbstractButton;

// The drop-down list of CD drives at the top of the audio and data CD editors, each entry a drive's
// device path (or, for a data CD, a folder, or a CUE image used as a drive) with the drive picture.
// The button that works on the chosen drive is usable only while there is a drive to choose.
class DriveSelector : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveSelector(QWidget *parent);

    void setButton(QAbstractButton *button);

    // The machine's CD drives.
    void fill();
    // One drive per line; none leaves the list and its button disabled.
    void fill(const QString &driveLines);

    // Empty when there is no drive to choose.
    QString currentDrive() const;
    // What the closed box shows of the current drive. Paths share their beginnings and the box is
    // narrow: it shows the drive's own name (a device's, an image's file name) and the title of the
    // disc in it when the disc carries one; the whole path is the tooltip. The title gives way
    // first; a name still too long loses its middle, since its ends tell the drives apart.
    QString displayedText() const;
    // The drive's own name and its disc's title, as displayedText shows them when there is room. The
    // titles are read in the background after a fill; until then a drive is known by its name.
    QString caption(int index) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // `withPicture`: whether the drive picture keeps its place before the text.
    QString shownText(bool *withPicture) const;

    void readTitles(const QStringList &drives);

    QPointer<QAbstractButton> m_button;
    // The titles of the drives of the last fill; a fill or the box's end drops an earlier reading's
    // answer (the reading itself runs to its end: it holds nothing of the box).
    std::unique_ptr<QFutureWatcher<QStringList>> m_titles;
};
