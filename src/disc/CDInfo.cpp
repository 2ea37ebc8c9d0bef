#include "disc/CDInfo.h"

#include "base/WaitCursor.h"

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/memory.h>
#include <cdio/logging.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QCursor>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

// libcdio writes its warnings to stderr; the program logs nothing, and failures reach the caller
// as CDError instead.
void quietLog(cdio_log_level_t, const char *) {}

QString noDisc(const QString &device)
{
    return QStringLiteral("There is no readable audio disc in \"%1\".").arg(device);
}

// The last address the minute-second-frame fields of a table of contents can hold, 99:59:74; the
// identifier's length field is sized for discs that end within it.
constexpr lba_t LastAddress = 100 * 60 * 75 - 1;

// Only a regular file is read as an image: opening a FIFO waits for a writer for ever, and a device
// or a folder is no image.
bool regularFile(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// The file the sheet's FILE lines name, relative to the sheet's folder; empty when they name none
// or several, which one BIN cannot stand for.
QString sheetBinary(const QString &cue)
{
    QFile file(cue);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString found;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(64 * 1024).trimmed();
        if (!line.startsWith("FILE") || line.size() < 5 || (line[4] != ' ' && line[4] != '\t'))
            continue;
        const QByteArray rest = line.mid(5).trimmed();
        QByteArray name;
        if (rest.startsWith('"')) {
            const qsizetype end = rest.indexOf('"', 1);
            name = end < 0 ? QByteArray() : rest.mid(1, end - 1);
        } else {
            name = rest.simplified().split(' ').value(0);
        }
        if (name.isEmpty())
            return {};
        const QString path = QFileInfo(cue).dir().absoluteFilePath(QFile::decodeName(name));
        if (!found.isEmpty() && found != path)
            return {};
        found = path;
    }
    return found;
}

// libcdio reads the BIN beside the sheet that bears the sheet's own name, whatever the FILE line
// says, and rips seldom name them so. It is given links to both under one name in a folder of its
// own; it reads all it needs of them while it opens, so the folder may go at once.
CdIo_t *openImage(const QString &cue)
{
    if (!regularFile(cue))
        return nullptr;
    const QString bin = sheetBinary(cue);
    if (bin.isEmpty() || !regularFile(bin))
        return nullptr;
    QTemporaryDir folder;
    if (!folder.isValid())
        return nullptr;
    const QString sheet = folder.filePath(QStringLiteral("disc.cue"));
    if (!QFile::link(QFileInfo(cue).absoluteFilePath(), sheet)
        || !QFile::link(bin, folder.filePath(QStringLiteral("disc.bin"))))
        return nullptr;
    return cdio_open_cue(QFile::encodeName(sheet).constData());
}

} // namespace

int TimeToFrames(const TTrackTime &t)
{
    return t.Minute * 4500 + t.Second * 75 + t.Frame;
}

TTrackTime FramesToTime(std::uint32_t frames)
{
    TTrackTime t;
    t.Frame = static_cast<std::int32_t>(frames % 75);
    t.Second = static_cast<std::int32_t>((frames / 75) % 60);
    t.Minute = static_cast<std::int32_t>(frames / 4500);
    return t;
}

TCDInfo::TCDInfo() = default;

TCDInfo::~TCDInfo()
{
    if (m_cdio)
        cdio_destroy(m_cdio);
}

void TCDInfo::OpenDrive(const QString &device)
{
    WaitCursor wait;
    if (m_cdio)
        throw CDError("The reader is already open.");
    if (device.isEmpty())
        throw CDError("No CD drive is selected.");
    cdio_log_set_handler(quietLog);

    const bool image = device.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive);
    CdIo_t *cdio = image ? openImage(device) : cdio_open(QFile::encodeName(device).constData(), DRIVER_DEVICE);
    if (!cdio)
        throw CDError(noDisc(device).toStdString());

    // The checks run before the reader keeps the handle, so a failed open leaves nothing to close.
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    bool ok = first != CDIO_INVALID_TRACK && count != CDIO_INVALID_TRACK && count >= 1 && count <= 99
              && first >= 1 && first + count - 1 <= 99;
    bool audio = false;
    lba_t previous = 0;
    for (int k = 0; ok && k < count; ++k) {
        const lba_t lba = cdio_get_track_lba(cdio, track_t(first + k));
        ok = lba != CDIO_INVALID_LBA && lba > previous;
        previous = lba;
        audio = audio || cdio_get_track_format(cdio, track_t(first + k)) == TRACK_FORMAT_AUDIO;
    }
    if (ok) {
        const lba_t leadOut = cdio_get_track_lba(cdio, CDIO_CDROM_LEADOUT_TRACK);
        ok = leadOut != CDIO_INVALID_LBA && leadOut > previous && leadOut <= LastAddress;
    }
    if (!ok || !audio) {
        cdio_destroy(cdio);
        throw CDError(noDisc(device).toStdString());
    }
    m_cdio = cdio;
    m_firstTrack = first;
    m_trackCount = count;
}

int TCDInfo::TrackCount() const
{
    if (!m_cdio)
        throw CDError("No disc is open.");
    return m_trackCount;
}

int TCDInfo::startFrames(int track) const
{
    if (track < 1 || track > TrackCount())
        throw CDError(QStringLiteral("There is no track %1 on this disc.").arg(track).toStdString());
    return cdio_get_track_lba(m_cdio, track_t(m_firstTrack + track - 1));
}

int TCDInfo::leadOutFrames() const
{
    TrackCount();
    return cdio_get_track_lba(m_cdio, CDIO_CDROM_LEADOUT_TRACK);
}

