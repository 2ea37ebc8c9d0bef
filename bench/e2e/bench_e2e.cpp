// The real program driven the way a user drives it, on a big catalogue, each step beside a lean
// baseline that does the same work in the same run. Every figure is what the user waits for: the
// clock of a step runs from the command to the window painted again, with no idle turn of the
// event loop before it (a cold grid stays cold), and a 10 ms heartbeat names the longest time the
// event loop could not answer.
//
// Usage: dadudu-bench-e2e CATALOGUE-FOLDER [lean] [idle] [chain]
//   CATALOGUE-FOLDER holds dadudu.mdb (bench/store/README.md makes one); the program works on a
//   copy in CATALOGUE-FOLDER/e2e-work and keeps its scan folders in CATALOGUE-FOLDER/scan10k and
//   scan100k. Without DISPLAY it runs on the offscreen platform; with DISPLAY (e.g. under
//   xvfb-run) on the real one. Each phase runs in a fresh process of its own:
//   lean  the lean program: start-up with the same fixed waits, then each navigator switch, then
//         a cold click on each text column (ICU ranks, a stable reorder, the view told and painted);
//   idle  the real start-up, then the CPU the program spends in the 3 s after it is usable;
//   chain the real start-up, then every step back to back, then the in-process baselines.
#include "app/AppModules.h"
#include "app/DaduduApplication.h"
#include "app/MainWindow.h"
#include "base/DialogService.h"
#include "base/MessageService.h"
#include "editors/DataCDEditor.h"
#include "grid/DxGrid.h"
#include "grid/GridHeader.h"
#include "grid/PrintPreview.h"
#include "lists/ListWindow.h"
#include "store/DataCDStore.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGraphicsView>
#include <QHash>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMap>
#include <QMenu>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <sqlite3.h>
#include <sys/resource.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

namespace {

QElapsedTimer g_clock; // started first thing in main: the process's own start is its zero

qint64 nowNs()
{
    return g_clock.nsecsElapsed();
}

long statusKb(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    return 0;
}

// Makes VmHWM start again from the present resident size.
void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

double cpuMs()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
}

struct Step {
    double ms = -1;
    double stall = -1;
    long kb = 0;
    bool progress = false;
};

// One line per figure; the parent process reads them back to build the table.
void report(const QString &key, const Step &s)
{
    std::printf("@R\t%s\t%.1f\t%.1f\t%ld\t%d\n", qPrintable(key), s.ms, s.stall, s.kb, int(s.progress));
    std::fflush(stdout);
}

// The heartbeat: the largest gap between two ticks, the last one ending when the step ends. It
// ticks only when the event loop runs, so a step that never lets it run stalls for its whole length.
class Meter : public QObject
{
public:
    Meter()
    {
        m_beat.setTimerType(Qt::PreciseTimer);
        m_beat.setInterval(10);
        connect(&m_beat, &QTimer::timeout, this, [this] { tick(); });
    }
    void begin()
    {
        m_last = nowNs();
        m_max = 0;
        progress = false;
        m_beat.start();
    }
    qint64 peek() const { return std::max(m_max, nowNs() - m_last); }
    qint64 end()
    {
        tick();
        m_beat.stop();
        return m_max;
    }
    bool progress = false; // a progress dialog was up during the step

private:
    void tick()
    {
        const qint64 now = nowNs();
        m_max = std::max(m_max, now - m_last);
        m_last = now;
        if (!progress)
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->isVisible() && qobject_cast<QProgressDialog *>(w))
                    progress = true;
    }
    QTimer m_beat;
    qint64 m_last = 0;
    qint64 m_max = 0;
};

qint64 g_stepStart = 0;

// The step and the painting it leads to, on the clock; peak memory is the growth over the step.
Step measure(Meter &meter, const std::function<void()> &action, const std::function<void()> &settle)
{
    const long rssBefore = statusKb("VmRSS:");
    resetPeak();
    meter.begin();
    g_stepStart = nowNs();
    action();
    if (settle)
        settle();
    Step s;
    s.ms = (nowNs() - g_stepStart) / 1e6;
    s.stall = meter.end() / 1e6;
    s.progress = meter.progress;
    s.kb = std::max(0L, statusKb("VmHWM:") - rssBefore);
    return s;
}

