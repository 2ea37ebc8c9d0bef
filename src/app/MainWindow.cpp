#include "app/MainWindow.h"

#include "app/AboutDialog.h"
#include "app/DaduduApplication.h"
#include "app/NavigatorIcons.h"
#include "app/PreferencesDialog.h"
#include "app/SplashScreen.h"
#include "base/DialogService.h"
#include "base/MessageService.h"
#include "base/Settings.h"
#include "base/Texts.h"
#include "base/WindowFont.h"
#include "docking/DockManager.h"
#include "grid/DxGrid.h"
#include "grid/GridView.h"
#include "lists/ListWindow.h"
#include "store/CatalogueConnection.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QRubberBand>
#include <QScopeGuard>
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

const QString navigatorCaptions[MainWindow::ListCount] = {
    Texts::NavAudioCDs, Texts::NavArtists, Texts::NavTracks, Texts::NavMovies, Texts::NavDataCDs, Texts::NavDataItems,
};

} // namespace

MainWindow::MainWindow(MessageService &messages, DialogService &dialogs, const QString &catalogue, QWidget *parent)
    : QMainWindow(parent)
    , m_messages(messages)
    , m_dialogs(dialogs)
    , m_catalogue(catalogue)
{
    setWindowTitle(Texts::MainCaption);
    setFont(windowFont());

    buildActions();
    buildToolBar();
    buildPanels();
    buildNavigator();

    auto *status = new QStatusBar(this);
    statusLabel = new QLabel(status);
    status->addWidget(statusLabel, 1);
    setStatusBar(status);

    setUp();
    restoreLayout();
}

MainWindow::~MainWindow()
{
    // The window's children outlive this class by a moment: QWidget deletes them after this body,
    // and on the way the client area, the navigator and the panels still signal (the list window
    // in front goes, the selection empties). Nothing of this class may hear them then.
    for (QObject *child : findChildren<QObject *>())
        disconnect(child, nullptr, this, nullptr);
}

void MainWindow::placeOnScreen()
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

void MainWindow::restoreLayout()
{
    const auto settings = openSettings();
    if (!restoreGeometry(settings->value(GeometryKey).toByteArray()))
        placeOnScreen();
    restoreState(settings->value(StateKey).toByteArray());
    QWidget *const panels[] = {leftDock, topDock, rightDock, bottomDock};
    const int at = settings->value(NavigatorPanelKey, 0).toInt();
    if (at < 0 || at >= 4)
        return;
    QWidget *panel = panels[at];
    dockNavigator(panel);
    // Widened by the user, the panel opens at that width again, and may still be narrowed back.
    const int size = settings->value(NavigatorSizeKey, 0).toInt();
    if (size > openSize(panel)) {
        openPanel(panel, size);
        if (panel == leftDock || panel == rightDock)
            panel->setMinimumWidth(openSize(panel));
        else
            panel->setMinimumHeight(openSize(panel));
    }
}

void MainWindow::saveLayout()
{
    const auto settings = openSettings();
    settings->setValue(GeometryKey, saveGeometry());
    settings->setValue(StateKey, saveState());
    QWidget *const panels[] = {leftDock, topDock, rightDock, bottomDock};
    for (int i = 0; i < 4; ++i)
        if (panels[i] == dockedPanel()) {
            settings->setValue(NavigatorPanelKey, i);
            settings->setValue(NavigatorSizeKey, panelSize(panels[i]));
        }
    settings->sync();
}

