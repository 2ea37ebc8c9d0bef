// The catalogue on a PostgreSQL server, over loopback:
//  - opening all six lists through the stores, against COPY (select ...) TO STDOUT of the same
//    statements through libpq in the same run (target: at most 1.5 times as long);
//  - storing a 10,000-item data CD, a transaction per item as the store does it, on the server
//    and, beside it, on a copy of a catalogue file.
// The server's catalogue is left as it was: the stored CD is deleted again.
//
//   dadudu-bench-pg postgresql://user@127.0.0.1:port/dbname [catalogue-file] [--writes-only]

#include "support/LoudMessages.h"
#include "support/StoresOnCatalogue.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <libpq-fe.h>

#include <chrono>
#include <cstdio>
#include <functional>

namespace {

constexpr double ListRatioTarget = 1.5;
constexpr int Items = 10000;
constexpr int Rounds = 3;

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double best(const std::function<void()> &run)
{
    double fastest = 1e9;
    for (int i = 0; i < Rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        fastest = std::min(fastest, seconds(start));
    }
    return fastest;
}

struct Stores {
    explicit Stores(const QString &location) { stores.main.openDatabase(location); }
    LoudMessages messages;
    ProgramStores stores{messages};
    std::vector<DbQuery *> lists()
    {
        return {&stores.cds.cdQuery,       &stores.tracks.tracksQuery, &stores.artists.artistsQuery,
                &stores.movies.movieQuery, &stores.data.dataCDsQuery,  &stores.items.dataItemsQuery};
    }
    qint64 rows()
    {
        qint64 n = 0;
        for (DbQuery *q : lists())
            n += q->rowCount();
        return n;
    }
    void openAll()
    {
        for (DbQuery *q : lists())
            q->close();
        stores.openLists();
    }
};

// Every byte of the statements' rows through COPY, the fastest way libpq hands out rows.
qint64 copyOut(PGconn *conn, const QStringList &statements)
{
    qint64 lines = 0;
    for (const QString &sql : statements) {
        PGresult *res = PQexec(conn, ("COPY (" + sql + ") TO STDOUT").toUtf8().constData());
        if (PQresultStatus(res) != PGRES_COPY_OUT) {
            std::fprintf(stderr, "COPY failed: %s\n", PQerrorMessage(conn));
            PQclear(res);
            return -1;
        }
        PQclear(res);
        char *buffer = nullptr;
        int n;
        while ((n = PQgetCopyData(conn, &buffer, 0)) > 0) {
            ++lines;
            PQfreemem(buffer);
        }
        PQclear(PQgetResult(conn));
    }
    return lines;
}

double storeDataCD(const QString &location, const char *engine)
{
    Stores s(location);
    if (!s.stores.main.connection.connected())
        return -1;
    QStringList items;
    for (int i = 0; i < Items; ++i)
        items << QStringLiteral("folder %1/a file with a long name %1.txt").arg(i);
    const auto start = std::chrono::steady_clock::now();
    s.stores.data.addDataCD(QStringLiteral("Benchmark scan"), items);
    const double took = seconds(start);
    DbQuery last(s.stores.main.connection, {QStringLiteral("select max(CD_ID) from DATACD")});
    last.open();
    const int cd = last.firstField().toInt();
    DbQuery stored(s.stores.main.connection, {QStringLiteral("select count(*) from DATA where CD_ID = :CD_ID")});
    stored.setParam(QStringLiteral("CD_ID"), cd);
    stored.open();
    std::printf("store a %d-item data CD, a transaction per item, on the %s: %.2f s (%d items stored, %d boxes)\n",
                Items, engine, took, stored.firstField().toInt(), s.messages.boxes);
    s.stores.data.deleteDataCD(cd);
    return took;
}

bool timeLists(const QString &server)
{
    Stores s(server);
    if (!s.stores.main.connection.connected())
        return false;
    QStringList statements;
    for (DbQuery *q : s.lists())
        statements << q->sql();
    PGconn *conn = PQconnectdb(server.toUtf8().constData());
    if (PQstatus(conn) != CONNECTION_OK) {
        std::fprintf(stderr, "%s\n", PQerrorMessage(conn));
        return false;
    }

    // Alternate the two so neither profits from a warmer cache alone.
    s.openAll();
    copyOut(conn, statements);
    double lists = 1e9, copy = 1e9;
    qint64 copied = 0;
    for (int i = 0; i < Rounds; ++i) {
        lists = std::min(lists, best([&] { s.openAll(); }));
        copy = std::min(copy, best([&] { copied = copyOut(conn, statements); }));
    }
    const double ratio = lists / copy;
    std::printf("open all six lists on the server: %.3f s for %lld rows\n", lists, static_cast<long long>(s.rows()));
    std::printf("COPY ... TO STDOUT of the same statements: %.3f s for %lld rows\n", copy,
                static_cast<long long>(copied));
    std::printf("ratio %.2f (target at most %.1f): %s\n", ratio, ListRatioTarget,
                ratio <= ListRatioTarget ? "met" : "MISSED");
    PQfinish(conn);
    for (DbQuery *q : s.lists())
        q->close();

    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    const bool writesOnly = args.removeAll(QStringLiteral("--writes-only")) > 0;
    if (args.size() < 2 || !db::isServerLocation(args[1])) {
        std::fprintf(stderr, "usage: dadudu-bench-pg postgresql://user@host:port/dbname [catalogue-file]\n");
        return 2;
    }
    const QString server = args[1];

    if (!writesOnly && !timeLists(server))
        return 1;
    storeDataCD(server, "server");
    if (args.size() > 2) {
        QTemporaryDir dir;
        const QString copyPath = dir.filePath(QStringLiteral("dadudu.mdb"));
        if (!QFile::copy(args[2], copyPath)) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(args[2]));
            return 1;
        }
        storeDataCD(copyPath, "catalogue file");
    }
    return 0;
}
