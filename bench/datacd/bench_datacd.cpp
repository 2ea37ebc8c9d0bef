// The data CD editor, driven as the user drives it, beside a baseline doing the same work in the same
// run (see README.md):
//  - "Scan drive for items" on a root of 10,000 and of 100,000 entries, against a plain QDir listing
//    plus one bulk insert of the names into a list of the same kind, both until the list is painted;
//  - "&Save CD" of the 10,000 scanned items, against the sqlite3 C API committing each item at the
//    same sync level and syncing once at the end.
// Each figure: time, the longest stall of the event loop, the ratio to the baseline.
//
//   QT_QPA_PLATFORM=offscreen dadudu-bench-datacd [folder for the temporary files]

#include "base/MessageService.h"
#include "editors/DataCDEditor.h"
#include "editors/EditableList.h"
#include "store/CatalogueConnection.h"
#include "store/CatalogueFile.h"
#include "store/DataCDStore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <sqlite3.h>

#include "support/Heartbeat.h"
#include "support/LoudMessages.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Rounds = 5;
constexpr double ScanRatioTarget = 1.5;
constexpr double GrowthTarget = 12.0;
constexpr double StoreRatioTarget = 1.3;

struct Figure {
    double seconds = 0;
    double stallMs = 0;
};

struct Measured {
    std::vector<Figure> runs;
    Figure median() const
    {
        std::vector<Figure> r = runs;
        std::sort(r.begin(), r.end(), [](const Figure &a, const Figure &b) { return a.seconds < b.seconds; });
        return r[r.size() / 2];
    }
};

Figure measure(const std::function<void()> &work)
{
    QApplication::processEvents(); // nothing left over from before on the clock
    Heartbeat heartbeat(5);
    heartbeat.start();
    QElapsedTimer clock;
    clock.start();
    work();
    // The list is laid out and painted by the events the work left: the user waits for those too.
    QApplication::processEvents();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    return {seconds, heartbeat.stopMs()};
}

bool makeRoot(const QString &path, int entries)
{
    QDir dir;
    if (!dir.mkpath(path))
        return false;
    // A disc's root: a tenth folders, the rest files with names of all cases and lengths.
    for (int i = 0; i < entries; ++i) {
        const QString name = QStringLiteral("%1 Entry %2 of the disc%3")
                                 .arg(i % 3 == 0 ? QStringLiteral("a") : QStringLiteral("B"))
                                 .arg((i * 7919) % entries)
                                 .arg(i % 10 == 0 ? QString() : QStringLiteral(".dat"));
        const QString full = path + u'/' + name;
        if (i % 10 == 0) {
            if (!dir.mkdir(full))
                return false;
        } else {
            QFile f(full);
            if (!f.open(QIODevice::WriteOnly))
                return false;
        }
    }
    return true;
}

void showAndSettle(QWidget &w)
{
    w.show();
    for (int k = 0; k < 20; ++k)
        QApplication::processEvents();
}

Figure scanWithEditor(DataCDStore &data, LoudMessages &messages, const QString &root, int expected)
{
    DataCDEditor dialog(data, messages);
    dialog.fillDrives(root);
    showAndSettle(dialog);
    const Figure f = measure([&] { dialog.scanButton->click(); });
    if (dialog.items().size() != expected)
        std::fprintf(stderr, "editor scan: %lld items, %d expected\n", qlonglong(dialog.items().size()), expected);
    return f;
}

Figure scanBaseline(const QString &root, int expected)
{
    QWidget window;
    window.resize(442, 272);
    EditableList list(&window);
    list.setGeometry(8, 88, 409, 129);
    showAndSettle(window);
    const Figure f = measure([&] {
        const QDir dir(root);
        const QDir::SortFlags byName = QDir::Name | QDir::IgnoreCase;
        QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, byName);
        names += dir.entryList(QDir::Files | QDir::Hidden | QDir::System, byName);
        list.addItems(names);
    });
    if (list.count() != expected)
        std::fprintf(stderr, "baseline scan: %d items, %d expected\n", list.count(), expected);
    return f;
}

Figure saveWithEditor(DataCDStore &data, LoudMessages &messages, const QString &root, int expected)
{
    DataCDEditor dialog(data, messages);
    dialog.prepareNew();
    dialog.fillDrives(root);
    showAndSettle(dialog);
    dialog.scanButton->click();
    dialog.titleEdit->setText(QStringLiteral("Editor"));
    if (dialog.items().size() != expected)
        std::fprintf(stderr, "editor save: %lld items, %d expected\n", qlonglong(dialog.items().size()), expected);
    return measure([&] { dialog.saveButton->click(); });
}

void exec(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "baseline: %s: %s\n", sql, error);
        sqlite3_free(error);
    }
}

