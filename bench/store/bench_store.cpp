// The stores against the sqlite3 C API on a big catalogue (made by dadudu-bench-catalogue):
//  - each start-up open step and each RefreshList, against reading the same rows directly;
//  - AddDataCD of 10,000 items (one transaction, event hook on), against one bulk insert;
//  - the process's peak memory with every list open.
// Works on a copy beside the catalogue, so the catalogue stays as it was made.
//
//   dadudu-bench-store /tmp/dadudu-bench/dadudu.mdb

#include "base/MessageService.h"
#include "store/ArtistStore.h"
#include "store/AudioCDStore.h"
#include "store/CatalogueConnection.h"
#include "store/DataCDStore.h"
#include "store/DataItemStore.h"
#include "store/MovieStore.h"
#include "store/TrackStore.h"
#include "support/LoudMessages.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace {

constexpr double ReadRatioTarget = 2.0;
constexpr double AddSecondsTarget = 1.0;
constexpr double MemoryTargetMiB = 1024.0;
constexpr int AddedItems = 10000;

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double statusMiB(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// ---------------------------------------------------------------------------------------------------
// The baseline: the sqlite3 C API, values copied out as plain C++ values.

using Cell = std::variant<std::monostate, long long, double, std::string>;

// Rows read directly; variants: the same values as the engine layer keeps them (for the diagnosis
// of where the time goes: SQL layer or the values themselves).
struct Copy {
    std::vector<Cell> plain;
    std::vector<QVariant> variants;
    void clear()
    {
        plain.clear();
        variants.clear();
        variants.shrink_to_fit();
    }
};

class RawDb
{
public:
    explicit RawDb(const QString &path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            fail("open");
        sqlite3_busy_timeout(m_db, 1000);
    }
    ~RawDb() { sqlite3_close(m_db); }
    sqlite3 *handle() const { return m_db; }

    void exec(const char *sql)
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(sql);
    }
    sqlite3_stmt *prepare(const QString &sql)
    {
        const QByteArray utf8 = sql.toUtf8();
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &s, nullptr) != SQLITE_OK)
            fail(utf8.constData());
        return s;
    }
    // Every row of sql, all columns, into out (emptied first); answers the row count.
    int read(const QString &sql, std::vector<Cell> &out, const char *param = nullptr, int value = 0)
    {
        out.clear();
        return read(sql, param, value, [&](sqlite3_stmt *s, int c) {
            switch (sqlite3_column_type(s, c)) {
            case SQLITE_INTEGER:
                out.emplace_back(sqlite3_column_int64(s, c));
                break;
            case SQLITE_FLOAT:
                out.emplace_back(sqlite3_column_double(s, c));
                break;
            case SQLITE_NULL:
                out.emplace_back(std::monostate());
                break;
            default: {
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(s, c));
                out.emplace_back(std::string(text, size_t(sqlite3_column_bytes(s, c))));
            }
            }
        });
    }
    // The same, into one QVariant per value, as a snapshot of QVariants would hold them.
    int read(const QString &sql, std::vector<QVariant> &out, const char *param = nullptr, int value = 0)
    {
        out.clear();
        out.shrink_to_fit();
        const int rows = read(sql, param, value, [&](sqlite3_stmt *s, int c) {
            switch (sqlite3_column_type(s, c)) {
            case SQLITE_INTEGER:
                out.emplace_back(qint64(sqlite3_column_int64(s, c)));
                break;
            case SQLITE_FLOAT:
                out.emplace_back(sqlite3_column_double(s, c));
                break;
            case SQLITE_NULL:
                out.emplace_back(QMetaType::fromType<QString>());
                break;
            case SQLITE_BLOB:
                out.emplace_back(
                    QByteArray(static_cast<const char *>(sqlite3_column_blob(s, c)), sqlite3_column_bytes(s, c)));
                break;
            default:
                out.emplace_back(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, c)),
                                                   sqlite3_column_bytes(s, c)));
            }
        });
        out.shrink_to_fit();
        return rows;
    }
    int read(const QString &sql, Copy &out, bool variants, const char *param, int value)
    {
        return variants ? read(sql, out.variants, param, value) : read(sql, out.plain, param, value);
    }
    template<class CopyCell> int read(const QString &sql, const char *param, int value, CopyCell copy)
    {
        sqlite3_stmt *s = prepare(sql);
        if (param)
            sqlite3_bind_int(s, sqlite3_bind_parameter_index(s, param), value);
        const int columns = sqlite3_column_count(s);
        int rows = 0;
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c)
                copy(s, c);
            ++rows;
        }
        sqlite3_finalize(s);
        if (rc != SQLITE_DONE)
            fail("read");
        return rows;
    }
    [[noreturn]] void fail(const char *what)
    {
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(m_db));
    }

