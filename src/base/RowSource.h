#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QVariant>

// Rows as a grid sees them: a fixed set of named fields, values by row and column, and one current
// row that views follow and move. The grid works on nothing else, so it can show a catalogue query
// or rows made in memory alike; it sits below both the grid and the store because the store's
// queries are row sources and the store must not depend on widgets.
class RowSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // No rows and no fields while closed.
    virtual int rowCount() const = 0;
    virtual int fieldCount() const = 0;
    virtual QString fieldName(int column) const = 0;
    // Case-insensitive, as the catalogue's field names are; -1 when there is no such field.
    virtual int fieldIndex(const QString &name) const;
    virtual QVariant value(int row, int column) const = 0;
    // A text value's UTF-8 bytes, where the source keeps its texts so: a million rows told apart by
    // their bytes cost no QString each. False for any other value, which value() then gives; the
    // bytes stay valid until the rows change.
    virtual bool utf8(int row, int column, QByteArrayView *text) const;

    // -1 when there is no row.
    virtual int currentRow() const = 0;
    virtual void setCurrentRow(int row) = 0;

signals:
    // The rows changed as a whole (opened, closed, read again).
    void rowsReset();
    void currentRowChanged(int row);

protected:
    // While the owner changes the rows in several steps, views stay where they are: nested holds
    // count, and the last release sends one reset if the rows changed, else the current row if it moved.
    void holdNotifications() { ++m_holds; }
    void releaseNotifications();
    bool notificationsHeld() const { return m_holds > 0; }
    void notifyReset();
    void notifyCurrent();

private:
    int m_holds = 0;
    bool m_resetPending = false;
    bool m_currentPending = false;
};
