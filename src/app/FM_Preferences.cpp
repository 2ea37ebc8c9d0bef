#include "app/FM_Preferences.h"

#include "app/Keyring.h"
#include "store/DbBackend.h"
#include "store/ServerPassword.h"
#include "base/DialogService.h"
#include "base/MessageService.h"
#include "base/Settings.h"
#include "base/U_Constantes.h"
#include "base/WindowFont.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int SourceRole = Qt::UserRole;

// secure: HTTPS only, for the services that carry the user's requests in plain text otherwise.
bool webAddress(const QString &text, bool secure)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty()
           && (scheme == QLatin1String("https") || (!secure && scheme == QLatin1String("http"))) && !url.hasQuery()
           && !url.hasFragment();
}

const QString CatalogueKey = QStringLiteral("catalogue/location");

} // namespace

QString preferredCatalogue()
{
    return openSettings()->value(CatalogueKey).toString().trimmed();
}

CatalogueSection::CatalogueSection(DialogService &dialogs, QWidget *parent)
    : m_dialogs(dialogs)
{
    using namespace U_Constantes;
    auto *group = new QGroupBox(PrefCatalogueGroup, parent);
    group->setObjectName(QStringLiteral("Group_catalogue"));
    m_group = group;
    auto *form = new QFormLayout(group);
    auto *row = new QWidget(group);
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    Edit_catalogue = new QLineEdit(row);
    Edit_catalogue->setObjectName(QStringLiteral("Edit_catalogue"));
    Edit_catalogue->setMinimumWidth(320);
    Edit_catalogue->setToolTip(PrefCatalogueHint);
    Edit_catalogue->setPlaceholderText(QStringLiteral("postgresql://user@host:5432/discs"));
    Button_browse = new QPushButton(PrefBrowse, row);
    Button_browse->setObjectName(QStringLiteral("Button_browseCatalogue"));
    line->addWidget(Edit_catalogue, 1);
    line->addWidget(Button_browse);
    form->addRow(PrefCatalogue, row);
    QObject::connect(Button_browse, &QPushButton::clicked, group, [this] {
        const QString file = m_dialogs.openFileName(U_Constantes::FilterCatalogue);
        if (!file.isEmpty())
            Edit_catalogue->setText(file);
    });
}

void CatalogueSection::load(QSettings &settings)
{
    Edit_catalogue->setText(settings.value(CatalogueKey).toString().trimmed());
}

bool CatalogueSection::check(MessageService &messages)
{
    const QString text = Edit_catalogue->text().trimmed();
    if (!text.contains(QLatin1String("://")))
        return true; // a file: whether it is a catalogue is for the opening to judge
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || !db::isServerLocation(text) || url.path().mid(1).isEmpty()) {
        // Shown without its password, which the box would otherwise put on the screen.
        messages.warning(U_Constantes::PrefBadCatalogue.arg(db::addressWithoutPassword(text)));
        Edit_catalogue->setFocus();
        return false;
    }
    // A password typed into the address goes to the keyring, and the address is kept without it.
    QString password;
    const QString bare = db::addressWithoutPassword(text, &password);
    if (!password.isEmpty()) {
        QString why;
        if (!programSecrets().write(bare, password, &why))
            messages.warning(U_Constantes::PrefPasswordNotKept.arg(why));
        Edit_catalogue->setText(bare);
    }
    return true;
}

void CatalogueSection::save(QSettings &settings)
{
    // Never a password in the settings, whatever the field holds.
    const QString text = db::addressWithoutPassword(Edit_catalogue->text().trimmed());
    if (text.isEmpty())
        settings.remove(CatalogueKey);
    else
        settings.setValue(CatalogueKey, text);
}

DiscLookupSection::DiscLookupSection(DialogService &dialogs, QWidget *parent)
    : m_dialogs(dialogs)
{
    using namespace U_Constantes;
    auto *group = new QGroupBox(PrefLookupGroup, parent);
    group->setObjectName(QStringLiteral("Group_discLookup"));
    m_group = group;
    auto *form = new QFormLayout(group);

    auto edit = [group](const char *name) {
        auto *e = new QLineEdit(group);
        e->setObjectName(QLatin1String(name));
        e->setMinimumWidth(320);
        return e;
    };
    Edit_email = edit("Edit_email");
    Edit_email->setToolTip(PrefEmailHint);
    Edit_email->setPlaceholderText(QStringLiteral("user@example.org"));
    form->addRow(PrefEmail, Edit_email);
    Edit_musicBrainz = edit("Edit_musicBrainz");
    form->addRow(PrefMusicBrainzServer, Edit_musicBrainz);
    Edit_coverArt = edit("Edit_coverArt");
    form->addRow(PrefCoverArtServer, Edit_coverArt);
    Edit_gnudb = edit("Edit_gnudb");
    form->addRow(PrefGnudbServer, Edit_gnudb);

    auto *sources = new QWidget(group);
    auto *row = new QHBoxLayout(sources);
    row->setContentsMargins(0, 0, 0, 0);
    List_sources = new QListWidget(sources);
    List_sources->setObjectName(QStringLiteral("List_sources"));
    List_sources->setFixedHeight(List_sources->fontMetrics().height() * 3 + 16);
    row->addWidget(List_sources, 1);
    auto *buttons = new QVBoxLayout;
    Button_up = new QPushButton(PrefUp, sources);
    Button_up->setObjectName(QStringLiteral("Button_up"));
    Button_down = new QPushButton(PrefDown, sources);
    Button_down->setObjectName(QStringLiteral("Button_down"));
    buttons->addWidget(Button_up);
    buttons->addWidget(Button_down);
    buttons->addStretch();
    row->addLayout(buttons);
    form->addRow(PrefSources, sources);

    auto *image = new QWidget(group);
    auto *imageRow = new QHBoxLayout(image);
    imageRow->setContentsMargins(0, 0, 0, 0);
    Edit_discImage = edit("Edit_discImage");
    Button_browse = new QPushButton(PrefBrowse, image);
    Button_browse->setObjectName(QStringLiteral("Button_browse"));
    imageRow->addWidget(Edit_discImage, 1);
    imageRow->addWidget(Button_browse);
    form->addRow(PrefDiscImage, image);

    QObject::connect(Button_up, &QPushButton::clicked, group, [this] { moveSource(-1); });
    QObject::connect(Button_down, &QPushButton::clicked, group, [this] { moveSource(1); });
    QObject::connect(Button_browse, &QPushButton::clicked, group, [this] {
        const QString file = m_dialogs.openFileName(U_Constantes::FilterCue);
        if (!file.isEmpty())
            Edit_discImage->setText(file);
    });
}