private:
    sqlite3 *m_db = nullptr;
};

// ---------------------------------------------------------------------------------------------------
// Timing

// Best of three rounds; a round repeats a short step until it has run long enough to be read.
double measure(const std::function<void()> &untimed, const std::function<void()> &timed)
{
    double best = std::numeric_limits<double>::max();
    for (int round = 0; round < 3; ++round) {
        double total = 0;
        int runs = 0;
        do {
            untimed();
            const auto t0 = std::chrono::steady_clock::now();
            timed();
            total += seconds(t0);
            ++runs;
        } while (total < 0.05 && runs < 2000);
        best = std::min(best, total / runs);
    }
    return best;
}

struct Row {
    std::string name;
    int rows;
    double store;
    double baseline;
    double variants;
};

bool printReadTable(const char *title, const std::vector<Row> &rows)
{
    bool met = true;
    std::printf("\n%s\n", title);
    std::printf("  %-24s %8s %10s %10s %7s %5s %12s %7s\n", "step", "rows", "store ms", "C API ms", "ratio", "",
                "C->QVariant", "ratio");
    double store = 0, baseline = 0, variants = 0;
    for (const Row &r : rows) {
        const double ratio = r.store / r.baseline;
        met = met && ratio <= ReadRatioTarget;
        std::printf("  %-24s %8d %10.2f %10.2f %6.2fx %5s %12.2f %6.2fx\n", r.name.c_str(), r.rows, r.store * 1e3,
                    r.baseline * 1e3, ratio, ratio <= ReadRatioTarget ? "" : "over", r.variants * 1e3,
                    r.variants / r.baseline);
        store += r.store;
        baseline += r.baseline;
        variants += r.variants;
    }
    std::printf("  %-24s %8s %10.2f %10.2f %6.2fx %5s %12.2f %6.2fx\n", "all", "", store * 1e3, baseline * 1e3,
                store / baseline, "", variants * 1e3, variants / baseline);
    return met;
}

QString workCopyOf(const QString &catalogue)
{
    const QString copy = QFileInfo(catalogue).absolutePath() + QStringLiteral("/bench-work.mdb");
    for (const char *tail : {"", "-wal", "-shm"})
        QFile::remove(copy + QLatin1String(tail));
    if (!QFile::copy(catalogue, copy))
        throw std::runtime_error("cannot copy the catalogue to " + copy.toStdString());
    return copy;
}

QStringList itemLabels()
{
    QStringList items;
    for (int i = 0; i < AddedItems; ++i)
        items << QStringLiteral("Sauvegarde été\\Mes documents\\Lettre n°%1 à l'agence — copie.doc").arg(i + 1);
    return items;
}