// The ICU ranks of one column as the grid's header click must make them: primary keys of the
// distinct values, ties between distinct values broken at full strength; equal values share a rank.
std::vector<int> icuRanks(const std::vector<QString> &values, const char *locale, int *rankCount)
{
    UErrorCode status = U_ZERO_ERROR;
    UCollator *primary = ucol_open(locale, &status);
    UCollator *full = ucol_open(locale, &status);
    ucol_setStrength(primary, UCOL_PRIMARY);
    QHash<QString, int> ids;
    std::vector<int> valueOf(values.size());
    std::vector<const QString *> distinct;
    for (size_t r = 0; r < values.size(); ++r) {
        auto it = ids.constFind(values[r]);
        if (it == ids.constEnd()) {
            it = ids.insert(values[r], int(distinct.size()));
            distinct.push_back(&values[r]);
        }
        valueOf[r] = *it;
    }
    std::vector<std::string> keys(distinct.size());
    std::vector<uint8_t> buffer(256);
    for (size_t d = 0; d < distinct.size(); ++d) {
        const auto *text = reinterpret_cast<const UChar *>(distinct[d]->utf16());
        int32_t n = ucol_getSortKey(primary, text, int32_t(distinct[d]->size()), buffer.data(), int32_t(buffer.size()));
        if (n > int32_t(buffer.size())) {
            buffer.resize(size_t(n));
            n = ucol_getSortKey(primary, text, int32_t(distinct[d]->size()), buffer.data(), int32_t(buffer.size()));
        }
        keys[d].assign(reinterpret_cast<const char *>(buffer.data()), size_t(std::max(0, n)));
    }
    std::vector<int> byKey(distinct.size());
    for (size_t d = 0; d < byKey.size(); ++d)
        byKey[d] = int(d);
    std::sort(byKey.begin(), byKey.end(), [&](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
    for (size_t i = 0; i < byKey.size();) {
        size_t j = i + 1;
        while (j < byKey.size() && keys[size_t(byKey[j])] == keys[size_t(byKey[i])])
            ++j;
        if (j - i > 1)
            std::stable_sort(byKey.begin() + long(i), byKey.begin() + long(j), [&](int a, int b) {
                const QString &x = *distinct[size_t(a)], &y = *distinct[size_t(b)];
                return ucol_strcoll(full, reinterpret_cast<const UChar *>(x.utf16()), int32_t(x.size()),
                                    reinterpret_cast<const UChar *>(y.utf16()), int32_t(y.size()))
                    == UCOL_LESS;
            });
        i = j;
    }
    std::vector<int> rank(distinct.size());
    for (size_t i = 0; i < byKey.size(); ++i)
        rank[size_t(byKey[i])] = int(i);
    for (int &v : valueOf)
        v = rank[size_t(v)];
    ucol_close(primary);
    ucol_close(full);
    *rankCount = int(distinct.size());
    return valueOf;
}

// Counting sort of the rows by rank keeps rows of equal rank in their order.
void orderByRank(std::vector<int> &order, const std::vector<int> &rank, int rankCount)
{
    std::vector<int> start(size_t(rankCount) + 1, 0);
    for (int r : order)
        ++start[size_t(rank[size_t(r)]) + 1];
    for (size_t i = 1; i < start.size(); ++i)
        start[i] += start[i - 1];
    std::vector<int> sorted(order.size());
    for (int r : order)
        sorted[size_t(start[size_t(rank[size_t(r)])]++)] = r;
    order.swap(sorted);
}

// The ICU sort of one column as the grid's header click must do it.
std::vector<int> icuOrder(const std::vector<QString> &values, const char *locale)
{
    int count = 0;
    const std::vector<int> rank = icuRanks(values, locale, &count);
    std::vector<int> order(values.size());
    for (size_t r = 0; r < order.size(); ++r)
        order[r] = int(r);
    orderByRank(order, rank, count);
    return order;
}

QByteArray icuLocale()
{
    const QLocale user;
    return (user.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : user).name().toLatin1();
}

// ---- the lean program -------------------------------------------------------------------------

// The cells as the engine hands them out, UTF-8 end to end in one block; a view converts the few it shows.
struct Rows {
    int cols = 0;
    QStringList names;
    QByteArray text;
    std::vector<quint32> ends; // where each cell's text ends, row by row
    std::vector<int> order;    // shown row -> read row, when the list is put in the user's collation
    size_t count() const { return cols ? ends.size() / size_t(cols) : 0; }
    QString cell(size_t i) const
    {
        const quint32 begin = i ? ends[i - 1] : 0;
        return QString::fromUtf8(text.constData() + begin, qsizetype(ends[i] - begin));
    }
};

Rows readRows(sqlite3 *db, const char *sql, int param = -1)
{
    Rows rows;
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "lean: %s: %s\n", sql, sqlite3_errmsg(db));
        return rows;
    }
    if (param >= 0)
        sqlite3_bind_int(st, 1, param);
    rows.cols = sqlite3_column_count(st);
    for (int c = 0; c < rows.cols; ++c)
        rows.names << QString::fromUtf8(sqlite3_column_name(st, c));
    while (sqlite3_step(st) == SQLITE_ROW)
        for (int c = 0; c < rows.cols; ++c) {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(st, c));
            rows.text.append(text, sqlite3_column_bytes(st, c));
            rows.ends.push_back(quint32(rows.text.size()));
        }
    sqlite3_finalize(st);
    return rows;
}

class TableModel : public QAbstractTableModel
{
public:
    void reset(Rows rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    // A header click as a plain program makes it: the column's texts collated through ICU, the
    // rows reordered stably under the order they stand in, the view told, as the grid does.
    void sortBy(int column, const char *locale)
    {
        const size_t n = m_rows.count();
        std::vector<QString> values(n);
        for (size_t r = 0; r < n; ++r)
            values[r] = m_rows.cell(r * size_t(m_rows.cols) + size_t(column));
        int count = 0;
        const std::vector<int> rank = icuRanks(values, locale, &count);
        emit layoutAboutToBeChanged();
        if (m_rows.order.empty()) {
            m_rows.order.resize(n);
            std::iota(m_rows.order.begin(), m_rows.order.end(), 0);
        }
        orderByRank(m_rows.order, rank, count);
        emit layoutChanged();
    }
    int fieldIndex(const QString &name) const { return m_rows.names.indexOf(name); }
    int firstInt() const
    {
        if (!m_rows.count())
            return -1;
        const size_t first = m_rows.order.empty() ? 0 : size_t(m_rows.order[0]);
        return m_rows.cell(first * size_t(m_rows.cols)).toInt();
    }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.count()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_rows.cols; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        const size_t row = m_rows.order.empty() ? size_t(index.row()) : size_t(m_rows.order[size_t(index.row())]);
        return m_rows.cell(row * size_t(m_rows.cols) + size_t(index.column()));
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (role != Qt::DisplayRole || o != Qt::Horizontal)
            return {};
        return m_rows.names.value(section);
    }

private:
    Rows m_rows;
};

