#include "store/DM_CD.h"

#include "store/DM_Main.h"
#include "base/U_Constantes.h"

TD_CD::TD_CD(TD_Main &main, MessageService &messages, QObject *parent)
    : Store(main, messages, parent)
    , ADOQuery_CD(main.ADOConnection, {QStringLiteral("select CD_ID, CD_LABEL, ART_NAME,"),
                                       QStringLiteral("BARCODE, YEAR, LIMITED, COMMENTS"),
                                       QStringLiteral("from CDAUDIO, ARTISTE"),
                                       QStringLiteral("where CDAUDIO.ART_ID = ARTISTE.ART_ID"),
                                       QStringLiteral("order by CD_LABEL")})
    , ADOQuery_tracks(main.ADOConnection, {QStringLiteral("select TR_ID, TR_LABEL from TRACK"),
                                           QStringLiteral("where TRACK.CD_ID = :CD_ID"),
                                           QStringLiteral("order by TR_ID")})
    , ADOQuery_DeleteCD(main.ADOConnection, {QStringLiteral("delete from CDAUDIO where CD_ID = :CD_ID")})
    , ADOQuery_DeleteCDTracks(main.ADOConnection, {QStringLiteral("delete from TRACK where CD_ID = :CD_ID")})
    , ADOQuery_InsertAudioCD(main.ADOConnection)
    , ADOQuery_InsertAudioCDTracks(main.ADOConnection,
                                   {QStringLiteral("insert into TRACK (TR_LABEL, CD_ID) values (:TR_LABEL, :CD_ID)")})
    , ADOQuery_UpdateAudioCD(main.ADOConnection)
{
}

void TD_CD::OpenList()
{
    ADOQuery_CD.Open();
}

void TD_CD::CloseList()
{
    ADOQuery_CD.Close();
}

void TD_CD::OpenDetail()
{
    reopenDetail(ADOQuery_tracks, ADOQuery_CD, QStringLiteral("CD_ID"));
}

void TD_CD::CloseDetail()
{
    ADOQuery_tracks.Close();
}

bool TD_CD::locate(int cdId)
{
    if (!locateRefreshing(ADOQuery_CD, QStringLiteral("CD_ID"), cdId, [this] { RefreshList(); }))
        return false;
    OpenDetail();
    return true;
}

AudioCD TD_CD::current() const
{
    const DbQuery &cd = ADOQuery_CD;
    AudioCD out;
    if (!cd.Active() || cd.Eof())
        return out;
    out.id = cd.FieldAsInteger(QStringLiteral("CD_ID"));
    out.artistName = cd.FieldAsString(QStringLiteral("ART_NAME"));
    out.title = cd.FieldAsString(QStringLiteral("CD_LABEL"));
    out.barcode = cd.FieldAsString(QStringLiteral("BARCODE"));
    out.year = cd.FieldAsString(QStringLiteral("YEAR"));
    out.limited = !cd.Field(QStringLiteral("LIMITED")).isNull() && cd.FieldAsBoolean(QStringLiteral("LIMITED"));
    out.comments = cd.FieldAsString(QStringLiteral("COMMENTS"));
    out.tracks = column(ADOQuery_tracks, QStringLiteral("TR_LABEL"));
    return out;
}

void TD_CD::RefreshList(const StepRunner &runner)
{
    reopenKeepingRow(ADOQuery_CD, QStringLiteral("CD_ID"), runner);
    OpenDetail();
}

QString TD_CD::sqlLiteral(const QString &value)
{
    QString doubled = value;
    doubled.replace(u'\'', QStringLiteral("''"));
    return u'\'' + doubled + u'\'';
}

namespace {
QString flagWord(bool b)
{
    return b ? QStringLiteral("true") : QStringLiteral("false");
}
} // namespace

