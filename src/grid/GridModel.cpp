#include "grid/GridModel.h"

#include "base/RowSource.h"
#include "base/U_Constantes.h"

#include <QCollator>
#include <QElapsedTimer>
#include <QHash>

#include <algorithm>
#include <numeric>

namespace {

// Stable and linear: the order is sorted by one column's ranks at a time, last key first.
void countingSort(std::vector<int32_t> &order, const std::vector<int32_t> &rank, int32_t max, bool descending)
{
    std::vector<int32_t> start(size_t(max) + 2, 0);
    for (int32_t r : order)
        ++start[size_t(descending ? max - rank[r] : rank[r]) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<int32_t> sorted(order.size());
    for (int32_t r : order)
        sorted[size_t(start[size_t(descending ? max - rank[r] : rank[r])]++)] = r;
    order.swap(sorted);
}

} // namespace

// Each row gets a small integer that orders like its value: the texts are told apart once each and
// only the distinct ones are collated, so a sort is one counting pass over the rows. The work goes in
// steps, so that it can run in slices while the window is idle.
class GridModel::RankBuilder
{
public:
    RankBuilder(const RowSource *source, int field, int rows)
        : m_source(source)
        , m_field(field)
        , m_rows(rows)
        , m_collator(GridModel::collator())
    {
        m_out.rank.assign(size_t(rows), 0);
        if (field < 0)
            m_phase = Done;
        else
            m_textId.reserve(rows); // growing it half-way would rehash everything in one step
    }

    // Does about `budget` units of work; true once the ranks are complete.
    bool step(int budget)
    {
        while (budget > 0 && m_phase != Done) {
            switch (m_phase) {
            case Collect: {
                const int end = std::min(m_rows, m_at + budget);
                budget -= end - m_at + 1;
                for (; m_at < end; ++m_at) {
                    const QVariant v = m_source->value(m_at, m_field);
                    if (v.isNull())
                        continue;
                    if (isNumber(v)) {
                        m_numbers.emplace_back(v.toDouble(), m_at);
                        continue;
                    }
                    const QString s = v.toString();
                    auto it = m_textId.constFind(s);
                    if (it == m_textId.constEnd()) {
                        it = m_textId.insert(s, int32_t(m_texts.size()));
                        m_texts.push_back(s);
                    }
                    m_out.rank[size_t(m_at)] = -1 - *it; // resolved once the texts are collated
                }
                if (m_at >= m_rows) {
                    m_textId = {};
                    m_keys.reserve(m_texts.size());
                    next(Keys);
                }
                break;
            }
            case Keys: {
                // Keys cost the most: a smaller share of the budget.
                const int share = std::max(1, budget / 8);
                const int end = std::min(int(m_texts.size()), m_at + share);
                budget -= share * 8;
                for (; m_at < end; ++m_at)
                    m_keys.push_back(m_collator.sortKey(m_texts[size_t(m_at)]));
                if (m_at >= int(m_texts.size())) {
                    m_byKey.resize(m_texts.size());
                    std::iota(m_byKey.begin(), m_byKey.end(), 0);
                    next(SortRuns);
                }
                break;
            }
            case SortRuns: {
                const int n = int(m_byKey.size());
                const int end = std::min(n, m_at + Run);
                std::sort(m_byKey.begin() + m_at, m_byKey.begin() + end, less());
                budget -= (end - m_at) * 4;
                m_at = end;
                if (m_at >= n) {
                    m_width = Run;
                    next(Merge);
                }
                break;
            }
            case Merge: {
                // Bottom-up, into a second buffer, resumable anywhere: no single step merges a whole
                // million keys.
                const int n = int(m_byKey.size());
                if (m_width >= n) {
                    m_merged = {};
                    next(Finalize);
                    break;
                }
                m_merged.resize(size_t(n));
                const int mid = std::min(n, m_at + m_width);
                const int end = std::min(n, m_at + 2 * m_width);
                if (!m_inPair) {
                    m_a = m_at;
                    m_b = mid;
                    m_o = m_at;
                    m_inPair = true;
                }
                const KeyLess lt = less();
                const int stop = std::min(end, m_o + std::max(1, budget / 2));
                budget -= 2 * (stop - m_o) + 1;
                while (m_o < stop) {
                    // Equal keys keep their order: the left run goes first.
                    if (m_b >= end || (m_a < mid && !lt(m_byKey[size_t(m_b)], m_byKey[size_t(m_a)])))
                        m_merged[size_t(m_o++)] = m_byKey[size_t(m_a++)];
                    else
                        m_merged[size_t(m_o++)] = m_byKey[size_t(m_b++)];
                }
                if (m_o >= end) {
                    m_inPair = false;
                    m_at = end;
                    if (m_at >= n) {
                        m_byKey.swap(m_merged);
                        m_at = 0;
                        m_width *= 2;
                    }
                }
                break;
            }
            case Finalize: {
                // Numbers first, then the texts in collation order; each part in steps of the budget.
                if (m_at == 0) {
                    m_next = 1;
                    std::sort(m_numbers.begin(), m_numbers.end());
                    for (size_t i = 0; i < m_numbers.size(); ++i) {
                        if (i > 0 && m_numbers[i].first != m_numbers[i - 1].first)
                            ++m_next;
                        m_out.rank[size_t(m_numbers[i].second)] = m_next;
                    }
                    if (!m_numbers.empty())
                        ++m_next;
                    m_numbers = {};
                    m_textRank.resize(m_texts.size());
                }
                const int n = int(m_byKey.size());
                const int end = std::min(n, m_at + budget);
                budget -= end - m_at + 1;
                for (; m_at < end; ++m_at) {
                    const size_t i = size_t(m_at);
                    if (i > 0 && m_keys[size_t(m_byKey[i])].compare(m_keys[size_t(m_byKey[i - 1])]) != 0)
                        ++m_next;
                    m_textRank[size_t(m_byKey[i])] = m_next;
                }
                if (m_at >= n)
                    next(MapRows);
                break;
            }
            case MapRows: {
                const int end = std::min(m_rows, m_at + budget);
                budget -= end - m_at + 1;
                for (; m_at < end; ++m_at) {
                    int32_t &r = m_out.rank[size_t(m_at)];
                    if (r < 0)
                        r = m_textRank[size_t(-1 - r)];
                }
                if (m_at >= m_rows) {
                    m_out.max = m_next;
                    m_textRank = {};
                    m_byKey = {};
                    next(Release);
                }
                break;
            }
            case Release: {
                // A million keys and texts freed at once would stall the window: a share per step.
                const size_t share = size_t(std::max(1, budget));
                budget -= int(share) + 1;
                m_keys.erase(m_keys.end() - std::ptrdiff_t(std::min(share, m_keys.size())), m_keys.end());
                m_texts.erase(m_texts.end() - std::ptrdiff_t(std::min(share, m_texts.size())), m_texts.end());
                if (m_keys.empty() && m_texts.empty()) {
                    m_keys = {};
                    m_texts = {};
                    m_phase = Done;
                }
                break;
            }
            case Done:
                break;
            }
        }
        return m_phase == Done;
    }

