#pragma once

// Every text the user sees, and the catalogue's file name, in one place.

#include <QString>

namespace Texts {

inline const QString DatabaseFileName = QStringLiteral("dadudu.mdb");
inline const QString CoversFolderName = QStringLiteral("cdcovers");
inline const QString ApplicationTitle = QStringLiteral("Dadudu");
inline const QString UnknownError = QStringLiteral("Unknown error");
inline const QString LineBreak = QStringLiteral("\r\n");

// Message boxes: captions and buttons.
inline const QString CaptionWarning = QStringLiteral("Avertissement");
inline const QString CaptionError = QStringLiteral("Erreur");
inline const QString CaptionInformation = QStringLiteral("Information");
inline const QString CaptionConfirmation = QStringLiteral("Confirmation");
inline const QString ButtonOk = QStringLiteral("OK");
inline const QString ButtonYes = QStringLiteral("&Oui");
inline const QString ButtonNo = QStringLiteral("&Non");

// Opening the catalogue.
inline const QString ProblemConnecting = QStringLiteral("Problem connecting to the database file :");
// %1: the catalogue the program tried, a file's path or a server's address.
inline const QString CantOpenDataFile
    = QStringLiteral("Can't open data file.\r\nPLease make sure that the catalogue \"%1\" is there and can be read.");
inline const QString CreateCatalogueQuestion
    = QStringLiteral("There is no catalogue \"%1\".\r\nDo you want to create an empty catalogue there ?");
inline const QString CatalogueNotCreated
    = QStringLiteral("The catalogue could not be created for the following reason :");
inline const QString ServerCatalogueExists
    = QStringLiteral("The database at %1 holds a catalogue already; a catalogue is never overwritten.");
// %1: the catalogue. Its file or its server lets this user read it only.
inline const QString CatalogueReadOnly = QStringLiteral(
    "The catalogue \"%1\" can only be read: it is on a medium that cannot be written, or you may not write to "
    "it.\r\nThe lists show it; adding, editing and deleting are off.");
// %1: where the copy of the catalogue as it was is kept: a file's path in quotes, or UpgradeCopySchema.
inline const QString CatalogueUpgraded = QStringLiteral(
    "The catalogue was upgraded for this version of the program. A copy of it as it was before is kept in %1.");
// %1: the schema's name.
inline const QString UpgradeCopySchema = QStringLiteral("the schema \"%1\" of its database");
// The parent made for rows that name a missing one, when a copy or an upgrade keeps an older
// catalogue's rows; %1: the number the rows name.
inline const QString MissingArtistName = QStringLiteral("(missing artist %1)");
inline const QString MissingCDName = QStringLiteral("(missing CD %1)");
inline const QString MissingDataCDName = QStringLiteral("(missing data CD %1)");

// Store failures; the engine's text follows on the next line.
inline const QString CDNotAdded = QStringLiteral("The CD could not be added for the following reason :");
inline const QString CDNotUpdated = QStringLiteral("The CD could not be updated for the following reason :");
inline const QString CDsNotDeleted = QStringLiteral("The CD(s) could not be deleted for the following reason :");
inline const QString TracksNotDeleted = QStringLiteral("The track(s) could not be deleted for the following reason :");
inline const QString ArtistNotAdded = QStringLiteral("The artist could not be added for the following reason :");
inline const QString ArtistNotUpdated = QStringLiteral("The artist could not be updated for the following reason :");
inline const QString ArtistsNotDeleted
    = QStringLiteral("The artist(s) could not be deleted for the following reason :");
inline const QString MovieNotAdded = QStringLiteral("The movie could not be added for the following reason :");
inline const QString MovieNotUpdated = QStringLiteral("The movie could not be updated for the following reason :");
inline const QString MoviesNotDeleted = QStringLiteral("The movie(s) could not be deleted for the following reason :");
inline const QString ItemNotDeleted = QStringLiteral("This item could not be deleted for the following reason :");
// The reason in the user's words, under the message above; the engine's own text goes to the
// box's details.
inline const QString ReasonCatalogueBusy = QStringLiteral(
    "Another program is writing to the catalogue. Nothing was changed; try again once it has finished.");
inline const QString ReasonArtistDeleted = QStringLiteral(
    "Its artist was deleted from the catalogue meanwhile, by another program. Choose the artist again.");
inline const QString ReasonParentDeleted
    = QStringLiteral("What it belongs to was deleted from the catalogue meanwhile, by another program.");
// %1: one of the field names below.
inline const QString ReasonInvisibleCharacter = QStringLiteral(
    "The %1 holds an invisible character (a NUL, often brought by a paste), which the catalogue cannot store. "
    "Type it again.");
inline const QString FieldTitle = QStringLiteral("title");
inline const QString FieldArtistName = QStringLiteral("artist's name");
inline const QString FieldMovieType = QStringLiteral("type");
inline const QString FieldBarcode = QStringLiteral("barcode");
inline const QString FieldYear = QStringLiteral("year");
inline const QString FieldComments = QStringLiteral("comments");
inline const QString FieldTrack = QStringLiteral("track's title");
inline const QString FieldItem = QStringLiteral("item");
inline const QString FieldSomeText = QStringLiteral("text");
// %1: the server's address, host:port.
inline const QString ReasonServerSilent
    = QStringLiteral("The server at %1 does not answer: it may be stopped, or the address may be wrong.");

// Main window.
inline const QString MainCaption = QStringLiteral("Rovir's Dadudu");
inline const QString NavigatorHint = QStringLiteral("Catalog");
inline const QString NavAudioCDs = QStringLiteral("Audio CDs");
inline const QString NavArtists = QStringLiteral("Artists");
inline const QString NavTracks = QStringLiteral("Tracks");
inline const QString NavMovies = QStringLiteral("DVDs & DivXs");
inline const QString NavDataCDs = QStringLiteral("Data CDs");
inline const QString NavDataItems = QStringLiteral("Data Items");
inline const QString NounAudioCDs = QStringLiteral(" audio CDs");
inline const QString NounArtists = QStringLiteral(" artists");
inline const QString NounTracks = QStringLiteral(" tracks");
inline const QString NounMovies = QStringLiteral(" movies");
inline const QString NounDataCDs = QStringLiteral(" data CDs");
inline const QString NounDataItems = QStringLiteral(" data items");

// Toolbar: captions and hints.
inline const QString BtnAddNew = QStringLiteral("Add new");
inline const QString HintAddNew = QStringLiteral("Add new");
inline const QString BtnDelete = QStringLiteral("Delete");
inline const QString HintDelete = QStringLiteral("Delete selected");
inline const QString BtnEdit = QStringLiteral("Edit");
inline const QString HintEdit = QStringLiteral("Edit selected");
inline const QString BtnRefresh = QStringLiteral("Refresh");
inline const QString HintRefresh = QStringLiteral("Refresh list");
inline const QString BtnPrint = QStringLiteral("Print");
inline const QString HintPrint = QStringLiteral("Print list");
inline const QString BtnSaveHTML = QStringLiteral("Save to HTML");
inline const QString HintSaveHTML = QStringLiteral("Export list to HTML");
inline const QString BtnSaveExcel = QStringLiteral("Save to Excel");
inline const QString HintSaveExcel = QStringLiteral("Export to XLS (Excel)");
inline const QString BtnAbout = QStringLiteral("About...");
inline const QString HintAbout = QStringLiteral("About this software...");

// About box and splash.
inline const QString AboutCaption = QStringLiteral("About...");
inline const QString AboutVersion = QStringLiteral("Dadudu version 2.0");
inline const QString WebAddress = QStringLiteral("https://github.com/dadudu-catalogue/dadudu");
#ifndef DADUDU_CONTACT
#define DADUDU_CONTACT ""
#endif
// The packager's address, set when the program is built; empty when none was given.
inline const QString ContactAddress = QString::fromUtf8(DADUDU_CONTACT);
inline const QString MailSubject = QStringLiteral("?subject=Dadudu");
inline const QString AboutFeedback
    = QStringLiteral("Questions, feedback, comments or requests?\nWrite to us by e-mail:");
inline const QString AboutOk = QStringLiteral("&Ok");
inline const QString SplashTitle = QStringLiteral("Rovir's Dadudu");

// List windows.
inline const QString ConfirmDelete = QStringLiteral("Are you sure you want do delete this ?");
inline const QString ConfirmDeleteArtists
    = QStringLiteral("Are you sure you want to delete the selected artist(s) ?\r\nThis operation will also delete the "
                     "associated CDs and tracks.");
inline const QString CDWindowCaption = QStringLiteral("Audio CDs");
inline const QString CDTracksCaption = QStringLiteral("Tracks");
inline const QString ColTitle = QStringLiteral("Title");
inline const QString ColArtist = QStringLiteral("Artist");
inline const QString ColBarcode = QStringLiteral("Barcode");
inline const QString ColYear = QStringLiteral("Year");
inline const QString ColLimited = QStringLiteral("Limited");
inline const QString ColComments = QStringLiteral("Comments");
inline const QString ArtistWindowCaption = QStringLiteral("Artists");
inline const QString TrackWindowCaption = QStringLiteral("Tracks");
inline const QString MoviesWindowCaption = QStringLiteral("Movies");
inline const QString DataWindowCaption = QStringLiteral("Data CDs");
inline const QString DataItemsWindowCaption = QStringLiteral("Data Items");
inline const QString ArtistCDsCaption = QStringLiteral("Artist's CDs");
inline const QString DataCDItemsCaption = QStringLiteral("Data CD's Items");
inline const QString ColArtistName = QStringLiteral("Artist name");
inline const QString ColTrackTitle = QStringLiteral("Track / Song title");
inline const QString ColCDTitle = QStringLiteral("CD title");
inline const QString ColType = QStringLiteral("Type");
inline const QString ColItemName = QStringLiteral("Item name");

// The grids' pop-up menu.
inline const QString MenuAddNew = QStringLiteral("Add &new");
inline const QString MenuEdit = QStringLiteral("&Edit");
inline const QString MenuSelection = QStringLiteral("&Selection");
inline const QString MenuSelectAll = QStringLiteral("Select &all");
inline const QString MenuDelete = QStringLiteral("&Delete");
inline const QString MenuList = QStringLiteral("&List");
inline const QString MenuRefresh = QStringLiteral("&Refresh list");
inline const QString MenuPrint = QStringLiteral("&Print list");
inline const QString MenuSaveHTML = QStringLiteral("Save to &HTML");
inline const QString MenuSaveXLS = QStringLiteral("Save to Excel (&XLS)");
inline const QString MenuExit = QStringLiteral("E&xit");

// Exports and printing.
inline const QString FilterHTML = QStringLiteral("HTML (*.html)|*.html|HTM (*.htm)|*.htm|All (*.*)|*.*");
inline const QString FilterXLS = QStringLiteral(
    "Excel (*.xls)|*.xls|Excel workbook (*.xlsx)|*.xlsx|CSV, comma-separated (*.csv)|*.csv|All (*.*)|*.*");
inline const QString ReportMovies = QStringLiteral("Movies");
inline const QString ReportCDs = QStringLiteral("Audio CDs");
inline const QString ReportArtists = QStringLiteral("Artists");
inline const QString ReportTracks = QStringLiteral("Tracks / Songs");
inline const QString ReportDataCDs = QStringLiteral("Data CDs");
inline const QString ReportDataItems = QStringLiteral("Data Items");
inline const QString HtmlMovies = QStringLiteral("movies.html");
inline const QString XlsMovies = QStringLiteral("movies.xls");
inline const QString HtmlCDs = QStringLiteral("audiocds.html");
inline const QString XlsCDs = QStringLiteral("audiocds.xls");
inline const QString HtmlArtists = QStringLiteral("artists.html");
inline const QString XlsArtists = QStringLiteral("artists.xls");
inline const QString HtmlTracks = QStringLiteral("tracks.html");
inline const QString XlsTracks = QStringLiteral("tracks.xls");
inline const QString HtmlDataCDs = QStringLiteral("datacds.html");
inline const QString XlsDataCDs = QStringLiteral("datacds.xls");
inline const QString HtmlDataItems = QStringLiteral("dataitems.html");
inline const QString XlsDataItems = QStringLiteral("dataitems.xls");

// Audio CD editor.
inline const QString NewAudioCDCaption = QStringLiteral("New Audio CD");
inline const QString EditAudioCDCaption = QStringLiteral("Edit Audio CD");
inline const QString LabelScanDrive = QStringLiteral("Scan CD drive");
inline const QString BtnCDDB = QStringLiteral("Get CD information on internet (CDDB)");
inline const QString LabelTitle = QStringLiteral("Title");
inline const QString RadioNewArtist = QStringLiteral("New artist");
inline const QString RadioExistingArtist = QStringLiteral("Existing artist");
inline const QString LabelBarCode = QStringLiteral("Bar Code");
inline const QString LabelYear = QStringLiteral("Year of production");
inline const QString CheckLimited = QStringLiteral("Limited edition");
inline const QString LabelComments = QStringLiteral("Comments");
inline const QString HintChooseCover = QStringLiteral("Choose CD cover");
inline const QString LabelAddTrack = QStringLiteral("Add track");
inline const QString BtnAddTrack = QStringLiteral("Add");
inline const QString MenuTrackSelectAll = QStringLiteral("Select &all");
inline const QString MenuTrackEdit = QStringLiteral("&Edit selected");
inline const QString MenuTrackDelete = QStringLiteral("&Delete selected");
inline const QString BtnSaveCD = QStringLiteral("&Save CD");
inline const QString BtnCancel = QStringLiteral("&Cancel");
inline const QString FilterPicture = QStringLiteral("Image JPEG (*.jpg)|*.jpg");
inline const QString NoTrackText = QStringLiteral("Please specify the track you want to add.");
inline const QString NoTitleText = QStringLiteral("Please specify a title for the CD.");
inline const QString NoArtistNameText = QStringLiteral("Please specify a name for the artist.");
inline const QString CDNotFoundText = QStringLiteral("This CD is no longer in the catalogue.");
inline const QString CoverNotSavedText
    = QStringLiteral("The cover picture could not be saved for the following reason :");
inline const QString CoverFolderNotCreated = QStringLiteral("The folder \"%1\" could not be created.");
inline const QString PictureNotLoadedText
    = QStringLiteral("The file \"%1\" does not hold a picture that can be loaded.");

// A save waiting for another program that holds the catalogue.
inline const QString CatalogueBusyCaption = QStringLiteral("Catalogue in use");
inline const QString CatalogueBusyText = QStringLiteral(
    "Another program is writing to the catalogue.\nThe save waits until it has finished; Cancel stores nothing.");

// Artist and movie editors.
inline const QString NewArtistCaption = QStringLiteral("New artist");
inline const QString EditArtistCaption = QStringLiteral("Edit artist");
inline const QString LabelName = QStringLiteral("Name");
inline const QString BtnSaveArtist = QStringLiteral("&Save artist");
inline const QString NewMovieCaption = QStringLiteral("New Movie");
inline const QString EditMovieCaption = QStringLiteral("Edit Movie");
inline const QString LabelMovieTitle = QStringLiteral("Title");
inline const QString LabelMovieType = QStringLiteral("Type");
inline const QString BtnSaveMovie = QStringLiteral("&Save movie");
inline const QString NoMovieTitleText = QStringLiteral("Please specify a title for the movie.");
inline const QString ArtistNotFoundText = QStringLiteral("This artist is no longer in the catalogue.");
inline const QString MovieNotFoundText = QStringLiteral("This movie is no longer in the catalogue.");
inline const QString MovieTypes[] = {
    QStringLiteral("DVD"),
    QStringLiteral("DivX (High Quality)"),
    QStringLiteral("DivX (Medium Quality)"),
    QStringLiteral("DivX (Low Quality)"),
    QStringLiteral("DivX (Screener)"),
    QStringLiteral("VCD (MPEG)"),
    QStringLiteral("SVCD (MPEG2)"),
    QStringLiteral("Other"),
};

// CDDB lookup and its choice dialog.
inline const QString CddbDefaultBaseUrl = QStringLiteral("http://gnudb.gnudb.org/~cddb");
inline const QString CddbUserName = QStringLiteral("rovir");
inline const QString CddbHostName = QStringLiteral("rovir");
inline const QString CddbClientName = QStringLiteral("rovir");
inline const QString CddbClientVersion = QStringLiteral("1.0");
inline const QString CouldNotFind = QStringLiteral(
    "Could not find the information on the internet.\r\nPlease check that your web connection is opened.");
inline const QString NoAudioInformation = QStringLiteral("No audio information found for this CD on the internet.");
inline const QString NoAudioCD = QStringLiteral("There does not seem to be any audio CD in this drive.");
inline const QString ChooseCDCaption = QStringLiteral("Many possible choices found - choose one");
inline const QString ChooseCDOk = QStringLiteral("&Ok");

// The lookup's sources, their addresses and the program's name as it introduces itself to them.
inline const QString ClientName = QStringLiteral("Dadudu");
inline const QString ClientVersion = QStringLiteral("2.0");
inline const QString MusicBrainzDefaultUrl = QStringLiteral("https://musicbrainz.org");
inline const QString CoverArtDefaultUrl = QStringLiteral("https://coverartarchive.org");
inline const QString SourceMusicBrainz = QStringLiteral("MusicBrainz");
inline const QString SourceGnudb = QStringLiteral("gnudb");
inline const QString SourceCdText = QStringLiteral("CD-Text");
inline const QString ReplyUnreadable = QStringLiteral("%1 sent a reply that could not be read.");
inline const QString ServerSaid = QStringLiteral("%1 answered: %2");
inline const QString NoCdText = QStringLiteral("The disc carries no titles of its own (CD-Text).");
// Why a source gave nothing: one line each under the lookup's message, for every source asked.
inline const QString WhyNoRelease = QStringLiteral("%1: no release with this disc's ID.");
inline const QString WhyNoTrackCount = QStringLiteral("%1: no release with this disc's track count (%2).");
inline const QString WhyNoEntry = QStringLiteral("%1: no entry for this disc's ID.");
inline const QString WhyTimedOut = QStringLiteral("%1: the server did not answer within %2 s.");
inline const QString WhyRequestFailed = QStringLiteral("%1: the request failed (%2).");
inline const QString WhyNoCdText = QStringLiteral("%1: the disc has none.");
inline const QString WhyNotAsked = QStringLiteral("%1: not asked, the lookup's %2 s had run out.");
inline const QString SourceCoverArt = QStringLiteral("the Cover Art Archive");
inline const QString LookupAsking = QStringLiteral("Asking %1...");
inline const QString NoSourceOn = QStringLiteral("Every source of CD information is switched off in the preferences.");
inline const QString ChoiceTracks = QStringLiteral("%1 tracks");
inline const QString ChoiceTracksDiffer = QStringLiteral("%1 tracks, the disc has %2");
inline const QString ChoiceDisc = QStringLiteral("disc %1 of %2");
inline const QString ChoiceBarcode = QStringLiteral("barcode %1");

// Preferences.
inline const QString PreferencesCaption = QStringLiteral("Preferences");
inline const QString BtnPreferences = QStringLiteral("Preferences");
inline const QString HintPreferences = QStringLiteral("Servers, sources of CD information and disc image");
inline const QString PrefLookupGroup = QStringLiteral("CD information");
inline const QString PrefEmail = QStringLiteral("Your e-mail (for gnudb)");
inline const QString PrefEmailHint
    = QStringLiteral("gnudb asks each user for a real address; without one the lookup introduces itself anonymously.");
inline const QString PrefGnudbServer = QStringLiteral("gnudb server");
inline const QString PrefMusicBrainzServer = QStringLiteral("MusicBrainz server");
inline const QString PrefCoverArtServer = QStringLiteral("Cover Art Archive");
inline const QString PrefSources = QStringLiteral("Sources, in order");
inline const QString PrefUp = QStringLiteral("Up");
inline const QString PrefDown = QStringLiteral("Down");
inline const QString PrefDiscImage = QStringLiteral("Disc image (CUE) used as a drive");
// The drive box: %1 a drive's or an image's name, %2 the title its disc carries.
inline const QString DriveWithDiscTitle = QStringLiteral("%1 \u2013 %2");
inline const QString PrefBrowse = QStringLiteral("Browse...");
inline const QString FilterCue = QStringLiteral("CUE sheet (*.cue)|*.cue|All (*.*)|*.*");
inline const QString PrefBadAddress = QStringLiteral("The address \"%1\" is not a web address (http:// or https://).");
inline const QString PrefBadSecureAddress = QStringLiteral(
    "The address \"%1\" is not a secure web address (https://): MusicBrainz and the Cover Art Archive are asked only "
    "over HTTPS.");
inline const QString PrefCatalogueGroup = QStringLiteral("Catalogue");
inline const QString PrefCatalogue = QStringLiteral("Catalogue file or server");
inline const QString PrefCatalogueHint = QStringLiteral(
    "A dadudu.mdb file, or postgresql://user@host:port/dbname for a catalogue shared on a PostgreSQL server. "
    "Empty: dadudu.mdb in your data folder. A dadudu.mdb beside the program and --catalogue come first. "
    "Used from the next start.");
inline const QString PrefBadCatalogue = QStringLiteral(
    "\"%1\" is neither a catalogue file nor a PostgreSQL address (postgresql://user@host:port/dbname).");
inline const QString FilterCatalogue = QStringLiteral("Catalogue (*.mdb)|*.mdb|All (*.*)|*.*");

// Grids, their exports and their print.
inline const QString GroupPanelHint = QStringLiteral("Drag a column header here to group by that column");
inline const QString GroupRow = QStringLiteral("%1 : %2 (%3)");
inline const QString CheckedText = QStringLiteral("True");
inline const QString UncheckedText = QStringLiteral("False");
inline const QString CannotCreateFile = QStringLiteral("Cannot create the file \"%1\": %2");
inline const QString CannotWriteFile = QStringLiteral("Cannot write the file \"%1\": %2");
// Told after a spreadsheet export that could not write the list as it stands.
inline const QString ExportMoreSheets = QStringLiteral(
    "The list has more rows than a sheet holds (%1 under the caption row); they go on in the sheets %2.");
inline const QString ExportCellsCut
    = QStringLiteral("A cell of this file holds at most %1 characters; these texts were cut in the file:");
inline const QString ExportCutCell = QStringLiteral("Sheet \"%1\", row %2 (%3): %4");
inline const QString ExportMoreCuts = QStringLiteral("and %1 more.");
inline const QString PrintPreviewCaption = QStringLiteral("Dadudu Print Preview");
inline const QString PrintPageOf = QStringLiteral("Page %1 of %2");
inline const QString PreviewCountingPages = QStringLiteral("Counting pages… %1 so far");
inline const QString PreviewPagesCounted = QStringLiteral("%1 pages");
inline const QString PreviewPrintingPage = QStringLiteral("Printing page %1 of %2…");
inline const QString PreviewCountingRows = QStringLiteral("Counting pages: row %1 of %2…");
inline const QString PreviewPrint = QStringLiteral("Print…");
inline const QString PreviewFitWidth = QStringLiteral("Fit width");
inline const QString PreviewFitPage = QStringLiteral("Fit page");
inline const QString PreviewZoomIn = QStringLiteral("Zoom in");
inline const QString PreviewZoomOut = QStringLiteral("Zoom out");
inline const QString PreviewFirst = QStringLiteral("First");
inline const QString PreviewPrevious = QStringLiteral("Previous");
inline const QString PreviewNext = QStringLiteral("Next");
inline const QString PreviewLast = QStringLiteral("Last");
inline const QString PreviewClose = QStringLiteral("Close");
// A grid's long work, as its progress dialog tells it.
inline const QString GridWritingRows = QStringLiteral("Writing row %1 of %2…");
inline const QString GridReadingRows = QStringLiteral("Reading row %1 of %2…");
inline const QString GridOrderingValues = QStringLiteral("Ordering value %1 of %2…");
// A spreadsheet's sheet named after a list without a title.
inline const QString SheetWithoutTitle = QStringLiteral("Sheet");

// Data CD editor and drive scan.
inline const QString NewDataCDCaption = QStringLiteral("New Data CD");
inline const QString EditDataCDCaption = QStringLiteral("Edit Data CD");
inline const QString LabelDataCDTitle = QStringLiteral("Title of the CD");
inline const QString LabelScanDataDrive = QStringLiteral("Scan CD drive");
inline const QString BtnScanDrive = QStringLiteral("Scan drive for items");
inline const QString HintScanDrive = QStringLiteral("Gets folders and files in the selected drive (at root of the CD)");
inline const QString LabelScanning = QStringLiteral("scanning...");
inline const QString LabelAddItem = QStringLiteral("Add Item");
inline const QString BtnAddItem = QStringLiteral("Add");
inline const QString ColDataItems = QStringLiteral("Data Items");
inline const QString MenuItemSelectAll = QStringLiteral("Select &all");
inline const QString MenuItemEdit = QStringLiteral("&Edit selected");
inline const QString MenuItemDelete = QStringLiteral("&Delete selected");
inline const QString NoItemText = QStringLiteral("Please specify the item you want to add.");
inline const QString DataCDNotFoundText = QStringLiteral("This data CD is no longer in the catalogue.");
inline const QString NoDiscInDriveText
    = QStringLiteral("There is no readable disc in the drive \"%1\".\r\nInsert a disc, wait until it is mounted and "
                     "scan again; the item list is left as it was.");
inline const QString KeyringNoAnswer = QStringLiteral("the keyring did not answer");
inline const QString PrefPasswordNotKept = QStringLiteral(
    "The password could not be kept in the desktop's keyring (%1).\r\nThe address is kept without it: put the password "
    "in the file ~/.pgpass, or type it into the address again once the keyring is there.");

// A server catalogue whose connection was lost (the server restarted) and made again.
inline const QString ServerReconnected
    = QStringLiteral("The connection to the database server was lost and has been made again.");
inline const QString ServerLostNotStored
    = QStringLiteral("The connection to the database server was lost during the change, which was not stored. The "
                     "connection has been made again: you may save again.");
inline const QString ServerLostOutcomeUnknown
    = QStringLiteral("The connection to the database server was lost while the change was being stored: whether it was "
                     "stored is not known. The connection has been made again: look at the list before saving again.");
inline const QString ServerLostNoAnswer
    = QStringLiteral("The connection to the database server was lost and the server does not answer.");

// Dock sites.
inline const QString DockSiteTaken = QStringLiteral("%1 already has a TDockManagerPro associated with it.");
inline const QString DockSiteRefused = QStringLiteral("%1 cannot contain a TDockManagerPro control.");

// Why a lookup's request or a disc's reading failed.
inline const QString HttpUnsupportedAddress = QStringLiteral("Unsupported address: %1");
inline const QString HttpBadHost = QStringLiteral("Bad host in address: %1");
inline const QString HttpBadPort = QStringLiteral("Bad port in address: %1");
inline const QString HttpNotHttp = QStringLiteral("The server's reply is not HTTP.");
inline const QString HttpHeadersTooLong = QStringLiteral("The server's reply headers are too long.");
inline const QString HttpReplyTooLong = QStringLiteral("The server's reply is too long.");
inline const QString HttpConnectionLost = QStringLiteral("The connection was lost.");
inline const QString HttpNoReply = QStringLiteral("The server closed the connection without a reply.");
inline const QString HttpEndedInHeaders = QStringLiteral("The server's reply ended inside its headers.");
inline const QString HttpLostBeforeEnd = QStringLiteral("The connection was lost before the end of the reply.");
inline const QString HttpTooManyRedirections = QStringLiteral("Too many redirections.");
inline const QString HttpRedirectionWithoutAddress = QStringLiteral("A redirection without a new address.");
inline const QString NoAudioDiscText = QStringLiteral("There is no readable audio disc in \"%1\".");
inline const QString NoDriveSelectedText = QStringLiteral("No CD drive is selected.");
inline const QString NoSuchTrackText = QStringLiteral("There is no track %1 on this disc.");

} // namespace Texts
