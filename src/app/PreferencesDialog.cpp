#include "app/PreferencesDialog.h"

#include "app/Keyring.h"
#include "base/DialogService.h"
#include "base/MessageService.h"
#include "base/Settings.h"
#include "base/Texts.h"
#include "base/WindowFont.h"
#include "store/DbBackend.h"
#include "store/ServerPassword.h"

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
    using namespace Texts;
    auto *group = new QGroupBox(PrefCatalogueGroup, parent);
    group->setObjectName(QStringLiteral("Group_catalogue"));
    m_group = group;
    auto *form = new QFormLayout(group);
    auto *row = new QWidget(group);
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    catalogueEdit = new QLineEdit(row);
    catalogueEdit->setObjectName(QStringLiteral("catalogueEdit"));
    catalogueEdit->setMinimumWidth(320);
    catalogueEdit->setToolTip(PrefCatalogueHint);
    catalogueEdit->setPlaceholderText(QStringLiteral("postgresql://user@host:5432/discs"));
    browseButton = new QPushButton(PrefBrowse, row);
    browseButton->setObjectName(QStringLiteral("Button_browseCatalogue"));
    line->addWidget(catalogueEdit, 1);
    line->addWidget(browseButton);
    form->addRow(PrefCatalogue, row);
    QObject::connect(browseButton, &QPushButton::clicked, group, [this] {
        const QString file = m_dialogs.openFileName(Texts::FilterCatalogue);
        if (!file.isEmpty())
            catalogueEdit->setText(file);
    });
}

void CatalogueSection::load(QSettings &settings)
{
    catalogueEdit->setText(settings.value(CatalogueKey).toString().trimmed());
}

bool CatalogueSection::check(MessageService &messages)
{
    const QString text = catalogueEdit->text().trimmed();
    if (!text.contains(QLatin1String("://")))
        return true; // a file: whether it is a catalogue is for the opening to judge
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || !db::isServerLocation(text) || url.path().mid(1).isEmpty()) {
        // Shown without its password, which the box would otherwise put on the screen.
        messages.warning(Texts::PrefBadCatalogue.arg(db::addressWithoutPassword(text)));
        catalogueEdit->setFocus();
        return false;
    }
    // A password typed into the address goes to the keyring, and the address is kept without it.
    QString password;
    const QString bare = db::addressWithoutPassword(text, &password);
    if (!password.isEmpty()) {
        QString why;
        if (!programSecrets().write(bare, password, &why))
            messages.warning(Texts::PrefPasswordNotKept.arg(why));
        catalogueEdit->setText(bare);
    }
    return true;
}

void CatalogueSection::save(QSettings &settings)
{
    // Never a password in the settings, whatever the field holds.
    const QString text = db::addressWithoutPassword(catalogueEdit->text().trimmed());
    if (text.isEmpty())
        settings.remove(CatalogueKey);
    else
        settings.setValue(CatalogueKey, text);
}

DiscLookupSection::DiscLookupSection(DialogService &dialogs, QWidget *parent)
    : m_dialogs(dialogs)
{
    using namespace Texts;
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
    emailEdit = edit("emailEdit");
    emailEdit->setToolTip(PrefEmailHint);
    emailEdit->setPlaceholderText(QStringLiteral("user@example.org"));
    form->addRow(PrefEmail, emailEdit);
    musicBrainzEdit = edit("musicBrainzEdit");
    form->addRow(PrefMusicBrainzServer, musicBrainzEdit);
    coverArtEdit = edit("coverArtEdit");
    form->addRow(PrefCoverArtServer, coverArtEdit);
    gnudbEdit = edit("gnudbEdit");
    form->addRow(PrefGnudbServer, gnudbEdit);

    auto *sources = new QWidget(group);
    auto *row = new QHBoxLayout(sources);
    row->setContentsMargins(0, 0, 0, 0);
    sourceList = new QListWidget(sources);
    sourceList->setObjectName(QStringLiteral("sourceList"));
    sourceList->setFixedHeight(sourceList->fontMetrics().height() * 3 + 16);
    row->addWidget(sourceList, 1);
    auto *buttons = new QVBoxLayout;
    upButton = new QPushButton(PrefUp, sources);
    upButton->setObjectName(QStringLiteral("upButton"));
    downButton = new QPushButton(PrefDown, sources);
    downButton->setObjectName(QStringLiteral("downButton"));
    buttons->addWidget(upButton);
    buttons->addWidget(downButton);
    buttons->addStretch();
    row->addLayout(buttons);
    form->addRow(PrefSources, sources);

    auto *image = new QWidget(group);
    auto *imageRow = new QHBoxLayout(image);
    imageRow->setContentsMargins(0, 0, 0, 0);
    discImageEdit = edit("discImageEdit");
    browseButton = new QPushButton(PrefBrowse, image);
    browseButton->setObjectName(QStringLiteral("browseButton"));
    imageRow->addWidget(discImageEdit, 1);
    imageRow->addWidget(browseButton);
    form->addRow(PrefDiscImage, image);

    QObject::connect(upButton, &QPushButton::clicked, group, [this] { moveSource(-1); });
    QObject::connect(downButton, &QPushButton::clicked, group, [this] { moveSource(1); });
    QObject::connect(browseButton, &QPushButton::clicked, group, [this] {
        const QString file = m_dialogs.openFileName(Texts::FilterCue);
        if (!file.isEmpty())
            discImageEdit->setText(file);
    });
}