void MainWindow::buildToolBar()
{
    toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("toolBar"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    addToolBar(Qt::TopToolBarArea, toolBar);

    auto button = [this](QAction *command, const char *name) {
        auto *b = new QToolButton(toolBar);
        b->setObjectName(QLatin1String(name));
        b->setDefaultAction(command);
        b->setAutoRaise(true);
        b->setFixedSize(77, 21);
        toolBar->addWidget(b);
        return b;
    };
    auto separator = [this] {
        auto *gap = new QWidget(toolBar);
        gap->setFixedWidth(8);
        toolBar->addWidget(gap);
    };
    addButton = button(m_actions.add, "addButton");
    deleteButton = button(m_actions.deleteSelected, "deleteButton");
    editButton = button(m_actions.edit, "editButton");
    separator();
    refreshButton = button(m_actions.refresh, "refreshButton");
    printButton = button(m_actions.print, "printButton");
    saveHtmlButton = button(m_actions.saveHtml, "saveHtmlButton");
    saveXlsButton = button(m_actions.saveXls, "saveXlsButton");
    separator();
    aboutButton = button(m_actions.about, "aboutButton");
    // Last, so that a narrow window hides it behind the toolbar's extension before the about box.
    preferencesButton = button(m_actions.preferences, "preferencesButton");
}

void MainWindow::buildActions()
{
    // Each command is one action: the toolbar shows its icon text and hint, the grid's pop-up menu
    // its text, and both follow its enabled state. An action belongs to the menu that shows it.
    gridMenu = new QMenu(this);
    gridMenu->setObjectName(QStringLiteral("gridMenu"));
    QMenu *selection = new QMenu(Texts::MenuSelection, gridMenu);
    selection->menuAction()->setObjectName(QStringLiteral("selectionMenu"));
    QMenu *list = new QMenu(Texts::MenuList, gridMenu);
    list->menuAction()->setObjectName(QStringLiteral("listMenu"));

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
    using namespace Texts;
    m_actions.add = command(gridMenu, "addAct", MenuAddNew, BtnAddNew, HintAddNew, [this] { routeAdd(); });
    m_actions.edit = command(gridMenu, "editAct", MenuEdit, BtnEdit, HintEdit, [this] { routeEdit(); });
    m_actions.selectAll = command(selection, "selectAllAct", MenuSelectAll, {}, {}, [this] { routeSelectAll(); });
    m_actions.deleteSelected
        = command(selection, "deleteAct", MenuDelete, BtnDelete, HintDelete, [this] { routeDelete(); });
    m_actions.refresh
        = command(list, "refreshAct", MenuRefresh, BtnRefresh, HintRefresh, [this] { refreshActiveList(); });
    m_actions.print = command(list, "printAct", MenuPrint, BtnPrint, HintPrint, [this] { routePrint(); });
    m_actions.saveHtml
        = command(list, "saveHtmlAct", MenuSaveHTML, BtnSaveHTML, HintSaveHTML, [this] { routeSaveHtml(); });
    m_actions.saveXls
        = command(list, "saveXlsAct", MenuSaveXLS, BtnSaveExcel, HintSaveExcel, [this] { routeSaveXls(); });
    m_actions.exit = command(gridMenu, "exitAct", MenuExit, {}, {}, [this] { close(); });
    m_actions.about = command(this, "aboutAct", BtnAbout, BtnAbout, HintAbout, [this] { showAbout(this); });
    m_actions.preferences = command(this, "preferencesAct", BtnPreferences, BtnPreferences, HintPreferences,
                                    [this] { showPreferences(m_messages, m_dialogs, this); });

    gridMenu->addAction(m_actions.add);
    gridMenu->addAction(m_actions.edit);
    gridMenu->addMenu(selection);
    selection->addAction(m_actions.selectAll);
    selection->addAction(m_actions.deleteSelected);
    gridMenu->addSeparator()->setObjectName(QStringLiteral("selectionSeparator"));
    gridMenu->addMenu(list);
    list->addAction(m_actions.refresh);
    list->addAction(m_actions.print);
    list->addAction(m_actions.saveHtml);
    list->addAction(m_actions.saveXls);
    gridMenu->addSeparator()->setObjectName(QStringLiteral("exitSeparator"));
    gridMenu->addAction(m_actions.exit);
}

void MainWindow::updateActions()
{
    const bool listInFront = activeListWindow() >= 0;
    for (QAction *a : {m_actions.add, m_actions.edit, m_actions.selectAll, m_actions.deleteSelected, m_actions.refresh,
                       m_actions.print, m_actions.saveHtml, m_actions.saveXls})
        a->setEnabled(listInFront);
    for (QAction *a : {m_actions.add, m_actions.edit, m_actions.deleteSelected})
        a->setEnabled(listInFront && !m_readOnly);
}

void MainWindow::buildPanels()
{
    auto panel = [](const char *name) {
        auto *p = new QFrame;
        p->setObjectName(QLatin1String(name));
        p->setFrameShape(QFrame::NoFrame);
        return p;
    };
    leftDock = panel("Panel_left");
    topDock = panel("Panel_top");
    rightDock = panel("Panel_right");
    bottomDock = panel("Panel_bottom");

    mdiArea = new QMdiArea;
    mdiArea->setObjectName(QStringLiteral("mdiArea"));
    mdiArea->setBackground(palette().dark());
    connect(mdiArea, &QMdiArea::subWindowActivated, this, &MainWindow::updateActions);
    // A list is ordered and shown once it comes to the front, however it gets there.
    // The navigator orders it after its refresh, so a list read again is not ordered twice.
    connect(mdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *sub) {
        if (m_refreshFollows)
            return;
        for (CatalogueList &entry : m_lists)
            if (sub && entry.window && entry.window == sub->widget())
                entry.window->mainGrid()->setDeferred(false);
    });
    updateActions();

    m_middle = new QSplitter(Qt::Horizontal);
    m_middle->setObjectName(QStringLiteral("middleSplitter"));
    m_middle->setHandleWidth(4);
    m_middle->setOpaqueResize(true);
    m_middle->setChildrenCollapsible(false);
    m_middle->addWidget(leftDock);
    m_middle->addWidget(mdiArea);
    m_middle->addWidget(rightDock);
    m_middle->setStretchFactor(1, 1);

    m_outer = new QSplitter(Qt::Vertical);
    m_outer->setHandleWidth(4);
    m_outer->setOpaqueResize(true);
    m_outer->setChildrenCollapsible(false);
    m_outer->addWidget(topDock);
    m_outer->addWidget(m_middle);
    m_outer->addWidget(bottomDock);
    m_outer->setStretchFactor(1, 1);
    setCentralWidget(m_outer);
    setAcceptDrops(true);
    m_dropOutline = new QRubberBand(QRubberBand::Rectangle, this);
    m_dropOutline->setObjectName(QStringLiteral("DropOutline"));

    // Each panel is a dock site whose docked control carries a blue-to-white caption.
    const std::pair<QWidget *, SiteAlign> sites[] = {{leftDock, SiteAlign::Left},
                                                     {topDock, SiteAlign::Top},
                                                     {rightDock, SiteAlign::Right},
                                                     {bottomDock, SiteAlign::Bottom}};
    QFont captionFont(QStringLiteral("Arial"));
    captionFont.setPixelSize(11);
    captionFont.setBold(true);
    int k = 0;
    for (const auto &[panel, align] : sites) {
        auto *manager = new DockManager(this);
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
        connect(manager->tree(), &DockCaptionTree::dragEnded, this, [this](QWidget *, QWidget *target) {
            outlineDrop(nullptr);
            navigatorDocked(target);
        });
    }
    collapseDockPanels();
}

