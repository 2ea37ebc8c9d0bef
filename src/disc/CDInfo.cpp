#include "disc/CDInfo.h"

#include "base/Texts.h"
#include "base/WaitCursor.h"

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/logging.h>
#include <cdio/memory.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <optional>

#include <sys/stat.h>

namespace {

// libcdio writes its warnings to stderr; the program logs nothing, and failures reach the caller
// as CDError instead.
void quietLog(cdio_log_level_t, const char *) { }

QString noDisc(const QString &device)
{
    return Texts::NoAudioDiscText.arg(device);
}

// The last address the minute-second-frame fields of a table of contents can hold, 99:59:74; the
// identifier's length field is sized for discs that end within it.
constexpr lba_t LastAddress = 100 * 60 * 75 - 1;

// Only a regular file is read as an image: opening a FIFO waits for a writer for ever, and a device
// or a folder is no image.
bool regularFile(const QString &path)
{
    struct stat st { };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// A sheet is read whole by our own rules before libcdio sees anything of it: libcdio's reader
// trusts what it is given (more than 99 TRACK lines overrun its table), reads CD-Text as Latin-1
// whatever the sheet's bytes, and refuses a byte-order mark. It gets instead a sheet written here
// from what was checked, plain ASCII, with only what a table of contents needs.
constexpr qint64 MaxSheetBytes = 256 * 1024;
constexpr qsizetype MaxLineChars = 4000;

struct Sheet {
    QByteArray forReader;
    QString binary; // the BIN, absolute
    QString title, performer;
    QStringList trackTitles;
};

// Characters that end or break a line never reach a title.
QString cleanText(QString text)
{
    for (QChar &c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || (c.unicode() >= 0x80 && c.unicode() < 0xA0))
            c = QLatin1Char(' ');
    return text.trimmed();
}

// "mm:ss:ff" with seconds below 60 and frames below 75; -1 when it is not. No regular expression
// serves the reader: it must run clean under valgrind, which PCRE's compiled code does not.
int sheetFrames(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3 || parts[0].isEmpty() || parts[0].size() > 2 || parts[1].size() != 2 || parts[2].size() != 2)
        return -1;
    int values[3] = {};
    for (int k = 0; k < 3; ++k)
        for (const QChar c : parts[k]) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return -1;
            values[k] = values[k] * 10 + (c.unicode() - '0');
        }
    if (values[1] >= 60 || values[2] >= 75)
        return -1;
    return (values[0] * 60 + values[1]) * 75 + values[2];
}

bool blank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Splits at blanks, leaving no empty field.
QStringList sheetFields(const QString &text)
{
    QStringList out;
    QString field;
    for (const QChar c : text) {
        if (!blank(c)) {
            field += c;
        } else if (!field.isEmpty()) {
            out << field;
            field.clear();
        }
    }
    if (!field.isEmpty())
        out << field;
    return out;
}

bool digitsOnly(const QString &text)
{
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return !text.isEmpty();
}

QString msf(int frames)
{
    return QString::asprintf("%02d:%02d:%02d", frames / 4500, (frames / 75) % 60, frames % 75);
}

// A quoted value up to its closing quote, or the rest of the line as it stands.
QString sheetValue(const QString &rest)
{
    if (rest.startsWith(QLatin1Char('"'))) {
        const qsizetype end = rest.indexOf(QLatin1Char('"'), 1);
        return end < 0 ? rest.mid(1) : rest.mid(1, end - 1);
    }
    return rest;
}