void DiscLookupSection::show(const DiscPreferences &p)
{
    emailEdit->setText(p.email);
    gnudbEdit->setText(p.gnudbUrl);
    musicBrainzEdit->setText(p.musicBrainzUrl);
    coverArtEdit->setText(p.coverArtUrl);
    discImageEdit->setText(p.discImage);
    sourceList->clear();
    for (const DiscPreferences::Source &s : p.sources) {
        auto *item = new QListWidgetItem(sourceName(s.source), sourceList);
        item->setData(SourceRole, int(s.source));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(s.enabled ? Qt::Checked : Qt::Unchecked);
    }
    sourceList->setCurrentRow(0);
}

DiscPreferences DiscLookupSection::preferences() const
{
    DiscPreferences p;
    p.email = emailEdit->text().trimmed();
    p.gnudbUrl = gnudbEdit->text().trimmed();
    p.musicBrainzUrl = musicBrainzEdit->text().trimmed();
    p.coverArtUrl = coverArtEdit->text().trimmed();
    p.discImage = discImageEdit->text().trimmed();
    p.sources.clear();
    for (int k = 0; k < sourceList->count(); ++k) {
        const QListWidgetItem *item = sourceList->item(k);
        p.sources.append({LookupSource(item->data(SourceRole).toInt()), item->checkState() == Qt::Checked});
    }
    return p;
}

void DiscLookupSection::moveSource(int by)
{
    const int from = sourceList->currentRow();
    const int to = from + by;
    if (from < 0 || to < 0 || to >= sourceList->count())
        return;
    QListWidgetItem *item = sourceList->takeItem(from);
    sourceList->insertItem(to, item);
    sourceList->setCurrentRow(to);
}

void DiscLookupSection::load(QSettings &settings)
{
    show(DiscPreferences::load(settings));
}

bool DiscLookupSection::check(MessageService &messages)
{
    for (QLineEdit *address : {musicBrainzEdit, coverArtEdit, gnudbEdit}) {
        const bool secure = address != gnudbEdit;
        if (!webAddress(address->text(), secure)) {
            messages.warning((secure ? Texts::PrefBadSecureAddress : Texts::PrefBadAddress).arg(address->text()));
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

PreferencesDialog::PreferencesDialog(MessageService &messages, DialogService &dialogs, QWidget *parent)
    : QDialog(parent)
    , m_messages(messages)
{
    setObjectName(QStringLiteral("F_Preferences"));
    setWindowTitle(Texts::PreferencesCaption);
    setFont(windowFont());
    auto *layout = new QVBoxLayout(this);
    m_sections = new QVBoxLayout;
    layout->addLayout(m_sections);
    layout->addStretch();
    auto *box = new QDialogButtonBox(this);
    okButton = box->addButton(QDialogButtonBox::Ok);
    okButton->setObjectName(QStringLiteral("okButton"));
    cancelButton = box->addButton(Texts::BtnCancel, QDialogButtonBox::RejectRole);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
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

PreferencesDialog::~PreferencesDialog() = default;

void PreferencesDialog::addSection(std::unique_ptr<PreferencesSection> section)
{
    m_sections->addWidget(section->widget());
    m_parts.append(std::shared_ptr<PreferencesSection>(std::move(section)));
}

void PreferencesDialog::load(QSettings &settings)
{
    for (const auto &part : m_parts)
        part->load(settings);
}

bool PreferencesDialog::save(QSettings &settings)
{
    for (const auto &part : m_parts)
        if (!part->check(m_messages))
            return false;
    for (const auto &part : m_parts)
        part->save(settings);
    settings.sync();
    return true;
}

void showPreferences(MessageService &messages, DialogService &dialogs, QWidget *parent)
{
    PreferencesDialog dialog(messages, dialogs, parent);
    dialog.load(*openSettings());
    dialog.exec();
}