DockCaptionTree *MainWindow::treeOf(QWidget *panel) const
{
    for (DockManager *m : m_docks)
        if (m->control() == panel)
            return m->tree();
    return nullptr;
}

QWidget *MainWindow::dockedPanel() const
{
    for (DockManager *m : m_docks)
        if (m->tree() && !m->tree()->controls().isEmpty())
            return m->control();
    return nullptr;
}

void MainWindow::collapseDockPanels()
{
    // A closed panel is hidden, which also hides its splitter.
    for (QWidget *p : {leftDock, topDock, rightDock, bottomDock}) {
        p->setMinimumSize(0, 0);
        p->hide();
    }
}

int MainWindow::panelSize(const QWidget *panel) const
{
    if (panel->isHidden())
        return 0;
    return panel == leftDock || panel == rightDock ? panel->width() : panel->height();
}

int MainWindow::openSize(const QWidget *panel) const
{
    return panel == leftDock || panel == rightDock ? 90 : 60;
}

QRect MainWindow::dropGeometry(const QWidget *panel) const
{
    // The other panels close on a drop, so the panel takes its edge of the whole client area.
    const QRect c = m_outer->geometry();
    const int size = openSize(panel);
    if (panel == leftDock)
        return QRect(c.left(), c.top(), size, c.height());
    if (panel == topDock)
        return QRect(c.left(), c.top(), c.width(), size);
    if (panel == rightDock)
        return QRect(c.right() + 1 - size, c.top(), size, c.height());
    return QRect(c.left(), c.bottom() + 1 - size, c.width(), size);
}