// The store's list queries, in the navigator's order, and the detail each list shows under it.
const char *const listSql[] = {
    "select CD_ID, CD_LABEL, ART_NAME, BARCODE, YEAR, LIMITED, COMMENTS from CDAUDIO"
    " left join ARTISTE on ARTISTE.ART_ID = CDAUDIO.ART_ID order by CD_LABEL",
    "select * from ARTISTE order by ART_NAME",
    "select TR_ID, TR_LABEL, CD_LABEL, TRACK.CD_ID, ART_NAME from TRACK left join CDAUDIO on CDAUDIO.CD_ID ="
    " TRACK.CD_ID left join ARTISTE on ARTISTE.ART_ID = CDAUDIO.ART_ID order by TR_LABEL",
    "select * from MOVIE order by MOV_TITLE",
    "select * from DATACD",
    "select DATA_ID, DATA_LABEL, CD_TITLE, DATA.CD_ID from DATA left join DATACD on DATACD.CD_ID = DATA.CD_ID",
};
const char *const detailSql[] = {
    "select TR_ID, TR_LABEL from TRACK where TRACK.CD_ID = ? order by TR_ID",
    "select CD_ID, CD_LABEL from CDAUDIO where ART_ID = ?",
    nullptr,
    nullptr,
    "select * from DATA where CD_ID = ?",
    nullptr,
};
// The columns each list is shown ordered by, outermost first: its "order by" in the user's
// collation, under the sort the list starts with (the audio CDs by artist).
const std::vector<int> listOrder[] = {{2, 1}, {1}, {1}, {1}, {}, {}};
// The text columns the program's lists show, each clicked once in its header.
const std::vector<const char *> clickedFields[] = {{"CD_LABEL", "ART_NAME", "BARCODE", "YEAR"},
                                                   {"ART_NAME"},
                                                   {"TR_LABEL", "CD_LABEL", "ART_NAME"},
                                                   {"MOV_TITLE", "MOV_TYPE"},
                                                   {"CD_TITLE"},
                                                   {"DATA_LABEL", "CD_TITLE"}};
constexpr int listCount = 6;

void orderRows(Rows &rows, const std::vector<int> &columns, const char *locale)
{
    rows.order.clear();
    if (columns.empty())
        return;
    const size_t n = rows.count();
    rows.order.resize(n);
    for (size_t r = 0; r < n; ++r)
        rows.order[r] = int(r);
    for (auto c = columns.rbegin(); c != columns.rend(); ++c) {
        std::vector<QString> values(n);
        for (size_t r = 0; r < n; ++r)
            values[r] = rows.cell(r * size_t(rows.cols) + size_t(*c));
        int count = 0;
        const std::vector<int> rank = icuRanks(values, locale, &count);
        orderByRank(rows.order, rank, count);
    }
}
constexpr int startupWaitMs = 500; // the one pause of FormShow that keeps the splash up

int runLean(int argc, char **argv, const QString &folder)
{
    QApplication app(argc, argv);
    Meter meter;
    meter.begin();
    // The same fixed wait the real start-up makes.
    QThread::msleep(startupWaitMs);

    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(folder + QStringLiteral("/dadudu.mdb")).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK)
        return 1;
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);

    QMainWindow window;
    window.resize(660, 535);
    auto *stack = new QStackedWidget;
    window.setCentralWidget(stack);
    TableModel lists[listCount];
    TableModel details[listCount];
    const QByteArray locale = icuLocale();
    const auto load = [&](int i) {
        Rows rows = readRows(db, listSql[i]);
        orderRows(rows, listOrder[i], locale.constData());
        lists[i].reset(std::move(rows));
        if (detailSql[i])
            details[i].reset(readRows(db, detailSql[i], lists[i].firstInt()));
    };
    for (int i = 0; i < listCount; ++i) {
        auto *page = new QSplitter(Qt::Vertical);
        auto *view = new QTableView;
        view->setModel(&lists[i]);
        page->addWidget(view);
        if (detailSql[i]) {
            auto *detail = new QTableView;
            detail->setModel(&details[i]);
            page->addWidget(detail);
        }
        stack->addWidget(page);
        load(i);
    }
    stack->setCurrentIndex(0);
    window.show();

    bool painted = false;
    struct PaintSeen : QObject {
        bool *flag;
        QWidget *top;
        bool eventFilter(QObject *o, QEvent *e) override
        {
            if (e->type() == QEvent::Paint && o->isWidgetType() && static_cast<QWidget *>(o)->window() == top)
                *flag = true;
            return false;
        }
    } seen;
    seen.flag = &painted;
    seen.top = &window;
    app.installEventFilter(&seen);
    QEventLoop untilPainted;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &untilPainted, [&] {
        if (painted)
            untilPainted.quit();
    });
    poll.start(1);
    untilPainted.exec();
    poll.stop();
    app.removeEventFilter(&seen);
    Step start;
    start.ms = nowNs() / 1e6;
    start.stall = meter.end() / 1e6;
    start.kb = statusKb("VmHWM:");
    report(QStringLiteral("base:startup"), start);

    const double cpu0 = cpuMs();
    QEventLoop idle;
    QTimer::singleShot(3000, &idle, &QEventLoop::quit);
    idle.exec();
    Step cpu;
    cpu.ms = cpuMs() - cpu0;
    report(QStringLiteral("base:cpu-after"), cpu);

    const auto settle = [&] {
        QCoreApplication::sendPostedEvents();
        window.repaint();
    };
    for (int i = 0; i < listCount; ++i)
        report(QStringLiteral("base:nav:%1").arg(i),
               measure(
                   meter,
                   [&] {
                       load(i);
                       stack->setCurrentIndex(i);
                   },
                   settle));
    // A cold click on each text column the program's lists show, each list freshly read and in front.
    for (int i = 0; i < listCount; ++i) {
        load(i);
        stack->setCurrentIndex(i);
        settle();
        for (const char *field : clickedFields[i]) {
            const int column = lists[i].fieldIndex(QLatin1String(field));
            if (column >= 0)
                report(QStringLiteral("base:click:%1:%2").arg(i).arg(QLatin1String(field)),
                       measure(
                           meter, [&] { lists[i].sortBy(column, locale.constData()); }, settle));
        }
    }
    sqlite3_close(db);
    return 0;
}

// ---- the real program -------------------------------------------------------------------------

