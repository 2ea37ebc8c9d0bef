#pragma once

#include "base/StepProgress.h"

#include <QList>
#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <functional>
#include <memory>

class DialogService;
class MessageService;
class QAction;
class QMenu;
class QRubberBand;
class ListWindow;
class QLabel;
class QListWidget;
class QMdiArea;
class QSplitter;
class QToolBar;
class QToolButton;
class CatalogueConnection;
class DockCaptionTree;
class DockManager;
class SplashScreen;

// One catalogue list as the main window knows it. Each list fills its entry as it is built; the
// navigator, the refresh and the commands all read this table.
struct CatalogueList {
    ListWindow *window = nullptr;                    // the list window in the client area
    std::function<void(const StepRunner &)> refresh; // its store's RefreshList, reading through the runner
    std::function<bool()> upToDate;                  // whether a refresh would read the same rows
    std::function<int()> count;                      // rows of its store's list query
    QString noun;                                    // after the count in the status bar
    std::function<void()> add;                       // the editor of a new record of this list
    QString reportCaption;                           // the printed list's title
    QString htmlName, xlsName;                       // proposed export file names
};

// The frame: toolbar, navigator in its dock panel, status bar and the client area of the list windows.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    enum ListIndex { AudioCDs, Artists, Tracks, Movies, DataCDs, DataItems, ListCount };

    MainWindow(MessageService &messages, DialogService &dialogs, const QString &catalogue, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The catalogue: the connection, then the list opens of start-up and the closes of shutdown, in order.
    void setCatalogue(CatalogueConnection *main, QList<std::function<void()>> openLists,
                      QList<std::function<void()>> closeLists);
    CatalogueList &list(ListIndex index) { return m_lists[index]; }
    // Puts a list window into the client area, maximised.
    void addListWindow(ListIndex index, ListWindow *window);

    void openCatalogue();
    void closeCatalogue();
    void refreshActiveList();
    void navigatorItemSelected(int item, bool selected);
    void attachGridMenus();
    // The list window in front, or -1.
    int activeListWindow() const;
    void bringToFront(ListIndex index);

    // The navigator's dock panels: exactly one is open, at its size, and the navigator never floats.
    void collapseDockPanels();
    bool panelDockOver(QObject *source) const;
    void panelDockDrop(QWidget *panel);
    void navigatorDocked(QWidget *target);
    // Moves the navigator into a panel, as a drop there does.
    void dockNavigator(QWidget *panel);
    QWidget *dockedPanel() const;
    // A panel's width (left, right) or height (top, bottom); 0 when closed.
    int panelSize(const QWidget *panel) const;
    // The panel a drop at this point of the window would go to, or none.
    QWidget *panelAt(QPoint pos) const;
    // Where a panel stands once the navigator is dropped in it, in the window's coordinates.
    QRect dropGeometry(const QWidget *panel) const;
    // Drawn over that place while a drag of the navigator would land there.
    QWidget *dropOutline() const;
    // A drag of `source` at this point of the window: the panel it would dock in, outlined, or none
    // and no outline.
    QWidget *dragOver(QPoint pos, QObject *source);
    QList<DockManager *> dockManagers() const { return m_docks; }

    // The commands, each for the list window in front; nothing without one.
    void routeAdd();
    void routeDelete();
    void routeEdit();
    void routePrint();
    void routeSaveHtml();
    void routeSaveXls();
    void routeSelectAll();

    QString databasePath() const;
    // The two pauses that keep the splash up; tests shorten them.
    void setSplashWaitMs(int ms) { m_splashWaitMs = ms; }

    QToolBar *toolBar = nullptr;
    QToolButton *addButton = nullptr, *deleteButton = nullptr, *editButton = nullptr, *refreshButton = nullptr,
                *printButton = nullptr, *saveHtmlButton = nullptr, *saveXlsButton = nullptr, *aboutButton = nullptr,
                *preferencesButton = nullptr;
    QWidget *leftDock = nullptr, *topDock = nullptr, *rightDock = nullptr, *bottomDock = nullptr;
    QListWidget *navigator = nullptr;
    QLabel *statusLabel = nullptr;
    QMdiArea *mdiArea = nullptr;
    QMenu *gridMenu = nullptr;
    SplashScreen *splash() const { return m_splash.get(); }

signals:
    void catalogueOpened(bool ok);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void setUp();
    void showStarted();
    void closing();
    // A first start opens at a size that suits the screen; later ones where and as the user left
    // the window, the navigator in its panel at its size.
    void placeOnScreen();
    void restoreLayout();
    void saveLayout();
    void showSplash();
    void removeSplash();
    void buildToolBar();
    void buildPanels();
    void buildNavigator();
    void buildActions();
    // The list commands work on the list window in front: without one they are disabled.
    void updateActions();
    DockCaptionTree *treeOf(QWidget *panel) const;
    void openPanel(QWidget *panel, int size);
    int openSize(const QWidget *panel) const;
    // Shows the outline over where the navigator would land in the panel; none hides it.
    void outlineDrop(QWidget *panel);
    bool panelUnDock(QWidget *panel, QWidget *newTarget) const;
    CatalogueList *activeList();
    void routeSave(const QString &filter, QString CatalogueList::*proposed, void (ListWindow::*save)(const QString &));

    MessageService &m_messages;
    QSplitter *m_middle = nullptr;
    QSplitter *m_outer = nullptr;
    QList<DockManager *> m_docks;
    QPoint m_listPress{-1, -1};
    QRubberBand *m_dropOutline = nullptr;
    DialogService &m_dialogs;
    QString m_catalogue;
    CatalogueConnection *m_main = nullptr;
    QList<std::function<void()>> m_openLists;
    QList<std::function<void()>> m_closeLists;
    std::array<CatalogueList, ListCount> m_lists;
    std::unique_ptr<SplashScreen> m_splash;
    int m_splashWaitMs = 500;
    struct Actions {
        QAction *add, *edit, *selectAll, *deleteSelected, *refresh, *print, *saveHtml, *saveXls, *exit, *about,
            *preferences;
    } m_actions{};
    bool m_shown = false;
    bool m_closed = false;
    bool m_readOnly = false;       // the catalogue can only be read: no command that writes
    bool m_refreshFollows = false; // the list coming to the front is refreshed next
};
