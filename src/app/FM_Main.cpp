#include "app/FM_Main.h"

#include "app/DaduduApplication.h"
#include "app/FM_About.h"
#include "app/FM_Preferences.h"
#include "base/WindowFont.h"
#include "app/FM_Splash.h"
#include "base/DialogService.h"
#include "app/NavigatorIcons.h"
#include "docking/DockManagerPro.h"
#include "grid/DxGrid.h"
#include "grid/GridView.h"
#include "lists/ListWindow.h"
#include "store/DM_Main.h"
#include "base/MessageService.h"
#include "base/Settings.h"
#include "base/U_Constantes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QRubberBand>
#include <QScopeGuard>
#include <QMimeData>
#include <QMouseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Underlines the navigator item under the mouse, like a link.
class HoverUnderlineDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->state & QStyle::State_MouseOver)
            option->font.setUnderline(true);
    }
};

const QString GeometryKey = QStringLiteral("window/geometry");
const QString StateKey = QStringLiteral("window/state");
const QString NavigatorPanelKey = QStringLiteral("window/navigatorPanel");
const QString NavigatorSizeKey = QStringLiteral("window/navigatorSize");

const QString navigatorCaptions[TF_Main::ListCount] = {
    U_Constantes::NavAudioCDs, U_Constantes::NavArtists, U_Constantes::NavTracks,
    U_Constantes::NavMovies,   U_Constantes::NavDataCDs, U_Constantes::NavDataItems,
};

} // namespace

TF_Main::TF_Main(MessageService &messages, DialogService &dialogs, const QString &catalogue, QWidget *parent)
    : QMainWindow(parent)
    , m_messages(messages)
    , m_dialogs(dialogs)
    , m_catalogue(catalogue)
{
    setWindowTitle(U_Constantes::MainCaption);
    setFont(windowFont());

    buildActions();
    buildToolBar();
    buildPanels();
    buildNavigator();

    auto *status = new QStatusBar(this);
    StatusBar1 = new QLabel(status);
    status->addWidget(StatusBar1, 1);
    setStatusBar(status);

    FormCreate();
    restoreLayout();
}

TF_Main::~TF_Main()
{
    // The window's children outlive this class by a moment: QWidget deletes them after this body,
    // and on the way the client area, the navigator and the panels still signal (the list window
    // in front goes, the selection empties). Nothing of this class may hear them then.
    for (QObject *child : findChildren<QObject *>())
        disconnect(child, nullptr, this, nullptr);
}

void TF_Main::placeOnScreen()
{
    const QSize designed(660, 535);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen) {
        resize(designed);
        return;
    }
    // Three quarters of the screen each way shows a list's columns without hiding the desktop; never
    // smaller than the window was drawn for, never larger than the screen.
    const QRect free = screen->availableGeometry();
    const QSize size = QSize(free.width() * 3 / 4, free.height() * 3 / 4).expandedTo(designed).boundedTo(free.size());
    resize(size);
    move(free.center() - QPoint(size.width() / 2, size.height() / 2));
}

void TF_Main::restoreLayout()
{
    const auto settings = openSettings();
    if (!restoreGeometry(settings->value(GeometryKey).toByteArray()))
        placeOnScreen();
    restoreState(settings->value(StateKey).toByteArray());
    QWidget *const panels[] = {Panel_left, Panel_top, Panel_right, Panel_bottom};
    const int at = settings->value(NavigatorPanelKey, 0).toInt();
    if (at < 0 || at >= 4)
        return;
    QWidget *panel = panels[at];
    dockNavigator(panel);
    // Widened by the user, the panel opens at that width again, and may still be narrowed back.
    const int size = settings->value(NavigatorSizeKey, 0).toInt();
    if (size > openSize(panel)) {
        openPanel(panel, size);
        if (panel == Panel_left || panel == Panel_right)
            panel->setMinimumWidth(openSize(panel));
        else
            panel->setMinimumHeight(openSize(panel));
    }
}

void TF_Main::saveLayout()
{
    const auto settings = openSettings();
    settings->setValue(GeometryKey, saveGeometry());
    settings->setValue(StateKey, saveState());
    QWidget *const panels[] = {Panel_left, Panel_top, Panel_right, Panel_bottom};
    for (int i = 0; i < 4; ++i)
        if (panels[i] == dockedPanel()) {
            settings->setValue(NavigatorPanelKey, i);
            settings->setValue(NavigatorSizeKey, panelSize(panels[i]));
        }
    settings->sync();
}

