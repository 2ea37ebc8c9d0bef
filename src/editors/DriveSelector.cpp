#include "editors/DriveSelector.h"

#include "base/U_Constantes.h"
#include "disc/U_Tools.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QStyle>

DriveSelector::DriveSelector(QWidget *parent)
    : QComboBox(parent)
{
    setObjectName(QStringLiteral("ComboBoxEx_drive"));
    setMaxVisibleItems(8);
}

void DriveSelector::setButton(QAbstractButton *button)
{
    m_button = button;
}

void DriveSelector::fill()
{
    fill(ListCDDrives());
}

void DriveSelector::fill(const QString &driveLines)
{
    clear();
    const QStringList drives = driveLines.split(U_Constantes::LineBreak, Qt::SkipEmptyParts);
    setEnabled(!drives.isEmpty());
    if (m_button)
        m_button->setEnabled(!drives.isEmpty());
    const QIcon drivePicture = QApplication::style()->standardIcon(QStyle::SP_DriveCDIcon);
    for (const QString &drive : drives) {
        addItem(drivePicture, drive, drive);
        setItemData(count() - 1, drive, Qt::ToolTipRole);
    }
    // Device paths are longer than the box: the list that drops down shows them whole.
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QString &drive : drives)
        widest = std::max(widest, metrics.horizontalAdvance(drive));
    view()->setMinimumWidth(widest + 48);
    if (!drives.isEmpty())
        setCurrentIndex(0);
}

QString DriveSelector::currentDrive() const
{
    return currentIndex() < 0 ? QString() : currentData().toString();
}