QWidget *MainWindow::panelAt(QPoint pos) const
{
    // A panel takes a drop wherever it stands or would stand once dropped on, which is where its
    // outline is drawn, and a little past the window's edge, as dock sites always reached: a
    // closed panel is caught as easily as an open one, and what the outline shows is where a drop
    // lands.
    const QRect c = m_outer->geometry();
    const int reach = 10;
    const QRect zones[] = {
        QRect(c.left(), c.top(), panelSize(leftDock), c.height()),
        QRect(c.left(), c.top(), c.width(), panelSize(topDock)),
        QRect(c.right() + 1 - panelSize(rightDock), c.top(), panelSize(rightDock), c.height()),
        QRect(c.left(), c.bottom() + 1 - panelSize(bottomDock), c.width(), panelSize(bottomDock)),
    };
    QWidget *const panels[] = {leftDock, topDock, rightDock, bottomDock};
    for (int i = 0; i < 4; ++i)
        if (zones[i].united(dropGeometry(panels[i])).adjusted(-reach, -reach, reach, reach).contains(pos))
            return panels[i];
    return nullptr;
}

QWidget *MainWindow::dropOutline() const
{
    return m_dropOutline;
}

void MainWindow::outlineDrop(QWidget *panel)
{
    if (!panel) {
        m_dropOutline->hide();
        return;
    }
    m_dropOutline->setGeometry(dropGeometry(panel));
    m_dropOutline->raise();
    m_dropOutline->show();
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!event->mimeData()->hasFormat(DockCaptionTree::mimeType()))
        return;
    event->acceptProposedAction();
    dragOver(event->position().toPoint(), event->source());
}

QWidget *MainWindow::dragOver(QPoint pos, QObject *source)
{
    QWidget *panel = panelAt(pos);
    if (!panelDockOver(source))
        panel = nullptr;
    outlineDrop(panel);
    return panel;
}

void MainWindow::dragMoveEvent(QDragMoveEvent *event)
{
    const bool dock = event->mimeData()->hasFormat(DockCaptionTree::mimeType());
    if (dock && dragOver(event->position().toPoint(), event->source())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
        outlineDrop(nullptr);
    }
}

void MainWindow::dragLeaveEvent(QDragLeaveEvent *event)
{
    outlineDrop(nullptr);
    QMainWindow::dragLeaveEvent(event);
}

void MainWindow::dropEvent(QDropEvent *event)
{
    outlineDrop(nullptr);
    QWidget *panel = panelAt(event->position().toPoint());
    if (!panel || !event->mimeData()->hasFormat(DockCaptionTree::mimeType()) || !panelDockOver(event->source()))
        return;
    event->acceptProposedAction();
    dockNavigator(panel);
}