void TF_Main::buildToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    auto button = [this](QAction *command, const char *name) {
        auto *b = new QToolButton(ToolBar1);
        b->setObjectName(QLatin1String(name));
        b->setDefaultAction(command);
        b->setAutoRaise(true);
        b->setFixedSize(77, 21);
        ToolBar1->addWidget(b);
        return b;
    };
    auto separator = [this] {
        auto *gap = new QWidget(ToolBar1);
        gap->setFixedWidth(8);
        ToolBar1->addWidget(gap);
    };
    ToolButton1 = button(m_actions.add, "ToolButton1");
    ToolButton2 = button(m_actions.deleteSelected, "ToolButton2");
    ToolButton8 = button(m_actions.edit, "ToolButton8");
    separator();
    ToolButton4 = button(m_actions.refresh, "ToolButton4");
    ToolButton9 = button(m_actions.print, "ToolButton9");
    ToolButton3 = button(m_actions.saveHtml, "ToolButton3");
    ToolButton6 = button(m_actions.saveXls, "ToolButton6");
    separator();
    ToolButton5 = button(m_actions.about, "ToolButton5");
    // Last, so that a narrow window hides it behind the toolbar's extension before the about box.
    ToolButton10 = button(m_actions.preferences, "ToolButton10");
}

void TF_Main::buildActions()
{
    // Each command is one action: the toolbar shows its icon text and hint, the grid's pop-up menu
    // its text, and both follow its enabled state. An action belongs to the menu that shows it.
    PopupMenu_grid = new QMenu(this);
    PopupMenu_grid->setObjectName(QStringLiteral("PopupMenu_grid"));
    QMenu *selection = new QMenu(U_Constantes::MenuSelection, PopupMenu_grid);
    selection->menuAction()->setObjectName(QStringLiteral("Selection1"));
    QMenu *list = new QMenu(U_Constantes::MenuList, PopupMenu_grid);
    list->menuAction()->setObjectName(QStringLiteral("List1"));

    auto command = [this](QObject *owner, const char *name, const QString &menuText, const QString &buttonText,
                          const QString &hint, auto run) {
        auto *a = new QAction(menuText, owner);
        a->setObjectName(QLatin1String(name));
        if (!buttonText.isEmpty())
            a->setIconText(buttonText);
        if (!hint.isEmpty())
            a->setToolTip(hint);
        connect(a, &QAction::triggered, this, DaduduApplication::guarded(run));
        return a;
    };
    using namespace U_Constantes;
    m_actions.add = command(PopupMenu_grid, "Addnew1", MenuAddNew, BtnAddNew, HintAddNew, [this] { RouteAdd(); });
    m_actions.edit = command(PopupMenu_grid, "Edit1", MenuEdit, BtnEdit, HintEdit, [this] { RouteEdit(); });
    m_actions.selectAll = command(selection, "Selectall1", MenuSelectAll, {}, {}, [this] { RouteSelectAll(); });
    m_actions.deleteSelected = command(selection, "Deleteselected1", MenuDelete, BtnDelete, HintDelete, [this] { RouteDelete(); });
    m_actions.refresh = command(list, "Refresh1", MenuRefresh, BtnRefresh, HintRefresh, [this] { RefreshActiveList(); });
    m_actions.print = command(list, "Printlist1", MenuPrint, BtnPrint, HintPrint, [this] { RoutePrint(); });
    m_actions.saveHtml = command(list, "SavetoHTML1", MenuSaveHTML, BtnSaveHTML, HintSaveHTML, [this] { RouteSaveHTML(); });
    m_actions.saveXls = command(list, "SavetoExcelXLS1", MenuSaveXLS, BtnSaveExcel, HintSaveExcel, [this] { RouteSaveXLS(); });
    m_actions.exit = command(PopupMenu_grid, "Exit1", MenuExit, {}, {}, [this] { close(); });
    m_actions.about = command(this, "About1", BtnAbout, BtnAbout, HintAbout, [this] { ShowAbout(this); });
    m_actions.preferences = command(this, "Preferences1", BtnPreferences, BtnPreferences, HintPreferences,
                                    [this] { ShowPreferences(m_messages, m_dialogs, this); });

    PopupMenu_grid->addAction(m_actions.add);
    PopupMenu_grid->addAction(m_actions.edit);
    PopupMenu_grid->addMenu(selection);
    selection->addAction(m_actions.selectAll);
    selection->addAction(m_actions.deleteSelected);
    PopupMenu_grid->addSeparator()->setObjectName(QStringLiteral("N1"));
    PopupMenu_grid->addMenu(list);
    list->addAction(m_actions.refresh);
    list->addAction(m_actions.print);
    list->addAction(m_actions.saveHtml);
    list->addAction(m_actions.saveXls);
    PopupMenu_grid->addSeparator()->setObjectName(QStringLiteral("N2"));
    PopupMenu_grid->addAction(m_actions.exit);
}

