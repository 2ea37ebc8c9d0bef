#include "app/AppModules.h"

#include "app/CatalogueLocation.h"
#include "app/FM_Main.h"
#include "editors/FM_AddEditArtist.h"
#include "editors/FM_AddEditAudioCD.h"
#include "editors/FM_AddEditDataCD.h"
#include "editors/FM_AddEditMovie.h"
#include "editors/LockWaitDialog.h"
#include "lists/FM_Artist.h"
#include "lists/FM_CD.h"
#include "lists/FM_Data.h"
#include "lists/FM_DataItems.h"
#include "lists/FM_Movies.h"
#include "lists/FM_Track.h"
#include "store/DM_Artist.h"
#include "store/DM_CD.h"
#include "store/DM_Data.h"
#include "store/DM_DataItems.h"
#include "store/DM_Main.h"
#include "store/DM_Movie.h"
#include "store/DM_Track.h"
#include "base/U_Constantes.h"

AppModules::AppModules(MessageService &messages, DialogService &dialogs, const QString &catalogue)
    : m_messages(messages)
    , m_dialogs(dialogs)
    , m_coversFolder(coversFolderOf(catalogue))
{
    F_Main = std::make_unique<TF_Main>(messages, dialogs, catalogue);
    D_Main = std::make_unique<TD_Main>(messages);
    // A save that finds another program writing waits with the windows still answering.
    D_Main->setLockWaiter(windowLockWaiter());
    D_CD = std::make_unique<TD_CD>(*D_Main, messages);
    D_Movie = std::make_unique<TD_Movie>(*D_Main, messages);
    D_Artist = std::make_unique<TD_Artist>(*D_Main, messages);
    D_Track = std::make_unique<TD_Track>(*D_Main, messages);
    D_Data = std::make_unique<TD_Data>(*D_Main, messages);
    D_DataItems = std::make_unique<TD_DataItems>(*D_Main, messages);

    F_CD = new TF_CD(*D_CD, [this](int id) { ShowEditAudioCD(id, *D_CD, *D_Artist, m_messages, m_dialogs, m_coversFolder, F_Main.get()); }, messages);
    F_Main->addListWindow(TF_Main::AudioCDs, F_CD);
    F_Artist = new TF_Artist(
        *D_Artist, [this](int id, const QString &name) { ShowEditArtist(id, name, *D_Artist, m_messages, F_Main.get()); },
        messages);
    F_Main->addListWindow(TF_Main::Artists, F_Artist);
    F_Track = new TF_Track(*D_Track, [this](int id) { ShowEditAudioCD(id, *D_CD, *D_Artist, m_messages, m_dialogs, m_coversFolder, F_Main.get()); },
                           messages);
    F_Main->addListWindow(TF_Main::Tracks, F_Track);
    F_Movies = new TF_Movies(
        *D_Movie,
        [this](int id, const QString &title, const QString &type) {
            ShowEditMovie(id, title, type, *D_Movie, m_messages, F_Main.get());
        },
        messages);
    F_Main->addListWindow(TF_Main::Movies, F_Movies);
    const auto editDataCD = [this](int id) { ShowEditDataCD(id, *D_Data, m_messages, F_Main.get()); };
    F_Data = new TF_Data(*D_Data, editDataCD, messages);
    F_Main->addListWindow(TF_Main::DataCDs, F_Data);
    F_DataItems = new TF_DataItems(*D_DataItems, editDataCD, messages);
    F_Main->addListWindow(TF_Main::DataItems, F_DataItems);

    registerLists();
    registerCommands();
}

AppModules::~AppModules()
{
    F_Main.reset();
}

void AppModules::registerLists()
{
    F_Main->setCatalogue(D_Main.get(),
                         {
                             [this] { D_CD->OpenList(); },
                             [this] { D_CD->OpenDetail(); },
                             [this] { D_Movie->OpenList(); },
                             [this] { D_Artist->OpenList(); },
                             [this] { D_Artist->OpenDetail(); },
                             [this] { D_Track->OpenList(); },
                             [this] { D_Data->OpenList(); },
                             [this] { D_Data->OpenDetail(); },
                             [this] { D_DataItems->OpenList(); },
                         },
                         {
                             [this] { D_DataItems->CloseList(); },
                             [this] { D_Data->CloseList(); },
                             [this] { D_Track->CloseList(); },
                             [this] { D_Artist->CloseList(); },
                             [this] { D_Movie->CloseList(); },
                             [this] { D_CD->CloseDetail(); },
                             [this] { D_CD->CloseList(); },
                         });

    auto set = [this](TF_Main::ListIndex index, auto *store, const QString &noun) {
        CatalogueList &entry = F_Main->list(index);
        entry.refresh = [store](const StepRunner &reader) { store->RefreshList(reader); };
        entry.upToDate = [store] { return store->listUpToDate(); };
        entry.count = [store] { return store->count(); };
        entry.noun = noun;
    };
    set(TF_Main::AudioCDs, D_CD.get(), U_Constantes::NounAudioCDs);
    set(TF_Main::Artists, D_Artist.get(), U_Constantes::NounArtists);
    set(TF_Main::Tracks, D_Track.get(), U_Constantes::NounTracks);
    set(TF_Main::Movies, D_Movie.get(), U_Constantes::NounMovies);
    set(TF_Main::DataCDs, D_Data.get(), U_Constantes::NounDataCDs);
    set(TF_Main::DataItems, D_DataItems.get(), U_Constantes::NounDataItems);
}

void AppModules::registerCommands()
{
    struct Route {
        TF_Main::ListIndex list;
        std::function<void()> add;
        QString report, html, xls;
    };
    const auto newAudioCD = [this] { ShowNewAudioCD(*D_CD, *D_Artist, m_messages, m_dialogs, m_coversFolder, F_Main.get()); };
    const auto newArtist = [this] { ShowNewArtist(*D_Artist, m_messages, F_Main.get()); };
    const auto newMovie = [this] { ShowNewMovie(*D_Movie, m_messages, F_Main.get()); };
    const auto newDataCD = [this] { ShowNewDataCD(*D_Data, m_messages, F_Main.get()); };
    const Route routes[] = {
        {TF_Main::Movies, newMovie, U_Constantes::ReportMovies, U_Constantes::HtmlMovies, U_Constantes::XlsMovies},
        {TF_Main::AudioCDs, newAudioCD, U_Constantes::ReportCDs, U_Constantes::HtmlCDs, U_Constantes::XlsCDs},
        {TF_Main::Artists, newArtist, U_Constantes::ReportArtists, U_Constantes::HtmlArtists, U_Constantes::XlsArtists},
        {TF_Main::Tracks, newAudioCD, U_Constantes::ReportTracks, U_Constantes::HtmlTracks, U_Constantes::XlsTracks},
        {TF_Main::DataCDs, newDataCD, U_Constantes::ReportDataCDs, U_Constantes::HtmlDataCDs, U_Constantes::XlsDataCDs},
        {TF_Main::DataItems, newDataCD, U_Constantes::ReportDataItems, U_Constantes::HtmlDataItems, U_Constantes::XlsDataItems},
    };
    for (const Route &r : routes) {
        CatalogueList &entry = F_Main->list(r.list);
        entry.add = r.add;
        entry.reportCaption = r.report;
        entry.htmlName = r.html;
        entry.xlsName = r.xls;
    }
}
