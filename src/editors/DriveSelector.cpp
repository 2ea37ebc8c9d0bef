#include "editors/DriveSelector.h"

#include "base/U_Constantes.h"
#include "disc/U_Tools.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QStyle>
#include <QStylePainter>

DriveSelector::DriveSelector(QWidget *parent)
    : QComboBox(parent)
{
    setObjectName(QStringLiteral("ComboBoxEx_drive"));
    setMaxVisibleItems(8);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { setToolTip(currentDrive()); });
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

QString DriveSelector::displayedText() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    if (!option.currentIcon.isNull())
        field.setLeft(field.left() + option.iconSize.width() + 4);
    return fontMetrics().elidedText(option.currentText, Qt::ElideMiddle, std::max(0, field.width()));
}

void DriveSelector::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = displayedText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
