#pragma once

#include <QString>

#include <memory>

class DialogService;
class MessageService;
class TD_Artist;
class TD_CD;
class TD_Data;
class TD_DataItems;
class TD_Main;
class TD_Movie;
class TD_Track;
class TF_Artist;
class TF_CD;
class TF_Data;
class TF_DataItems;
class TF_Main;
class TF_Movies;
class TF_Track;

// The application's windows and data modules, each once, from start-up to the end. Created in the
// order the start-up needs; the main window goes first on the way out, so no list window outlives
// the queries it shows.
class AppModules
{
public:
    // `catalogue` as the opening code takes it: a file's path, or an address.
    AppModules(MessageService &messages, DialogService &dialogs, const QString &catalogue);
    ~AppModules();

    std::unique_ptr<TD_Main> D_Main;
    std::unique_ptr<TD_CD> D_CD;
    std::unique_ptr<TD_Movie> D_Movie;
    std::unique_ptr<TD_Artist> D_Artist;
    std::unique_ptr<TD_Track> D_Track;
    std::unique_ptr<TD_Data> D_Data;
    std::unique_ptr<TD_DataItems> D_DataItems;
    std::unique_ptr<TF_Main> F_Main;
    TF_CD *F_CD = nullptr; // the list windows belong to the main window's client area
    TF_Artist *F_Artist = nullptr;
    TF_Track *F_Track = nullptr;
    TF_Movies *F_Movies = nullptr;
    TF_Data *F_Data = nullptr;
    TF_DataItems *F_DataItems = nullptr;

private:
    void registerLists();
    void registerCommands();

    MessageService &m_messages;
    DialogService &m_dialogs;
    QString m_coversFolder;
};