// Empty when the sheet is not one this reader takes whole.
std::optional<Sheet> readSheet(const QString &cue)
{
    QFile file(cue);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(MaxSheetBytes + 1);
    if (bytes.size() > MaxSheetBytes || bytes.contains('\0'))
        return std::nullopt;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    // UTF-8 when the bytes are valid UTF-8, which Latin-1 text with accents practically never is.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);

    static const QStringList modes{QStringLiteral("AUDIO"),      QStringLiteral("CDG"),
                                   QStringLiteral("MODE1/2048"), QStringLiteral("MODE1/2352"),
                                   QStringLiteral("MODE2/2336"), QStringLiteral("MODE2/2352"),
                                   QStringLiteral("CDI/2336"),   QStringLiteral("CDI/2352")};
    // Read and left out: nothing of them goes into a table of contents or into the editor.
    static const QStringList ignored{
        QStringLiteral("REM"),        QStringLiteral("FLAGS"),     QStringLiteral("ISRC"),
        QStringLiteral("SONGWRITER"), QStringLiteral("COMPOSER"),  QStringLiteral("ARRANGER"),
        QStringLiteral("MESSAGE"),    QStringLiteral("DISC_ID"),   QStringLiteral("GENRE"),
        QStringLiteral("TOC_INFO1"),  QStringLiteral("TOC_INFO2"), QStringLiteral("UPC_EAN"),
        QStringLiteral("SIZE_INFO"),  QStringLiteral("CDTEXTFILE")};

    Sheet sheet;
    QByteArray &out = sheet.forReader;
    int track = 0;        // the number of the current TRACK, 0 before the first
    int lastIndex = -1;   // of the current track
    bool started = false; // the current track has its INDEX 01
    int lastTime = -1;    // every INDEX of the sheet comes after the one before
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        if (raw.size() > MaxLineChars)
            return std::nullopt;
        const QString line = raw.trimmed();
        if (line.isEmpty())
            continue;
        qsizetype gap = 0;
        while (gap < line.size() && !blank(line[gap]))
            ++gap;
        const QString keyword = line.left(gap).toUpper();
        const QString rest = line.mid(gap).trimmed();
        const QStringList fields = sheetFields(rest);
        if (keyword == QLatin1String("FILE")) {
            const QString name = sheetValue(rest);
            if (name.isEmpty())
                return std::nullopt;
            const QString path = QFileInfo(cue).dir().absoluteFilePath(name);
            if (!sheet.binary.isEmpty() && sheet.binary != path)
                return std::nullopt; // one BIN cannot stand for several files
            sheet.binary = path;
            out += "FILE \"disc.bin\" BINARY\n";
        } else if (keyword == QLatin1String("TRACK")) {
            const bool ok = digitsOnly(fields.value(0)) && fields[0].size() <= 2;
            const int number = ok ? fields[0].toInt() : 0;
            if (sheet.binary.isEmpty() || fields.size() != 2 || !ok || number < 1 || number > 99
                || (track > 0 && (number != track + 1 || !started)) || !modes.contains(fields[1].toUpper()))
                return std::nullopt;
            track = number;
            lastIndex = -1;
            started = false;
            sheet.trackTitles << QString();
            out += QStringLiteral("  TRACK %1 %2\n")
                       .arg(number, 2, 10, QLatin1Char('0'))
                       .arg(fields[1].toUpper())
                       .toLatin1();
        } else if (keyword == QLatin1String("INDEX")) {
            const bool ok = digitsOnly(fields.value(0)) && fields[0].size() <= 2;
            const int number = ok ? fields[0].toInt() : 0;
            const int time = sheetFrames(fields.value(1));
            if (track == 0 || fields.size() != 2 || !ok || number < 0 || number > 99 || number <= lastIndex || time < 0
                || time <= lastTime)
                return std::nullopt;
            lastIndex = number;
            lastTime = time;
            started = started || number == 1;
            out += QStringLiteral("    INDEX %1 %2\n").arg(number, 2, 10, QLatin1Char('0')).arg(msf(time)).toLatin1();
        } else if (keyword == QLatin1String("PREGAP") || keyword == QLatin1String("POSTGAP")) {
            const int time = sheetFrames(fields.value(0));
            if (track == 0 || fields.size() != 1 || time < 0)
                return std::nullopt;
            out += "    " + keyword.toLatin1() + ' ' + msf(time).toLatin1() + '\n';
        } else if (keyword == QLatin1String("CATALOG")) {
            // A catalogue number that is not one is left out, not the disc.
            if (fields.size() == 1 && fields[0].size() == 13 && digitsOnly(fields[0]))
                out += "CATALOG " + fields[0].toLatin1() + '\n';
        } else if (keyword == QLatin1String("TITLE") || keyword == QLatin1String("PERFORMER")) {
            const QString value = cleanText(sheetValue(rest));
            if (track == 0)
                (keyword == QLatin1String("TITLE") ? sheet.title : sheet.performer) = value;
            else if (keyword == QLatin1String("TITLE"))
                sheet.trackTitles.last() = value;
        } else if (!ignored.contains(keyword)) {
            return std::nullopt;
        }
    }
    if (track == 0 || !started)
        return std::nullopt;
    return sheet;
}

// libcdio reads the BIN beside the sheet that bears the sheet's own name, whatever the FILE line
// says, and rips seldom name them so. It is given the checked sheet and a link to the BIN under one
// name in a folder of its own; it reads all it needs of them while it opens, so the folder may go
// at once.
CdIo_t *openImage(const QString &cue, std::optional<Sheet> &sheet)
{
    if (!regularFile(cue))
        return nullptr;
    sheet = readSheet(cue);
    if (!sheet || !regularFile(sheet->binary))
        return nullptr;
    QTemporaryDir folder;
    if (!folder.isValid())
        return nullptr;
    QFile written(folder.filePath(QStringLiteral("disc.cue")));
    if (!written.open(QIODevice::WriteOnly) || written.write(sheet->forReader) != sheet->forReader.size()
        || !written.flush() || !QFile::link(sheet->binary, folder.filePath(QStringLiteral("disc.bin"))))
        return nullptr;
    written.close();
    return cdio_open_cue(QFile::encodeName(written.fileName()).constData());
}

} // namespace

int timeToFrames(const TrackTime &t)
{
    return t.Minute * 4500 + t.Second * 75 + t.Frame;
}

TrackTime framesToTime(std::uint32_t frames)
{
    TrackTime t;
    t.Frame = static_cast<std::int32_t>(frames % 75);
    t.Second = static_cast<std::int32_t>((frames / 75) % 60);
    t.Minute = static_cast<std::int32_t>(frames / 4500);
    return t;
}