void TF_Main::updateActions()
{
    const bool listInFront = ActiveListWindow() >= 0;
    for (QAction *a : {m_actions.add, m_actions.edit, m_actions.selectAll, m_actions.deleteSelected,
                       m_actions.refresh, m_actions.print, m_actions.saveHtml, m_actions.saveXls})
        a->setEnabled(listInFront);
    for (QAction *a : {m_actions.add, m_actions.edit, m_actions.deleteSelected})
        a->setEnabled(listInFront && !m_readOnly);
}

void TF_Main::buildPanels()
{
    auto panel = [this](const char *name) {
        auto *p = new QFrame;
        p->setObjectName(QLatin1String(name));
        p->setFrameShape(QFrame::NoFrame);
        return p;
    };
    Panel_left = panel("Panel_left");
    Panel_top = panel("Panel_top");
    Panel_right = panel("Panel_right");
    Panel_bottom = panel("Panel_bottom");

    ClientArea = new QMdiArea;
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    ClientArea->setBackground(palette().dark());
    connect(ClientArea, &QMdiArea::subWindowActivated, this, &TF_Main::updateActions);
    // A list is ordered and shown once it comes to the front, however it gets there.
    // The navigator orders it after its refresh, so a list read again is not ordered twice.
    connect(ClientArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *sub) {
        if (m_refreshFollows)
            return;
        for (CatalogueList &entry : m_lists)
            if (sub && entry.window && entry.window == sub->widget())
                entry.window->mainGrid()->setDeferred(false);
    });
    updateActions();

    m_middle = new QSplitter(Qt::Horizontal);
    m_middle->setObjectName(QStringLiteral("Splitter1"));
    m_middle->setHandleWidth(4);
    m_middle->setOpaqueResize(true);
    m_middle->setChildrenCollapsible(false);
    m_middle->addWidget(Panel_left);
    m_middle->addWidget(ClientArea);
    m_middle->addWidget(Panel_right);
    m_middle->setStretchFactor(1, 1);

    m_outer = new QSplitter(Qt::Vertical);
    m_outer->setHandleWidth(4);
    m_outer->setOpaqueResize(true);
    m_outer->setChildrenCollapsible(false);
    m_outer->addWidget(Panel_top);
    m_outer->addWidget(m_middle);
    m_outer->addWidget(Panel_bottom);
    m_outer->setStretchFactor(1, 1);
    setCentralWidget(m_outer);
    setAcceptDrops(true);
    m_dropOutline = new QRubberBand(QRubberBand::Rectangle, this);
    m_dropOutline->setObjectName(QStringLiteral("DropOutline"));

    // Each panel is a dock site whose docked control carries a blue-to-white caption.
    const std::pair<QWidget *, SiteAlign> sites[] = {
        {Panel_left, SiteAlign::Left}, {Panel_top, SiteAlign::Top}, {Panel_right, SiteAlign::Right}, {Panel_bottom, SiteAlign::Bottom}};
    QFont captionFont(QStringLiteral("Arial"));
    captionFont.setPixelSize(11);
    captionFont.setBold(true);
    int k = 0;
    for (const auto &[panel, align] : sites) {
        auto *manager = new TDockManagerPro(this);
        manager->setObjectName(QStringLiteral("DockManagerPro%1").arg(++k));
        manager->setFont(captionFont, Qt::white);
        manager->setCaptionStartColor(Qt::blue);
        manager->setCaptionEndColor(Qt::white);
        manager->setTransparentButton(false);
        manager->setControl(panel, align);
        m_docks << manager;
        panel->installEventFilter(this);
        manager->tree()->setUnDockCheck(
            [this, panel](QWidget *, QWidget *newTarget) { return panelUnDock(panel, newTarget); });
        connect(manager->tree(), &TDockCaptionTree::dragEnded, this, [this](QWidget *, QWidget *target) {
            outlineDrop(nullptr);
            ListView1EndDock(target);
        });
    }
    CollapseDockPanels();
}