void DiscLookupSection::show(const DiscPreferences &p)
{
    Edit_email->setText(p.email);
    Edit_gnudb->setText(p.gnudbUrl);
    Edit_musicBrainz->setText(p.musicBrainzUrl);
    Edit_coverArt->setText(p.coverArtUrl);
    Edit_discImage->setText(p.discImage);
    List_sources->clear();
    for (const DiscPreferences::Source &s : p.sources) {
        auto *item = new QListWidgetItem(sourceName(s.source), List_sources);
        item->setData(SourceRole, int(s.source));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(s.enabled ? Qt::Checked : Qt::Unchecked);
    }
    List_sources->setCurrentRow(0);
}

DiscPreferences DiscLookupSection::preferences() const
{
    DiscPreferences p;
    p.email = Edit_email->text().trimmed();
    p.gnudbUrl = Edit_gnudb->text().trimmed();
    p.musicBrainzUrl = Edit_musicBrainz->text().trimmed();
    p.coverArtUrl = Edit_coverArt->text().trimmed();
    p.discImage = Edit_discImage->text().trimmed();
    p.sources.clear();
    for (int k = 0; k < List_sources->count(); ++k) {
        const QListWidgetItem *item = List_sources->item(k);
        p.sources.append({LookupSource(item->data(SourceRole).toInt()), item->checkState() == Qt::Checked});
    }
    return p;
}

void DiscLookupSection::moveSource(int by)
{
    const int from = List_sources->currentRow();
    const int to = from + by;
    if (from < 0 || to < 0 || to >= List_sources->count())
        return;
    QListWidgetItem *item = List_sources->takeItem(from);
    List_sources->insertItem(to, item);
    List_sources->setCurrentRow(to);
}

void DiscLookupSection::load(QSettings &settings)
{
    show(DiscPreferences::load(settings));
}

bool DiscLookupSection::check(MessageService &messages)
{
    for (QLineEdit *address : {Edit_musicBrainz, Edit_coverArt, Edit_gnudb}) {
        const bool secure = address != Edit_gnudb;
        if (!webAddress(address->text(), secure)) {
            messages.warning((secure ? U_Constantes::PrefBadSecureAddress : U_Constantes::PrefBadAddress).arg(address->text()));
            address->setFocus();
            return false;
        }
    }
    return true;
}

void DiscLookupSection::save(QSettings &settings)
{
    preferences().save(settings);
}

TF_Preferences::TF_Preferences(MessageService &messages, DialogService &dialogs, QWidget *parent)
    : QDialog(parent)
    , m_messages(messages)
{
    setObjectName(QStringLiteral("F_Preferences"));
    setWindowTitle(U_Constantes::PreferencesCaption);
    setFont(windowFont());
    auto *layout = new QVBoxLayout(this);
    m_sections = new QVBoxLayout;
    layout->addLayout(m_sections);
    layout->addStretch();
    auto *box = new QDialogButtonBox(this);
    Button_ok = box->addButton(QDialogButtonBox::Ok);
    Button_ok->setObjectName(QStringLiteral("Button_ok"));
    Button_cancel = box->addButton(U_Constantes::BtnCancel, QDialogButtonBox::RejectRole);
    Button_cancel->setObjectName(QStringLiteral("Button_cancel"));
    layout->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, [this] {
        if (save(*openSettings()))
            accept();
    });
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto disc = std::make_unique<DiscLookupSection>(dialogs, this);
    m_discLookup = disc.get();
    addSection(std::move(disc));
    auto catalogue = std::make_unique<CatalogueSection>(dialogs, this);
    m_catalogue = catalogue.get();
    addSection(std::move(catalogue));
}

TF_Preferences::~TF_Preferences() = default;

void TF_Preferences::addSection(std::unique_ptr<PreferencesSection> section)
{
    m_sections->addWidget(section->widget());
    m_parts.append(std::shared_ptr<PreferencesSection>(std::move(section)));
}

void TF_Preferences::load(QSettings &settings)
{
    for (const auto &part : m_parts)
        part->load(settings);
}

bool TF_Preferences::save(QSettings &settings)
{
    for (const auto &part : m_parts)
        if (!part->check(m_messages))
            return false;
    for (const auto &part : m_parts)
        part->save(settings);
    settings.sync();
    return true;
}

void ShowPreferences(MessageService &messages, DialogService &dialogs, QWidget *parent)
{
    TF_Preferences dialog(messages, dialogs, parent);
    dialog.load(*openSettings());
    dialog.exec();
}
