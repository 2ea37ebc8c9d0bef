#pragma once

#include <QString>

class MessageService;

// Where the program finds its catalogue. In order:
//  - the one named on the command line (`--catalogue`), passed on exactly as written, so that a
//    name that is not a file path reaches the opening code untouched;
//  - "dadudu.mdb" beside the executable, so that a copy carried on a stick keeps its own;
//  - the one chosen in the preferences (`preferred`), a file or a server's address;
//  - "dadudu.mdb" in the user's data folder (~/.local/share/dadudu), where an installed program keeps it.
// When none of them exists, the answer is the one in the data folder.
QString findCatalogue(const QString &named, const QString &executableFolder, const QString &preferred = {});

// The user's data folder, where an installed program keeps its catalogue.
QString catalogueDataFolder();

// A catalogue named by an address ("scheme://...") rather than a file: never looked for, never made.
bool isCatalogueAddress(const QString &catalogue);

// When the catalogue file is missing, asks whether to make an empty one there; Yes makes it (and its
// folder). True when it exists afterwards. No, or a failure (after its error box), leaves nothing behind.
bool offerNewCatalogue(const QString &catalogue, MessageService &messages);

// The cover pictures live in "cdcovers" beside the catalogue file, so both are backed up together.
QString coversFolderOf(const QString &catalogue);