TDockCaptionTree *TF_Main::treeOf(QWidget *panel) const
{
    for (TDockManagerPro *m : m_docks)
        if (m->Control() == panel)
            return m->tree();
    return nullptr;
}

QWidget *TF_Main::dockedPanel() const
{
    for (TDockManagerPro *m : m_docks)
        if (m->tree() && !m->tree()->controls().isEmpty())
            return m->Control();
    return nullptr;
}

void TF_Main::CollapseDockPanels()
{
    // A closed panel is hidden, which also hides its splitter.
    for (QWidget *p : {Panel_left, Panel_top, Panel_right, Panel_bottom}) {
        p->setMinimumSize(0, 0);
        p->hide();
    }
}

int TF_Main::panelSize(const QWidget *panel) const
{
    if (panel->isHidden())
        return 0;
    return panel == Panel_left || panel == Panel_right ? panel->width() : panel->height();
}

int TF_Main::openSize(const QWidget *panel) const
{
    return panel == Panel_left || panel == Panel_right ? 90 : 60;
}

QRect TF_Main::dropGeometry(const QWidget *panel) const
{
    // The other panels close on a drop, so the panel takes its edge of the whole client area.
    const QRect c = m_outer->geometry();
    const int size = openSize(panel);
    if (panel == Panel_left)
        return QRect(c.left(), c.top(), size, c.height());
    if (panel == Panel_top)
        return QRect(c.left(), c.top(), c.width(), size);
    if (panel == Panel_right)
        return QRect(c.right() + 1 - size, c.top(), size, c.height());
    return QRect(c.left(), c.bottom() + 1 - size, c.width(), size);
}

QWidget *TF_Main::panelAt(QPoint pos) const
{
    // A panel takes a drop wherever it stands or would stand once dropped on, which is where its
    // outline is drawn, and a little past the window's edge, as dock sites always reached: a
    // closed panel is caught as easily as an open one, and what the outline shows is where a drop
    // lands.
    const QRect c = m_outer->geometry();
    const int reach = 10;
    const QRect zones[] = {
        QRect(c.left(), c.top(), panelSize(Panel_left), c.height()),
        QRect(c.left(), c.top(), c.width(), panelSize(Panel_top)),
        QRect(c.right() + 1 - panelSize(Panel_right), c.top(), panelSize(Panel_right), c.height()),
        QRect(c.left(), c.bottom() + 1 - panelSize(Panel_bottom), c.width(), panelSize(Panel_bottom)),
    };
    QWidget *const panels[] = {Panel_left, Panel_top, Panel_right, Panel_bottom};
    for (int i = 0; i < 4; ++i)
        if (zones[i].united(dropGeometry(panels[i])).adjusted(-reach, -reach, reach, reach).contains(pos))
            return panels[i];
    return nullptr;
}

QWidget *TF_Main::dropOutline() const
{
    return m_dropOutline;
}

void TF_Main::outlineDrop(QWidget *panel)
{
    if (!panel) {
        m_dropOutline->hide();
        return;
    }
    m_dropOutline->setGeometry(dropGeometry(panel));
    m_dropOutline->raise();
    m_dropOutline->show();
}

void TF_Main::dragEnterEvent(QDragEnterEvent *event)
{
    if (!event->mimeData()->hasFormat(TDockCaptionTree::mimeType()))
        return;
    event->acceptProposedAction();
    dragOver(event->position().toPoint(), event->source());
}

QWidget *TF_Main::dragOver(QPoint pos, QObject *source)
{
    QWidget *panel = panelAt(pos);
    if (!PanelDockOver(source))
        panel = nullptr;
    outlineDrop(panel);
    return panel;
}

