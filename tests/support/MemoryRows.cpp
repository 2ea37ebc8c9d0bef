#include "support/MemoryRows.h"

#include <QTest>

#include <utility>

MemoryRows::MemoryRows(const QStringList &fields, QObject *parent)
    : RowSource(parent)
    , m_fields(fields)
{ }

void MemoryRows::setRows(QList<QVariantList> rows)
{
    for (const QVariantList &row : rows)
        if (row.size() != m_fields.size()) {
            // A short row would be read past its end by the first view that asks for its last field.
            QTest::qFail(
                qPrintable(QStringLiteral("a row of %1 values for %2 fields").arg(row.size()).arg(m_fields.size())),
                __FILE__, __LINE__);
            return;
        }
    m_rows = std::move(rows);
    changed();
}

void MemoryRows::append(const QVariantList &row)
{
    QList<QVariantList> rows = m_rows;
    rows.append(row);
    setRows(std::move(rows));
}

void MemoryRows::clear()
{
    m_rows.clear();
    changed();
}

void MemoryRows::reset()
{
    changed();
}

void MemoryRows::changed()
{
    m_current = m_rows.isEmpty() ? -1 : 0;
    notifyReset();
}

QVariant MemoryRows::value(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= fieldCount()) {
        // The first such read tells; the thousands after it would only bury it.
        if (!std::exchange(m_readPastEnd, true))
            QTest::qFail(
                qPrintable(QStringLiteral("read of row %1, field %2 of %3 rows").arg(row).arg(column).arg(rowCount())),
                __FILE__, __LINE__);
        return {};
    }
    return m_rows[row][column];
}

bool MemoryRows::locate(const QString &field, qlonglong value)
{
    const int column = fieldIndex(field);
    for (int r = 0; column >= 0 && r < rowCount(); ++r)
        if (!m_rows[r][column].isNull() && m_rows[r][column].toLongLong() == value) {
            setCurrentRow(r);
            return true;
        }
    return false;
}

void MemoryRows::setCurrentRow(int row)
{
    if (row < 0 || row >= rowCount() || row == m_current)
        return;
    m_current = row;
    notifyCurrent();
}

void MemoryRows::hold()
{
    holdNotifications();
}

void MemoryRows::release()
{
    releaseNotifications();
}
