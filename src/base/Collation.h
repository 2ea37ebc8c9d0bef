#pragma once

#include <QCollator>
#include <QLocale>
#include <QStringList>

#include <vector>

// The user's collation, for every list the user reads, so that a name sits where the alphabet of the
// user's language puts it, in a grid, a box or a list alike.
namespace Collation {

// A machine left on the C locale would order texts by code point, putting "ça" and "île" after "z";
// such a machine gets the common order of the world's languages.
QLocale locale();
QCollator collator();

// The positions of `texts` in collation order. Texts that collate alike follow their code points,
// so the order is the same on every run whatever order the texts came in.
std::vector<qsizetype> order(const QStringList &texts);
void sort(QStringList &texts);

} // namespace Collation
