#pragma once

#include "base/StepProgress.h"
#include "grid/GridColumn.h"

#include <QAbstractItemModel>
#include <QCollator>
#include <QLocale>
#include <QPointer>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

class RowSource;

// A read-only tree over a row source. The rows stay in the source: the model keeps only the
// grid order as an array of row numbers and, when grouped, one small node per group. The top level
// holds the rows, or the groups of the first grouping column; a group holds the groups of the next
// grouping column or, at the last level, a run of rows. Sorting and grouping reset the model.
class GridModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Role { GroupRole = Qt::UserRole + 1, KindRole };

    // The user's collation, as every list outside the grid has it too; see Collation.
    static QCollator collator();
    // The locale of that collation, for callers that open ICU themselves.
    static QLocale collationLocale();

    // A run of consecutive grid positions shown as rows of one parent (the root or a last-level group).
    struct Span {
        int first;
        int count;
        QModelIndex parent;
    };

    explicit GridModel(QObject *parent = nullptr);
    ~GridModel() override;

    void setColumns(std::vector<GridColumn> columns);
    const std::vector<GridColumn> &columns() const { return m_columns; }
    // Follows the rows' resets; a source that goes away leaves the model empty.
    void setRows(RowSource *rows);
    RowSource *rows() const;

    // The fields the rows come ordered by (their SQL's "order by"), outermost first. The source orders
    // texts byte by byte past ASCII, so the grid puts them in the user's collation instead, as a click
    // on such a column would; the list still counts as unsorted, and a sort keeps this order among ties.
    void setDefaultOrder(QStringList fields);
    const QStringList &defaultOrder() const { return m_defaultOrder; }

    // While deferred, rows read again are neither ordered nor shown: the model stands empty, keeping
    // its sort and grouping, until it is resumed. For the grids of lists nobody has looked at yet,
    // so that opening the catalogue does not order a million rows no one sees.
    void setDeferred(bool deferred);
    bool isDeferred() const { return m_deferred; }

    // What ranking tells while it works: `done` of `total` rows read (readingRows), then of the distinct
    // values collated; false stops it. Called on the ranking's thread.
    using Progress = StepProgress;
    // Runs a sort's or grouping's ranking, which may take seconds on a million rows, and says whether
    // it ran to its end over rows that did not change meanwhile; the ranking reads the rows only between
    // two calls of its Progress. Without a runner, ranking runs here and now, as tools and tests want.
    using Runner = StepRunner;
    void setRunner(Runner runner) { m_runner = std::move(runner); }

    // A sort or grouping whose ranking the runner stopped leaves the order as it was.
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    const std::vector<int> &groupColumns() const { return m_groupBy; }
    void setGroupColumns(std::vector<int> columns);

    // Every row in grid order, also those inside collapsed groups.
    int rowTotal() const { return int(m_order.size()); }
    int sourceRow(int position) const { return m_order[size_t(position)]; }
    int positionOfSourceRow(int sourceRow) const;
    std::vector<Span> spans() const;

    bool isGroup(const QModelIndex &index) const { return groupOf(index) >= 0; }
    int sourceRowOf(const QModelIndex &index) const; // -1 for a group or an invalid index
    int positionOf(const QModelIndex &index) const;  // -1 for a group or an invalid index
    QModelIndex indexOfSourceRow(int sourceRow, int column = 0) const;

    // The groups, every level, parents before children.
    int groupCount() const { return int(m_groups.size()); }
    QModelIndex groupIndex(int group) const;
    QString groupPath(int group) const; // the group's values from the top, one per level

    QVariant value(int sourceRow, int column) const;
    QString text(int sourceRow, int column) const; // what the cell shows; also what exports write
    static bool isNumber(const QVariant &value);

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The model's own arrays, for the memory figures of the benchmark.
    size_t memoryBytes() const;

    // Whether a column's ranks are kept, so that sorting or grouping by it again needs no collation.
    bool ranksReady(int column) const
    {
        return column >= 0 && column < int(m_fields.size()) && m_ranks.count(m_fields[size_t(column)]) > 0;
    }

private:
    struct Group {
        int32_t parent; // -1: top level
        int32_t row;    // row under its parent
        int32_t first;  // grid positions [first, first + count)
        int32_t count;
        int32_t firstChild; // first child group, -1 at the last level
        int32_t childCount;
    };
    struct Ranks {
        std::vector<int32_t> rank; // per source row: nulls, then numbers by value, then text by collation
        int32_t max = 0;
    };
    void reload();
    void rebuild();
    // No rows shown, until the next rebuild.
    void standEmpty();
    void buildOrder();
    void buildGroups();
    const Ranks &ranks(int column) { return fieldRanks(m_fields[size_t(column)]); }
    const Ranks &fieldRanks(int field);
    bool prepareRanks(int sortColumn, const std::vector<int> &groupBy);
    static bool computeRanks(const RowSource *source, int rows, int field, const Progress *progress, Ranks &out);
    bool hasChildGroups(int node) const;
    int childCountOf(int node) const;
    int groupOf(const QModelIndex &index) const;
    QString groupText(int group) const;

    QPointer<RowSource> m_rows;
    std::vector<GridColumn> m_columns;
    std::vector<int> m_fields; // source field per column, -1 where the source lacks it
    QStringList m_defaultOrder;
    std::vector<int> m_defaultFields; // those the source has
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::vector<int> m_groupBy;
    std::vector<int32_t> m_order;           // grid position -> source row
    std::vector<int32_t> m_position;        // source row -> grid position
    std::vector<Group> m_groups;            // level by level
    std::vector<int> m_levelStart;          // first group of each level, and the end
    std::unordered_map<int, Ranks> m_ranks; // by source field
    bool m_deferred = false;
    bool m_reloadPending = false; // rows read again while deferred
    Runner m_runner;
};
