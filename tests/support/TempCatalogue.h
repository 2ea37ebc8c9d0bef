#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <sqlite3.h>

// A fresh catalogue file in a temporary folder, plus a second, raw connection to it: the way
// another program sharing the file would see it, used to seed rows, install triggers and look.
class TempCatalogue
{
public:
    TempCatalogue();
    ~TempCatalogue();

    QString folder() const { return m_dir.path(); }
    QString path() const;

    // Runs SQL on the side connection; fails the calling test on an error.
    void exec(const QString &sql);
    // First column of the first row, or an invalid QVariant when there is no row.
    QVariant scalar(const QString &sql);
    qint64 count(const QString &table, const QString &where = {});
    // Every row's columns joined by '|', rows in the query's order.
    QStringList rows(const QString &sql);

    // Makes the next insert into `table` whose `column` equals `value` fail inside the engine.
    void failInsertWhen(const QString &table, const QString &column, const QString &value);
    void failDeleteFrom(const QString &table);

    // Holds the write lock as another program in the middle of a write would.
    void holdWriteLock();
    void releaseWriteLock();

    sqlite3 *side();

private:
    QTemporaryDir m_dir;
    sqlite3 *m_side = nullptr;
    int m_triggers = 0;
};
