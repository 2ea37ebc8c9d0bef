#pragma once

#include "editors/DiscEditor.h"
#include "editors/DriveSelector.h"
#include "editors/EditableList.h"
#include "editors/ShownText.h"

#include "disc/DiscLookup.h"
#include "store/Records.h"

#include <QList>
#include <QRect>
#include <QStringList>

#include <functional>

class DialogService;
class MessageService;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;
class ArtistStore;
class AudioCDStore;

// Adds a new audio CD or edits one, with its artist, tracks and cover; can fill title, artist,
// tracks, and an empty barcode, year and cover from MusicBrainz, gnudb or the disc's own CD-Text.
class AudioCDEditor : public DiscEditor
{
    Q_OBJECT

public:
    AudioCDEditor(AudioCDStore &cds, ArtistStore &artists, MessageService &messages, DialogService &dialogs,
                  QWidget *parent = nullptr);

    // Defaults: the user's preferences and "cdcovers" beside the executable.
    void setPreferences(const DiscPreferences &preferences) { m_lookup.setPreferences(preferences); }
    DiscLookup &lookup() { return m_lookup; }
    void setCoversFolder(const QString &folder) { m_coversFolder = folder; }
    QString coverPath(int cdId) const;

    // Set the dialog up for a new CD, or from the stored CD; false when that CD is not in the catalogue.
    void prepareNew();
    bool prepareEdit(int cdId);

    void fillArtists();
    // The machine's drives, and the disc image of the preferences when there is one.
    void fillDrives();
    void fillDrives(const QString &driveLines); // device paths, one per line

    void startCddbLookup();
    void addTrack();
    void editSelectedTrack();
    void deleteSelectedTracks();
    // The picture dialog's work once a file is chosen; false (after the error message) when the
    // file holds no picture.
    bool loadCover(const QString &path);
    // The picture dialog, then loadCover; a cancelled dialog changes nothing.
    void chooseCover();
    void saveNewCD();
    void saveEditedCD();

    QStringList tracks() const;
    QList<TArtist> artists() const;

    int EditedCDID = -1;
    bool CoverChanged = false;

    QFrame *fieldsPanel = nullptr;
    DriveSelector *driveBox = nullptr;
    QToolButton *lookupButton = nullptr;
    QLineEdit *titleEdit = nullptr;
    QRadioButton *newArtistButton = nullptr;
    QLineEdit *newArtistEdit = nullptr;
    QRadioButton *existingArtistButton = nullptr;
    QComboBox *artistBox = nullptr;
    QLineEdit *barcodeEdit = nullptr;
    QLineEdit *yearEdit = nullptr;
    QCheckBox *limitedBox = nullptr;
    QPlainTextEdit *commentsEdit = nullptr;
    QFrame *coverFrame = nullptr;
    QLabel *coverLabel = nullptr;
    QLineEdit *trackEdit = nullptr;
    QToolButton *addTrackButton = nullptr;
    EditableList *trackList = nullptr;
    QMenu *listMenu = nullptr;
    QProgressBar *ProgressBar_lookup = nullptr; // shows while a lookup runs
    QPushButton *saveButton = nullptr;          // "&Save CD"
    QPushButton *cancelButton = nullptr;        // "&Cancel"

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void updateArtistChoice();
    void showPlaceholder();
    void applyDisc(const DiscLookup::Result &found);
    void showStoredCover(const QByteArray &stored);
    void addTrackItem(const QString &title);
    // The CD as the dialog holds it, for the store.
    AudioCD editedCD() const;
    // The checks, the hourglass, the one transaction and then the cover.
    void save();
    void writeCover(int cdId);

    AudioCDStore &m_cds;
    ArtistStore &m_artists;
    DialogService &m_dialogs;
    DiscLookup m_lookup;
    QString m_coversFolder;
    QByteArray m_coverData;     // the JPEG bytes of a chosen cover
    bool m_storedCover = false; // the edited CD's own cover shows
    AudioCD m_stored;           // the edited CD as it was read
    ShownText m_title, m_barcode, m_year, m_comments;
};

// The entries of the program: each shows its dialog modally and returns once it has closed.
void showNewAudioCD(AudioCDStore &cds, ArtistStore &artists, MessageService &messages, DialogService &dialogs,
                    const QString &coversFolder, QWidget *parent = nullptr);
void showEditAudioCD(int cdId, AudioCDStore &cds, ArtistStore &artists, MessageService &messages,
                     DialogService &dialogs, const QString &coversFolder, QWidget *parent = nullptr);