    Ranks take() { return std::move(m_out); }
    int rows() const { return m_rows; }

private:
    enum Phase { Collect, Keys, SortRuns, Merge, Finalize, MapRows, Release, Done };
    static constexpr int Run = 16384;

    void next(Phase phase)
    {
        m_phase = phase;
        m_at = 0;
    }
    struct KeyLess {
        const std::vector<QCollatorSortKey> *keys;
        bool operator()(int32_t a, int32_t b) const { return (*keys)[size_t(a)].compare((*keys)[size_t(b)]) < 0; }
    };
    KeyLess less() const { return {&m_keys}; }

    const RowSource *m_source;
    int m_field;
    int m_rows;
    QCollator m_collator;
    Phase m_phase = Collect;
    int m_at = 0;
    int m_width = 0;
    bool m_inPair = false;
    int m_a = 0, m_b = 0, m_o = 0;
    std::vector<int32_t> m_merged;
    std::vector<int32_t> m_textRank;
    int32_t m_next = 1;
    Ranks m_out;
    std::vector<std::pair<double, int32_t>> m_numbers;
    QHash<QString, int32_t> m_textId;
    std::vector<QString> m_texts;
    std::vector<QCollatorSortKey> m_keys;
    std::vector<int32_t> m_byKey;
};

GridModel::GridModel(QObject *parent)
    : QAbstractItemModel(parent)
    , m_warmTimer(new QTimer(this))
{
    m_warmTimer->setSingleShot(true);
    m_warmTimer->setInterval(0);
    connect(m_warmTimer, &QTimer::timeout, this, &GridModel::warmUp);
}

GridModel::~GridModel() = default;

void GridModel::setColumns(std::vector<GridColumn> columns)
{
    m_columns = std::move(columns);
    m_groupBy.clear();
    m_sortColumn = -1;
    m_sortOrder = Qt::AscendingOrder;
    for (int c = 0; c < int(m_columns.size()); ++c)
        if (m_columns[size_t(c)].sort != GridColumn::Unsorted) {
            m_sortColumn = c;
            m_sortOrder = m_columns[size_t(c)].sort == GridColumn::Descending ? Qt::DescendingOrder : Qt::AscendingOrder;
            break;
        }
    reload();
}

void GridModel::setRows(RowSource *rows)
{
    if (m_rows)
        disconnect(m_rows, nullptr, this, nullptr);
    m_rows = rows;
    if (rows) {
        connect(rows, &RowSource::rowsReset, this, &GridModel::reload);
        connect(rows, &QObject::destroyed, this, &GridModel::reload);
    }
    reload();
}

RowSource *GridModel::rows() const
{
    return m_rows.data();
}

void GridModel::sort(int column, Qt::SortOrder order)
{
    if (column >= int(m_columns.size()))
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    rebuild();
}

void GridModel::setGroupColumns(std::vector<int> columns)
{
    std::erase_if(columns, [this](int c) { return c < 0 || c >= int(m_columns.size()); });
    m_groupBy = std::move(columns);
    rebuild();
}

void GridModel::reload()
{
    m_ranks.clear();
    m_warming.reset();
    m_warmingColumn = -1;
    m_warmQueue.clear();
    m_fields.clear();
    for (const GridColumn &c : m_columns)
        m_fields.push_back(m_rows ? m_rows->fieldIndex(c.field) : -1);
    rebuild();
    for (int c = int(m_columns.size()) - 1; c >= 0; --c)
        if (!m_columns[size_t(c)].hidden && m_columns[size_t(c)].kind == GridColumn::Text && m_fields[size_t(c)] >= 0)
            m_warmQueue.push_back(c);
    if (!m_warmQueue.empty() && !m_order.empty())
        m_warmTimer->start();
}

void GridModel::rebuild()
{
    beginResetModel();
    buildOrder();
    buildGroups();
    endResetModel();
}

void GridModel::buildOrder()
{
    const int n = m_rows ? m_rows->rowCount() : 0;
    m_order.resize(size_t(n));
    std::iota(m_order.begin(), m_order.end(), 0);
    m_order.shrink_to_fit();
    if (n > 0) {
        if (m_sortColumn >= 0) {
            const Ranks &r = ranks(m_sortColumn);
            countingSort(m_order, r.rank, r.max, m_sortOrder == Qt::DescendingOrder);
        }
        for (auto it = m_groupBy.rbegin(); it != m_groupBy.rend(); ++it) {
            const Ranks &r = ranks(*it);
            countingSort(m_order, r.rank, r.max, false);
        }
    }
    m_position.assign(size_t(n), 0);
    m_position.shrink_to_fit();
    for (int p = 0; p < n; ++p)
        m_position[size_t(m_order[size_t(p)])] = p;
}

void GridModel::buildGroups()
{
    m_groups.clear();
    m_levelStart.clear();
    if (m_groupBy.empty() || m_order.empty()) {
        m_groups.shrink_to_fit();
        return;
    }
    const int depth = int(m_groupBy.size());
    const auto split = [this](int parent, int first, int count, const std::vector<int32_t> &rank) {
        int row = 0;
        for (int p = first; p < first + count;) {
            const int32_t key = rank[size_t(m_order[size_t(p)])];
            int end = p + 1;
            while (end < first + count && rank[size_t(m_order[size_t(end)])] == key)
                ++end;
            m_groups.push_back({parent, row++, p, end - p, -1, 0});
            p = end;
        }
    };
    m_levelStart.push_back(0);
    split(-1, 0, int(m_order.size()), ranks(m_groupBy[0]).rank);
    for (int level = 1; level < depth; ++level) {
        const int begin = m_levelStart.back();
        const int end = int(m_groups.size());
        m_levelStart.push_back(end);
        const std::vector<int32_t> &rank = ranks(m_groupBy[size_t(level)]).rank;
        for (int g = begin; g < end; ++g) {
            const int firstChild = int(m_groups.size());
            split(g, m_groups[size_t(g)].first, m_groups[size_t(g)].count, rank);
            m_groups[size_t(g)].firstChild = firstChild;
            m_groups[size_t(g)].childCount = int(m_groups.size()) - firstChild;
        }
    }
    m_levelStart.push_back(int(m_groups.size()));
    m_groups.shrink_to_fit();
}

const GridModel::Ranks &GridModel::ranks(int column)
{
    auto it = m_ranks.find(column);
    if (it == m_ranks.end() && m_warming && m_warmingColumn == column) {
        // Half done in idle time: finish it now.
        while (!m_warming->step(1 << 30)) {
        }
        it = m_ranks.emplace(column, m_warming->take()).first;
        m_warming.reset();
        m_warmingColumn = -1;
    }
    if (it == m_ranks.end())
        it = m_ranks.emplace(column, computeRanks(column)).first;
    return it->second;
}

bool GridModel::isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

QCollator GridModel::collator()
{
    const QLocale user;
    return QCollator(user.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : user);
}

GridModel::Ranks GridModel::computeRanks(int column) const
{
    RankBuilder builder(m_rows, m_fields[size_t(column)], int(m_order.size()));
    while (!builder.step(1 << 30)) {
    }
    return builder.take();
}

void GridModel::warmUp()
{
    if (!m_rows || m_rows->rowCount() == 0 || m_rows->isChanging())
        return;
    QElapsedTimer slice;
    slice.start();
    while (slice.elapsed() < 20) {
        if (!m_warming) {
            while (!m_warmQueue.empty() && ranksReady(m_warmQueue.back()))
                m_warmQueue.pop_back();
            if (m_warmQueue.empty())
                return;
            m_warmingColumn = m_warmQueue.back();
            m_warmQueue.pop_back();
            m_warming = std::make_unique<RankBuilder>(m_rows, m_fields[size_t(m_warmingColumn)], int(m_order.size()));
        }
        if (m_warming->step(4096)) {
            m_ranks.emplace(m_warmingColumn, m_warming->take());
            m_warming.reset();
            m_warmingColumn = -1;
        }
    }
    m_warmTimer->start();
}

int GridModel::positionOfSourceRow(int sourceRow) const
{
    if (sourceRow < 0 || sourceRow >= int(m_position.size()))
        return -1;
    return m_position[size_t(sourceRow)];
}

std::vector<GridModel::Span> GridModel::spans() const
{
    std::vector<Span> out;
    if (m_groups.empty()) {
        if (!m_order.empty())
            out.push_back({0, int(m_order.size()), {}});
        return out;
    }
    const int leaves = m_levelStart[m_levelStart.size() - 2];
    for (int g = leaves; g < int(m_groups.size()); ++g)
        out.push_back({m_groups[size_t(g)].first, m_groups[size_t(g)].count, groupIndex(g)});
    return out;
}

bool GridModel::hasChildGroups(int node) const
{
    return node < 0 ? !m_groups.empty() : m_groups[size_t(node)].firstChild >= 0;
}

int GridModel::childCountOf(int node) const
{
    if (node < 0)
        return m_groups.empty() ? int(m_order.size()) : m_levelStart[1];
    const Group &g = m_groups[size_t(node)];
    return g.firstChild >= 0 ? g.childCount : g.count;
}

// The internal id of an index is its parent node plus one: 0 for the root.
int GridModel::groupOf(const QModelIndex &index) const
{
    if (!index.isValid())
        return -1;
    const int parentNode = int(index.internalId()) - 1;
    if (!hasChildGroups(parentNode))
        return -1;
    return (parentNode < 0 ? 0 : m_groups[size_t(parentNode)].firstChild) + index.row();
}

int GridModel::positionOf(const QModelIndex &index) const
{
    if (!index.isValid())
        return -1;
    const int parentNode = int(index.internalId()) - 1;
    if (hasChildGroups(parentNode))
        return -1;
    return (parentNode < 0 ? 0 : m_groups[size_t(parentNode)].first) + index.row();
}

int GridModel::sourceRowOf(const QModelIndex &index) const
{
    const int p = positionOf(index);
    return p < 0 ? -1 : m_order[size_t(p)];
}

QModelIndex GridModel::indexOfSourceRow(int sourceRow, int column) const
{
    const int p = positionOfSourceRow(sourceRow);
    if (p < 0)
        return {};
    if (m_groups.empty())
        return createIndex(p, column, quintptr(0));
    // Last-level groups lie in grid order.
    const auto begin = m_groups.begin() + m_levelStart[m_levelStart.size() - 2];
    const auto it = std::upper_bound(begin, m_groups.end(), p, [](int pos, const Group &g) { return pos < g.first; }) - 1;
    return createIndex(p - it->first, column, quintptr(it - m_groups.begin() + 1));
}

QModelIndex GridModel::groupIndex(int group) const
{
    if (group < 0 || group >= int(m_groups.size()))
        return {};
    const Group &g = m_groups[size_t(group)];
    return createIndex(g.row, 0, quintptr(g.parent + 1));
}

QString GridModel::groupPath(int group) const
{
    QStringList values;
    int level = 0;
    while (level + 1 < int(m_levelStart.size()) && m_levelStart[size_t(level + 1)] <= group)
        ++level;
    const int row = m_order[size_t(m_groups[size_t(group)].first)];
    for (int l = 0; l <= level; ++l)
        values << text(row, m_groupBy[size_t(l)]);
    return values.join(QChar(0x1f));
}

QString GridModel::groupText(int group) const
{
    int level = 0;
    while (m_levelStart[size_t(level + 1)] <= group)
        ++level;
    const int column = m_groupBy[size_t(level)];
    const Group &g = m_groups[size_t(group)];
    const QString value = text(m_order[size_t(g.first)], column);
    return U_Constantes::GroupRow.arg(m_columns[size_t(column)].caption, value).arg(g.count);
}

QVariant GridModel::value(int sourceRow, int column) const
{
    if (!m_rows || column < 0 || column >= int(m_fields.size()) || sourceRow < 0 || sourceRow >= int(m_order.size()))
        return {};
    const int field = m_fields[size_t(column)];
    return field < 0 ? QVariant() : m_rows->value(sourceRow, field);
}

QString GridModel::text(int sourceRow, int column) const
{
    const QVariant v = value(sourceRow, column);
    if (v.isNull())
        return QString();
    if (m_columns[size_t(column)].kind == GridColumn::CheckBox)
        return v.toBool() ? U_Constantes::CheckedText : U_Constantes::UncheckedText;
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

QModelIndex GridModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || column >= columnCount())
        return {};
    int node = -1;
    if (parent.isValid()) {
        node = groupOf(parent);
        if (node < 0 || parent.column() != 0)
            return {};
    }
    if (row >= childCountOf(node))
        return {};
    return createIndex(row, column, quintptr(node + 1));
}

