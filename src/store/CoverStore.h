#pragma once

#include "store/DbEngine.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The audio CDs' cover pictures, JPEG bytes by CD number. A catalogue file keeps them as files in a
// folder beside it (N.jpg), so both are backed up together; a server catalogue keeps them in its
// table COVER, so every computer that shares it sees the same covers, and two catalogues never
// share a folder whose files they would overwrite.
//
// A save after the CD's own transaction, once it committed: a failed CD save leaves the old cover.
//     CoverStore(connection, coversFolderOf(catalogue)).save(cdId, jpeg);
class CoverStore
{
public:
    // `folder` serves a catalogue file only.
    CoverStore(DbConnection &connection, QString folder);

    bool onServer() const;
    // Empty when the CD has no cover (or the server's catalogue has no covers yet).
    QByteArray load(int cdId) const;
    // Replaces the CD's cover. Raises DbError with the reason (the engine's, or the file system's).
    void save(int cdId, const QByteArray &jpeg);
    // Raises DbError like save; a CD without a cover is no failure.
    void remove(int cdId);
    // The CDs that have a cover, in order.
    QList<int> cdIds() const;
    // Where the cover is, for a message: the file's path, or the CD's row on the server.
    QString whereIs(int cdId) const;

private:
    QString filePath(int cdId) const;
    bool serverHasCovers() const;

    DbConnection &m_connection;
    QString m_folder;
};
