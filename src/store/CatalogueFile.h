#pragma once

#include <QString>
#include <QStringList>

// Makes a new, empty catalogue file from the schema: the program when the user asks for one, the
// tools, and the tests and benchmarks for their own. Raises DbError when the file exists already or
// cannot be written.
void createEmptyCatalogue(const QString &path);

// The schema's SQL text.
QString catalogueSchema();

// The names of the schema's tables: a file without one of them is not a catalogue.
QStringList catalogueTables();
