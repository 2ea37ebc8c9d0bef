#pragma once

#include "base/RowSource.h"

#include <QList>
#include <QStringList>
#include <QVariant>

// Rows made in the test itself, for views that need no catalogue. It behaves like a catalogue query
// where a view can tell: every change of the rows is one reset that stands on the first row again,
// as a reopened query does, and a hold keeps the views where they are until it is released.
class MemoryRows : public RowSource
{
    Q_OBJECT
public:
    explicit MemoryRows(const QStringList &fields, QObject *parent = nullptr);

    // One value per field, null where a QVariant() is given.
    void setRows(QList<QVariantList> rows);
    void append(const QVariantList &row);
    void clear();
    // The same rows read again.
    void reset();

    // Stands on the first row whose field equals value; leaves the current row alone when none does.
    bool locate(const QString &field, qlonglong value);

    // Nested holds count; the views catch up on the last release, with one reset if the rows changed.
    void hold();
    void release();

    int rowCount() const override { return int(m_rows.size()); }
    int fieldCount() const override { return int(m_fields.size()); }
    QString fieldName(int column) const override { return m_fields.value(column); }
    // A view reading outside the rows fails the test rather than reading freed memory.
    QVariant value(int row, int column) const override;
    int currentRow() const override { return m_current; }
    void setCurrentRow(int row) override;

private:
    void changed();

    QStringList m_fields;
    QList<QVariantList> m_rows;
    int m_current = -1;
    mutable bool m_readPastEnd = false;
};
