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

// Refuses, as DbError::Cause::NotACatalogue, a file or database whose tables (`present`, in any
// case) lack one of the catalogue's.
void requireCatalogueTables(db::Engine engine, const QStringList &present);

// The catalogue's version as this program writes it, for each engine: a file's header
// (user_version; 0 in a file made before it was kept, then 2 when it has its keys, 1 otherwise),
// or the row of DADUDU_VERSION on a server (none: 1). A catalogue of an earlier version is
// upgraded when the program opens it for writing; a later one is refused, and left as it is.
int currentCatalogueVersion(db::Engine engine);

// The statements that bring a server catalogue of version `from` to the current one: the schema's
// parts after "-- Version <from>:"'s own.
QString serverCatalogueUpgrade(int from);

// Refuses a catalogue of a version the program does not know.
void refuseNewerCatalogue(db::Engine engine, int version);

// A row names its parent by number. Older catalogues hold rows whose parent is gone (a CD of no
// artist, a track of no CD, an item of no data CD), which no list shows: a copy or an upgrade keeps
// them by making each missing parent with the number its rows name and a name that says so.
struct ParentLink {
    QString child;      // the table of the rows
    QString column;     // their column naming the parent
    QString parent;     // the parent's table, whose key has the same name
    QString nameColumn; // the parent's name, which tells it was made
};
const QList<ParentLink> &parentLinks();
QString missingParentName(const ParentLink &link, qint64 id);

// The path a copy of the catalogue file takes before an upgrade: beside it, never over another file.
QString upgradeBackupPath(const QString &path, int fromVersion);
