#include "editors/FM_AddEditDataCD.h"

#include "base/WindowFont.h"
#include "base/WaitCursor.h"

#include "disc/U_Tools.h"
#include "store/DM_Data.h"
#include "base/MessageService.h"
#include "base/U_Constantes.h"

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

TF_AddEditDataCD::TF_AddEditDataCD(TD_Data &data, MessageService &messages, QWidget *parent)
    : DiscEditor(messages, parent)
    , m_data(data)
    , m_mountsFile(QStringLiteral("/proc/self/mounts"))
{
    setObjectName(QStringLiteral("F_AddEditDataCD"));
    setWindowTitle(U_Constantes::NewDataCDCaption);
    setFont(windowFont());
    buildControls();
}

void TF_AddEditDataCD::buildControls()
{
    resize(442, 272);
    setMinimumSize(360, 220);
    AnchoredLayout &anchored = anchoredLayout();

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    anchored.place(Panel1, 8, 8, 426, 225, Anchor::AllSides);

    auto label = [this, &anchored](const QString &text, int x, int y) {
        auto *l = new QLabel(text, Panel1);
        anchored.place(l, x, y, 0, 0);
        return l;
    };

    label(U_Constantes::LabelDataCDTitle, 8, 16);
    Edit_title = new QLineEdit(Panel1);
    Edit_title->setMaxLength(254);
    anchored.place(Edit_title, 88, 12, 329, 21, Anchor::Left | Anchor::Top | Anchor::Right);

    label(U_Constantes::LabelScanDataDrive, 8, 41);
    ComboBoxEx_drive = new DriveSelector(Panel1);
    ComboBoxEx_drive->installEventFilter(this);
    anchored.place(ComboBoxEx_drive, 88, 36, 73, 22);
    SpeedButton2 = new QToolButton(Panel1);
    SpeedButton2->setText(U_Constantes::BtnScanDrive);
    SpeedButton2->setToolTip(U_Constantes::HintScanDrive);
    SpeedButton2->setIcon(listImage(DriveImage));
    SpeedButton2->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedButton2->setAutoRaise(true);
    SpeedButton2->setFocusPolicy(Qt::NoFocus);
    anchored.place(SpeedButton2, 168, 36, 129, 22);
    ComboBoxEx_drive->setButton(SpeedButton2);
    Label4 = new QLabel(U_Constantes::LabelScanning, Panel1);
    QFont italic = Label4->font();
    italic.setItalic(true);
    Label4->setFont(italic);
    QPalette red = Label4->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label4->setPalette(red);
    anchored.place(Label4, 304, 40, 0, 0);
    Label4->hide();

    label(U_Constantes::LabelAddItem, 8, 65);
    Edit_dataitem = new QLineEdit(Panel1);
    Edit_dataitem->setMaxLength(254);
    Edit_dataitem->installEventFilter(this);
    anchored.place(Edit_dataitem, 88, 61, 261, 21, Anchor::Left | Anchor::Top | Anchor::Right);
    SpeedButton1 = new QToolButton(Panel1);
    SpeedButton1->setText(U_Constantes::BtnAddItem);
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    anchored.place(SpeedButton1, 356, 60, 61, 22, Anchor::Top | Anchor::Right);

    ListView_items = new EditableList(Panel1);
    ListView_items->setAccessibleName(U_Constantes::ColDataItems);
    ListView_items->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    ListView_items->installEventFilter(this);
    anchored.place(ListView_items, 8, 88, 409, 129, Anchor::AllSides);

    PopupMenu1 = new QMenu(this);
    QAction *selectAll = PopupMenu1->addAction(U_Constantes::MenuItemSelectAll);
    QAction *editSelected = PopupMenu1->addAction(U_Constantes::MenuItemEdit);
    QAction *deleteSelected = PopupMenu1->addAction(U_Constantes::MenuItemDelete);

    Button2 = new QPushButton(U_Constantes::BtnSaveCD, this);
    Button1 = new QPushButton(U_Constantes::BtnCancel, this);
    // Enter belongs to the item box and the drive box, never to a button.
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    anchored.place(Button2, 280, 240, 75, 25, Anchor::Right | Anchor::Bottom);
    anchored.place(Button1, 360, 240, 75, 25, Anchor::Right | Anchor::Bottom);
    setSaveAndCancel(Button2, Button1);

    QWidget *order[] = {Edit_title, ComboBoxEx_drive, Edit_dataitem, ListView_items, Button2, Button1};
    for (size_t k = 1; k < std::size(order); ++k)
        setTabOrder(order[k - 1], order[k]);
    const std::pair<QWidget *, const char *> names[] = {
        {Panel1, "Panel1"}, {Edit_title, "Edit_title"}, {SpeedButton2, "SpeedButton2"}, {Label4, "Label4"},
        {Edit_dataitem, "Edit_dataitem"}, {SpeedButton1, "SpeedButton1"}, {ListView_items, "ListView_items"},
        {Button2, "Button2"}, {Button1, "Button1"}};
    for (const auto &[widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    connect(SpeedButton2, &QToolButton::clicked, this, &TF_AddEditDataCD::ScanDrive);
    connect(SpeedButton1, &QToolButton::clicked, this, &TF_AddEditDataCD::AddItem);
    connect(ListView_items, &QListWidget::itemDoubleClicked, this, [this] { EditSelectedItem(); });
    connect(ListView_items, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu1->popup(ListView_items->viewport()->mapToGlobal(at)); });
    connect(selectAll, &QAction::triggered, ListView_items, &QListWidget::selectAll);
    connect(editSelected, &QAction::triggered, this, &TF_AddEditDataCD::EditSelectedItem);
    connect(deleteSelected, &QAction::triggered, this, &TF_AddEditDataCD::DeleteSelectedItems);
    connect(Button2, &QPushButton::clicked, this, [this] {
        if (EditedDataCDID == -1)
            SaveNewDataCD();
        else
            SaveEditedDataCD();
    });
    connect(Button1, &QPushButton::clicked, this, &TF_AddEditDataCD::reject);
}

void TF_AddEditDataCD::prepareNew()
{
    EditedDataCDID = -1;
    FillDrives();
}

bool TF_AddEditDataCD::prepareEdit(int cdId)
{
    EditedDataCDID = cdId;
    // Another CD's title and items must never be saved under this one.
    if (!m_data.locate(cdId)) {
        messages().warning(U_Constantes::DataCDNotFoundText);
        return false;
    }
    const DataCD cd = m_data.current();
    FillDrives();
    setWindowTitle(U_Constantes::EditDataCDCaption);
    m_title.show(Edit_title, cd.title);

    ListView_items->clear();
    for (const QString &item : cd.items)
        addItemRow(item);
    return true;
}

void TF_AddEditDataCD::FillDrives()
{
    ComboBoxEx_drive->fill();
}

void TF_AddEditDataCD::FillDrives(const QString &driveLines)
{
    ComboBoxEx_drive->fill(driveLines);
}

void TF_AddEditDataCD::addItemRow(const QString &caption)
{
    ListView_items->append(listImage(ItemImage), caption);
}

bool TF_AddEditDataCD::readRoot(const QString &root)
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
                ListView_items->appendAll(listImage(ItemImage), unshown);
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
    ListView_items->setTexts(listImage(ItemImage), folders + files);
    return true;
}

