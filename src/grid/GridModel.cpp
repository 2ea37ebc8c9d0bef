#include "grid/GridModel.h"

#include "base/Collation.h"
#include "base/RowSource.h"
#include "base/Texts.h"

#include <QCollator>
#include <QHash>

#include <unicode/ucol.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <numeric>
#include <ranges>

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

// Collation through ICU itself: QCollator hands out one heap key per text at full strength, which
// costs more than all the rest of a sort. The texts are ordered by short primary keys laid out in one
// buffer, and only texts whose primary keys tie are compared again at full strength.
class IcuCollator
{
public:
    IcuCollator(const QLocale &locale, UColAttributeValue strength)
    {
        const QByteArray name = locale.bcp47Name().replace(u'-', u'_').toLatin1();
        UErrorCode status = U_ZERO_ERROR;
        m_c = ucol_open(name.constData(), &status);
        if (U_FAILURE(status)) {
            status = U_ZERO_ERROR;
            m_c = ucol_open("", &status);
        }
        // As QCollator sets it, so both order alike.
        status = U_ZERO_ERROR;
        ucol_setAttribute(m_c, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
        status = U_ZERO_ERROR;
        ucol_setAttribute(m_c, UCOL_STRENGTH, strength, &status);
    }
    ~IcuCollator() { ucol_close(m_c); }
    IcuCollator(const IcuCollator &) = delete;
    IcuCollator &operator=(const IcuCollator &) = delete;
    UCollator *get() const { return m_c; }

private:
    UCollator *m_c = nullptr;
};

const UChar *utf16(const QString &s)
{
    return reinterpret_cast<const UChar *>(s.utf16());
}

// The rank of each text, from 0, in collation order; texts that collate equal share their rank.
// `count` receives the number of ranks.
std::vector<int32_t> collate(const std::vector<QString> &texts, int32_t &count, const GridModel::Progress *progress)
{
    const size_t n = texts.size();
    std::vector<int32_t> rank(n, 0);
    count = 0;
    if (n == 0)
        return rank;
    const QLocale locale = GridModel::collationLocale();
    const IcuCollator primary(locale, UCOL_PRIMARY);
    const IcuCollator full(locale, UCOL_DEFAULT);

    std::vector<uint8_t> keys;
    std::vector<uint32_t> at(n);
    keys.resize(n * 16);
    size_t used = 0;
    for (size_t i = 0; i < n; ++i) {
        if (progress && i % 1024 == 0 && !(*progress)(int(i), int(n), false))
            return {};
        const QString &s = texts[i];
        for (;;) {
            const int32_t room = int32_t(std::min<size_t>(keys.size() - used, INT32_MAX));
            const int32_t need = ucol_getSortKey(primary.get(), utf16(s), int32_t(s.size()), keys.data() + used, room);
            if (need <= room) {
                at[i] = uint32_t(used);
                used += size_t(need);
                break;
            }
            keys.resize(std::max(keys.size() * 2, used + size_t(need)));
        }
    }
    const auto key = [&](int32_t i) { return reinterpret_cast<const char *>(keys.data() + at[size_t(i)]); };

    std::vector<int32_t> byKey(n);
    std::iota(byKey.begin(), byKey.end(), 0);
    // Sort keys end with a zero byte and hold none before it.
    std::sort(byKey.begin(), byKey.end(), [&](int32_t a, int32_t b) { return std::strcmp(key(a), key(b)) < 0; });

    const auto fullOrder = [&](int32_t a, int32_t b) {
        return ucol_strcoll(full.get(), utf16(texts[size_t(a)]), int32_t(texts[size_t(a)].size()),
                            utf16(texts[size_t(b)]), int32_t(texts[size_t(b)].size()));
    };
    int32_t next = 0;
    for (size_t i = 0; i < n;) {
        size_t end = i + 1;
        while (end < n && std::strcmp(key(byKey[i]), key(byKey[end])) == 0)
            ++end;
        if (end - i > 1)
            std::sort(byKey.begin() + std::ptrdiff_t(i), byKey.begin() + std::ptrdiff_t(end),
                      [&](int32_t a, int32_t b) { return fullOrder(a, b) == UCOL_LESS; });
        rank[size_t(byKey[i])] = next;
        for (size_t j = i + 1; j < end; ++j) {
            if (fullOrder(byKey[j - 1], byKey[j]) != UCOL_EQUAL)
                ++next;
            rank[size_t(byKey[j])] = next;
        }
        ++next;
        i = end;
    }
    count = next;
    return rank;
}

// Qt hashes a model index as its row, column and internal id added up, unmixed, and keeps every
// persistent index of a model in one table whose bucket is the hash's low bits: a view's expanded
// groups and selection ranges, with ids 1, 2, 3..., would pile into a few buckets and make each
// insertion walk them all. An odd factor spreads the ids over the low bits and is undone exactly.
constexpr quintptr IdFactor = quintptr(0x9E3779B97F4A7C15ull);
constexpr quintptr inverseOf(quintptr a)
{
    quintptr x = a; // Newton's iteration doubles the correct low bits each step
    for (int i = 0; i < 6; ++i)
        x *= 2 - a * x;
    return x;
}
constexpr quintptr IdInverse = inverseOf(IdFactor);
static_assert(IdFactor * IdInverse == 1);

quintptr idOf(int node)
{
    return quintptr(node + 1) * IdFactor;
}

int nodeOf(const QModelIndex &index)
{
    return int(index.internalId() * IdInverse) - 1;
}

} // namespace