Figure saveBaseline(const QString &path, const QStringList &items)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_busy_timeout(db, 1000);
    exec(db, "PRAGMA synchronous=FULL");
    const Figure f = measure([&] {
        exec(db, "BEGIN");
        exec(db, "insert into DATACD (CD_TITLE) values ('Baseline')");
        exec(db, "COMMIT");
        const sqlite3_int64 cd = sqlite3_last_insert_rowid(db);
        exec(db, "PRAGMA synchronous=NORMAL");
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(db, "insert into DATA (CD_ID, DATA_LABEL) values (?1, ?2)", -1, &insert, nullptr);
        for (const QString &item : items) {
            exec(db, "BEGIN");
            const QByteArray text = item.toUtf8();
            sqlite3_bind_int64(insert, 1, cd);
            sqlite3_bind_text(insert, 2, text.constData(), int(text.size()), SQLITE_STATIC);
            if (sqlite3_step(insert) != SQLITE_DONE)
                std::fprintf(stderr, "baseline insert: %s\n", sqlite3_errmsg(db));
            sqlite3_reset(insert);
            exec(db, "COMMIT");
        }
        sqlite3_finalize(insert);
        exec(db, "PRAGMA synchronous=FULL");
        exec(db, "PRAGMA wal_checkpoint(PASSIVE)");
    });
    sqlite3_close(db);
    return f;
}

qint64 count(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    const qint64 n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}

void line(const char *what, const Measured &editor, const Measured &baseline, double target)
{
    const Figure e = editor.median();
    const Figure b = baseline.median();
    const double ratio = e.seconds / b.seconds;
    std::printf("%-26s %9.3f %9.1f %11.3f %9.1f %7.2f  %s (target <= %.1f)\n", what, e.seconds, e.stallMs, b.seconds,
                b.stallMs, ratio, ratio <= target ? "ok" : "OVER", target);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir work(argc > 1 ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/dadudu-bench-datacd-XXXXXX")
                                : QDir::tempPath() + QStringLiteral("/dadudu-bench-datacd-XXXXXX"));
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const QString small = work.filePath(QStringLiteral("root10k"));
    const QString large = work.filePath(QStringLiteral("root100k"));
    std::printf("making the roots...\n");
    std::fflush(stdout);
    if (!makeRoot(small, 10000) || !makeRoot(large, 100000)) {
        std::fprintf(stderr, "cannot make the roots\n");
        return 1;
    }
    const QString catalogue = work.filePath(QStringLiteral("dadudu.mdb"));
    createEmptyCatalogue(catalogue);

    LoudMessages messages;
    CatalogueConnection main(messages);
    main.openDatabase(catalogue);
    DataCDStore data(main, messages);
    data.openList();

    // The directories read once before the clocks run, so both sides find them in the cache.
    QDir(small).entryList();
    QDir(large).entryList();

    Measured scanSmall, scanSmallBase, scanLarge, scanLargeBase, save, saveBase;
    QStringList scanned;
    {
        DataCDEditor dialog(data, messages);
        dialog.fillDrives(small);
        dialog.scanDrive();
        scanned = dialog.items();
    }
    for (int round = 0; round < Rounds; ++round) {
        std::printf("round %d of %d...\n", round + 1, Rounds);
        std::fflush(stdout);
        scanSmallBase.runs.push_back(scanBaseline(small, 10000));
        scanSmall.runs.push_back(scanWithEditor(data, messages, small, 10000));
        scanLargeBase.runs.push_back(scanBaseline(large, 100000));
        scanLarge.runs.push_back(scanWithEditor(data, messages, large, 100000));
        saveBase.runs.push_back(saveBaseline(catalogue, scanned));
        save.runs.push_back(saveWithEditor(data, messages, small, 10000));
    }
    const qint64 stored = count(catalogue,
                                "select count(*) from DATA d join DATACD c on c.CD_ID = d.CD_ID"
                                " where c.CD_TITLE = 'Editor'");
    if (stored != qint64(Rounds) * 10000)
        std::fprintf(stderr, "the editor stored %lld items, %d expected\n", stored, Rounds * 10000);

    std::printf("\n%-26s %9s %9s %11s %9s %7s\n", "median of 5", "editor s", "stall ms", "baseline s", "stall ms",
                "ratio");
    line("scan 10,000 entries", scanSmall, scanSmallBase, ScanRatioTarget);
    line("scan 100,000 entries", scanLarge, scanLargeBase, ScanRatioTarget);
    line("save 10,000 items", save, saveBase, StoreRatioTarget);
    const double growth = scanLarge.median().seconds / scanSmall.median().seconds;
    std::printf("scan growth 100,000 / 10,000: %.2fx  %s (target <= %.0fx)\n", growth,
                growth <= GrowthTarget ? "ok" : "OVER", GrowthTarget);
    return messages.boxes == 0 ? 0 : 1;
}
