#include "store/Store.h"

#include "base/MessageService.h"
#include "base/Texts.h"
#include "store/CatalogueConnection.h"

#include <QHash>
#include <QScopeGuard>

#include <optional>

Q_LOGGING_CATEGORY(lcStore, "dadudu.store")

namespace {

// How long one try of a write waits inside the engine for another program's lock, the windows
// standing still meanwhile.
constexpr int LockTryMs = 100;

// The user's name of the field a parameter fills.
QString fieldOf(const QString &parameter)
{
    static const QHash<QString, const QString *> fields{
        {QStringLiteral("CD_LABEL"), &Texts::FieldTitle},     {QStringLiteral("CD_TITLE"), &Texts::FieldTitle},
        {QStringLiteral("MOV_TITLE"), &Texts::FieldTitle},    {QStringLiteral("ART_NAME"), &Texts::FieldArtistName},
        {QStringLiteral("MOV_TYPE"), &Texts::FieldMovieType}, {QStringLiteral("BARCODE"), &Texts::FieldBarcode},
        {QStringLiteral("YEAR"), &Texts::FieldYear},          {QStringLiteral("COMMENTS"), &Texts::FieldComments},
        {QStringLiteral("TR_LABEL"), &Texts::FieldTrack},     {QStringLiteral("DATA_LABEL"), &Texts::FieldItem},
    };
    const QString *field = fields.value(parameter.toUpper());
    return field ? *field : Texts::FieldSomeText;
}

} // namespace

QString usersReason(const DbError &error, const QString &parentGone)
{
    switch (error.cause()) {
    case DbError::Cause::LockBusy:
        return Texts::ReasonCatalogueBusy;
    case DbError::Cause::ParentGone:
        return parentGone.isEmpty() ? Texts::ReasonParentDeleted : parentGone;
    case DbError::Cause::NulInText:
        return Texts::ReasonInvisibleCharacter.arg(fieldOf(error.subject()));
    case DbError::Cause::ServerSilent:
        return Texts::ReasonServerSilent.arg(error.subject());
    case DbError::Cause::NotACatalogue: // the message that opens the catalogue says it
    case DbError::Cause::Other:
        break;
    }
    return {};
}

Store::Store(CatalogueConnection &main, MessageService &messages, QObject *parent)
    : QObject(parent)
    , m_main(main)
    , m_messages(messages)
{ }

bool Store::listUpToDate()
{
    const auto *query = qobject_cast<const DbQuery *>(&listRows());
    return query && query->upToDate();
}

DbConnection &Store::connection() const
{
    return m_main.connection;
}

void Store::warn(const QString &failureMessage, const DbError &error)
{
    const QString reason = usersReason(error, m_parentGone);
    if (reason.isEmpty())
        m_messages.warning(failureMessage + Texts::LineBreak + error.text());
    else
        m_messages.showDetailed(MessageService::Kind::Warning, failureMessage + Texts::LineBreak + reason,
                                error.text());
}

WriteResult Store::write(const QString &failureMessage, const std::function<void()> &statements)
{
    std::optional<DbError> failure;
    // One try of the whole transaction; false when another program's lock stopped it, which rolled
    // it all back, so the next try stores every row once.
    const auto attempt = [&] {
        failure.reset();
        try {
            connection().beginTrans();
            statements();
            connection().commitTrans();
        } catch (const DbError &e) {
            try {
                connection().rollbackTrans();
            } catch (const DbError &second) {
                // The first failure is the one worth telling; the connection drops the transaction anyway.
                qCWarning(lcStore) << "rolling back failed too:" << second.text();
            }
            failure = e;
        } catch (...) {
            // Whatever else ends the statements leaves nothing of them behind either.
            try {
                connection().rollbackTrans();
            } catch (const DbError &second) {
                qCWarning(lcStore) << "rolling back failed too:" << second.text();
            }
            throw;
        }
        return !failure || !failure->lockBusy();
    };
    const LockWaiter &waiter = m_main.lockWaiter();
    if (!waiter) {
        attempt();
    } else {
        // Each try waits only a moment inside the engine; the waiter serves the windows between tries.
        DbConnection &c = connection();
        const int patience = c.busyTimeoutMs();
        const auto setWait = [&c](int ms) {
            try {
                c.setBusyTimeoutMs(ms);
            } catch (const DbError &e) {
                // A connection that cannot take the setting fails the write itself, and says why there.
                qCInfo(lcStore) << "the lock wait could not be set:" << e.text();
            }
        };
        setWait(qMin(patience, LockTryMs));
        const auto restore = qScopeGuard([&] { setWait(patience); });
        // Stopped waiting: nothing was stored, and the user knows why.
        if (!attempt() && !waiter(attempt)) {
            qCInfo(lcStore).noquote() << failureMessage << "- stopped waiting for another program:"
                                      << (failure ? failure->text() : QString());
            return WriteResult(failure ? *failure : DbError(QString(), true));
        }
    }
    if (failure) {
        qCWarning(lcStore).noquote() << failureMessage << "-" << failure->text();
        warn(failureMessage, *failure);
        return WriteResult(*failure);
    }
    return {};
}

void Store::betweenItems()
{
    if (m_eventHook)
        m_eventHook();
}

void Store::reopenKeepingRow(DbQuery &list, const QString &keyField, const StepRunner &runner)
{
    if (!list.active())
        return;
    const int key = list.eof() ? 0 : list.fieldAsInteger(keyField);
    const bool hadRow = !list.eof();
    list.disableControls();
    const auto enable = qScopeGuard([&list] { list.enableControls(); });
    if (!list.reopen(runner))
        return;
    if (!hadRow || !list.locate(keyField, key))
        list.first();
}

void Store::reopenDetail(DbQuery &detail, const DbQuery &list, const QString &keyField)
{
    detail.disableControls();
    try {
        detail.close();
        const int key = (list.active() && !list.eof()) ? list.fieldAsInteger(keyField) : 0;
        detail.setParam(keyField, key);
        detail.open();
    } catch (...) {
        detail.enableControls();
        throw;
    }
    detail.enableControls();
}

bool Store::locateRefreshing(DbQuery &list, const QString &keyField, int key, const std::function<void()> &refresh)
{
    if (list.active() && list.locate(keyField, key))
        return true;
    refresh();
    return list.active() && list.locate(keyField, key);
}

QStringList Store::column(const DbQuery &query, const QString &field)
{
    QStringList out;
    const int c = query.fieldIndex(field);
    if (c < 0)
        return out;
    out.reserve(query.rowCount());
    for (int row = 0; row < query.rowCount(); ++row)
        out << query.value(row, c).toString();
    return out;
}

void Store::requireRowChanged(const DbQuery &update, const QString &what)
{
    if (update.rowsAffected() == 0)
        throw DbError(QStringLiteral("The %1 is no longer in the catalogue: another user has deleted it.").arg(what));
}

int Store::currentKey(const DbQuery &query, const QString &field)
{
    return query.active() && !query.eof() ? query.fieldAsInteger(field) : 0;
}

QString Store::textOrNull(const DbQuery &query, const QString &field)
{
    const QVariant value = query.field(field);
    if (value.isNull())
        return {};
    const QString text = value.toString();
    return text.isNull() ? QStringLiteral("") : text;
}

void Store::bindText(DbQuery &query, const QString &name, const QString &value)
{
    if (value.isNull())
        query.setParam(name, QVariant());
    else
        query.setParam(name, value);
}