GridModel::GridModel(QObject *parent)
    : QAbstractItemModel(parent)
{ }

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
            m_sortOrder
                = m_columns[size_t(c)].sort == GridColumn::Descending ? Qt::DescendingOrder : Qt::AscendingOrder;
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

void GridModel::setDefaultOrder(QStringList fields)
{
    m_defaultOrder = std::move(fields);
    reload();
}

void GridModel::sort(int column, Qt::SortOrder order)
{
    if (column >= int(m_columns.size()))
        return;
    if (!prepareRanks(column, m_groupBy))
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    rebuild();
}

void GridModel::setGroupColumns(std::vector<int> columns)
{
    std::erase_if(columns, [this](int c) { return c < 0 || c >= int(m_columns.size()); });
    if (!prepareRanks(m_sortColumn, columns))
        return;
    m_groupBy = std::move(columns);
    rebuild();
}

void GridModel::setDeferred(bool deferred)
{
    m_deferred = deferred;
    if (!deferred && m_reloadPending)
        reload();
}

void GridModel::reload()
{
    if (m_deferred) {
        m_reloadPending = true;
        m_ranks.clear();
        standEmpty();
        return;
    }
    m_reloadPending = false;
    m_ranks.clear();
    m_fields.clear();
    for (const GridColumn &c : m_columns)
        m_fields.push_back(m_rows ? m_rows->fieldIndex(c.field) : -1);
    m_defaultFields.clear();
    for (const QString &name : std::as_const(m_defaultOrder))
        if (const int field = m_rows ? m_rows->fieldIndex(name) : -1; field >= 0)
            m_defaultFields.push_back(field);
    // Ordering a list read again takes a ranking of its own, through the runner while the window
    // serves its events: the model stands empty meanwhile, so no view pairs the old order with the
    // new rows. Stopped, the rows stay unsorted, in the order the catalogue gave them; a grouped list
    // keeps its groups, which it cannot show without their ranks, so those are made here after all.
    if (m_runner && m_rows && m_rows->rowCount() > 0) {
        standEmpty();
        if (!prepareRanks(m_sortColumn, m_groupBy)) {
            m_sortColumn = -1;
            m_defaultFields.clear();
        }
    }
    rebuild();
}

void GridModel::standEmpty()
{
    beginResetModel();
    m_order.clear();
    m_position.clear();
    m_groups.clear();
    m_levelStart.clear();
    endResetModel();
}