int run(const QString &catalogue, bool reads, bool writes)
{
    const QString path = workCopyOf(catalogue);
    const double processMiB = statusMiB("VmRSS:");

    LoudMessages messages;
    CatalogueConnection catalogueConnection(messages);
    AudioCDStore audioCDStore(catalogueConnection, messages);
    MovieStore movieStore(catalogueConnection, messages);
    ArtistStore artistStore(catalogueConnection, messages);
    TrackStore trackStore(catalogueConnection, messages);
    DataCDStore dataCDStore(catalogueConnection, messages);
    DataItemStore dataItemStore(catalogueConnection, messages);
    catalogueConnection.openDatabase(path);
    if (!catalogueConnection.connection.connected())
        throw std::runtime_error("the catalogue did not open");
    RawDb raw(path);

    // The open steps in start-up order; each with its direct read of the same rows.
    struct Step {
        std::string name;
        std::function<void()> close;
        std::function<void()> open;
        std::function<int(Copy &, bool)> baseline;
        DbQuery *query;
    };
    auto key
        = [](DbQuery &list, const char *field) { return list.eof() ? 0 : list.fieldAsInteger(QLatin1String(field)); };
    auto list = [&](DbQuery &q) {
        return [&](Copy &out, bool variants) { return raw.read(q.sql(), out, variants, nullptr, 0); };
    };
    auto detail = [&](DbQuery &q, DbQuery &master, const char *field) {
        return [&, field](Copy &out, bool variants) {
            return raw.read(q.sql(), out, variants, (":" + std::string(field)).c_str(), key(master, field));
        };
    };
    const std::vector<Step> steps = {
        {"D_CD OpenList", [&] { audioCDStore.closeList(); }, [&] { audioCDStore.openList(); },
         list(audioCDStore.cdQuery), &audioCDStore.cdQuery},
        {"D_CD OpenDetail", [] {}, [&] { audioCDStore.openDetail(); },
         detail(audioCDStore.tracksQuery, audioCDStore.cdQuery, "CD_ID"), &audioCDStore.tracksQuery},
        {"D_Movie OpenList", [&] { movieStore.closeList(); }, [&] { movieStore.openList(); },
         list(movieStore.movieQuery), &movieStore.movieQuery},
        {"D_Artist OpenList", [&] { artistStore.closeList(); }, [&] { artistStore.openList(); },
         list(artistStore.artistsQuery), &artistStore.artistsQuery},
        {"D_Artist OpenDetail", [] {}, [&] { artistStore.openDetail(); },
         detail(artistStore.artistCDsQuery, artistStore.artistsQuery, "ART_ID"), &artistStore.artistCDsQuery},
        {"D_Track OpenList", [&] { trackStore.closeList(); }, [&] { trackStore.openList(); },
         list(trackStore.tracksQuery), &trackStore.tracksQuery},
        {"D_Data OpenList", [&] { dataCDStore.closeList(); }, [&] { dataCDStore.openList(); },
         list(dataCDStore.dataCDsQuery), &dataCDStore.dataCDsQuery},
        {"D_Data OpenDetail", [] {}, [&] { dataCDStore.openDetail(); },
         detail(dataCDStore.dataCDItemsQuery, dataCDStore.dataCDsQuery, "CD_ID"), &dataCDStore.dataCDItemsQuery},
        {"D_DataItems OpenList", [&] { dataItemStore.closeList(); }, [&] { dataItemStore.openList(); },
         list(dataItemStore.dataItemsQuery), &dataItemStore.dataItemsQuery},
    };

    // (c) first, so that no baseline copy counts in the peak: the start-up pass as the program makes it.
    const auto t0 = std::chrono::steady_clock::now();
    for (const Step &s : steps)
        s.open();
    const double firstOpen = seconds(t0);
    const double peakMiB = statusMiB("VmHWM:");
    const double rssMiB = statusMiB("VmRSS:");

    // (a) each open step, then each RefreshList, with all lists open as after start-up.
    std::vector<Row> opens;
    for (const Step &s : reads ? steps : std::vector<Step>()) {
        Copy copied;
        const double store = measure(s.close, s.open);
        const double baseline = measure([&] { copied.clear(); }, [&] { s.baseline(copied, false); });
        const double variants = measure([&] { copied.clear(); }, [&] { s.baseline(copied, true); });
        opens.push_back({s.name, s.query->rowCount(), store, baseline, variants});
    }

    struct Refresh {
        std::string name;
        std::function<void()> refresh;
        std::vector<std::function<int(Copy &, bool)>> baseline;
        DbQuery *query;
    };
    const std::vector<Refresh> refreshes = {
        {"D_CD RefreshList",
         [&] { audioCDStore.refreshList(); },
         {steps[0].baseline, steps[1].baseline},
         &audioCDStore.cdQuery},
        {"D_Movie RefreshList", [&] { movieStore.refreshList(); }, {steps[2].baseline}, &movieStore.movieQuery},
        {"D_Artist RefreshList",
         [&] { artistStore.refreshList(); },
         {steps[3].baseline, steps[4].baseline},
         &artistStore.artistsQuery},
        {"D_Track RefreshList", [&] { trackStore.refreshList(); }, {steps[5].baseline}, &trackStore.tracksQuery},
        {"D_Data RefreshList",
         [&] { dataCDStore.refreshList(); },
         {steps[6].baseline, steps[7].baseline},
         &dataCDStore.dataCDsQuery},
        {"D_DataItems RefreshList",
         [&] { dataItemStore.refreshList(); },
         {steps[8].baseline},
         &dataItemStore.dataItemsQuery},
    };
    std::vector<Row> refreshed;
    for (const Refresh &r : reads ? refreshes : std::vector<Refresh>()) {
        const double store = measure([] {}, r.refresh);
        // The copies live on between runs, so each run frees the last one, as a refresh does.
        std::vector<Copy> copied(r.baseline.size());
        auto read = [&](bool variants) {
            for (size_t i = 0; i < r.baseline.size(); ++i)
                r.baseline[i](copied[i], variants);
        };
        const double baseline = measure([] {}, [&] { read(false); });
        for (Copy &c : copied)
            c.clear();
        const double variants = measure([] {}, [&] { read(true); });
        refreshed.push_back({r.name, r.query->rowCount(), store, baseline, variants});
    }

    double addFull = 0, addNormal = 0, addNormalNoHook = 0, bulk = 0, rawEach = 0, rawEachNormal = 0;
    if (writes) {
        // (b) AddDataCD: one transaction, the event hook between items, as the program does.
        const QStringList items = itemLabels();
        auto countItems = [&](int cdId) {
            std::vector<Cell> out;
            raw.read(QStringLiteral("select count(*) from DATA where CD_ID = :CD_ID"), out, ":CD_ID", cdId);
            return int(std::get<long long>(out.at(0)));
        };
        auto setSynchronous = [&](const char *mode) {
            DbQuery pragma(catalogueConnection.connection,
                           {QStringLiteral("PRAGMA synchronous=") + QLatin1String(mode)});
            pragma.exec();
        };
        auto addDataCD = [&](const QString &title, bool hook) {
            dataCDStore.setEventHook(hook ? Store::EventHook([] { QCoreApplication::processEvents(); })
                                          : Store::EventHook());
            const auto start = std::chrono::steady_clock::now();
            dataCDStore.addDataCD(title, items);
            const double elapsed = seconds(start);
            std::vector<Cell> last;
            raw.read(QStringLiteral("select max(CD_ID) from DATACD"), last);
            const int stored = countItems(int(std::get<long long>(last.at(0))));
            if (stored != items.size())
                throw std::runtime_error("AddDataCD stored " + std::to_string(stored) + " items");
            return elapsed;
        };
        addFull = addDataCD(QStringLiteral("Banc d'essai — FULL"), true);
        setSynchronous("NORMAL");
        addNormal = addDataCD(QStringLiteral("Banc d'essai — NORMAL"), true);
        addNormalNoHook = addDataCD(QStringLiteral("Banc d'essai — NORMAL, sans crochet"), false);
        setSynchronous("FULL");

        std::vector<std::string> utf8;
        for (const QString &item : items)
            utf8.push_back(item.toStdString());
        raw.exec("PRAGMA synchronous=FULL");
        // The same rows through the C API: once in one transaction, once with a commit per item.
        auto rawInsert = [&](const char *title, bool commitEach) {
            const auto start = std::chrono::steady_clock::now();
            raw.exec("BEGIN");
            sqlite3_stmt *cd = raw.prepare(QStringLiteral("insert into DATACD (CD_TITLE) values (?1)"));
            sqlite3_bind_text(cd, 1, title, -1, SQLITE_STATIC);
            if (sqlite3_step(cd) != SQLITE_DONE)
                raw.fail("insert DATACD");
            sqlite3_finalize(cd);
            const int cdId = int(sqlite3_last_insert_rowid(raw.handle()));
            if (commitEach)
                raw.exec("COMMIT");
            sqlite3_stmt *item = raw.prepare(QStringLiteral("insert into DATA (CD_ID, DATA_LABEL) values (?1, ?2)"));
            for (const std::string &label : utf8) {
                if (commitEach)
                    raw.exec("BEGIN");
                sqlite3_bind_int(item, 1, cdId);
                sqlite3_bind_text(item, 2, label.data(), int(label.size()), SQLITE_STATIC);
                if (sqlite3_step(item) != SQLITE_DONE)
                    raw.fail("insert DATA");
                sqlite3_reset(item);
                if (commitEach)
                    raw.exec("COMMIT");
            }
            sqlite3_finalize(item);
            if (!commitEach)
                raw.exec("COMMIT");
            const double elapsed = seconds(start);
            if (countItems(cdId) != AddedItems)
                throw std::runtime_error("the direct insert lost items");
            return elapsed;
        };
        bulk = rawInsert("Banc d'essai — en bloc", false);
        rawEach = rawInsert("Banc d'essai — C, une transaction par élément", true);
        raw.exec("PRAGMA synchronous=NORMAL");
        rawEachNormal = rawInsert("Banc d'essai — C, NORMAL", true);
    }

    // ---------------------------------------------------------------------------------------------
    std::printf("catalogue %s (working on a copy)\n", qPrintable(catalogue));
    std::printf("start-up open, first pass: %.0f ms\n", firstOpen * 1e3);
    bool readsMet = true;
    if (reads)
        readsMet
            = printReadTable("(a) start-up open steps, each against the same read with the C API (best of 3)", opens)
            & printReadTable("(a) RefreshList, each against the same reads with the C API (best of 3)", refreshed);

    if (writes) {
        std::printf("\n(b) AddDataCD of %d items in one transaction (WAL)\n", AddedItems);
        std::printf("  %-52s %9s %9s\n", "", "s", "ms/item");
        auto line
            = [](const char *what, double s) { std::printf("  %-52s %9.3f %9.3f\n", what, s, s * 1e3 / AddedItems); };
        line("AddDataCD as the program runs it (FULL)", addFull);
        line("AddDataCD, whole connection NORMAL, event hook", addNormal);
        line("AddDataCD, whole connection NORMAL, no event hook", addNormalNoHook);
        line("C API, a commit per item, synchronous=FULL", rawEach);
        line("C API, a commit per item, synchronous=NORMAL", rawEachNormal);
        line("C API, one bulk insert in one transaction, FULL", bulk);
        std::printf("  AddDataCD / bulk insert: %.0fx\n", addFull / bulk);
        std::printf("  a wait for the disk per commit costs (C API FULL - NORMAL): %.3f s\n", rawEach - rawEachNormal);
    }
    const bool addMet = !writes || addFull <= AddSecondsTarget;

    std::printf("\n(c) memory: process %.0f MiB before opening; with all lists open VmRSS %.0f MiB, VmHWM %.0f MiB\n",
                processMiB, rssMiB, peakMiB);
    const bool memoryMet = peakMiB < MemoryTargetMiB;

    std::printf("\ntargets: reads within %.0fx: %s; AddDataCD within %.0f s: %s; peak under %.0f MiB: %s\n",
                ReadRatioTarget, readsMet ? "met" : "MISSED", AddSecondsTarget, addMet ? "met" : "MISSED",
                MemoryTargetMiB, memoryMet ? "met" : "MISSED");
    if (messages.boxes)
        std::printf("%d message boxes: a store failed, the figures are not worth much\n", messages.boxes);

    catalogueConnection.closeDatabase();
    for (const char *tail : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(tail));
    return messages.boxes ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    // The event hook is the GUI's processEvents; no window is needed to measure it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString part = argc == 3 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (argc < 2 || argc > 3 || !(part.isEmpty() || part == u"reads" || part == u"writes")) {
        std::fprintf(stderr, "usage: %s CATALOGUE [reads|writes]   (CATALOGUE made by dadudu-bench-catalogue)\n",
                     argv[0]);
        return 2;
    }
    const QString catalogue = QString::fromLocal8Bit(argv[1]);
    if (!QFileInfo::exists(catalogue)) {
        std::fprintf(stderr, "%s does not exist: make it with dadudu-bench-catalogue first\n", argv[1]);
        return 2;
    }
    try {
        return run(catalogue, part != u"writes", part != u"reads");
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
