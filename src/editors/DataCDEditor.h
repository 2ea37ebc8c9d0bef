#pragma once

#include "editors/DiscEditor.h"
#include "editors/DriveSelector.h"
#include "editors/EditableList.h"
#include "editors/ShownText.h"

#include <QList>
#include <QRect>
#include <QStringList>

class MessageService;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QToolButton;
class DataCDStore;

// Adds a new data CD or edits one: its title and its items, typed one by one or gathered from the
// root folder of the disc in a drive.
class DataCDEditor : public DiscEditor
{
    Q_OBJECT

public:
    DataCDEditor(DataCDStore &data, MessageService &messages, QWidget *parent = nullptr);

    // Set the dialog up for a new data CD, or from the stored one; false (after a warning) when that
    // data CD is not in the catalogue, even once its list has been read again.
    void prepareNew();
    bool prepareEdit(int cdId);

    void fillDrives();
    // Device paths or folders, one per line; a folder is scanned as it is.
    void fillDrives(const QString &driveLines);
    // Default: the system's mount table; tests give a table of their own.
    void setMountsFile(const QString &path) { m_mountsFile = path; }

    void scanDrive();
    void addItem();
    void editSelectedItem();
    void deleteSelectedItems();
    void saveNewDataCD();
    void saveEditedDataCD();

    QStringList items() const;
    bool scanning() const { return m_scanning; }

    int EditedDataCDID = -1;

    QFrame *fieldsPanel = nullptr;
    QLineEdit *titleEdit = nullptr;
    DriveSelector *driveBox = nullptr;
    QToolButton *scanButton = nullptr; // "Scan drive for items"
    QLabel *scanningLabel = nullptr;   // "scanning..."
    QLineEdit *itemEdit = nullptr;
    QToolButton *addItemButton = nullptr; // "Add"
    EditableList *itemList = nullptr;
    QMenu *listMenu = nullptr;
    QPushButton *saveButton = nullptr;   // "&Save CD"
    QPushButton *cancelButton = nullptr; // "&Cancel"

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void addItemRow(const QString &caption);
    // Fills the item list from the drive's root as the names come; false when the scan was stopped.
    bool readRoot(const QString &root);
    void save(bool edited);

    DataCDStore &m_data;
    QString m_mountsFile;
    bool m_scanning = false;
    bool m_scanStopped = false;
    ShownText m_title;
};

// The entries of the program: each shows its dialog modally and returns once it has closed.
void showNewDataCD(DataCDStore &data, MessageService &messages, QWidget *parent = nullptr);
void showEditDataCD(int cdId, DataCDStore &data, MessageService &messages, QWidget *parent = nullptr);