void GridModel::rebuild()
{
    if (m_reloadPending)
        return; // built when resumed
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
        // Sorting by the only default field again would give the same order.
        const bool sortRedoesDefault
            = m_sortColumn >= 0 && m_defaultFields.size() == 1 && m_defaultFields[0] == m_fields[size_t(m_sortColumn)];
        if (!sortRedoesDefault)
            for (const int field : std::views::reverse(m_defaultFields)) {
                const Ranks &r = fieldRanks(field);
                countingSort(m_order, r.rank, r.max, false);
            }
        if (m_sortColumn >= 0) {
            const Ranks &r = ranks(m_sortColumn);
            countingSort(m_order, r.rank, r.max, m_sortOrder == Qt::DescendingOrder);
        }
        for (const int column : std::views::reverse(m_groupBy)) {
            const Ranks &r = ranks(column);
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

const GridModel::Ranks &GridModel::fieldRanks(int field)
{
    auto it = m_ranks.find(field);
    if (it == m_ranks.end()) {
        Ranks r;
        computeRanks(m_rows, int(m_order.size()), field, nullptr, r);
        it = m_ranks.emplace(field, std::move(r)).first;
    }
    return it->second;
}

// The ranks an order by these columns lacks are made through the runner, apart from the model: the
// model stays as it was until they are all made, so a ranking stopped half way changes nothing.
bool GridModel::prepareRanks(int sortColumn, const std::vector<int> &groupBy)
{
    if (!m_runner || m_reloadPending || !m_rows || m_rows->rowCount() == 0)
        return true;
    std::vector<int> fields;
    const auto need = [&](int field) {
        if (field >= 0 && !m_ranks.count(field) && std::find(fields.begin(), fields.end(), field) == fields.end())
            fields.push_back(field);
    };
    const bool sortRedoesDefault
        = sortColumn >= 0 && m_defaultFields.size() == 1 && m_defaultFields[0] == m_fields[size_t(sortColumn)];
    if (!sortRedoesDefault)
        for (int f : m_defaultFields)
            need(f);
    if (sortColumn >= 0)
        need(m_fields[size_t(sortColumn)]);
    for (int c : groupBy)
        need(m_fields[size_t(c)]);
    if (fields.empty())
        return true;
    const RowSource *source = m_rows;
    const int rows = m_rows->rowCount();
    const size_t ordered = m_order.size();
    std::vector<Ranks> made;
    const bool finished = m_runner([&](const Progress &progress) {
        for (int field : fields) {
            Ranks r;
            if (!computeRanks(source, rows, field, &progress, r))
                return false;
            made.push_back(std::move(r));
        }
        return true;
    });
    // The runner says when the rows were read again; a source gone or of another size is checked all the same.
    if (!finished || made.size() != fields.size() || m_rows != source || m_rows->rowCount() != rows
        || m_order.size() != ordered)
        return false;
    for (size_t i = 0; i < fields.size(); ++i)
        m_ranks.emplace(fields[i], std::move(made[i]));
    return true;
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

QLocale GridModel::collationLocale()
{
    return Collation::locale();
}

QCollator GridModel::collator()
{
    return Collation::collator();
}

// Each row gets a small integer that orders like its value: nulls, then numbers by value, then texts
// by collation. The texts are told apart once each and only the distinct ones are collated, so a sort
// is one counting pass over the rows.
// With a progress, it is asked every thousand rows and every thousand texts whether to go on; false
// when it said no.
bool GridModel::computeRanks(const RowSource *source, int rows, int field, const Progress *progress, Ranks &out)
{
    out.rank.assign(size_t(rows), 0);
    out.max = 0;
    if (field < 0 || !source)
        return true;
    std::vector<std::pair<double, int32_t>> numbers;
    std::vector<QString> texts;
    {
        // The distinct texts, found through a table of their numbers alone: a million rows look up a
        // table four bytes a slot, at most half full, instead of QHash's nodes holding a copy of each
        // key, which costs a fifth of a cold sort in cache misses and reference counts. Texts the
        // source holds as UTF-8 are told apart by their bytes, in a table of their own, and only the
        // distinct ones become QStrings; a text found both ways is collated twice, equal to itself.
        const size_t tableSize = std::bit_ceil(size_t(rows) * 2);
        const size_t mask = tableSize - 1;
        std::vector<int32_t> table;
        std::vector<int32_t> byteTable;
        std::vector<QByteArrayView> bytesOf; // per text, where it was found as bytes
        QByteArrayView bytes;
        for (int r = 0; r < rows; ++r) {
            if (progress && r % 1024 == 0 && !(*progress)(r, rows, true))
                return false;
            if (source->utf8(r, field, &bytes)) {
                if (byteTable.empty())
                    byteTable.assign(tableSize, 0);
                size_t at = qHash(bytes) & mask;
                for (;; at = (at + 1) & mask) {
                    const int32_t id = byteTable[at];
                    if (id == 0) {
                        texts.push_back(QString::fromUtf8(bytes));
                        bytesOf.resize(texts.size());
                        bytesOf.back() = bytes;
                        byteTable[at] = int32_t(texts.size());
                        out.rank[size_t(r)] = -byteTable[at];
                        break;
                    }
                    if (bytesOf[size_t(id - 1)] == bytes) {
                        out.rank[size_t(r)] = -id;
                        break;
                    }
                }
                continue;
            }
            if (table.empty())
                table.assign(tableSize, 0);
            const QVariant v = source->value(r, field);
            if (v.isNull())
                continue;
            if (isNumber(v)) {
                numbers.emplace_back(v.toDouble(), r);
                continue;
            }
            QString s = v.toString();
            size_t at = qHash(s) & mask;
            for (;; at = (at + 1) & mask) {
                const int32_t id = table[at];
                if (id == 0) {
                    texts.push_back(std::move(s));
                    table[at] = int32_t(texts.size());
                    out.rank[size_t(r)] = -table[at];
                    break;
                }
                if (texts[size_t(id - 1)] == s) {
                    out.rank[size_t(r)] = -id;
                    break;
                }
            }
            // resolved once the texts are collated
        }
        if (progress && !(*progress)(rows, rows, true))
            return false;
    }
    int32_t next = 1;
    std::sort(numbers.begin(), numbers.end());
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0 && numbers[i].first != numbers[i - 1].first)
            ++next;
        out.rank[size_t(numbers[i].second)] = next;
    }
    if (!numbers.empty())
        ++next;
    int32_t textRanks = 0;
    const std::vector<int32_t> textRank = collate(texts, textRanks, progress);
    if (textRank.size() != texts.size())
        return false;
    if (progress && !(*progress)(int(texts.size()), int(texts.size()), false))
        return false;
    for (int32_t &r : out.rank)
        if (r < 0)
            r = next + textRank[size_t(-1 - r)];
    out.max = next + textRanks;
    return true;
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

// The internal id of an index names its parent node: 0 for the root.
int GridModel::groupOf(const QModelIndex &index) const
{
    if (!index.isValid())
        return -1;
    const int parentNode = nodeOf(index);
    if (!hasChildGroups(parentNode))
        return -1;
    return (parentNode < 0 ? 0 : m_groups[size_t(parentNode)].firstChild) + index.row();
}

int GridModel::positionOf(const QModelIndex &index) const
{
    if (!index.isValid())
        return -1;
    const int parentNode = nodeOf(index);
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
    const auto it
        = std::upper_bound(begin, m_groups.end(), p, [](int pos, const Group &g) { return pos < g.first; }) - 1;
    return createIndex(p - it->first, column, idOf(int(it - m_groups.begin())));
}

QModelIndex GridModel::groupIndex(int group) const
{
    if (group < 0 || group >= int(m_groups.size()))
        return {};
    const Group &g = m_groups[size_t(group)];
    return createIndex(g.row, 0, idOf(g.parent));
}

QString GridModel::groupPath(int group) const
{
    QStringList values;
    int level = 0;
    while (level + 1 < int(m_levelStart.size()) && m_levelStart[size_t(level) + 1] <= group)
        ++level;
    const int row = m_order[size_t(m_groups[size_t(group)].first)];
    for (int l = 0; l <= level; ++l)
        values << text(row, m_groupBy[size_t(l)]);
    return values.join(QChar(0x1f));
}

QString GridModel::groupText(int group) const
{
    int level = 0;
    while (m_levelStart[size_t(level) + 1] <= group)
        ++level;
    const int column = m_groupBy[size_t(level)];
    const Group &g = m_groups[size_t(group)];
    const QString value = text(m_order[size_t(g.first)], column);
    return Texts::GroupRow.arg(m_columns[size_t(column)].caption, value).arg(g.count);
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
        return v.toBool() ? Texts::CheckedText : Texts::UncheckedText;
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
    return createIndex(row, column, idOf(node));
}

QModelIndex GridModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return {};
    const Group &g = m_groups[size_t(nodeOf(child))];
    return createIndex(g.row, 0, idOf(g.parent));
}

QModelIndex GridModel::sibling(int row, int column, const QModelIndex &index) const
{
    if (!index.isValid() || row < 0 || column < 0 || column >= columnCount())
        return {};
    const int parentNode = nodeOf(index);
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
    for (const auto &[field, r] : m_ranks)
        bytes += r.rank.capacity() * sizeof(int32_t);
    return bytes;
}
