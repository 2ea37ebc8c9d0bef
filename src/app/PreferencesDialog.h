#pragma once

#include "disc/DiscPreferences.h"

#include <QDialog>
#include <QList>

#include <memory>

class DialogService;
class MessageService;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSettings;
class QVBoxLayout;

// One part of the preferences: its group of fields, filled from the settings and written back.
class PreferencesSection
{
public:
    virtual ~PreferencesSection() = default;
    virtual QWidget *widget() = 0;
    virtual void load(QSettings &settings) = 0;
    // False, after telling the user why, when a field cannot be kept as it stands.
    virtual bool check(MessageService &messages) = 0;
    virtual void save(QSettings &settings) = 0;
};

// The sources of CD information, their servers, the user's e-mail and the disc image used as a drive.
class DiscLookupSection : public PreferencesSection
{
public:
    DiscLookupSection(DialogService &dialogs, QWidget *parent);

    QWidget *widget() override { return m_group; }
    void load(QSettings &settings) override;
    bool check(MessageService &messages) override;
    void save(QSettings &settings) override;

    void show(const DiscPreferences &preferences);
    DiscPreferences preferences() const;
    // Moves the selected source one place up (-1) or down (+1).
    void moveSource(int by);

    QLineEdit *emailEdit = nullptr;
    QLineEdit *gnudbEdit = nullptr;
    QLineEdit *musicBrainzEdit = nullptr;
    QLineEdit *coverArtEdit = nullptr;
    QListWidget *sourceList = nullptr; // checkable, in the order they are asked
    QPushButton *upButton = nullptr;
    QPushButton *downButton = nullptr;
    QLineEdit *discImageEdit = nullptr;
    QPushButton *browseButton = nullptr;

private:
    QWidget *m_group = nullptr;
    DialogService &m_dialogs;
};

// Which catalogue the program opens when neither --catalogue nor a file beside the program names one.
class CatalogueSection : public PreferencesSection
{
public:
    CatalogueSection(DialogService &dialogs, QWidget *parent);

    QWidget *widget() override { return m_group; }
    void load(QSettings &settings) override;
    bool check(MessageService &messages) override;
    void save(QSettings &settings) override;

    QLineEdit *catalogueEdit = nullptr;
    QPushButton *browseButton = nullptr;

private:
    QWidget *m_group = nullptr;
    DialogService &m_dialogs;
};

// The program's preferences, one section after the other; OK checks and writes every section.
class PreferencesDialog : public QDialog
{
    Q_OBJECT
public:
    PreferencesDialog(MessageService &messages, DialogService &dialogs, QWidget *parent = nullptr);
    ~PreferencesDialog() override;

    // Sections show in the order they are added.
    void addSection(std::unique_ptr<PreferencesSection> section);
    void load(QSettings &settings);
    // False when a section refused its fields; nothing is written then.
    bool save(QSettings &settings);

    DiscLookupSection *discLookup() const { return m_discLookup; }
    CatalogueSection *catalogue() const { return m_catalogue; }
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;

private:
    MessageService &m_messages;
    QVBoxLayout *m_sections = nullptr;
    QList<std::shared_ptr<PreferencesSection>> m_parts;
    DiscLookupSection *m_discLookup = nullptr;
    CatalogueSection *m_catalogue = nullptr;
};

// The catalogue the user chose in the preferences; empty when none.
QString preferredCatalogue();

// Shows the preferences over parent, filled from the program's settings; OK writes them back.
void showPreferences(MessageService &messages, DialogService &dialogs, QWidget *parent = nullptr);
