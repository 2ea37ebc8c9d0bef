#include "editors/DriveSelector.h"

#include "base/Texts.h"
#include "disc/CDInfo.h"
#include "disc/DriveFiles.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QStyle>
#include <QStylePainter>
#include <QtConcurrent/QtConcurrentRun>

namespace {

constexpr int NameRole = Qt::UserRole + 1;
constexpr int DiscTitleRole = Qt::UserRole + 2;

// The last part of the path: "sr0", "album.cue", a folder's own name.
QString ownName(const QString &drive)
{
    const QString name = QFileInfo(drive).fileName();
    return name.isEmpty() ? QFileInfo(drive).absoluteDir().dirName() : name;
}

// The title the disc carries (its CD-Text, or the sheet's TITLE for an image); empty for a folder,
// an empty drive or a disc that names itself nothing.
QString discTitle(const QString &drive)
{
    if (QFileInfo(drive).isDir())
        return {};
    try {
        CDInfo disc;
        disc.openDrive(drive);
        return disc.text().title;
    } catch (const CDError &) {
        return {};
    }
}

} // namespace

DriveSelector::DriveSelector(QWidget *parent)
    : QComboBox(parent)
{
    setObjectName(QStringLiteral("driveBox"));
    setMaxVisibleItems(8);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { setToolTip(currentDrive()); });
}

void DriveSelector::setButton(QAbstractButton *button)
{
    m_button = button;
}

void DriveSelector::fill()
{
    fill(listCdDrives());
}

void DriveSelector::fill(const QString &driveLines)
{
    clear();
    const QStringList drives = driveLines.split(Texts::LineBreak, Qt::SkipEmptyParts);
    setEnabled(!drives.isEmpty());
    if (m_button)
        m_button->setEnabled(!drives.isEmpty());
    const QIcon drivePicture = QApplication::style()->standardIcon(QStyle::SP_DriveCDIcon);
    for (const QString &drive : drives) {
        addItem(drivePicture, drive, drive);
        setItemData(count() - 1, drive, Qt::ToolTipRole);
        setItemData(count() - 1, ownName(drive), NameRole);
    }
    readTitles(drives);
    // Device paths are longer than the box: the list that drops down shows them whole.
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QString &drive : drives)
        widest = std::max(widest, metrics.horizontalAdvance(drive));
    view()->setMinimumWidth(widest + 48);
    if (!drives.isEmpty())
        setCurrentIndex(0);
}

// A drive spins its disc up before it answers: the titles come off the window's thread, and the box
// shows each drive by its name until they are in.
void DriveSelector::readTitles(const QStringList &drives)
{
    m_titles.reset();
    if (drives.isEmpty())
        return;
    auto *titles = new QFutureWatcher<QStringList>;
    m_titles.reset(titles);
    connect(titles, &QFutureWatcherBase::finished, this, [this, titles] {
        const QStringList read = titles->result();
        for (int k = 0; k < read.size() && k < count(); ++k)
            setItemData(k, read[k], DiscTitleRole);
        update();
    });
    titles->setFuture(QtConcurrent::run([drives] {
        QStringList read;
        for (const QString &drive : drives)
            read << discTitle(drive);
        return read;
    }));
}

QString DriveSelector::currentDrive() const
{
    return currentIndex() < 0 ? QString() : currentData().toString();
}

QString DriveSelector::caption(int index) const
{
    const QString name = itemData(index, NameRole).toString();
    const QString title = itemData(index, DiscTitleRole).toString();
    return title.isEmpty() ? name : Texts::DriveWithDiscTitle.arg(name, title);
}

QString DriveSelector::displayedText() const
{
    return shownText(nullptr);
}

QString DriveSelector::shownText(bool *withPicture) const
{
    if (withPicture)
        *withPicture = false;
    if (currentIndex() < 0)
        return {};
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const int picture = option.currentIcon.isNull() ? 0 : option.iconSize.width() + 4;
    const QFontMetrics metrics = fontMetrics();
    QString whole = caption(currentIndex());
    const QString name = itemData(currentIndex(), NameRole).toString();
    // Every drive has the same picture: where the name has no room beside it, the name goes first.
    const bool pictureFits = metrics.horizontalAdvance(name) <= field.width() - picture;
    if (withPicture)
        *withPicture = picture > 0 && pictureFits;
    const int room = std::max(0, pictureFits ? field.width() - picture : field.width());
    if (metrics.horizontalAdvance(whole) <= room)
        return whole;
    if (metrics.horizontalAdvance(name) > room)
        return metrics.elidedText(name, Qt::ElideMiddle, room);
    // What is left beside the name goes to the title's beginning, when a few letters of it fit.
    const QString title = itemData(currentIndex(), DiscTitleRole).toString();
    const QString head = Texts::DriveWithDiscTitle.arg(name, QString());
    const QString shortTitle = metrics.elidedText(title, Qt::ElideRight, room - metrics.horizontalAdvance(head));
    return shortTitle.size() > 2 ? head + shortTitle : name;
}

void DriveSelector::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    bool withPicture = false;
    option.currentText = shownText(&withPicture);
    if (!withPicture)
        option.currentIcon = QIcon();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