QString TD_CD::insertStatement(int artistId, const QString &title, const QString &barcode, const QString &year,
                               bool limited, const QString &comments)
{
    return QStringLiteral("INSERT INTO CDAUDIO ([CD_LABEL], [ART_ID], [BARCODE], [YEAR], [LIMITED], [COMMENTS]) VALUES (")
        + sqlLiteral(title) + QStringLiteral(", ") + QString::number(artistId) + QStringLiteral(", ")
        + sqlLiteral(barcode) + QStringLiteral(", ") + sqlLiteral(year) + QStringLiteral(", ") + flagWord(limited)
        + QStringLiteral(", ") + sqlLiteral(comments) + QStringLiteral(");");
}

QString TD_CD::updateStatement(int cdId, int artistId, const QString &title, const QString &barcode,
                               const QString &year, bool limited, const QString &comments)
{
    return QStringLiteral("update CDAUDIO set CDAUDIO.CD_LABEL = ") + sqlLiteral(title)
        + QStringLiteral(", CDAUDIO.ART_ID = ") + QString::number(artistId)
        + QStringLiteral(", CDAUDIO.BARCODE = ") + sqlLiteral(barcode)
        + QStringLiteral(", CDAUDIO.YEAR = ") + sqlLiteral(year)
        + QStringLiteral(", CDAUDIO.LIMITED = ") + flagWord(limited)
        + QStringLiteral(", CDAUDIO.COMMENTS = ") + sqlLiteral(comments)
        + QStringLiteral(" where CD_ID=") + QString::number(cdId) + u';';
}

void TD_CD::insertTrack(int cdId, const QString &track)
{
    ADOQuery_InsertAudioCDTracks.setParam(QStringLiteral("CD_ID"), cdId);
    ADOQuery_InsertAudioCDTracks.setParam(QStringLiteral("TR_LABEL"), track);
    ADOQuery_InsertAudioCDTracks.ExecSQL();
}

int TD_CD::AddAudioCD(int artistId, const QString &title, const QString &barcode, const QString &year, bool limited,
                      const QString &comments, const QStringList &tracks)
{
    ADOQuery_InsertAudioCD.setSQL(insertStatement(artistId, title, barcode, year, limited, comments));
    if (!write(U_Constantes::CDNotAdded, [&] { ADOQuery_InsertAudioCD.ExecSQL(); }))
        return -1;
    const int cdId = m_main.LastID();
    for (const QString &track : tracks) {
        if (!write(U_Constantes::CDNotAdded, [&] { insertTrack(cdId, track); }))
            break;
        processEvents();
    }
    return cdId;
}

void TD_CD::UpdateAudioCD(int cdId, int artistId, const QString &title, const QString &barcode, const QString &year,
                          bool limited, const QString &comments, const QStringList &tracks)
{
    // One transaction for the row, the old tracks and the new ones: a failure half-way must not
    // leave the CD with its old tracks gone and only some new ones stored.
    ADOQuery_UpdateAudioCD.setSQL(updateStatement(cdId, artistId, title, barcode, year, limited, comments));
    write(U_Constantes::CDNotUpdated, [&] {
        ADOQuery_UpdateAudioCD.ExecSQL();
        requireRowChanged(ADOQuery_UpdateAudioCD, QStringLiteral("CD"));
        ADOQuery_DeleteCDTracks.setParam(QStringLiteral("CD_ID"), cdId);
        ADOQuery_DeleteCDTracks.ExecSQL();
        for (const QString &track : tracks) {
            insertTrack(cdId, track);
            processEvents();
        }
    });
}

void TD_CD::DeleteAudioCD(int cdId)
{
    ADOQuery_DeleteCDTracks.setParam(QStringLiteral("CD_ID"), cdId);
    ADOQuery_DeleteCD.setParam(QStringLiteral("CD_ID"), cdId);
    write(U_Constantes::CDsNotDeleted, [&] {
        ADOQuery_DeleteCDTracks.ExecSQL();
        ADOQuery_DeleteCD.ExecSQL();
    });
}