void MainWindow::openPanel(QWidget *panel, int size)
{
    // The panel opens to its size; its splitter lets the user widen it but not shrink it below that.
    const bool sideways = panel == leftDock || panel == rightDock;
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

bool MainWindow::panelDockOver(QObject *source) const
{
    // Only the navigator (a list view) docks; the toolbar or anything else is refused.
    return qobject_cast<QListView *>(source) != nullptr;
}

bool MainWindow::panelUnDock(QWidget *, QWidget *newTarget) const
{
    return newTarget != nullptr;
}

void MainWindow::panelDockDrop(QWidget *panel)
{
    outlineDrop(nullptr);
    collapseDockPanels();
    openPanel(panel, openSize(panel));
}

void MainWindow::dockNavigator(QWidget *panel)
{
    if (QWidget *from = dockedPanel(); from && from != panel && !panelUnDock(from, panel))
        return;
    treeOf(panel)->insertControl(navigator);
    panelDockDrop(panel);
}

void MainWindow::navigatorDocked(QWidget *)
{
    // Docking never leaves the navigator floating; should it ever be, it goes back to the left.
    if (!dockedPanel())
        dockNavigator(leftDock);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *panel = qobject_cast<QWidget *>(watched);
    const bool isPanel = panel && (panel == leftDock || panel == topDock || panel == rightDock || panel == bottomDock);
    if (isPanel && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (drag->mimeData()->hasFormat(DockCaptionTree::mimeType()) && panelDockOver(drag->source())) {
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
        if (drop->mimeData()->hasFormat(DockCaptionTree::mimeType()) && panelDockOver(drop->source())) {
            drop->acceptProposedAction();
            dockNavigator(panel);
        }
        return true;
    }
    // The navigator can also be dragged by the list itself, past the drag threshold.
    if (navigator && watched == navigator->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto *press = static_cast<QMouseEvent *>(event);
            m_listPress = press->button() == Qt::LeftButton ? press->position().toPoint() : QPoint(-1, -1);
        } else if (event->type() == QEvent::MouseMove && m_listPress.x() >= 0) {
            auto *move = static_cast<QMouseEvent *>(event);
            if ((move->buttons() & Qt::LeftButton)
                && (move->position().toPoint() - m_listPress).manhattanLength() >= QApplication::startDragDistance()) {
                m_listPress = QPoint(-1, -1);
                if (navigator->isEnabled() && dockedPanel())
                    treeOf(dockedPanel())->startDrag(navigator);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::buildNavigator()
{
    navigator = new QListWidget;
    navigator->setObjectName(QStringLiteral("navigator"));
    navigator->setToolTip(Texts::NavigatorHint);
    navigator->setViewMode(QListView::IconMode);
    navigator->setIconSize(QSize(32, 32));
    navigator->setResizeMode(QListView::Adjust);
    navigator->setMovement(QListView::Static);
    navigator->setWordWrap(false);
    navigator->setFrameShape(QFrame::StyledPanel);
    navigator->setFrameShadow(QFrame::Sunken);
    navigator->setSelectionMode(QAbstractItemView::SingleSelection);
    navigator->setMouseTracking(true);
    navigator->setItemDelegate(new HoverUnderlineDelegate(navigator));
    navigator->viewport()->setCursor(Qt::PointingHandCursor);
    navigator->setGridSize(QSize(84, 56));
    for (int i = 0; i < ListCount; ++i)
        new QListWidgetItem(navigatorIcon(i), navigatorCaptions[i], navigator);
    navigator->clearSelection();
    navigator->setCurrentRow(-1, QItemSelectionModel::NoUpdate);

    connect(navigator->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected, const QItemSelection &deselected) {
                DaduduApplication::runGuarded([&] {
                    for (const QModelIndex &i : deselected.indexes())
                        navigatorItemSelected(i.row(), false);
                    for (const QModelIndex &i : selected.indexes())
                        navigatorItemSelected(i.row(), true);
                });
            });
}

void MainWindow::setUp()
{
    showSplash();
    dockNavigator(leftDock);
    navigator->viewport()->installEventFilter(this);
}

void MainWindow::showSplash()
{
    m_splash = std::make_unique<SplashScreen>();
    m_splash->showPainted();
}

void MainWindow::removeSplash()
{
    QThread::msleep(m_splashWaitMs);
    if (m_splash)
        m_splash->close();
    m_splash.reset();
}

void MainWindow::setCatalogue(CatalogueConnection *main, QList<std::function<void()>> openLists,
                              QList<std::function<void()>> closeLists)
{
    m_main = main;
    m_openLists = std::move(openLists);
    m_closeLists = std::move(closeLists);
}

void MainWindow::addListWindow(ListIndex index, ListWindow *window)
{
    m_lists[index].window = window;
    const ListWindow::Frame &frame = window->frame();
    Qt::WindowFlags flags = Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;
    if (frame.canMinimise)
        flags |= Qt::WindowMinimizeButtonHint;
    QMdiSubWindow *sub = mdiArea->addSubWindow(window, flags);
    sub->setWindowIcon(navigatorIcon(index));
    sub->resize(frame.normalSize);
    if (frame.maximised)
        sub->showMaximized();
    else
        sub->show();
    updateActions();
}

QString MainWindow::databasePath() const
{
    return m_catalogue;
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        showStarted();
    }
}

void MainWindow::showStarted()
{
    openCatalogue();
    removeSplash();
}

void MainWindow::openCatalogue()
{
    bool ok = false;
    try {
        if (m_main)
            m_main->openDatabase(databasePath());
        m_readOnly = m_main && m_main->connection.readOnly();
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
            statusLabel->setText(QString::number(m_lists[AudioCDs].count()) + m_lists[AudioCDs].noun);
        ok = true;
    } catch (const std::exception &) {
        m_messages.error(Texts::CantOpenDataFile.arg(QDir::toNativeSeparators(databasePath())));
        toolBar->setEnabled(false);
        navigator->setEnabled(false);
    }
    attachGridMenus();
    emit catalogueOpened(ok);
}

void MainWindow::attachGridMenus()
{
    for (CatalogueList &entry : m_lists) {
        if (!entry.window)
            continue;
        QWidget *view = entry.window->mainGrid()->view();
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        disconnect(view, &QWidget::customContextMenuRequested, this, nullptr);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint &pos) { gridMenu->popup(view->mapToGlobal(pos)); });
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_closed) {
        m_closed = true;
        closing();
    }
    event->accept();
}

void MainWindow::closing()
{
    saveLayout();
    showSplash();
    try {
        closeCatalogue();
    } catch (const std::exception &) {
        // Shutdown reports nothing; the splash goes away all the same.
    }
    removeSplash();
}

void MainWindow::closeCatalogue()
{
    for (const auto &close : m_closeLists)
        close();
    if (m_main)
        m_main->closeDatabase();
}

int MainWindow::activeListWindow() const
{
    // The current one stays current while focus is elsewhere, as long as it is shown.
    const QMdiSubWindow *sub = mdiArea->currentSubWindow();
    if (!sub || sub->isHidden())
        return -1;
    for (int i = 0; i < ListCount; ++i)
        if (m_lists[i].window && m_lists[i].window == sub->widget())
            return i;
    return -1;
}

void MainWindow::bringToFront(ListIndex index)
{
    QWidget *window = m_lists[index].window;
    if (!window)
        return;
    for (QMdiSubWindow *sub : mdiArea->subWindowList())
        if (sub->widget() == window) {
            mdiArea->setActiveSubWindow(sub);
            sub->raise();
        }
}

CatalogueList *MainWindow::activeList()
{
    const int active = activeListWindow();
    return active < 0 ? nullptr : &m_lists[active];
}

void MainWindow::routeAdd()
{
    if (CatalogueList *entry = activeList(); entry && entry->add)
        entry->add();
    refreshActiveList();
}

void MainWindow::routeDelete()
{
    if (CatalogueList *entry = activeList())
        entry->window->deleteSelected();
    refreshActiveList();
}

void MainWindow::routeEdit()
{
    if (CatalogueList *entry = activeList())
        entry->window->editCurrent();
    refreshActiveList();
}

void MainWindow::routePrint()
{
    if (CatalogueList *entry = activeList())
        m_dialogs.printPreview(*entry->window->mainGrid(), entry->reportCaption);
}

void MainWindow::routeSaveHtml()
{
    routeSave(Texts::FilterHTML, &CatalogueList::htmlName, &ListWindow::saveToHtmlFile);
}

void MainWindow::routeSaveXls()
{
    routeSave(Texts::FilterXLS, &CatalogueList::xlsName, &ListWindow::saveToXlsFile);
}

void MainWindow::routeSave(const QString &filter, QString CatalogueList::*proposed,
                           void (ListWindow::*save)(const QString &))
{
    CatalogueList *entry = activeList();
    if (!entry)
        return;
    const QString file = m_dialogs.saveFileName(filter, entry->*proposed);
    if (!file.isEmpty())
        (entry->window->*save)(file);
}

void MainWindow::routeSelectAll()
{
    if (CatalogueList *entry = activeList())
        entry->window->mainGrid()->selectAll();
}

void MainWindow::navigatorItemSelected(int item, bool selected)
{
    if (!selected || item < 0 || item >= ListCount)
        return;
    m_refreshFollows = true;
    bringToFront(ListIndex(item));
    m_refreshFollows = false;
    refreshActiveList();
}

void MainWindow::refreshActiveList()
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
        statusLabel->setText(QString::number(entry.count()) + entry.noun);
}