void TF_Main::dragMoveEvent(QDragMoveEvent *event)
{
    const bool dock = event->mimeData()->hasFormat(TDockCaptionTree::mimeType());
    if (dock && dragOver(event->position().toPoint(), event->source())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
        outlineDrop(nullptr);
    }
}

void TF_Main::dragLeaveEvent(QDragLeaveEvent *event)
{
    outlineDrop(nullptr);
    QMainWindow::dragLeaveEvent(event);
}

void TF_Main::dropEvent(QDropEvent *event)
{
    outlineDrop(nullptr);
    QWidget *panel = panelAt(event->position().toPoint());
    if (!panel || !event->mimeData()->hasFormat(TDockCaptionTree::mimeType()) || !PanelDockOver(event->source()))
        return;
    event->acceptProposedAction();
    dockNavigator(panel);
}

void TF_Main::openPanel(QWidget *panel, int size)
{
    // The panel opens to its size; its splitter lets the user widen it but not shrink it below that.
    const bool sideways = panel == Panel_left || panel == Panel_right;
    QSplitter *splitter = sideways ? m_middle : m_outer;
    panel->show();
    if (sideways)
        panel->setMinimumWidth(size);
    else
        panel->setMinimumHeight(size);
    const int index = splitter->indexOf(panel);
    QList<int> sizes = splitter->sizes();
    int total = 0;
    for (int v : sizes)
        total += v;
    for (int i = 0; i < sizes.size(); ++i)
        sizes[i] = i == index ? size : (i == 1 ? qMax(0, total - size) : 0);
    splitter->setSizes(sizes);
}

bool TF_Main::PanelDockOver(QObject *source) const
{
    // Only the navigator (a list view) docks; the toolbar or anything else is refused.
    return qobject_cast<QListView *>(source) != nullptr;
}

bool TF_Main::panelUnDock(QWidget *, QWidget *newTarget) const
{
    return newTarget != nullptr;
}

void TF_Main::PanelDockDrop(QWidget *panel)
{
    outlineDrop(nullptr);
    CollapseDockPanels();
    openPanel(panel, openSize(panel));
}

void TF_Main::dockNavigator(QWidget *panel)
{
    if (QWidget *from = dockedPanel(); from && from != panel && !panelUnDock(from, panel))
        return;
    treeOf(panel)->InsertControl(ListView1);
    PanelDockDrop(panel);
}

void TF_Main::ListView1EndDock(QWidget *)
{
    // Docking never leaves the navigator floating; should it ever be, it goes back to the left.
    if (!dockedPanel())
        dockNavigator(Panel_left);
}

bool TF_Main::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *panel = qobject_cast<QWidget *>(watched);
    const bool isPanel = panel && (panel == Panel_left || panel == Panel_top || panel == Panel_right || panel == Panel_bottom);
    if (isPanel && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (drag->mimeData()->hasFormat(TDockCaptionTree::mimeType()) && PanelDockOver(drag->source())) {
            drag->acceptProposedAction();
            outlineDrop(panel);
        } else {
            drag->ignore();
            outlineDrop(nullptr);
        }
        return true;
    }
    if (isPanel && event->type() == QEvent::DragLeave)
        outlineDrop(nullptr);
    if (isPanel && event->type() == QEvent::Drop) {
        outlineDrop(nullptr);
        auto *drop = static_cast<QDropEvent *>(event);
        if (drop->mimeData()->hasFormat(TDockCaptionTree::mimeType()) && PanelDockOver(drop->source())) {
            drop->acceptProposedAction();
            dockNavigator(panel);
        }
        return true;
    }
    // The navigator can also be dragged by the list itself, past the drag threshold.
    if (ListView1 && watched == ListView1->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto *press = static_cast<QMouseEvent *>(event);
            m_listPress = press->button() == Qt::LeftButton ? press->position().toPoint() : QPoint(-1, -1);
        } else if (event->type() == QEvent::MouseMove && m_listPress.x() >= 0) {
            auto *move = static_cast<QMouseEvent *>(event);
            if ((move->buttons() & Qt::LeftButton)
                && (move->position().toPoint() - m_listPress).manhattanLength() >= QApplication::startDragDistance()) {
                m_listPress = QPoint(-1, -1);
                if (ListView1->isEnabled() && dockedPanel())
                    treeOf(dockedPanel())->startDrag(ListView1);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TF_Main::buildNavigator()
{
    ListView1 = new QListWidget;
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setToolTip(U_Constantes::NavigatorHint);
    ListView1->setViewMode(QListView::IconMode);
    ListView1->setIconSize(QSize(32, 32));
    ListView1->setResizeMode(QListView::Adjust);
    ListView1->setMovement(QListView::Static);
    ListView1->setWordWrap(false);
    ListView1->setFrameShape(QFrame::StyledPanel);
    ListView1->setFrameShadow(QFrame::Sunken);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setMouseTracking(true);
    ListView1->setItemDelegate(new HoverUnderlineDelegate(ListView1));
    ListView1->viewport()->setCursor(Qt::PointingHandCursor);
    ListView1->setGridSize(QSize(84, 56));
    for (int i = 0; i < ListCount; ++i)
        new QListWidgetItem(navigatorIcon(i), navigatorCaptions[i], ListView1);
    ListView1->clearSelection();
    ListView1->setCurrentRow(-1, QItemSelectionModel::NoUpdate);

    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected, const QItemSelection &deselected) {
                DaduduApplication::runGuarded([&] {
                    for (const QModelIndex &i : deselected.indexes())
                        ListView1SelectItem(i.row(), false);
                    for (const QModelIndex &i : selected.indexes())
                        ListView1SelectItem(i.row(), true);
                });
            });
}

