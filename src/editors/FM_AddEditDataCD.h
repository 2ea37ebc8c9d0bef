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
class TD_Data;

// Adds a new data CD or edits one: its title and its items, typed one by one or gathered from the
// root folder of the disc in a drive.
class TF_AddEditDataCD : public DiscEditor
{
    Q_OBJECT

public:
    TF_AddEditDataCD(TD_Data &data, MessageService &messages, QWidget *parent = nullptr);

    // Set the dialog up for a new data CD, or from the stored one; false (after a warning) when that
    // data CD is not in the catalogue, even once its list has been read again.
    void prepareNew();
    bool prepareEdit(int cdId);

    void FillDrives();
    // Device paths or folders, one per line; a folder is scanned as it is.
    void FillDrives(const QString &driveLines);
    // Default: the system's mount table; tests give a table of their own.
    void setMountsFile(const QString &path) { m_mountsFile = path; }

    void ScanDrive();
    void AddItem();
    void EditSelectedItem();
    void DeleteSelectedItems();
    void SaveNewDataCD();
    void SaveEditedDataCD();

    QStringList items() const;
    bool scanning() const { return m_scanning; }

    int EditedDataCDID = -1;

    QFrame *Panel1 = nullptr;
    QLineEdit *Edit_title = nullptr;
    DriveSelector *ComboBoxEx_drive = nullptr;
    QToolButton *SpeedButton2 = nullptr; // "Scan drive for items"
    QLabel *Label4 = nullptr;            // "scanning..."
    QLineEdit *Edit_dataitem = nullptr;
    QToolButton *SpeedButton1 = nullptr; // "Add"
    EditableList *ListView_items = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QPushButton *Button2 = nullptr; // "&Save CD"
    QPushButton *Button1 = nullptr; // "&Cancel"

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

    TD_Data &m_data;
    QString m_mountsFile;
    bool m_scanning = false;
    bool m_scanStopped = false;
    ShownText m_title;
};

// The entries of the program: each shows its dialog modally and returns once it has closed.
void ShowNewDataCD(TD_Data &data, MessageService &messages, QWidget *parent = nullptr);
void ShowEditDataCD(int cdId, TD_Data &data, MessageService &messages, QWidget *parent = nullptr);
