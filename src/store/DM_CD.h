#pragma once

#include "store/Store.h"

#include <QStringList>

// Audio CDs with their artist's name, the tracks of the current CD, and the writes of a CD with its tracks.
class TD_CD : public Store
{
    Q_OBJECT
public:
    TD_CD(TD_Main &main, MessageService &messages, QObject *parent = nullptr);

    void OpenList();
    void CloseList();
    void OpenDetail();
    void CloseDetail();
    // The rows are read through `runner` (see runStep); a stopped read leaves the list as it was.
    void RefreshList(const StepRunner &runner = {});

    RowSource &listRows() override { return ADOQuery_CD; }
    RowSource &trackRows() { return ADOQuery_tracks; }
    // Stands the list on the CD (reading it again once when the CD is newer than the list), and
    // its tracks with it; false when the CD is not in the catalogue.
    bool locate(int cdId);
    // The CD the list stands on, with its tracks; an id of -1 when there is none.
    AudioCD current() const;

    // The new CD_ID, or -1 when the CD row could not be stored.
    int AddAudioCD(int artistId, const QString &title, const QString &barcode, const QString &year, bool limited,
                   const QString &comments, const QStringList &tracks);
    // All or nothing: on any failure the CD keeps its row and tracks as they were.
    void UpdateAudioCD(int cdId, int artistId, const QString &title, const QString &barcode, const QString &year,
                       bool limited, const QString &comments, const QStringList &tracks);
    void DeleteAudioCD(int cdId);

    // A text value as an SQL literal: quotes doubled, nothing else touched, empty stays ''.
    static QString sqlLiteral(const QString &value);
    static QString insertStatement(int artistId, const QString &title, const QString &barcode, const QString &year,
                                   bool limited, const QString &comments);
    static QString updateStatement(int cdId, int artistId, const QString &title, const QString &barcode,
                                   const QString &year, bool limited, const QString &comments);

    DbQuery ADOQuery_CD;
    DbQuery ADOQuery_tracks;
    DbQuery ADOQuery_DeleteCD;
    DbQuery ADOQuery_DeleteCDTracks;
    DbQuery ADOQuery_InsertAudioCD;
    DbQuery ADOQuery_InsertAudioCDTracks;
    DbQuery ADOQuery_UpdateAudioCD;

private:
    void insertTrack(int cdId, const QString &track);
};
