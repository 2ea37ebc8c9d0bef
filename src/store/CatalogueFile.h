#pragma once

#include <QString>
#include <QStringList>

// Makes a new, empty catalogue file from the schema. The program itself never does this: the build
// makes the empty catalogue that run.sh installs, and tests and benchmarks make their own.
// Raises DbError when the file exists already or cannot be written.
void createEmptyCatalogue(const QString &path);

// The schema's SQL text.
QString catalogueSchema();

// The names of the schema's tables: a file without one of them is not a catalogue.
QStringList catalogueTables();
