#include "editors/DataCDEditor.h"

#include "base/WaitCursor.h"
#include "base/WindowFont.h"

#include "base/MessageService.h"
#include "base/Texts.h"
#include "disc/DriveFiles.h"
#include "store/DataCDStore.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace {

using Anchor = AnchoredLayout::Anchor;

constexpr int DriveImage = 0;
constexpr int ItemImage = 1;
// Often enough that the window answers at once, seldom enough that serving costs nothing.
constexpr int ServeEveryMs = 30;

QIcon listImage(int index)
{
    return QApplication::style()->standardIcon(index == ItemImage ? QStyle::SP_FileIcon : QStyle::SP_DriveCDIcon);
}

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

DataCDEditor::DataCDEditor(DataCDStore &data, MessageService &messages, QWidget *parent)
    : DiscEditor(messages, parent)
    , m_data(data)
    , m_mountsFile(QStringLiteral("/proc/self/mounts"))
{
    setObjectName(QStringLiteral("F_AddEditDataCD"));
    setWindowTitle(Texts::NewDataCDCaption);
    setFont(windowFont());
    buildControls();
}

void DataCDEditor::buildControls()
{
    resize(442, 272);
    setMinimumSize(360, 220);
    AnchoredLayout &anchored = anchoredLayout();

    fieldsPanel = new QFrame(this);
    fieldsPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    anchored.place(fieldsPanel, 8, 8, 426, 225, Anchor::AllSides);

    auto label = [this, &anchored](const QString &text, int x, int y) {
        auto *l = new QLabel(text, fieldsPanel);
        anchored.place(l, x, y, 0, 0);
        return l;
    };

    label(Texts::LabelDataCDTitle, 8, 16);
    titleEdit = new QLineEdit(fieldsPanel);
    titleEdit->setMaxLength(254);
    anchored.place(titleEdit, 88, 12, 329, 21, Anchor::Left | Anchor::Top | Anchor::Right);

    label(Texts::LabelScanDataDrive, 8, 41);
    driveBox = new DriveSelector(fieldsPanel);
    driveBox->installEventFilter(this);
    anchored.place(driveBox, 88, 36, 73, 22);
    scanButton = new QToolButton(fieldsPanel);
    scanButton->setText(Texts::BtnScanDrive);
    scanButton->setToolTip(Texts::HintScanDrive);
    scanButton->setIcon(listImage(DriveImage));
    scanButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    scanButton->setAutoRaise(true);
    scanButton->setFocusPolicy(Qt::NoFocus);
    anchored.place(scanButton, 168, 36, 129, 22);
    driveBox->setButton(scanButton);
    scanningLabel = new QLabel(Texts::LabelScanning, fieldsPanel);
    QFont italic = scanningLabel->font();
    italic.setItalic(true);
    scanningLabel->setFont(italic);
    QPalette red = scanningLabel->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    scanningLabel->setPalette(red);
    anchored.place(scanningLabel, 304, 40, 0, 0);
    scanningLabel->hide();

    label(Texts::LabelAddItem, 8, 65);
    itemEdit = new QLineEdit(fieldsPanel);
    itemEdit->setMaxLength(254);
    itemEdit->installEventFilter(this);
    anchored.place(itemEdit, 88, 61, 261, 21, Anchor::Left | Anchor::Top | Anchor::Right);
    addItemButton = new QToolButton(fieldsPanel);
    addItemButton->setText(Texts::BtnAddItem);
    addItemButton->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    addItemButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    addItemButton->setAutoRaise(true);
    addItemButton->setFocusPolicy(Qt::NoFocus);
    anchored.place(addItemButton, 356, 60, 61, 22, Anchor::Top | Anchor::Right);

    itemList = new EditableList(fieldsPanel);
    itemList->setAccessibleName(Texts::ColDataItems);
    itemList->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    itemList->installEventFilter(this);
    anchored.place(itemList, 8, 88, 409, 129, Anchor::AllSides);

    listMenu = new QMenu(this);
    QAction *selectAll = listMenu->addAction(Texts::MenuItemSelectAll);
    QAction *editSelected = listMenu->addAction(Texts::MenuItemEdit);
    QAction *deleteSelected = listMenu->addAction(Texts::MenuItemDelete);

    saveButton = new QPushButton(Texts::BtnSaveCD, this);
    cancelButton = new QPushButton(Texts::BtnCancel, this);
    // Enter belongs to the item box and the drive box, never to a button.
    cancelButton->setAutoDefault(false);
    saveButton->setAutoDefault(false);
    anchored.place(saveButton, 280, 240, 75, 25, Anchor::Right | Anchor::Bottom);
    anchored.place(cancelButton, 360, 240, 75, 25, Anchor::Right | Anchor::Bottom);
    setSaveAndCancel(saveButton, cancelButton);

    QWidget *order[] = {titleEdit, driveBox, itemEdit, itemList, saveButton, cancelButton};
    for (size_t k = 1; k < std::size(order); ++k)
        setTabOrder(order[k - 1], order[k]);
    const std::pair<QWidget *, const char *> names[]
        = {{fieldsPanel, "fieldsPanel"},     {titleEdit, "titleEdit"},   {scanButton, "scanButton"},
           {scanningLabel, "scanningLabel"}, {itemEdit, "itemEdit"},     {addItemButton, "addItemButton"},
           {itemList, "itemList"},           {saveButton, "saveButton"}, {cancelButton, "cancelButton"}};
    for (const auto &[widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    connect(scanButton, &QToolButton::clicked, this, &DataCDEditor::scanDrive);
    connect(addItemButton, &QToolButton::clicked, this, &DataCDEditor::addItem);
    connect(itemList, &QListWidget::itemDoubleClicked, this, [this] { editSelectedItem(); });
    connect(itemList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { listMenu->popup(itemList->viewport()->mapToGlobal(at)); });
    connect(selectAll, &QAction::triggered, itemList, &QListWidget::selectAll);
    connect(editSelected, &QAction::triggered, this, &DataCDEditor::editSelectedItem);
    connect(deleteSelected, &QAction::triggered, this, &DataCDEditor::deleteSelectedItems);
    connect(saveButton, &QPushButton::clicked, this, [this] {
        if (EditedDataCDID == -1)
            saveNewDataCD();
        else
            saveEditedDataCD();
    });
    connect(cancelButton, &QPushButton::clicked, this, &DataCDEditor::reject);
}

void DataCDEditor::prepareNew()
{
    EditedDataCDID = -1;
    fillDrives();
}

bool DataCDEditor::prepareEdit(int cdId)
{
    EditedDataCDID = cdId;
    // Another CD's title and items must never be saved under this one.
    if (!m_data.locate(cdId)) {
        messages().warning(Texts::DataCDNotFoundText);
        return false;
    }
    const DataCD cd = m_data.current();
    fillDrives();
    setWindowTitle(Texts::EditDataCDCaption);
    m_title.show(titleEdit, cd.title);

    itemList->clear();
    for (const QString &item : cd.items)
        addItemRow(item);
    return true;
}

void DataCDEditor::fillDrives()
{
    driveBox->fill();
}

void DataCDEditor::fillDrives(const QString &driveLines)
{
    driveBox->fill(driveLines);
}

void DataCDEditor::addItemRow(const QString &caption)
{
    itemList->append(listImage(ItemImage), caption);
}

bool DataCDEditor::readRoot(const QString &root)
{
    QStringList folders;
    QStringList files;
    QStringList unshown;
    QElapsedTimer sinceServed; // not started: the first name shows at once
    auto into = [&](QStringList *group) {
        return [&, group](const QString &name) {
            *group << name;
            unshown << name;
            // Rows go in and events are served a few dozen times a second, not once a name: each
            // round lays the list out again, so once a name made a long disc cost its square.
            if (!sinceServed.isValid() || sinceServed.hasExpired(ServeEveryMs)) {
                itemList->appendAll(listImage(ItemImage), unshown);
                unshown.clear();
                QCoreApplication::processEvents();
                sinceServed.start();
            }
            return !m_scanStopped;
        };
    };
    if (!eachFolder(root, into(&folders)))
        return false;
    if (!eachFile(root, QStringLiteral("*.*"), faHidden | faSysFile | faDirectory, into(&files)))
        return false;
    // Shown as they came; by name once all are in, folders first, as ListFolders and ListFiles give them.
    sortNames(folders);
    sortNames(files);
    itemList->setTexts(listImage(ItemImage), folders + files);
    return true;
}

void DataCDEditor::scanDrive()
{
    // Enter in the drive box reaches here also while a scan or a save serves events.
    const QString drive = driveBox->currentDrive();
    if (m_scanning || busy() || drive.isEmpty())
        return;
    const QString root = driveRoot(drive, m_mountsFile);
    const QFileInfo rootInfo(root);
    // Nothing to read: the items typed or loaded so far are worth more than an empty list.
    if (root.isEmpty() || !rootInfo.isDir() || !rootInfo.isReadable()) {
        messages().warning(Texts::NoDiscInDriveText.arg(drive));
        return;
    }

    m_scanning = true;
    m_scanStopped = false;
    scanButton->setEnabled(false);
    // A save in the middle would store half the disc and close.
    const bool saveEnabled = saveButton->isEnabled();
    saveButton->setEnabled(false);
    scanningLabel->show();
    {
        WaitCursor wait;
        itemList->clear();
        readRoot(root);
    }
    scanningLabel->hide();
    saveButton->setEnabled(saveEnabled && !busy());
    scanButton->setEnabled(true);
    m_scanning = false;
}

void DataCDEditor::addItem()
{
    if (itemEdit->text().isEmpty())
        messages().warning(Texts::NoItemText);
    else
        addItemRow(itemEdit->text());
    itemEdit->setFocus();
}

void DataCDEditor::editSelectedItem()
{
    itemList->editFirstSelected();
}

void DataCDEditor::deleteSelectedItems()
{
    itemList->deleteSelected();
}

QStringList DataCDEditor::items() const
{
    return itemList->texts();
}

void DataCDEditor::save(bool edited)
{
    if (busy() || m_scanning || !checkTitle(titleEdit))
        return;
    const QString title = m_title.value(titleEdit->text());
    // A failed save keeps the dialog open with what was typed; the store has shown why.
    storeAndClose([&] {
        return edited ? m_data.updateDataCD(EditedDataCDID, title, items()) : m_data.addDataCD(title, items());
    });
}

void DataCDEditor::saveNewDataCD()
{
    save(false);
}

void DataCDEditor::saveEditedDataCD()
{
    save(true);
}

void DataCDEditor::reject()
{
    if (busy())
        return;
    // A dialog cancelled during a scan closes at once instead of reading the rest of the disc.
    m_scanStopped = m_scanning;
    DiscEditor::reject();
}

bool DataCDEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == itemEdit && isEnter(key)) {
            addItem();
            return true;
        }
        if (watched == driveBox && isEnter(key)) {
            scanDrive();
            return true;
        }
        // While a caption is edited its own editor has the keys, so Delete never reaches the list.
        if (watched == itemList && key == Qt::Key_Delete) {
            deleteSelectedItems();
            return true;
        }
    }
    return DiscEditor::eventFilter(watched, event);
}

void showNewDataCD(DataCDStore &data, MessageService &messages, QWidget *parent)
{
    DataCDEditor dialog(data, messages, parent);
    dialog.prepareNew();
    dialog.exec();
}

void showEditDataCD(int cdId, DataCDStore &data, MessageService &messages, QWidget *parent)
{
    DataCDEditor dialog(data, messages, parent);
    if (dialog.prepareEdit(cdId))
        dialog.exec();
}
