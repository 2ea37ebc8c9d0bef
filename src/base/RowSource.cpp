#include "base/RowSource.h"

int RowSource::fieldIndex(const QString &name) const
{
    for (int i = 0, n = fieldCount(); i < n; ++i)
        if (fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}
