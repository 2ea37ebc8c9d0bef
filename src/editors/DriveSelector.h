#pragma once

#include <QComboBox>
#include <QPointer>

class QAbstractButton;

// The drop-down list of CD drives at the top of the audio and data CD editors, each entry a drive's
// device path (or, for a data CD, a folder) with the drive picture. The button that works on the
// chosen drive is usable only while there is a drive to choose.
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
    // What the closed box shows of the current drive: a path too long for the box loses its middle,
    // since the ends are what tell the drives apart.
    QString displayedText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPointer<QAbstractButton> m_button;
};