class BenchMessages : public MessageService
{
public:
    void show(Kind, const QString &text) override { std::fprintf(stderr, "message box: %s\n", qPrintable(text)); }
    bool confirm(const QString &) override
    {
        if (onConfirm)
            onConfirm();
        return false; // the user answers No
    }
    std::function<void()> onConfirm;
};

// Paint events on the viewport of the preview, once it holds pages.
class PaintWatch : public QObject
{
public:
    std::function<bool()> ready;
    bool painted = false;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && (!ready || ready()))
            painted = true;
        return false;
    }
};

class BenchDialogs : public DialogService
{
public:
    QString saveFileName(const QString &, const QString &) override { return saveAnswer; }
    QString openPictureName(const QString &) override { return {}; }
    // The real preview, shown until its first page is painted, then closed.
    void printPreview(const QWidget &list, const QString &title) override
    {
        const auto *grid = qobject_cast<const DxGrid *>(&list);
        if (!grid)
            return;
        PrintPreview preview(grid, title, owner);
        auto *widget = preview.findChild<QPrintPreviewWidget *>();
        auto *view = widget ? widget->findChild<QGraphicsView *>() : nullptr;
        PaintWatch watch;
        watch.ready = [widget] { return widget->pageCount() > 0; };
        if (view)
            view->viewport()->installEventFilter(&watch);
        preview.show();
        QEventLoop loop;
        QTimer poll;
        QElapsedTimer waited;
        waited.start();
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (watch.painted || !view || waited.elapsed() > 600000)
                loop.quit();
        });
        poll.start(1);
        loop.exec();
        previewPages = widget ? widget->pageCount() : -1;
        preview.close();
    }
    QString saveAnswer;
    QWidget *owner = nullptr;
    int previewPages = -1;
};

// Start-up's paints: the splash's first one, and the main window's first one once the lists are open.
class StartWatch : public QObject
{
public:
    QWidget *main = nullptr;
    bool opened = false;
    qint64 splashPaint = -1; // its first paint on the screen
    std::function<void()> onMainPainted;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() != QEvent::Paint || !o->isWidgetType())
            return false;
        // A paint before the window system has mapped the window never reaches the screen.
        const auto *w = static_cast<QWidget *>(o);
        if (splashPaint < 0 && qstrcmp(o->metaObject()->className(), "SplashScreen") == 0 && w->windowHandle()
            && w->windowHandle()->isExposed())
            splashPaint = nowNs();
        if (opened && main && onMainPainted && static_cast<QWidget *>(o)->window() == main) {
            auto done = std::move(onMainPainted);
            onMainPainted = nullptr;
            // The rest of this paint pass belongs to start-up too: usable once the loop turns again.
            QTimer::singleShot(0, done);
        }
        return false;
    }
};

struct SortedColumn {
    int list;
    int column;
};

// The visible cells of a grid's source, in the source's order, as a plain program writes them.
void plainWrite(const DxGrid &grid, const QString &path, bool html)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    RowSource *rows = grid.rows();
    std::vector<int> fields;
    for (const GridColumn &c : grid.columns())
        if (!c.hidden)
            fields.push_back(rows->fieldIndex(c.field));
    QByteArray buffer;
    const auto flush = [&] {
        f.write(buffer);
        buffer.clear();
    };
    if (html)
        buffer += "<html><body><table>\n";
    for (int r = 0; r < rows->rowCount(); ++r) {
        if (html)
            buffer += "<tr>";
        for (int field : fields) {
            const QString text = rows->value(r, field).toString();
            if (html) {
                buffer += "<td>";
                buffer += text.toHtmlEscaped().toUtf8();
                buffer += "</td>";
            } else {
                // A length and the UTF-16 of the cell, as a binary sheet stores a text cell.
                const quint16 n = quint16(std::min<qsizetype>(text.size(), 0xffff));
                buffer.append(reinterpret_cast<const char *>(&n), 2);
                buffer.append(reinterpret_cast<const char *>(text.utf16()), n * 2);
            }
        }
        if (html)
            buffer += "</tr>\n";
        if (buffer.size() > (1 << 20))
            flush();
    }
    if (html)
        buffer += "</table></body></html>\n";
    flush();
}

QStringList rootEntries(const QString &folder)
{
    const QDir dir(folder);
    return dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name)
        + dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A data CD of these items, a commit per item, at the sync level the store's batch uses.
void plainStore(const QString &catalogue, const QStringList &items)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(catalogue).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr)
        != SQLITE_OK)
        return;
    sqlite3_busy_timeout(db, 5000);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "insert into DATACD (CD_TITLE) values ('Bench baseline')", nullptr, nullptr, nullptr);
    const sqlite3_int64 cd = sqlite3_last_insert_rowid(db);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, "insert into DATA (CD_ID, DATA_LABEL) values (?, ?)", -1, &st, nullptr);
    for (const QString &item : items) {
        sqlite3_bind_int64(st, 1, cd);
        sqlite3_bind_text16(st, 2, item.utf16(), int(item.size() * 2), SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "PRAGMA synchronous=FULL; PRAGMA wal_checkpoint(PASSIVE)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// A commit of another connection, which changes no row any list shows (a commit that rewrites a
// row as it was changes nothing in the file, and the program rightly sees no change).
void anotherProgramWrites(const QString &catalogue)
{
    sqlite3 *db = nullptr;
    char *error = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(catalogue).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 5000);
        sqlite3_exec(db, "create table if not exists BENCH_TOUCH (N integer); insert into BENCH_TOUCH values (1)",
                     nullptr, nullptr, &error);
    }
    if (error)
        std::fprintf(stderr, "another program's write: %s\n", error);
    sqlite3_free(error);
    sqlite3_close(db);
}