TTrackTime TCDInfo::TrackPosition(int track) const
{
    return FramesToTime(std::uint32_t(startFrames(track)));
}

TTrackTime TCDInfo::TrackLength(int track) const
{
    const int start = startFrames(track);
    const int end = track < TrackCount() ? startFrames(track + 1) : leadOutFrames();
    return FramesToTime(std::uint32_t(end - start - 1));
}

int TCDInfo::DiscLength() const
{
    const int n = TrackCount();
    TTrackTime length = TrackLength(n);
    length.Frame += 1;
    const TTrackTime end = FramesToTime(std::uint32_t(TimeToFrames(TrackPosition(n)) + TimeToFrames(length)));
    const TTrackTime first = TrackPosition(1);
    return (end.Minute * 60 + end.Second) - (first.Minute * 60 + first.Second);
}

std::uint32_t TCDInfo::DiscId() const
{
    const int n = TrackCount();
    std::uint32_t sum = 0;
    for (int k = 1; k <= n; ++k) {
        const TTrackTime start = TrackPosition(k);
        for (int s = start.Minute * 60 + start.Second; s > 0; s /= 10)
            sum += std::uint32_t(s % 10);
    }
    const auto t = std::uint32_t(DiscLength());
    return ((sum % 255) << 24) | (t << 8) | std::uint32_t(n);
}

QString TCDInfo::DiscIdText() const
{
    return QString::asprintf("%08X", unsigned(DiscId()));
}

bool DiscText::hasTitles() const
{
    if (!title.isEmpty() || !performer.isEmpty())
        return true;
    for (const QString &t : trackTitles)
        if (!t.isEmpty())
            return true;
    return false;
}

QString musicBrainzDiscId(int firstTrack, int lastTrack, int leadOut, const QList<int> &offsets)
{
    QCryptographicHash sha1(QCryptographicHash::Sha1);
    sha1.addData(QString::asprintf("%02X", unsigned(firstTrack)).toLatin1());
    sha1.addData(QString::asprintf("%02X", unsigned(lastTrack)).toLatin1());
    sha1.addData(QString::asprintf("%08X", unsigned(leadOut)).toLatin1());
    for (int k = 0; k < 99; ++k)
        sha1.addData(QString::asprintf("%08X", unsigned(offsets.value(k, 0))).toLatin1());
    QByteArray id = sha1.result().toBase64();
    id.replace('+', '.').replace('/', '_').replace('=', '-');
    return QString::fromLatin1(id);
}

TCDInfo::AudioSession TCDInfo::audioSession() const
{
    const int n = TrackCount();
    AudioSession s{m_firstTrack, m_firstTrack + n - 1, leadOutFrames(), {}};
    for (int k = 1; k <= n; ++k)
        s.offsets << startFrames(k);
    // An Enhanced CD ends with a data session after the audio one; the audio session's lead-out
    // lies 11400 frames (lead-out, lead-in and gap between the sessions) before the data track.
    if (n > 1 && cdio_get_track_format(m_cdio, track_t(m_firstTrack + n - 1)) != TRACK_FORMAT_AUDIO) {
        s.last -= 1;
        s.leadOut = s.offsets.takeLast() - 11400;
    }
    return s;
}

QString TCDInfo::MusicBrainzId() const
{
    const AudioSession s = audioSession();
    return musicBrainzDiscId(s.first, s.last, s.leadOut, s.offsets);
}

QString TCDInfo::MusicBrainzToc() const
{
    const AudioSession s = audioSession();
    QStringList parts{QString::number(s.first), QString::number(s.last), QString::number(s.leadOut)};
    for (const int o : s.offsets)
        parts << QString::number(o);
    return parts.join(QLatin1Char('+'));
}

DiscText TCDInfo::Text() const
{
    const int n = TrackCount();
    DiscText text;
    // libcdio hands CD-Text out as UTF-8 whatever the disc's own character set.
    if (cdtext_t *cdtext = cdio_get_cdtext(m_cdio)) {
        auto field = [cdtext](cdtext_field_t key, int track) {
            return QString::fromUtf8(cdtext_get_const(cdtext, key, track_t(track))).trimmed();
        };
        text.title = field(CDTEXT_FIELD_TITLE, 0);
        text.performer = field(CDTEXT_FIELD_PERFORMER, 0);
        for (int k = 0; k < n; ++k)
            text.trackTitles << field(CDTEXT_FIELD_TITLE, m_firstTrack + k);
    } else {
        for (int k = 0; k < n; ++k)
            text.trackTitles << QString();
    }
    if (char *mcn = cdio_get_mcn(m_cdio)) {
        const QString digits = QString::fromLatin1(mcn).trimmed();
        cdio_free(mcn);
        // A drive reports a disc without a catalogue number as zeros.
        bool any = false;
        for (const QChar c : digits)
            any = any || (c != QLatin1Char('0'));
        if (any)
            text.mcn = digits;
    }
    return text;
}

DiscToc readDisc(const QString &device)
{
    TCDInfo reader;
    reader.OpenDrive(device);
    DiscToc toc;
    toc.trackCount = reader.TrackCount();
    for (int k = 1; k <= toc.trackCount; ++k)
        toc.starts << TimeToFrames(reader.TrackPosition(k));
    toc.leadOut = TimeToFrames(reader.TrackPosition(toc.trackCount)) + TimeToFrames(reader.TrackLength(toc.trackCount)) + 1;
    toc.discLength = reader.DiscLength();
    toc.cddbId = reader.DiscIdText();
    toc.musicBrainzId = reader.MusicBrainzId();
    toc.musicBrainzToc = reader.MusicBrainzToc();
    toc.text = reader.Text();
    return toc;
}