QModelIndex GridModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return {};
    const Group &g = m_groups[size_t(child.internalId() - 1)];
    return createIndex(g.row, 0, quintptr(g.parent + 1));
}

QModelIndex GridModel::sibling(int row, int column, const QModelIndex &index) const
{
    if (!index.isValid() || row < 0 || column < 0 || column >= columnCount())
        return {};
    const int parentNode = int(index.internalId()) - 1;
    if (row >= childCountOf(parentNode))
        return {};
    return createIndex(row, column, index.internalId());
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return childCountOf(-1);
    if (parent.column() != 0)
        return 0;
    const int g = groupOf(parent);
    return g < 0 ? 0 : childCountOf(g);
}

int GridModel::columnCount(const QModelIndex &) const
{
    return int(m_columns.size());
}

bool GridModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int g = groupOf(index);
    if (g >= 0) {
        if (role == Qt::DisplayRole)
            return groupText(g);
        if (role == GroupRole)
            return true;
        return {};
    }
    const int column = index.column();
    const GridColumn::Kind kind = m_columns[size_t(column)].kind;
    switch (role) {
    case Qt::DisplayRole:
        if (kind == GridColumn::CheckBox)
            return {};
        return text(sourceRowOf(index), column);
    case Qt::CheckStateRole:
        if (kind != GridColumn::CheckBox)
            return {};
        return value(sourceRowOf(index), column).toBool() ? Qt::Checked : Qt::Unchecked;
    case KindRole:
        return int(kind);
    case GroupRole:
        return false;
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns[size_t(section)].caption;
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (isGroup(index))
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

size_t GridModel::memoryBytes() const
{
    size_t bytes = m_order.capacity() * sizeof(int32_t) + m_position.capacity() * sizeof(int32_t)
                   + m_groups.capacity() * sizeof(Group) + m_levelStart.capacity() * sizeof(int);
    for (const auto &[column, r] : m_ranks)
        bytes += r.rank.capacity() * sizeof(int32_t);
    return bytes;
}
