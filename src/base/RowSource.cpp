#include "base/RowSource.h"

int RowSource::fieldIndex(const QString &name) const
{
    for (int i = 0, n = fieldCount(); i < n; ++i)
        if (fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool RowSource::utf8(int, int, QByteArrayView *) const
{
    return false;
}

void RowSource::releaseNotifications()
{
    if (m_holds == 0 || --m_holds > 0)
        return;
    if (m_resetPending) {
        m_resetPending = m_currentPending = false;
        emit rowsReset();
    } else if (m_currentPending) {
        m_currentPending = false;
        emit currentRowChanged(currentRow());
    }
}

void RowSource::notifyReset()
{
    if (m_holds > 0)
        m_resetPending = true;
    else
        emit rowsReset();
}

void RowSource::notifyCurrent()
{
    if (m_holds > 0)
        m_currentPending = true;
    else
        emit currentRowChanged(currentRow());
}
