#pragma once

#include "grid/GridColumn.h"
#include "grid/GridExport.h"
#include "grid/GridModel.h"

#include <QItemSelection>
#include <QSet>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

class GridDelegate;
class GridHeader;
class GridModel;
class GridView;
class GroupPanel;
class RowSource;

// A read-only grid bound to a row source and its current row: columns declared as data, header-click
// sorting, grouping by columns dragged onto the group panel, whole-row multi-selection, copying and
// exports. Rows are named by their row number in the source ("source row").
class DxGrid : public QWidget
{
    Q_OBJECT
public:
    explicit DxGrid(QWidget *parent = nullptr);
    ~DxGrid() override;

    void setColumns(std::vector<GridColumn> columns);
    const std::vector<GridColumn> &columns() const;
    // The grid follows the source's resets and current row, and moves its current row.
    void setRows(RowSource *rows);
    RowSource *rows() const;

    // Runs a read of this grid's rows again (a store's refresh) on a thread of its own behind the
    // grid's progress dialog: the rows stay shown, and the window answers, while they are read.
    StepRunner rowReader() const;

    void setGroupPanelVisible(bool visible);
    void setHeaderVisible(bool visible);
    void setFlat(bool flat);

    // The fields the source's rows come ordered by, shown in the user's collation; see GridModel.
    void setDefaultOrder(const QStringList &fields);
    // See GridModel::setDeferred.
    void setDeferred(bool deferred);

    void sortBy(int column, Qt::SortOrder order = Qt::AscendingOrder);
    int sortColumn() const;
    Qt::SortOrder sortOrder() const;

    // Grouping levels, outermost first. A grouped column leaves the header for the group panel; the
    // last column shown stays, so that the rows show and a group box has a header to go back to.
    void groupBy(int column, int level = -1);
    void ungroup(int column);
    void setGroupColumns(std::vector<int> columns);
    std::vector<int> groupColumns() const;
    void setAllGroupsExpanded(bool expanded);

    int focusedRow() const;
    // The selected rows in grid order (top to bottom); group rows are never among them.
    int selectedCount() const;
    std::vector<int> selectedRows() const;
    // The display text of the cell at a column position (hidden columns count) of the n-th selected row.
    QString selectedText(int selected, int column) const;
    QString cellText(int row, int column) const;
    void selectAll();
    void selectRows(const std::vector<int> &rows);
    // The selected rows as tab-separated lines, the way spreadsheets paste them.
    QString selectionText() const;
    void copySelection() const;

    // Every row, also inside collapsed groups; raise ExportError when the file cannot be made. A long
    // export shows a progress dialog whose Cancel leaves the file as it was; false when cancelled.
    bool saveToHtml(const QString &path, const QString &title = {}) const;
    bool saveToXls(const QString &path, const QString &title = {}) const;
    bool saveTo(const QString &path, GridExport::Format format, const QString &title = {},
                ExportNotes *notes = nullptr) const;
    // How long an export, or the ranking of a cold sort or grouping, runs before its progress dialog
    // shows, and so how long the window may go without serving its events between two looks at the
    // dialog; tests set 0.
    static void setExportProgressDelayMs(int ms);
    static int exportProgressDelayMs();

    GridModel *model() const { return m_model; }
    GridView *view() const { return m_view; }
    GridHeader *header() const { return m_header; }
    GroupPanel *groupPanel() const { return m_panel; }

signals:
    void focusedRowChanged(int row);
    void keyDown(int key, Qt::KeyboardModifiers modifiers);
    void doubleClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void beforeReset();
    void afterReset();
    void viewCurrentChanged(const QModelIndex &current);
    void sourceCurrentChanged(int row);
    void followSource(int row, bool select);
    void headerClicked(int section);
    bool keepsAColumnShown(const std::vector<int> &groups) const;
    void sectionResized(int section, int oldSize, int newSize);
    void updateSections();
    void fitColumns();
    void applySelection(const std::vector<bool> &bySourceRow);
    bool exportWithProgress(const QString &path, GridExport::Format format, const QString &title,
                            ExportNotes *notes) const;
    // Whether rows read again stop a step only while it still reads them (an export keeps a file
    // whose rows it has all read), or at any time (a ranking is of the rows as they were).
    enum class StaleRows { StopWhileReading, StopAlways };
    // Runs `work` on a thread of its own behind a progress dialog titled `title`; its checkpoints say
    // how far it is and whether it still reads rows. False when the work answered false or was stopped.
    bool runWithProgress(const QString &title, const std::function<bool(const GridModel::Progress &)> &work,
                         const std::function<QString(int done, int total, bool reading)> &label, StaleRows stale) const;
    void replaceSelection(const QItemSelection &selection);

    GridModel *m_model;
    GroupPanel *m_panel;
    GridView *m_view;
    GridHeader *m_header;
    GridDelegate *m_delegate;
    std::vector<int> m_weights; // relative column widths
    QSet<QString> m_collapsed;  // group paths, kept across resets
    std::vector<bool> m_savedSelection;
    mutable std::vector<int> m_selected;
    mutable bool m_selectedValid = false;
    bool m_keepSelection = false;
    bool m_syncing = false;
    bool m_fitting = false;
    bool m_relayoutPending = false;
    int m_lastFocused = -1;
};
