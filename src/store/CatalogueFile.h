#pragma once

#include "store/DbBackend.h"

#include <QString>
#include <QStringList>

// Makes a new, empty catalogue from the schema: a file at a path, or the tables in a PostgreSQL
// database at a postgresql:// address; for the program when the user asks for one, the tools, and
// the tests and benchmarks. Raises DbError when the file exists already, the database holds a
// catalogue table already, or it cannot be written.
void createEmptyCatalogue(const QString &location);

// The schema's SQL text for the engine.
QString catalogueSchema(db::Engine engine = db::Engine::SQLite);

// The names of the schema's tables: a file without one of them is not a catalogue.
QStringList catalogueTables();
