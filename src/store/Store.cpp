#include "store/Store.h"

#include "store/DM_Main.h"
#include "base/MessageService.h"
#include "base/U_Constantes.h"

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
        {QStringLiteral("CD_LABEL"), &U_Constantes::FieldTitle},
        {QStringLiteral("CD_TITLE"), &U_Constantes::FieldTitle},
        {QStringLiteral("MOV_TITLE"), &U_Constantes::FieldTitle},
        {QStringLiteral("ART_NAME"), &U_Constantes::FieldArtistName},
        {QStringLiteral("MOV_TYPE"), &U_Constantes::FieldMovieType},
        {QStringLiteral("BARCODE"), &U_Constantes::FieldBarcode},
        {QStringLiteral("YEAR"), &U_Constantes::FieldYear},
        {QStringLiteral("COMMENTS"), &U_Constantes::FieldComments},
        {QStringLiteral("TR_LABEL"), &U_Constantes::FieldTrack},
        {QStringLiteral("DATA_LABEL"), &U_Constantes::FieldItem},
    };
    const QString *field = fields.value(parameter.toUpper());
    return field ? *field : U_Constantes::FieldSomeText;
}

} // namespace

QString usersReason(const DbError &error, const QString &parentGone)
{
    switch (error.cause()) {
    case DbError::Cause::LockBusy:
        return U_Constantes::ReasonCatalogueBusy;
    case DbError::Cause::ParentGone:
        return parentGone.isEmpty() ? U_Constantes::ReasonParentDeleted : parentGone;
    case DbError::Cause::NulInText:
        return U_Constantes::ReasonInvisibleCharacter.arg(fieldOf(error.subject()));
    case DbError::Cause::ServerSilent:
        return U_Constantes::ReasonServerSilent.arg(error.subject());
    case DbError::Cause::Other:
        break;
    }
    return {};
}

Store::Store(TD_Main &main, MessageService &messages, QObject *parent)
    : QObject(parent)
    , m_main(main)
    , m_messages(messages)
{
}

bool Store::listUpToDate()
{
    const auto *query = qobject_cast<const DbQuery *>(&listRows());
    return query && query->UpToDate();
}

DbConnection &Store::connection() const
{
    return m_main.ADOConnection;
}

void Store::warn(const QString &failureMessage, const DbError &error)
{
    const QString reason = usersReason(error, m_parentGone);
    if (reason.isEmpty())
        m_messages.warning(failureMessage + U_Constantes::LineBreak + error.text());
    else
        m_messages.showDetailed(MessageService::Kind::Warning, failureMessage + U_Constantes::LineBreak + reason, error.text());
}

WriteResult Store::write(const QString &failureMessage, const std::function<void()> &statements)
{
    std::optional<DbError> failure;
    // One try of the whole transaction; false when another program's lock stopped it, which rolled
    // it all back, so the next try stores every row once.
    const auto attempt = [&] {
        failure.reset();
        try {
            connection().BeginTrans();
            statements();
            connection().CommitTrans();
        } catch (const DbError &e) {
            try {
                connection().RollbackTrans();
            } catch (const DbError &second) {
                // The first failure is the one worth telling; the connection drops the transaction anyway.
                qCWarning(lcStore) << "rolling back failed too:" << second.text();
            }
            failure = e;
        } catch (...) {
            // Whatever else ends the statements leaves nothing of them behind either.
            try {
                connection().RollbackTrans();
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
    if (!list.Active())
        return;
    const int key = list.Eof() ? 0 : list.FieldAsInteger(keyField);
    const bool hadRow = !list.Eof();
    list.DisableControls();
    const auto enable = qScopeGuard([&list] { list.EnableControls(); });
    if (!list.Reopen(runner))
        return;
    if (!hadRow || !list.Locate(keyField, key))
        list.First();
}

void Store::reopenDetail(DbQuery &detail, const DbQuery &list, const QString &keyField)
{
    detail.DisableControls();
    try {
        detail.Close();
        const int key = (list.Active() && !list.Eof()) ? list.FieldAsInteger(keyField) : 0;
        detail.setParam(keyField, key);
        detail.Open();
    } catch (...) {
        detail.EnableControls();
        throw;
    }
    detail.EnableControls();
}

bool Store::locateRefreshing(DbQuery &list, const QString &keyField, int key, const std::function<void()> &refresh)
{
    if (list.Active() && list.Locate(keyField, key))
        return true;
    refresh();
    return list.Active() && list.Locate(keyField, key);
}

QStringList Store::column(const DbQuery &query, const QString &field)
{
    QStringList out;
    const int c = query.FieldIndex(field);
    if (c < 0)
        return out;
    out.reserve(query.RecordCount());
    for (int row = 0; row < query.RecordCount(); ++row)
        out << query.Value(row, c).toString();
    return out;
}

void Store::requireRowChanged(const DbQuery &update, const QString &what)
{
    if (update.RowsAffected() == 0)
        throw DbError(QStringLiteral("The %1 is no longer in the catalogue: another user has deleted it.").arg(what));
}

int Store::currentKey(const DbQuery &query, const QString &field)
{
    return query.Active() && !query.Eof() ? query.FieldAsInteger(field) : 0;
}