int runSubject(int argc, char **argv, const QString &folder, bool chain, const QString &scan10k,
               const QString &scan100k)
{
    DaduduApplication app(argc, argv);
    BenchMessages messages;
    app.setMessageService(&messages);
    BenchDialogs dialogs;
    StartWatch watch;
    app.installEventFilter(&watch);
    Meter meter;
    meter.begin();

    // As main() does it.
    AppModules modules(messages, dialogs, QDir(folder).filePath(QStringLiteral("dadudu.mdb")));
    MainWindow &m = *modules.mainWindow;
    dialogs.owner = &m;
    watch.main = &m;
    QObject::connect(&m, &MainWindow::catalogueOpened, &m, [&](bool ok) {
        watch.opened = true;
        if (!ok)
            std::fprintf(stderr, "the catalogue did not open\n");
    });

    std::vector<SortedColumn> sorted;
    const auto afterUsable = [&] {
        Step start;
        start.ms = nowNs() / 1e6;
        start.stall = meter.end() / 1e6;
        start.kb = statusKb("VmHWM:");
        report(QStringLiteral("startup"), start);
        Step splash;
        splash.ms = watch.splashPaint < 0 ? -1 : watch.splashPaint / 1e6;
        report(QStringLiteral("splash-paint"), splash);
        app.removeEventFilter(&watch);

        if (!chain) {
            const double cpu0 = cpuMs();
            QEventLoop idle;
            QTimer::singleShot(3000, &idle, &QEventLoop::quit);
            idle.exec();
            Step cpu;
            cpu.ms = cpuMs() - cpu0;
            report(QStringLiteral("cpu-after"), cpu);
            app.quit();
            return;
        }

        const auto settle = [&] {
            QCoreApplication::sendPostedEvents();
            m.repaint();
        };
        const auto step = [&](const QString &key, const std::function<void()> &action) {
            const Step s = measure(meter, action, settle);
            report(key, s);
            return s;
        };
        const auto menu = [&](const char *name) { return m.gridMenu->findChild<QAction *>(QLatin1String(name)); };

        for (int i = 0; i < MainWindow::ListCount; ++i) {
            step(QStringLiteral("nav:%1").arg(i), [&] { m.navigator->setCurrentRow(i); });
            // Back to it after another program wrote to the catalogue: the list is read again.
            m.navigator->setCurrentRow(i == MainWindow::Movies ? MainWindow::Artists : MainWindow::Movies);
            QCoreApplication::processEvents();
            anotherProgramWrites(folder + QStringLiteral("/dadudu.mdb"));
            step(QStringLiteral("nav-changed:%1").arg(i), [&] { m.navigator->setCurrentRow(i); });
            DxGrid *grid = m.list(MainWindow::ListIndex(i)).window->mainGrid();
            const std::vector<GridColumn> columns = grid->columns();
            for (int c = 0; c < int(columns.size()); ++c) {
                if (columns[size_t(c)].hidden || columns[size_t(c)].kind != GridColumn::Text)
                    continue;
                sorted.push_back({i, c});
                step(QStringLiteral("sort:%1:%2:%3").arg(i).arg(c).arg(columns[size_t(c)].field), [&] {
                    GridHeader *header = grid->header();
                    const QPoint at(header->sectionViewportPosition(c) + header->sectionSize(c) / 2,
                                    header->height() / 2);
                    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
                });
            }
            const auto field = [&](const char *name) {
                for (int c = 0; c < int(columns.size()); ++c)
                    if (columns[size_t(c)].field == QLatin1String(name))
                        return c;
                return -1;
            };
            if (i == MainWindow::Tracks) {
                step(QStringLiteral("selectall-flat"), [&] { menu("selectAllAct")->trigger(); });
                step(QStringLiteral("group1"), [&] { grid->groupBy(field("ART_NAME")); });
                step(QStringLiteral("group2"), [&] { grid->groupBy(field("CD_LABEL")); });
                step(QStringLiteral("selectall-grouped"), [&] { menu("selectAllAct")->trigger(); });
                step(QStringLiteral("ungroup"), [&] { grid->setGroupColumns({}); });
            }
            if (i == MainWindow::DataItems) {
                step(QStringLiteral("select-10k"), [&] {
                    std::vector<int> rows(size_t(std::min(10000, grid->rows()->rowCount())));
                    for (size_t r = 0; r < rows.size(); ++r)
                        rows[r] = int(r);
                    grid->selectRows(rows);
                });
                Step ask;
                messages.onConfirm = [&] {
                    ask.ms = (nowNs() - g_stepStart) / 1e6;
                    ask.stall = meter.peek() / 1e6;
                    ask.progress = meter.progress;
                };
                step(QStringLiteral("delete"), [&] { menu("deleteAct")->trigger(); });
                messages.onConfirm = nullptr;
                report(QStringLiteral("delete-ask"), ask);
                dialogs.saveAnswer = folder + QStringLiteral("/out.html");
                step(QStringLiteral("html"), [&] { menu("saveHtmlAct")->trigger(); });
                dialogs.saveAnswer = folder + QStringLiteral("/out.xls");
                step(QStringLiteral("xls"), [&] { menu("saveXlsAct")->trigger(); });
            }
        }

        step(QStringLiteral("nav-again:0"), [&] { m.navigator->setCurrentRow(MainWindow::AudioCDs); });
        step(QStringLiteral("print"), [&] { menu("printAct")->trigger(); });
        std::fprintf(stderr, "print preview: %d pages\n", dialogs.previewPages);

        // The data CD editor as "Add new" opens it over the data CD list, its drive list naming the folders.
        step(QStringLiteral("nav-again:4"), [&] { m.navigator->setCurrentRow(MainWindow::DataCDs); });
        const auto settleOn = [&](QWidget *editor) {
            return [&m, editor] {
                QCoreApplication::sendPostedEvents();
                if (editor->isVisible())
                    editor->repaint();
                m.repaint();
            };
        };
        // A scan still running at the cut is cancelled as the user cancels it, so one slow scan cannot
        // hold the whole run; its time is then a lower bound, and the table says so.
        const int cutS = qEnvironmentVariableIntValue("DADUDU_E2E_CUT_S");
        const int cutMs = (cutS > 0 ? cutS : 90) * 1000;
        const auto scan = [&](DataCDEditor *editor, const QString &key) {
            QTimer cut;
            cut.setSingleShot(true);
            bool wasCut = false;
            QObject::connect(&cut, &QTimer::timeout, editor, [&] {
                wasCut = true;
                editor->reject();
            });
            report(key,
                   measure(
                       meter,
                       [&] {
                           cut.start(cutMs);
                           editor->scanButton->click();
                           cut.stop();
                       },
                       settleOn(editor)));
            if (wasCut)
                report(QStringLiteral("cut:") + key, Step{});
            std::fprintf(stderr, "%s: %lld items%s\n", qPrintable(key), qlonglong(editor->items().size()),
                         wasCut ? " when cut" : "");
        };
        auto *editor = new DataCDEditor(*modules.dataCDStore, messages, &m);
        editor->setAttribute(Qt::WA_DeleteOnClose, false);
        report(QStringLiteral("editor-open"),
               measure(
                   meter,
                   [&] {
                       editor->fillDrives(scan10k);
                       editor->show();
                   },
                   settleOn(editor)));
        scan(editor, QStringLiteral("scan10k"));
        const QStringList items = editor->items();
        editor->show();
        editor->titleEdit->setText(QStringLiteral("Bench data CD"));
        // Saving closes the editor; the main window then reads the list in front again, as after "Add new".
        report(QStringLiteral("store"),
               measure(
                   meter,
                   [&] {
                       editor->saveButton->click();
                       m.refreshActiveList();
                   },
                   settleOn(editor)));
        delete editor;
        editor = new DataCDEditor(*modules.dataCDStore, messages, &m);
        editor->setAttribute(Qt::WA_DeleteOnClose, false);
        editor->fillDrives(scan100k);
        editor->show();
        scan(editor, QStringLiteral("scan100k"));
        delete editor;

        // The baselines, in the same run, after the real steps so the real ones start cold.
        const QByteArray locale = icuLocale();
        for (const SortedColumn &s : sorted) {
            if (s.list != MainWindow::DataItems)
                continue; // the million-row list, where the direct ordering is the target's measure
            const DxGrid *grid = m.list(MainWindow::ListIndex(s.list)).window->mainGrid();
            RowSource *rows = grid->rows();
            const int field = rows->fieldIndex(grid->columns()[size_t(s.column)].field);
            std::vector<QString> values(size_t(rows->rowCount()));
            for (int r = 0; r < rows->rowCount(); ++r)
                values[size_t(r)] = rows->value(r, field).toString();
            report(QStringLiteral("base:sort:%1:%2").arg(s.list).arg(s.column),
                   measure(meter, [&] { icuOrder(values, locale.constData()); }, {}));
        }
        const DxGrid &dataItems = *m.list(MainWindow::DataItems).window->mainGrid();
        report(QStringLiteral("base:html"),
               measure(meter, [&] { plainWrite(dataItems, folder + QStringLiteral("/base.html"), true); }, {}));
        report(QStringLiteral("base:xls"),
               measure(meter, [&] { plainWrite(dataItems, folder + QStringLiteral("/base.xls"), false); }, {}));
        for (const QString &which : {QStringLiteral("10k"), QStringLiteral("100k")}) {
            QListWidget list;
            list.resize(300, 300);
            list.show();
            QCoreApplication::processEvents();
            const QString scanned = which == QLatin1String("10k") ? scan10k : scan100k;
            report(QStringLiteral("base:scan") + which,
                   measure(
                       meter, [&] { list.addItems(rootEntries(scanned)); },
                       [&] {
                           QCoreApplication::sendPostedEvents();
                           list.repaint();
                       }));
        }
        report(QStringLiteral("base:store"),
               measure(meter, [&] { plainStore(folder + QStringLiteral("/dadudu.mdb"), items); }, {}));
        app.quit();
    };
    watch.onMainPainted = afterUsable;
    m.show();
    return app.exec();
}