void TF_Main::FormCreate()
{
    showSplash();
    dockNavigator(Panel_left);
    ListView1->viewport()->installEventFilter(this);
}

void TF_Main::showSplash()
{
    m_splash = std::make_unique<TF_Splash>();
    m_splash->showPainted();
}

void TF_Main::removeSplash()
{
    QThread::msleep(m_splashWaitMs);
    if (m_splash)
        m_splash->close();
    m_splash.reset();
}

void TF_Main::setCatalogue(TD_Main *main, QList<std::function<void()>> openLists,
                           QList<std::function<void()>> closeLists)
{
    m_main = main;
    m_openLists = std::move(openLists);
    m_closeLists = std::move(closeLists);
}

void TF_Main::addListWindow(ListIndex index, TListWindow *window)
{
    m_lists[index].window = window;
    const TListWindow::Frame &frame = window->frame();
    Qt::WindowFlags flags = Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;
    if (frame.canMinimise)
        flags |= Qt::WindowMinimizeButtonHint;
    QMdiSubWindow *sub = ClientArea->addSubWindow(window, flags);
    sub->setWindowIcon(navigatorIcon(index));
    sub->resize(frame.normalSize);
    if (frame.maximised)
        sub->showMaximized();
    else
        sub->show();
    updateActions();
}

QString TF_Main::databasePath() const
{
    return m_catalogue;
}

void TF_Main::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TF_Main::FormShow()
{
    OpenCatalogue();
    removeSplash();
}

void TF_Main::OpenCatalogue()
{
    bool ok = false;
    try {
        if (m_main)
            m_main->OpenDatabase(databasePath());
        m_readOnly = m_main && m_main->ADOConnection.readOnly();
        for (CatalogueList &entry : m_lists)
            if (entry.window)
                entry.window->setReadOnly(m_readOnly);
        updateActions();
        // The lists behind the one in front wait, read but not ordered, until they come to the front.
        for (int i = 0; i < ListCount; ++i)
            if (m_lists[i].window && i != AudioCDs)
                m_lists[i].window->mainGrid()->setDeferred(true);
        for (const auto &open : m_openLists)
            open();
        if (m_lists[AudioCDs].window)
            bringToFront(AudioCDs);
        if (m_lists[AudioCDs].count)
            StatusBar1->setText(QString::number(m_lists[AudioCDs].count()) + m_lists[AudioCDs].noun);
        ok = true;
    } catch (const std::exception &) {
        m_messages.error(U_Constantes::CantOpenDataFile.arg(QDir::toNativeSeparators(databasePath())));
        ToolBar1->setEnabled(false);
        ListView1->setEnabled(false);
    }
    AttachGridMenus();
    emit catalogueOpened(ok);
}

