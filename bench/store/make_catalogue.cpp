// Makes a big catalogue for the store benchmark: 20,000 audio CDs with 300,000 tracks, 2,000 artists,
// 5,000 movies, 2,000 data CDs with 1,000,000 items. Always the same file for the same program.
//
//   dadudu-bench-catalogue [--force] /tmp/dadudu-bench/dadudu.mdb

#include "store/CatalogueFile.h"
#include "store/DbEngine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int Artists = 2000;
constexpr int AudioCDs = 20000;
constexpr int Tracks = 300000;
constexpr int Movies = 5000;
constexpr int DataCDs = 2000;
constexpr int DataItems = 1000000;
// A few more rows are made and then deleted, so some rows point to a CD or artist that is gone, and
// AUTOINCREMENT never hands those numbers out again.
constexpr int ArtistsMade = Artists + 10;   // every 201st deleted
constexpr int AudioCDsMade = AudioCDs + 20; // every 1001st deleted
constexpr int DataCDsMade = DataCDs + 4;    // every 501st deleted

// Our own generator and mapping: std:: distributions differ between libraries, the file must not.
class Random
{
public:
    explicit Random(uint64_t seed)
        : m_state(seed)
    { }
    uint64_t next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % uint64_t(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(int percent) { return below(100) < percent; }
    template<size_t N> const char *pick(const char *const (&list)[N]) { return list[below(int(N))]; }

private:
    uint64_t m_state;
};

const char *const FirstNames[] = {
    "Édith",  "Jacques",   "Françoise", "Serge",  "Léo",    "Barbara", "Georges", "Mylène",   "Étienne", "Zaz",
    "Noël",   "Chloé",     "Renée",     "José",   "Björk",  "Sinéad",  "Günther", "Joël",     "Hélène",  "Anaïs",
    "Michel", "Véronique", "Alain",     "Céline", "Benoît", "Agnès",   "Jérôme",  "Maïwenn",  "Raphaël", "Zoé",
    "Miles",  "Ella",      "Nina",      "John",   "Aretha", "Bob",     "Joni",    "Frédéric", "Kurt",    "Dolores",
};
const char *const LastNames[] = {
    "Piaf",      "Brel",    "Hardy",    "Gainsbourg",     "Ferré",   "Brassens",   "Farmer",  "Daho",
    "Aznavour",  "Lavoine", "O'Connor", "Guðmundsdóttir", "Müller",  "Ségara",     "Bécaud",  "Dassin",
    "Françoise", "D'Arcy",  "Lemaître", "Château",        "Davis",   "Fitzgerald", "Simone",  "Coltrane",
    "Franklin",  "Dylan",   "Mitchell", "Chopin",         "Weill",   "O'Riordan",  "Kœnig",   "Duprés",
    "Leclerc",   "Sanson",  "Berger",   "Voulzy",         "Souchon", "Cabrel",     "Goldman", "Saint-Preux",
};
const char *const BandWords[] = {
    "Les", "The", "Orchestre", "Quatuor", "Ensemble", "Trio", "Brigade", "Chœur", "Fanfare", "Collectif",
};
const char *const Words[] = {
    "amour",       "été",      "nuit",       "l'hiver",     "soleil",      "rêve",       "café",   "forêt",   "cœur",
    "mémoire",     "fenêtre",  "lumière",    "océan",       "misère",      "tendresse",  "île",    "pluie",   "chanson",
    "fièvre",      "éternité", "d'ailleurs", "aujourd'hui", "là-bas",      "jusqu'à",    "naïve",  "ça",      "où",
    "noël",        "déjà",     "bientôt",    "love",        "night",       "blue",       "road",   "heart",   "don't",
    "rock'n'roll", "city",     "dream",      "river",       "Live",        "Remastered", "Vol. 2", "Best of", "(Remix)",
    "[Bonus]",     "Part I",   "Op. 28",     "n° 5",        "— Intégrale",
};
const char *const MovieWords[] = {
    "La",           "Le",      "Les",     "Un",         "Une",    "Amélie", "Poulain",    "Haine",
    "Intouchables", "Jour",    "Nuit",    "Américaine", "Cité",   "Peur",   "L'Étranger", "d'Été",
    "Crépuscule",   "Zodiac",  "Matrix",  "Odyssée",    "2001",   "Retour", "Vengeance",  "Héritage",
    "Château",      "Mystère", "Rivière", "Parrain",    "Voyage", "Lune",
};
const char *const MovieTypes[] = {"DVD",   "Blu-ray",         "DivX",     "VHS",          "VCD",   "Comédie",
                                  "Drame", "Science-fiction", "Policier", "Documentaire", "Animé", "Film d'horreur"};
const char *const Folders[] = {
    "Photos",          "Musique",       "Documents",     "Vidéos",
    "Sauvegardes",     "Logiciels",     "Jeux",          "Archives",
    "Téléchargements", "Mes documents", "Program Files", "Vacances été 2004",
    "Noël chez Mamie", "Thèse",         "Comptabilité",
};
const char *const Extensions[] = {".jpg", ".JPG", ".mp3", ".ogg", ".doc",  ".pdf", ".avi", ".zip",
                                  ".txt", ".exe", ".xls", ".png", ".flac", ".iso", ".htm"};

std::string words(Random &r, int lo, int hi)
{
    std::string s;
    const int n = r.between(lo, hi);
    for (int i = 0; i < n; ++i) {
        if (i)
            s += ' ';
        std::string w = r.pick(Words);
        if (i == 0 && !w.empty() && w[0] >= 'a' && w[0] <= 'z')
            w[0] = char(w[0] - 'a' + 'A');
        s += w;
    }
    return s;
}

std::string artistName(Random &r)
{
    if (r.chance(25))
        return std::string(r.pick(BandWords)) + ' ' + r.pick(Words)
            + (r.chance(50) ? "" : " & " + std::string(r.pick(LastNames)));
    return std::string(r.pick(FirstNames)) + ' ' + r.pick(LastNames);
}

std::string comments(Random &r)
{
    const int kind = r.below(100);
    if (kind < 60)
        return "";
    if (kind < 92)
        return words(r, 2, 12);
    // A long note of several paragraphs, as some users keep.
    std::string s;
    const int lines = r.between(5, 40);
    for (int i = 0; i < lines; ++i) {
        if (i)
            s += "\r\n";
        s += words(r, 3, 18) + (r.chance(30) ? "." : "");
    }
    return s;
}

std::string digits(Random &r, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += char('0' + r.below(10));
    return s;
}

std::string fitted(std::string s, size_t bytes)
{
    // The engine counts characters and these texts are mostly ASCII: a byte cap stays under it.
    if (s.size() <= bytes)
        return s;
    s.resize(bytes);
    while (!s.empty() && (static_cast<unsigned char>(s.back()) & 0xC0) == 0x80)
        s.pop_back();
    if (!s.empty() && (static_cast<unsigned char>(s.back()) & 0x80))
        s.pop_back();
    return s;
}

std::string itemLabel(Random &r, int cdIndex, int itemIndex)
{
    std::string s = r.pick(Folders);
    const int depth = r.between(0, 3);
    for (int i = 0; i < depth; ++i)
        s += '\\' + words(r, 1, 3);
    s += '\\';
    if (r.chance(40))
        s += "IMG_" + std::to_string(1000 + (cdIndex * 7 + itemIndex) % 9000);
    else
        s += words(r, 1, 4);
    s += r.pick(Extensions);
    return fitted(s, 250);
}

// Splits total into parts of at least minimum each, at random.
std::vector<int> split(Random &r, int total, int parts, int minimum)
{
    std::vector<int> cuts;
    const int spare = total - parts * minimum;
    cuts.reserve(size_t(parts) + 1);
    cuts.push_back(0);
    for (int i = 0; i < parts - 1; ++i)
        cuts.push_back(r.below(spare + 1));
    cuts.push_back(spare);
    std::sort(cuts.begin(), cuts.end());
    std::vector<int> sizes(static_cast<size_t>(parts));
    for (int i = 0; i < parts; ++i)
        sizes[size_t(i)] = minimum + cuts[size_t(i) + 1] - cuts[size_t(i)];
    return sizes;
}

class Db
{
public:
    explicit Db(const QString &path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            fail("open");
    }
    ~Db()
    {
        for (sqlite3_stmt *s : m_statements)
            sqlite3_finalize(s);
        sqlite3_close(m_db);
    }
    void exec(const char *sql)
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(sql);
    }
    sqlite3_stmt *prepare(const char *sql)
    {
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr) != SQLITE_OK)
            fail(sql);
        m_statements.push_back(s);
        return s;
    }
    void bindText(sqlite3_stmt *s, int i, const std::string &v)
    {
        sqlite3_bind_text(s, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
    }
    void bindInt(sqlite3_stmt *s, int i, int v) { sqlite3_bind_int(s, i, v); }
    void step(sqlite3_stmt *s)
    {
        if (sqlite3_step(s) != SQLITE_DONE)
            fail(sqlite3_sql(s));
        sqlite3_reset(s);
    }

private:
    [[noreturn]] void fail(const char *what)
    {
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(m_db));
    }
    sqlite3 *m_db = nullptr;
    std::vector<sqlite3_stmt *> m_statements;
};