// ---- the parent: runs each phase in a process of its own, then prints the table ---------------

struct Figures {
    QMap<QString, Step> steps;
};

bool runChild(const QStringList &args, Figures &figures)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")) && env.value(QStringLiteral("DISPLAY")).isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QByteArray pending;
    QObject::connect(&child, &QProcess::readyReadStandardOutput, [&] {
        pending += child.readAllStandardOutput();
        qsizetype nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(nl);
            pending.remove(0, nl + 1);
            const QList<QByteArray> f = line.split('\t');
            if (f.size() == 6 && f[0] == "@R") {
                Step s{f[2].toDouble(), f[3].toDouble(), f[4].toLong(), f[5] == "1"};
                figures.steps.insert(QString::fromUtf8(f[1]), s);
                std::fprintf(stderr, "  %-22s %10.1f ms  stall %9.1f ms  peak %8.1f MB\n", f[1].constData(), s.ms,
                             s.stall, s.kb / 1024.0);
            } else {
                std::fprintf(stderr, "%s\n", line.constData());
            }
        }
    });
    child.start(QCoreApplication::applicationFilePath(), args);
    child.waitForFinished(-1);
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        std::fprintf(stderr, "phase %s ended badly (%d)\n", qPrintable(args.value(0)), child.exitCode());
        return false;
    }
    return true;
}

void makeScanFolder(const QString &path, int entries)
{
    QDir dir(path);
    if (dir.exists() && int(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size()) == entries)
        return;
    dir.removeRecursively();
    QDir().mkpath(path);
    // A disc's root: some folders, then files of several kinds.
    const int folders = entries / 20;
    for (int i = 0; i < folders; ++i)
        dir.mkdir(QStringLiteral("Folder %1").arg(i, 6, 10, QLatin1Char('0')));
    const char *const kinds[] = {"txt", "jpg", "mp3", "pdf", "iso"};
    for (int i = folders; i < entries; ++i) {
        QFile f(dir.filePath(
            QStringLiteral("file %1.%2").arg(i, 6, 10, QLatin1Char('0')).arg(QLatin1String(kinds[i % 5]))));
        f.open(QIODevice::WriteOnly);
    }
}