void TF_Main::AttachGridMenus()
{
    for (CatalogueList &entry : m_lists) {
        if (!entry.window)
            continue;
        QWidget *view = entry.window->mainGrid()->view();
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        disconnect(view, &QWidget::customContextMenuRequested, this, nullptr);
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint &pos) {
            PopupMenu_grid->popup(view->mapToGlobal(pos));
        });
    }
}

void TF_Main::closeEvent(QCloseEvent *event)
{
    if (!m_closed) {
        m_closed = true;
        FormClose();
    }
    event->accept();
}

void TF_Main::FormClose()
{
    saveLayout();
    showSplash();
    try {
        CloseCatalogue();
    } catch (const std::exception &) {
        // Shutdown reports nothing; the splash goes away all the same.
    }
    removeSplash();
}

void TF_Main::CloseCatalogue()
{
    for (const auto &close : m_closeLists)
        close();
    if (m_main)
        m_main->CloseDatabase();
}

int TF_Main::ActiveListWindow() const
{
    // The current one stays current while focus is elsewhere, as long as it is shown.
    const QMdiSubWindow *sub = ClientArea->currentSubWindow();
    if (!sub || sub->isHidden())
        return -1;
    for (int i = 0; i < ListCount; ++i)
        if (m_lists[i].window && m_lists[i].window == sub->widget())
            return i;
    return -1;
}

void TF_Main::bringToFront(ListIndex index)
{
    QWidget *window = m_lists[index].window;
    if (!window)
        return;
    for (QMdiSubWindow *sub : ClientArea->subWindowList())
        if (sub->widget() == window) {
            ClientArea->setActiveSubWindow(sub);
            sub->raise();
        }
}

CatalogueList *TF_Main::activeList()
{
    const int active = ActiveListWindow();
    return active < 0 ? nullptr : &m_lists[active];
}

void TF_Main::RouteAdd()
{
    if (CatalogueList *entry = activeList(); entry && entry->add)
        entry->add();
    RefreshActiveList();
}

void TF_Main::RouteDelete()
{
    if (CatalogueList *entry = activeList())
        entry->window->DeleteSelected();
    RefreshActiveList();
}

void TF_Main::RouteEdit()
{
    if (CatalogueList *entry = activeList())
        entry->window->EditCurrent();
    RefreshActiveList();
}

void TF_Main::RoutePrint()
{
    if (CatalogueList *entry = activeList())
        m_dialogs.printPreview(*entry->window->mainGrid(), entry->reportCaption);
}

void TF_Main::RouteSaveHTML()
{
    routeSave(U_Constantes::FilterHTML, &CatalogueList::htmlName, &TListWindow::SaveToHTMLFile);
}

void TF_Main::RouteSaveXLS()
{
    routeSave(U_Constantes::FilterXLS, &CatalogueList::xlsName, &TListWindow::SaveToXLSFile);
}

void TF_Main::routeSave(const QString &filter, QString CatalogueList::*proposed,
                        void (TListWindow::*save)(const QString &))
{
    CatalogueList *entry = activeList();
    if (!entry)
        return;
    const QString file = m_dialogs.saveFileName(filter, entry->*proposed);
    if (!file.isEmpty())
        (entry->window->*save)(file);
}

void TF_Main::RouteSelectAll()
{
    if (CatalogueList *entry = activeList())
        entry->window->mainGrid()->selectAll();
}

void TF_Main::ListView1SelectItem(int item, bool selected)
{
    if (!selected || item < 0 || item >= ListCount)
        return;
    m_refreshFollows = true;
    bringToFront(ListIndex(item));
    m_refreshFollows = false;
    RefreshActiveList();
}

void TF_Main::RefreshActiveList()
{
    CatalogueList *active = activeList();
    if (!active)
        return;
    CatalogueList &entry = *active;
    const auto shown = qScopeGuard([&entry] { entry.window->mainGrid()->setDeferred(false); });
    // A failing refresh passes on; the status bar then keeps its old text. Reading a million rows
    // again to find the same rows would hold the window for seconds and drop the user's selection
    // for nothing: a list read since the catalogue last changed is left as it is.
    if (entry.refresh && !(entry.upToDate && entry.upToDate()))
        entry.refresh(entry.window->mainGrid()->rowReader());
    if (entry.count)
        StatusBar1->setText(QString::number(entry.count()) + entry.noun);
}