CDInfo::CDInfo() = default;

CDInfo::~CDInfo()
{
    if (m_cdio)
        cdio_destroy(m_cdio);
}

void CDInfo::openDrive(const QString &device)
{
    WaitCursor wait;
    if (m_cdio)
        throw CDError("The reader is already open.");
    if (device.isEmpty())
        throw CDError(Texts::NoDriveSelectedText.toStdString());
    cdio_log_set_handler(quietLog);

    const bool image = device.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive);
    std::optional<Sheet> sheet;
    CdIo_t *cdio = image ? openImage(device, sheet) : cdio_open(QFile::encodeName(device).constData(), DRIVER_DEVICE);
    if (!cdio)
        throw CDError(noDisc(device).toStdString());

    // The checks run before the reader keeps the handle, so a failed open leaves nothing to close.
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    bool ok = first != CDIO_INVALID_TRACK && count != CDIO_INVALID_TRACK && count >= 1 && count <= 99 && first >= 1
        && first + count - 1 <= 99;
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
    if (sheet && sheet->trackTitles.size() != count) {
        cdio_destroy(cdio);
        throw CDError(noDisc(device).toStdString());
    }
    m_cdio = cdio;
    m_firstTrack = first;
    m_trackCount = count;
    if (sheet) {
        m_sheetText = DiscText{sheet->title, sheet->performer, sheet->trackTitles, {}};
    }
}

int CDInfo::trackCount() const
{
    if (!m_cdio)
        throw CDError("No disc is open.");
    return m_trackCount;
}

int CDInfo::startFrames(int track) const
{
    if (track < 1 || track > trackCount())
        throw CDError(Texts::NoSuchTrackText.arg(track).toStdString());
    return cdio_get_track_lba(m_cdio, track_t(m_firstTrack + track - 1));
}

int CDInfo::leadOutFrames() const
{
    trackCount();
    return cdio_get_track_lba(m_cdio, CDIO_CDROM_LEADOUT_TRACK);
}

TrackTime CDInfo::trackPosition(int track) const
{
    return framesToTime(std::uint32_t(startFrames(track)));
}

TrackTime CDInfo::trackLength(int track) const
{
    const int start = startFrames(track);
    const int end = track < trackCount() ? startFrames(track + 1) : leadOutFrames();
    return framesToTime(std::uint32_t(end - start - 1));
}

int CDInfo::discLength() const
{
    const int n = trackCount();
    TrackTime length = trackLength(n);
    length.Frame += 1;
    const TrackTime end = framesToTime(std::uint32_t(timeToFrames(trackPosition(n)) + timeToFrames(length)));
    const TrackTime first = trackPosition(1);
    return (end.Minute * 60 + end.Second) - (first.Minute * 60 + first.Second);
}

std::uint32_t CDInfo::discId() const
{
    const int n = trackCount();
    std::uint32_t sum = 0;
    for (int k = 1; k <= n; ++k) {
        const TrackTime start = trackPosition(k);
        for (int s = start.Minute * 60 + start.Second; s > 0; s /= 10)
            sum += std::uint32_t(s % 10);
    }
    const auto t = std::uint32_t(discLength());
    return ((sum % 255) << 24) | (t << 8) | std::uint32_t(n);
}

QString CDInfo::discIdText() const
{
    return QString::asprintf("%08X", unsigned(discId()));
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

CDInfo::AudioSession CDInfo::audioSession() const
{
    const int n = trackCount();
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

QString CDInfo::musicBrainzId() const
{
    const AudioSession s = audioSession();
    return musicBrainzDiscId(s.first, s.last, s.leadOut, s.offsets);
}

QString CDInfo::musicBrainzToc() const
{
    const AudioSession s = audioSession();
    QStringList parts{QString::number(s.first), QString::number(s.last), QString::number(s.leadOut)};
    for (const int o : s.offsets)
        parts << QString::number(o);
    return parts.join(QLatin1Char('+'));
}

DiscText CDInfo::text() const
{
    const int n = trackCount();
    DiscText text;
    // libcdio hands CD-Text out as UTF-8 whatever the disc's own character set.
    if (m_sheetText) {
        text = *m_sheetText;
    } else if (cdtext_t *cdtext = cdio_get_cdtext(m_cdio)) {
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
    CDInfo reader;
    reader.openDrive(device);
    DiscToc toc;
    toc.trackCount = reader.trackCount();
    for (int k = 1; k <= toc.trackCount; ++k)
        toc.starts << timeToFrames(reader.trackPosition(k));
    toc.leadOut
        = timeToFrames(reader.trackPosition(toc.trackCount)) + timeToFrames(reader.trackLength(toc.trackCount)) + 1;
    toc.discLength = reader.discLength();
    toc.cddbId = reader.discIdText();
    toc.musicBrainzId = reader.musicBrainzId();
    toc.musicBrainzToc = reader.musicBrainzToc();
    toc.text = reader.text();
    return toc;
}
