#include "base/Collation.h"

#include <algorithm>
#include <numeric>

namespace Collation {

QLocale locale()
{
    const QLocale user;
    return user.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : user;
}

QCollator collator()
{
    return QCollator(locale());
}

std::vector<qsizetype> order(const QStringList &texts)
{
    // One key a text: comparing texts themselves would redo the collation's work at each of the
    // n log n comparisons of a folder of a hundred thousand names.
    const QCollator c = collator();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(texts.size()));
    for (const QString &text : texts)
        keys.push_back(c.sortKey(text));
    std::vector<qsizetype> out(size_t(texts.size()));
    std::iota(out.begin(), out.end(), qsizetype(0));
    std::stable_sort(out.begin(), out.end(), [&](qsizetype a, qsizetype b) {
        const int k = keys[size_t(a)].compare(keys[size_t(b)]);
        return k != 0 ? k < 0 : texts[a] < texts[b];
    });
    return out;
}

void sort(QStringList &texts)
{
    QStringList sorted;
    sorted.reserve(texts.size());
    for (const qsizetype k : order(texts))
        sorted << texts[k];
    texts = std::move(sorted);
}

} // namespace Collation