void TF_AddEditDataCD::ScanDrive()
{
    // Enter in the drive box reaches here also while a scan or a save serves events.
    const QString drive = ComboBoxEx_drive->currentDrive();
    if (m_scanning || busy() || drive.isEmpty())
        return;
    const QString root = driveRoot(drive, m_mountsFile);
    const QFileInfo rootInfo(root);
    // Nothing to read: the items typed or loaded so far are worth more than an empty list.
    if (root.isEmpty() || !rootInfo.isDir() || !rootInfo.isReadable()) {
        messages().warning(U_Constantes::NoDiscInDriveText.arg(drive));
        return;
    }

    m_scanning = true;
    m_scanStopped = false;
    SpeedButton2->setEnabled(false);
    // A save in the middle would store half the disc and close.
    const bool saveEnabled = Button2->isEnabled();
    Button2->setEnabled(false);
    Label4->show();
    {
        WaitCursor wait;
        ListView_items->clear();
        readRoot(root);
    }
    Label4->hide();
    Button2->setEnabled(saveEnabled && !busy());
    SpeedButton2->setEnabled(true);
    m_scanning = false;
}

void TF_AddEditDataCD::AddItem()
{
    if (Edit_dataitem->text().isEmpty())
        messages().warning(U_Constantes::NoItemText);
    else
        addItemRow(Edit_dataitem->text());
    Edit_dataitem->setFocus();
}

void TF_AddEditDataCD::EditSelectedItem()
{
    ListView_items->editFirstSelected();
}

void TF_AddEditDataCD::DeleteSelectedItems()
{
    ListView_items->deleteSelected();
}

QStringList TF_AddEditDataCD::items() const
{
    return ListView_items->texts();
}

void TF_AddEditDataCD::save(bool edited)
{
    if (busy() || m_scanning || !checkTitle(Edit_title))
        return;
    const QString title = m_title.value(Edit_title->text());
    // A failed save keeps the dialog open with what was typed; the store has shown why.
    storeAndClose([&] {
        return edited ? m_data.UpdateDataCD(EditedDataCDID, title, items()) : m_data.AddDataCD(title, items());
    });
}

void TF_AddEditDataCD::SaveNewDataCD()
{
    save(false);
}

void TF_AddEditDataCD::SaveEditedDataCD()
{
    save(true);
}

void TF_AddEditDataCD::reject()
{
    if (busy())
        return;
    // A dialog cancelled during a scan closes at once instead of reading the rest of the disc.
    m_scanStopped = m_scanning;
    DiscEditor::reject();
}

bool TF_AddEditDataCD::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == Edit_dataitem && isEnter(key)) {
            AddItem();
            return true;
        }
        if (watched == ComboBoxEx_drive && isEnter(key)) {
            ScanDrive();
            return true;
        }
        // While a caption is edited its own editor has the keys, so Delete never reaches the list.
        if (watched == ListView_items && key == Qt::Key_Delete) {
            DeleteSelectedItems();
            return true;
        }
    }
    return DiscEditor::eventFilter(watched, event);
}

void ShowNewDataCD(TD_Data &data, MessageService &messages, QWidget *parent)
{
    TF_AddEditDataCD dialog(data, messages, parent);
    dialog.prepareNew();
    dialog.exec();
}

void ShowEditDataCD(int cdId, TD_Data &data, MessageService &messages, QWidget *parent)
{
    TF_AddEditDataCD dialog(data, messages, parent);
    if (dialog.prepareEdit(cdId))
        dialog.exec();
}