void fill(const QString &path)
{
    Random r(20240601);
    Db db(path);
    // A throw-away file being made: no need to survive a power cut half-way.
    db.exec("PRAGMA synchronous=OFF");
    db.exec("PRAGMA cache_size=-262144");
    db.exec("BEGIN");

    auto *artist = db.prepare("insert into ARTISTE (ART_NAME) values (?1)");
    for (int i = 0; i < ArtistsMade; ++i) {
        db.bindText(artist, 1, artistName(r));
        db.step(artist);
    }

    auto *cd = db.prepare("insert into CDAUDIO (CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS)"
                          " values (?1, ?2, ?3, ?4, ?5, ?6)");
    for (int i = 0; i < AudioCDsMade; ++i) {
        db.bindText(cd, 1, fitted(words(r, 1, 6), 250));
        db.bindInt(cd, 2, 1 + r.below(ArtistsMade));
        db.bindText(cd, 3, r.chance(20) ? std::string() : digits(r, r.chance(80) ? 13 : 12));
        db.bindText(cd, 4, r.chance(10) ? std::string() : std::to_string(r.between(1950, 2024)));
        db.bindInt(cd, 5, r.chance(5) ? 1 : 0);
        db.bindText(cd, 6, comments(r));
        db.step(cd);
    }

    auto *track = db.prepare("insert into TRACK (TR_LABEL, CD_ID) values (?1, ?2)");
    const std::vector<int> tracksPerCD = split(r, Tracks, AudioCDsMade, 3);
    for (int c = 0; c < AudioCDsMade; ++c)
        for (int t = 0; t < tracksPerCD[size_t(c)]; ++t) {
            db.bindText(track, 1, fitted(words(r, 1, 7), 250));
            db.bindInt(track, 2, c + 1);
            db.step(track);
        }

    auto *movie = db.prepare("insert into MOVIE (MOV_TITLE, MOV_TYPE) values (?1, ?2)");
    for (int i = 0; i < Movies; ++i) {
        std::string title;
        const int n = r.between(1, 5);
        for (int w = 0; w < n; ++w)
            title += (w ? " " : "") + std::string(r.pick(MovieWords));
        if (r.chance(15))
            title += " (" + std::to_string(r.between(1930, 2024)) + ")";
        db.bindText(movie, 1, title);
        db.bindText(movie, 2, r.chance(3) ? std::string() : r.pick(MovieTypes));
        db.step(movie);
    }

    auto *dataCD = db.prepare("insert into DATACD (CD_TITLE) values (?1)");
    for (int i = 0; i < DataCDsMade; ++i) {
        db.bindText(dataCD, 1,
                    std::string(r.pick(Folders)) + " n°" + std::to_string(i + 1)
                        + (r.chance(30) ? " — " + words(r, 1, 4) : ""));
        db.step(dataCD);
    }

    auto *item = db.prepare("insert into DATA (CD_ID, DATA_LABEL) values (?1, ?2)");
    const std::vector<int> itemsPerCD = split(r, DataItems, DataCDsMade, 1);
    for (int c = 0; c < DataCDsMade; ++c)
        for (int i = 0; i < itemsPerCD[size_t(c)]; ++i) {
            db.bindInt(item, 1, c + 1);
            db.bindText(item, 2, itemLabel(r, c, i));
            db.step(item);
        }

    db.exec("delete from ARTISTE where ART_ID % 201 = 0");
    db.exec("delete from CDAUDIO where CD_ID % 1001 = 0");
    db.exec("delete from DATACD where CD_ID % 501 = 0");
    db.exec("COMMIT");
    // Leave one file, no WAL beside it, so it can be copied as it is.
    db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Makes the big catalogue of the benchmarks (always the same for the same program).\n"
                       "An existing file is left as it is unless --force is given."));
    parser.addHelpOption();
    const QCommandLineOption force(QStringLiteral("force"), QStringLiteral("Replace an existing file at PATH."));
    parser.addOption(force);
    parser.addPositionalArgument(QStringLiteral("path"), QStringLiteral("The catalogue file to make."),
                                 QStringLiteral("PATH"));
    if (!parser.parse(app.arguments())) {
        std::fprintf(stderr, "%s: %s\n", argv[0], qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "usage: %s [--force] PATH   (--help tells more)\n", argv[0]);
        return 2;
    }
    const QString path = parser.positionalArguments().constFirst();
    if (QFileInfo(path).exists() && !parser.isSet(force)) {
        std::fprintf(stderr, "%s exists already; it is left as it is (--force replaces it)\n", qPrintable(path));
        return 1;
    }
    // Filled under another name and put in place once whole, so an interrupted run leaves no
    // half-made catalogue under the name the benchmarks look for.
    const QString building = path + QStringLiteral(".building");
    try {
        QDir().mkpath(QFileInfo(path).absolutePath());
        for (const char *suffix : {"", "-wal", "-shm"})
            QFile::remove(building + QLatin1String(suffix));
        QElapsedTimer timer;
        timer.start();
        createEmptyCatalogue(building);
        fill(building);
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        if (std::rename(QFile::encodeName(building).constData(), QFile::encodeName(path).constData()) != 0)
            throw std::runtime_error("cannot put the catalogue in place of " + path.toStdString());
        std::printf("%s: %d artists, %d audio CDs, %d tracks, %d movies, %d data CDs, %d data items in %.1f s\n",
                    qPrintable(path), Artists, AudioCDs, Tracks, Movies, DataCDs, DataItems, timer.elapsed() / 1000.0);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        QFile::remove(building);
        return 1;
    }
    return 0;
}