struct Row {
    QString label;
    QString subject;
    QString baseline;
    double ratio = 0;    // the target ratio to the baseline; 0: none
    double fixedMs = 0;  // fixed waits both sides make, outside the ratio
    bool memory = false; // compares peak memory instead of time
};

QString fmt(double v, int decimals = 1)
{
    return v < 0 ? QStringLiteral("-") : QString::number(v, 'f', decimals);
}

void printTable(const Figures &fig)
{
    const auto has = [&](const QString &k) { return fig.steps.contains(k); };
    const QString lists[] = {QStringLiteral("audio CDs"), QStringLiteral("artists"),  QStringLiteral("tracks"),
                             QStringLiteral("movies"),    QStringLiteral("data CDs"), QStringLiteral("data items")};
    std::vector<Row> rows;
    rows.push_back({QStringLiteral("start-up to painted window"), QStringLiteral("startup"),
                    QStringLiteral("base:startup"), 1.2, double(startupWaitMs)});
    rows.push_back({QStringLiteral("start-up peak memory"), QStringLiteral("startup"), QStringLiteral("base:startup"),
                    1.5, 0, true});
    rows.push_back({QStringLiteral("splash first painted (exposed)"), QStringLiteral("splash-paint"), {}, 0});
    for (int i = 0; i < listCount; ++i) {
        rows.push_back({QStringLiteral("navigator: ") + lists[i], QStringLiteral("nav:%1").arg(i),
                        QStringLiteral("base:nav:%1").arg(i), 1.2});
        rows.push_back({QStringLiteral("  after another's write: ") + lists[i], QStringLiteral("nav-changed:%1").arg(i),
                        QStringLiteral("base:nav:%1").arg(i), 1.2});
    }
    for (auto it = fig.steps.begin(); it != fig.steps.end(); ++it)
        if (it.key().startsWith(QLatin1String("sort:"))) {
            const QStringList p = it.key().split(u':');
            rows.push_back({QStringLiteral("cold header click: %1 %2").arg(lists[p[1].toInt()], p[3]), it.key(),
                            QStringLiteral("base:click:%1:%2").arg(p[1], p[3]), 1.2});
            if (has(QStringLiteral("base:sort:%1:%2").arg(p[1], p[2])))
                rows.push_back({QStringLiteral("  vs ordering alone, direct ICU"), it.key(),
                                QStringLiteral("base:sort:%1:%2").arg(p[1], p[2]), 1.2});
        }
    rows.push_back({QStringLiteral("tracks: select all flat"), QStringLiteral("selectall-flat"), {}, 0});
    rows.push_back({QStringLiteral("tracks: group by 1 column"), QStringLiteral("group1"), {}, 0});
    rows.push_back(
        {QStringLiteral("tracks: group by 2nd column"), QStringLiteral("group2"), QStringLiteral("group1"), 2});
    rows.push_back({QStringLiteral("tracks: select all grouped"), QStringLiteral("selectall-grouped"),
                    QStringLiteral("selectall-flat"), 2});
    rows.push_back({QStringLiteral("tracks: ungroup"), QStringLiteral("ungroup"), {}, 0});
    rows.push_back({QStringLiteral("data items: select 10,000"), QStringLiteral("select-10k"), {}, 0});
    rows.push_back({QStringLiteral("delete 10,000: until asked"), QStringLiteral("delete-ask"), {}, 0});
    rows.push_back({QStringLiteral("delete 10,000: No, refreshed"), QStringLiteral("delete"), {}, 0});
    rows.push_back({QStringLiteral("export HTML data items"), QStringLiteral("html"), QStringLiteral("base:html"), 0});
    rows.push_back({QStringLiteral("export XLS data items"), QStringLiteral("xls"), QStringLiteral("base:xls"), 0});
    rows.push_back({QStringLiteral("navigator back: audio CDs"), QStringLiteral("nav-again:0"),
                    QStringLiteral("base:nav:0"), 1.2});
    rows.push_back({QStringLiteral("print preview, page 1"), QStringLiteral("print"), {}, 0});
    rows.push_back(
        {QStringLiteral("navigator back: data CDs"), QStringLiteral("nav-again:4"), QStringLiteral("base:nav:4"), 1.2});
    rows.push_back({QStringLiteral("data CD editor opens"), QStringLiteral("editor-open"), {}, 0});
    rows.push_back(
        {QStringLiteral("scan 10,000 entries"), QStringLiteral("scan10k"), QStringLiteral("base:scan10k"), 1.5});
    rows.push_back(
        {QStringLiteral("scan 100,000 entries"), QStringLiteral("scan100k"), QStringLiteral("base:scan100k"), 1.5});
    rows.push_back(
        {QStringLiteral("scan 100,000 vs 10,000"), QStringLiteral("scan100k"), QStringLiteral("scan10k"), 12});
    rows.push_back(
        {QStringLiteral("store 10,000-item data CD"), QStringLiteral("store"), QStringLiteral("base:store"), 1.3});

    std::printf("\n%-36s %10s %9s %9s | %10s %9s %9s | %7s %8s %6s %s\n", "action", "ms", "stall", "peak+MB", "base ms",
                "stall", "peak+MB", "ratio", "target", "time", "stall<=250ms");
    int failures = 0;
    for (const Row &r : rows) {
        if (!has(r.subject))
            continue;
        const Step s = fig.steps.value(r.subject);
        const bool withBase = !r.baseline.isEmpty() && has(r.baseline);
        const Step b = withBase ? fig.steps.value(r.baseline) : Step{};
        QString ratio = QStringLiteral("-"), target = QStringLiteral("-"), verdict = QStringLiteral("-");
        if (withBase) {
            const double x
                = r.memory ? double(s.kb) / std::max(1L, b.kb) : (s.ms - r.fixedMs) / std::max(0.1, b.ms - r.fixedMs);
            ratio = QString::number(x, 'f', 2) + u'x';
            if (r.ratio > 0) {
                target = QStringLiteral("<=") + QString::number(r.ratio) + u'x';
                verdict = x <= r.ratio ? QStringLiteral("ok") : QStringLiteral("FAIL");
                failures += x > r.ratio;
            }
        }
        const bool cut
            = has(QStringLiteral("cut:") + r.subject) || (withBase && has(QStringLiteral("cut:") + r.baseline));
        if (cut && verdict == QLatin1String("ok"))
            verdict = QStringLiteral("cut");
        QString stall = QStringLiteral("-");
        if (r.subject == QLatin1String("startup"))
            stall = QStringLiteral("(blocks by design)");
        else if (s.stall >= 0 && !r.memory)
            stall = s.stall <= 250 ? QStringLiteral("ok")
                : s.progress       ? QStringLiteral("ok (progress up)")
                                   : QStringLiteral("FAIL");
        if (r.memory) {
            std::printf("%-36s %10s %9s %9.1f | %10s %9s %9.1f | %7s %8s %6s %s\n", qPrintable(r.label), "", "",
                        s.kb / 1024.0, "", "", b.kb / 1024.0, qPrintable(ratio), qPrintable(target),
                        qPrintable(verdict), "");
            continue;
        }
        std::printf("%-36s %10s %9s %9.1f | %10s %9s %9s | %7s %8s %6s %s\n", qPrintable(r.label),
                    qPrintable((has(QStringLiteral("cut:") + r.subject) ? QStringLiteral(">=") : QString())
                               + (s.ms < 0 ? QStringLiteral("never") : fmt(s.ms))),
                    qPrintable(fmt(s.stall)), s.kb / 1024.0, qPrintable(withBase ? fmt(b.ms) : QStringLiteral("-")),
                    qPrintable(withBase ? fmt(b.stall) : QStringLiteral("-")),
                    qPrintable(withBase ? QString::number(b.kb / 1024.0, 'f', 1) : QStringLiteral("-")),
                    qPrintable(ratio), qPrintable(target), qPrintable(verdict), qPrintable(stall));
    }
    if (has(QStringLiteral("cpu-after"))) {
        const double cpu = fig.steps.value(QStringLiteral("cpu-after")).ms;
        std::printf("%-36s %10.1f %9s %9s | %10s %9s %9s | %7s %8s %6s\n", "CPU ms in the 3 s after usable", cpu, "",
                    "", qPrintable(fmt(fig.steps.value(QStringLiteral("base:cpu-after"), Step{}).ms)), "", "", "-",
                    "<=1000ms", cpu <= 1000 ? "ok" : "FAIL");
        failures += cpu > 1000;
    }
    std::printf(
        "\nstart-up ratio and limit leave out the fixed wait of %d ms both sides make; peak+MB is the growth of "
        "VmHWM over a step (absolute VmHWM for start-up).\n'>=' marks a step cut at its limit "
        "(DADUDU_E2E_CUT_S, default 90 s): a lower bound.\n%d time or memory targets missed.\n",
        startupWaitMs, failures);
}

