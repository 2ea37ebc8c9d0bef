#include "store/CoverStore.h"

#include "base/Texts.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

CoverStore::CoverStore(DbConnection &connection, QString folder)
    : m_connection(connection)
    , m_folder(std::move(folder))
{ }

bool CoverStore::onServer() const
{
    return m_connection.engine() == db::Engine::PostgreSQL;
}

QString CoverStore::filePath(int cdId) const
{
    return QDir(m_folder).filePath(QString::number(cdId) + QStringLiteral(".jpg"));
}

QString CoverStore::whereIs(int cdId) const
{
    if (!onServer())
        return QDir::toNativeSeparators(filePath(cdId));
    return QStringLiteral("COVER %1 (%2)").arg(cdId).arg(m_connection.location());
}

// A catalogue opened for reading only is not upgraded: one of version 1 has no covers yet.
bool CoverStore::serverHasCovers() const
{
    DbQuery q(m_connection, {QStringLiteral("select case when to_regclass('cover') is null then 0 else 1 end")});
    q.open();
    return q.firstField().toInt() > 0;
}

QByteArray CoverStore::load(int cdId) const
{
    if (!onServer()) {
        QFile file(filePath(cdId));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    if (!serverHasCovers())
        return {};
    DbQuery q(m_connection, {QStringLiteral("select JPEG from COVER where CD_ID = :CD_ID")});
    q.setParam(QStringLiteral("CD_ID"), cdId);
    q.open();
    return q.rowCount() > 0 ? q.firstField().toByteArray() : QByteArray();
}

void CoverStore::save(int cdId, const QByteArray &jpeg)
{
    if (!onServer()) {
        if (!QDir(m_folder).exists() && !QDir().mkpath(m_folder))
            throw DbError(Texts::CoverFolderNotCreated.arg(QDir::toNativeSeparators(m_folder)));
        QSaveFile file(filePath(cdId));
        if (!file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size() || !file.commit())
            throw DbError(file.errorString());
        return;
    }
    // The parameters travel as text: the bytes as hexadecimal digits, which the server decodes.
    DbQuery q(m_connection,
              {QStringLiteral("insert into COVER (CD_ID, JPEG) values (:CD_ID, decode(:JPEG, 'hex'))"),
               QStringLiteral("on conflict (CD_ID) do update set JPEG = excluded.JPEG")});
    q.setParam(QStringLiteral("CD_ID"), cdId);
    q.setParam(QStringLiteral("JPEG"), QString::fromLatin1(jpeg.toHex()));
    q.exec();
}

void CoverStore::remove(int cdId)
{
    if (!onServer()) {
        QFile file(filePath(cdId));
        if (file.exists() && !file.remove())
            throw DbError(file.errorString());
        return;
    }
    DbQuery q(m_connection, {QStringLiteral("delete from COVER where CD_ID = :CD_ID")});
    q.setParam(QStringLiteral("CD_ID"), cdId);
    q.exec();
}

QList<int> CoverStore::cdIds() const
{
    QList<int> ids;
    if (!onServer()) {
        static const QRegularExpression name(QStringLiteral("^([1-9][0-9]{0,9})\\.jpg$"));
        const QStringList files = QDir(m_folder).entryList({QStringLiteral("*.jpg")}, QDir::Files);
        for (const QString &f : files) {
            const auto m = name.match(f);
            bool ok = false;
            const int id = m.hasMatch() ? m.captured(1).toInt(&ok) : 0;
            if (ok)
                ids << id;
        }
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    if (!serverHasCovers())
        return ids;
    DbQuery q(m_connection, {QStringLiteral("select CD_ID from COVER order by CD_ID")});
    q.open();
    for (q.first(); !q.eof(); q.next())
        ids << q.fieldAsInteger(QStringLiteral("CD_ID"));
    return ids;
}
