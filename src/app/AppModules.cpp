#include "app/AppModules.h"

#include "app/CatalogueLocation.h"
#include "app/MainWindow.h"
#include "base/Texts.h"
#include "editors/ArtistEditor.h"
#include "editors/AudioCDEditor.h"
#include "editors/DataCDEditor.h"
#include "editors/LockWaitDialog.h"
#include "editors/MovieEditor.h"
#include "lists/ArtistListWindow.h"
#include "lists/AudioCDListWindow.h"
#include "lists/DataCDListWindow.h"
#include "lists/DataItemListWindow.h"
#include "lists/MovieListWindow.h"
#include "lists/TrackListWindow.h"
#include "store/ArtistStore.h"
#include "store/AudioCDStore.h"
#include "store/CatalogueConnection.h"
#include "store/DataCDStore.h"
#include "store/DataItemStore.h"
#include "store/MovieStore.h"
#include "store/TrackStore.h"

AppModules::AppModules(MessageService &messages, DialogService &dialogs, const QString &catalogue)
    : m_messages(messages)
    , m_dialogs(dialogs)
    , m_coversFolder(coversFolderOf(catalogue))
{
    mainWindow = std::make_unique<MainWindow>(messages, dialogs, catalogue);
    catalogueConnection = std::make_unique<CatalogueConnection>(messages);
    // A save that finds another program writing waits with the windows still answering.
    catalogueConnection->setLockWaiter(windowLockWaiter());
    audioCDStore = std::make_unique<AudioCDStore>(*catalogueConnection, messages);
    movieStore = std::make_unique<MovieStore>(*catalogueConnection, messages);
    artistStore = std::make_unique<ArtistStore>(*catalogueConnection, messages);
    trackStore = std::make_unique<TrackStore>(*catalogueConnection, messages);
    dataCDStore = std::make_unique<DataCDStore>(*catalogueConnection, messages);
    dataItemStore = std::make_unique<DataItemStore>(*catalogueConnection, messages);

    audioCDList = new AudioCDListWindow(
        *audioCDStore,
        [this](int id) {
            showEditAudioCD(id, *audioCDStore, *artistStore, m_messages, m_dialogs, m_coversFolder, mainWindow.get());
        },
        messages);
    mainWindow->addListWindow(MainWindow::AudioCDs, audioCDList);
    artistList = new ArtistListWindow(
        *artistStore, [this](int id) { showEditArtist(id, *artistStore, m_messages, mainWindow.get()); }, messages);
    mainWindow->addListWindow(MainWindow::Artists, artistList);
    trackList = new TrackListWindow(
        *trackStore,
        [this](int id) {
            showEditAudioCD(id, *audioCDStore, *artistStore, m_messages, m_dialogs, m_coversFolder, mainWindow.get());
        },
        messages);
    mainWindow->addListWindow(MainWindow::Tracks, trackList);
    movieList = new MovieListWindow(
        *movieStore, [this](int id) { showEditMovie(id, *movieStore, m_messages, mainWindow.get()); }, messages);
    mainWindow->addListWindow(MainWindow::Movies, movieList);
    const auto editDataCD = [this](int id) { showEditDataCD(id, *dataCDStore, m_messages, mainWindow.get()); };
    dataCDList = new DataCDListWindow(*dataCDStore, editDataCD, messages);
    mainWindow->addListWindow(MainWindow::DataCDs, dataCDList);
    dataItemList = new DataItemListWindow(*dataItemStore, editDataCD, messages);
    mainWindow->addListWindow(MainWindow::DataItems, dataItemList);

    registerLists();
    registerCommands();
}

AppModules::~AppModules()
{
    mainWindow.reset();
}

void AppModules::registerLists()
{
    mainWindow->setCatalogue(catalogueConnection.get(),
                             {
                                 [this] { audioCDStore->openList(); },
                                 [this] { audioCDStore->openDetail(); },
                                 [this] { movieStore->openList(); },
                                 [this] { artistStore->openList(); },
                                 [this] { artistStore->openDetail(); },
                                 [this] { trackStore->openList(); },
                                 [this] { dataCDStore->openList(); },
                                 [this] { dataCDStore->openDetail(); },
                                 [this] { dataItemStore->openList(); },
                             },
                             {
                                 [this] { dataItemStore->closeList(); },
                                 [this] { dataCDStore->closeList(); },
                                 [this] { trackStore->closeList(); },
                                 [this] { artistStore->closeList(); },
                                 [this] { movieStore->closeList(); },
                                 [this] { audioCDStore->closeDetail(); },
                                 [this] { audioCDStore->closeList(); },
                             });

    auto set = [this](MainWindow::ListIndex index, auto *store, const QString &noun) {
        CatalogueList &entry = mainWindow->list(index);
        entry.refresh = [store](const StepRunner &reader) { store->refreshList(reader); };
        entry.upToDate = [store] { return store->listUpToDate(); };
        entry.count = [store] { return store->count(); };
        entry.noun = noun;
    };
    set(MainWindow::AudioCDs, audioCDStore.get(), Texts::NounAudioCDs);
    set(MainWindow::Artists, artistStore.get(), Texts::NounArtists);
    set(MainWindow::Tracks, trackStore.get(), Texts::NounTracks);
    set(MainWindow::Movies, movieStore.get(), Texts::NounMovies);
    set(MainWindow::DataCDs, dataCDStore.get(), Texts::NounDataCDs);
    set(MainWindow::DataItems, dataItemStore.get(), Texts::NounDataItems);
}

void AppModules::registerCommands()
{
    struct Route {
        MainWindow::ListIndex list;
        std::function<void()> add;
        QString report, html, xls;
    };
    const auto newAudioCD = [this] {
        showNewAudioCD(*audioCDStore, *artistStore, m_messages, m_dialogs, m_coversFolder, mainWindow.get());
    };
    const auto newArtist = [this] { showNewArtist(*artistStore, m_messages, mainWindow.get()); };
    const auto newMovie = [this] { showNewMovie(*movieStore, m_messages, mainWindow.get()); };
    const auto newDataCD = [this] { showNewDataCD(*dataCDStore, m_messages, mainWindow.get()); };
    const Route routes[] = {
        {MainWindow::Movies, newMovie, Texts::ReportMovies, Texts::HtmlMovies, Texts::XlsMovies},
        {MainWindow::AudioCDs, newAudioCD, Texts::ReportCDs, Texts::HtmlCDs, Texts::XlsCDs},
        {MainWindow::Artists, newArtist, Texts::ReportArtists, Texts::HtmlArtists, Texts::XlsArtists},
        {MainWindow::Tracks, newAudioCD, Texts::ReportTracks, Texts::HtmlTracks, Texts::XlsTracks},
        {MainWindow::DataCDs, newDataCD, Texts::ReportDataCDs, Texts::HtmlDataCDs, Texts::XlsDataCDs},
        {MainWindow::DataItems, newDataCD, Texts::ReportDataItems, Texts::HtmlDataItems, Texts::XlsDataItems},
    };
    for (const Route &r : routes) {
        CatalogueList &entry = mainWindow->list(r.list);
        entry.add = r.add;
        entry.reportCaption = r.report;
        entry.htmlName = r.html;
        entry.xlsName = r.xls;
    }
}
