#include "support/TempCatalogue.h"

#include "store/CatalogueFile.h"

#include <QDir>
#include <QTest>

TempCatalogue::TempCatalogue()
{
    createEmptyCatalogue(path());
}

TempCatalogue::~TempCatalogue()
{
    if (m_side)
        sqlite3_close(m_side);
}

QString TempCatalogue::path() const
{
    return QDir(m_dir.path()).filePath(QStringLiteral("dadudu.mdb"));
}

sqlite3 *TempCatalogue::side()
{
    if (!m_side) {
        sqlite3_open_v2(QFile::encodeName(path()).constData(), &m_side, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(m_side, 2000);
    }
    return m_side;
}

void TempCatalogue::exec(const QString &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(side(), sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString text = QString::fromUtf8(error);
        sqlite3_free(error);
        QTest::qFail(qPrintable(QStringLiteral("fixture SQL failed: %1 (%2)").arg(text, sql)), __FILE__, __LINE__);
    }
}

QStringList TempCatalogue::rows(const QString &sql)
{
    QStringList out;
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(side(), sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
        QTest::qFail(qPrintable(QString::fromUtf8(sqlite3_errmsg(side()))), __FILE__, __LINE__);
        return out;
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList cols;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(st, i));
            cols << (text ? QString::fromUtf8(text) : QStringLiteral("<null>"));
        }
        out << cols.join(u'|');
    }
    sqlite3_finalize(st);
    return out;
}

QVariant TempCatalogue::scalar(const QString &sql)
{
    sqlite3_stmt *st = nullptr;
    QVariant v;
    if (sqlite3_prepare_v2(side(), sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
        QTest::qFail(qPrintable(QString::fromUtf8(sqlite3_errmsg(side()))), __FILE__, __LINE__);
        return v;
    }
    if (sqlite3_step(st) == SQLITE_ROW) {
        switch (sqlite3_column_type(st, 0)) {
        case SQLITE_INTEGER: v = qint64(sqlite3_column_int64(st, 0)); break;
        case SQLITE_NULL: v = QVariant(QMetaType(QMetaType::QString)); break;
        default: v = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))); break;
        }
    }
    sqlite3_finalize(st);
    return v;
}

qint64 TempCatalogue::count(const QString &table, const QString &where)
{
    return scalar(QStringLiteral("select count(*) from %1%2").arg(table, where.isEmpty() ? QString() : QStringLiteral(" where ") + where))
        .toLongLong();
}

void TempCatalogue::failInsertWhen(const QString &table, const QString &column, const QString &value)
{
    QString literal = value;
    literal.replace(u'\'', QStringLiteral("''"));
    exec(QStringLiteral("create trigger fail_%1 before insert on %2 when new.%3 = '%4' "
                        "begin select raise(abort, 'refused by the test trigger'); end")
             .arg(++m_triggers).arg(table, column, literal));
}

void TempCatalogue::failDeleteFrom(const QString &table)
{
    exec(QStringLiteral("create trigger fail_%1 before delete on %2 "
                        "begin select raise(abort, 'refused by the test trigger'); end")
             .arg(++m_triggers).arg(table));
}

void TempCatalogue::holdWriteLock()
{
    exec(QStringLiteral("begin immediate"));
}

void TempCatalogue::releaseWriteLock()
{
    exec(QStringLiteral("rollback"));
}
