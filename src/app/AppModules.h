#pragma once

#include <QString>

#include <memory>

class DialogService;
class MessageService;
class ArtistStore;
class AudioCDStore;
class DataCDStore;
class DataItemStore;
class CatalogueConnection;
class MovieStore;
class TrackStore;
class ArtistListWindow;
class AudioCDListWindow;
class DataCDListWindow;
class DataItemListWindow;
class MainWindow;
class MovieListWindow;
class TrackListWindow;

// The application's windows and data modules, each once, from start-up to the end. Created in the
// order the start-up needs; the main window goes first on the way out, so no list window outlives
// the queries it shows.
class AppModules
{
public:
    // `catalogue` as the opening code takes it: a file's path, or an address.
    AppModules(MessageService &messages, DialogService &dialogs, const QString &catalogue);
    ~AppModules();

    std::unique_ptr<CatalogueConnection> catalogueConnection;
    std::unique_ptr<AudioCDStore> audioCDStore;
    std::unique_ptr<MovieStore> movieStore;
    std::unique_ptr<ArtistStore> artistStore;
    std::unique_ptr<TrackStore> trackStore;
    std::unique_ptr<DataCDStore> dataCDStore;
    std::unique_ptr<DataItemStore> dataItemStore;
    std::unique_ptr<MainWindow> mainWindow;
    AudioCDListWindow *audioCDList = nullptr; // the list windows belong to the main window's client area
    ArtistListWindow *artistList = nullptr;
    TrackListWindow *trackList = nullptr;
    MovieListWindow *movieList = nullptr;
    DataCDListWindow *dataCDList = nullptr;
    DataItemListWindow *dataItemList = nullptr;

private:
    void registerLists();
    void registerCommands();

    MessageService &m_messages;
    DialogService &m_dialogs;
    QString m_coversFolder;
};