int runParent(const QString &folder, QStringList phases)
{
    const QString source = QDir(folder).filePath(QStringLiteral("dadudu.mdb"));
    if (!QFile::exists(source)) {
        std::fprintf(stderr, "no catalogue at %s\n", qPrintable(source));
        return 2;
    }
    if (phases.isEmpty())
        phases = {QStringLiteral("lean"), QStringLiteral("idle"), QStringLiteral("chain")};
    // A copy, so the steps that write leave the generated catalogue as it was.
    const QString work = QDir(folder).filePath(QStringLiteral("e2e-work"));
    QDir(work).removeRecursively();
    QDir().mkpath(work);
    if (!QFile::copy(source, work + QStringLiteral("/dadudu.mdb"))) {
        std::fprintf(stderr, "cannot copy the catalogue to %s\n", qPrintable(work));
        return 2;
    }
    const QString scan10k = QDir(folder).filePath(QStringLiteral("scan10k"));
    const QString scan100k = QDir(folder).filePath(QStringLiteral("scan100k"));
    if (phases.contains(QLatin1String("chain"))) {
        makeScanFolder(scan10k, 10000);
        makeScanFolder(scan100k, 100000);
    }
    Figures figures;
    for (const QString &phase : phases) {
        std::fprintf(stderr, "phase %s\n", qPrintable(phase));
        if (phase == QLatin1String("lean"))
            runChild({QStringLiteral("--lean"), work}, figures);
        else if (phase == QLatin1String("idle"))
            runChild({QStringLiteral("--subject-idle"), work}, figures);
        else if (phase == QLatin1String("chain"))
            runChild({QStringLiteral("--subject-chain"), work, scan10k, scan100k}, figures);
    }
    printTable(figures);
    QDir(work).removeRecursively();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    g_clock.start();
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (mode == QLatin1String("--lean"))
        return runLean(argc, argv, folder);
    if (mode == QLatin1String("--subject-idle"))
        return runSubject(argc, argv, folder, false, {}, {});
    if (mode == QLatin1String("--subject-chain") && argc > 4)
        return runSubject(argc, argv, folder, true, QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
    if (mode.isEmpty() || mode.startsWith(u'-')) {
        std::fprintf(stderr, "usage: dadudu-bench-e2e CATALOGUE-FOLDER [lean] [idle] [chain]\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    QStringList phases;
    for (int i = 2; i < argc; ++i)
        phases << QString::fromLocal8Bit(argv[i]);
    return runParent(mode, phases);
}
