// The grid's model over a real query: structure under QAbstractItemModelTester, sort order against
// QCollator and numeric order, grouping levels, and the mapping between rows and indexes.
#include "GridFixture.h"

#include "grid/GridModel.h"

#include <QAbstractItemModelTester>
#include <QCollator>

#include <algorithm>
#include <numeric>

class TestGridModel : public QObject
{
    Q_OBJECT

private:
    // The rows as the model shows them, top to bottom, by their query row.
    static std::vector<int> gridOrder(const GridModel &m)
    {
        std::vector<int> out;
        for (int p = 0; p < m.rowTotal(); ++p)
            out.push_back(m.sourceRow(p));
        return out;
    }

private slots:
    void structureStaysValidThroughSortGroupAndReopen()
    {
        GridFixture f;
        const int a = f.addArtist(QStringLiteral("Björk"));
        const int b = f.addArtist(QStringLiteral("Air"));
        for (int i = 0; i < 12; ++i)
            f.addCd(QStringLiteral("CD %1").arg(i), i % 3 == 0 ? b : a, QString::number(1990 + i % 4), i % 2);
        f.addCd(QStringLiteral("No artist"), 9999);
        DbQuery &q = f.openCdList();

        GridModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setColumns(GridFixture::cdColumns());
        model.setRows(&q);
        QCOMPARE(model.rowCount(), 13);
        model.sort(GridFixture::Title, Qt::DescendingOrder);
        model.setGroupColumns({GridFixture::Artist});
        QCOMPARE(model.rowCount(), 3); // Air, Björk, and the CD without an artist
        model.setGroupColumns({GridFixture::Artist, GridFixture::Year});
        QVERIFY(model.rowCount(model.index(0, 0)) > 0);
        q.Close();
        QCOMPARE(model.rowCount(), 0);
        f.addCd(QStringLiteral("Late"), a);
        q.Open();
        QCOMPARE(model.rowTotal(), 14);
        model.setGroupColumns({});
        QCOMPARE(model.rowCount(), 14);
        QVERIFY(!(model.flags(model.index(0, GridFixture::Title)) & Qt::ItemIsEditable));
    }

    void sortsTextByCollation_data()
    {
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<Qt::SortOrder>("order");
        QTest::newRow("accents and case") << QStringList{"b", "É", "a", "e", "Z", "à", "B"} << Qt::AscendingOrder;
        QTest::newRow("digits in text are text") << QStringList{"10", "9", "100", "Track 2", "Track 10"} << Qt::AscendingOrder;
        QTest::newRow("descending") << QStringList{"Mozart", "abba", "Zappa", "Öl", "Ol"} << Qt::DescendingOrder;
        QTest::newRow("duplicates keep query order") << QStringList{"x", "same", "a", "same", "same"} << Qt::AscendingOrder;
    }

    // Whatever the machine's locale, accented and bracketed titles sort where a reader looks for them.
    void accentsSortWithTheirLetter()
    {
        GridFixture f;
        const QStringList labels{"cb", "[Bonus]", "zz", "ça", "ca", "île", "ib"};
        for (const QString &l : labels)
            f.addCd(l, 0);
        DbQuery &q = f.openCdList();
        GridModel model;
        model.setColumns(GridFixture::cdColumns());
        model.setRows(&q);
        model.sort(GridFixture::Title, Qt::AscendingOrder);
        QStringList shown;
        for (int p = 0; p < model.rowTotal(); ++p)
            shown << model.text(model.sourceRow(p), GridFixture::Title);
        QCOMPARE(shown, (QStringList{"[Bonus]", "ca", "ça", "cb", "ib", "île", "zz"}));
    }

    void sortsTextByCollation()
    {
        QFETCH(QStringList, labels);
        QFETCH(Qt::SortOrder, order);
        GridFixture f;
        std::vector<int> ids;
        for (const QString &l : labels)
            ids.push_back(f.addCd(l, 0));
        DbQuery &q = f.openCdList();
        GridModel model;
        model.setColumns(GridFixture::cdColumns());
        model.setRows(&q);
        model.sort(GridFixture::Title, order);

        std::vector<int> expected(labels.size());
        std::iota(expected.begin(), expected.end(), 0);
        const QCollator collator = GridModel::collator();
        std::stable_sort(expected.begin(), expected.end(), [&](int x, int y) {
            const int c = collator.compare(labels[x], labels[y]);
            return order == Qt::AscendingOrder ? c < 0 : c > 0;
        });
        QCOMPARE(gridOrder(model), expected);
    }

    // Text columns are ranked while the window is idle, in slices; what a click then finds must be the
    // same order as ranking on the spot, and a reopened list starts over.
    void idleRankingGivesTheSameOrder()
    {
        GridFixture f;
        f.exec(QStringLiteral("with recursive n(x) as (select 1 union all select x + 1 from n where x < 60000) "
                              "insert into CDAUDIO (CD_LABEL, ART_ID, YEAR) select "
                              "case x % 5 when 0 then 'É' when 1 then 'e' when 2 then 'ça ' else 'Z' end || (x * 7919 % 60000), "
                              "0, x % 50 from n"));
        DbQuery &q = f.openCdList();
        GridModel warm;
        warm.setColumns(GridFixture::cdColumns());
        warm.setRows(&q);
        QVERIFY(!warm.ranksReady(GridFixture::Title));
        QTRY_VERIFY_WITH_TIMEOUT(warm.ranksReady(GridFixture::Title) && warm.ranksReady(GridFixture::Year), 20000);

        GridModel cold;
        cold.setColumns(GridFixture::cdColumns());
        cold.setRows(&q);
        for (int column : {int(GridFixture::Title), int(GridFixture::Year)}) {
            warm.sort(column, Qt::AscendingOrder);
            cold.sort(column, Qt::AscendingOrder);
            QCOMPARE(gridOrder(warm), gridOrder(cold));
        }
        // And that order is the collation's, checked the slow way over every row.
        warm.sort(GridFixture::Title, Qt::AscendingOrder);
        std::vector<QCollatorSortKey> keys;
        const QCollator collator = GridModel::collator();
        for (int r = 0; r < q.RecordCount(); ++r)
            keys.push_back(collator.sortKey(q.Value(r, 1).toString()));
        std::vector<int> expected(size_t(q.RecordCount()));
        std::iota(expected.begin(), expected.end(), 0);
        std::stable_sort(expected.begin(), expected.end(),
                         [&](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
        QCOMPARE(gridOrder(warm), expected);

        // A reopened list starts over (the sorted column is ranked at once, the others in idle time),
        // and a sort asked for half-way through the idle work finishes it on the spot.
        q.Close();
        q.Open();
        QVERIFY(warm.ranksReady(GridFixture::Title));
        QVERIFY(!warm.ranksReady(GridFixture::Year));
        QCoreApplication::processEvents();
        warm.sort(GridFixture::Year, Qt::DescendingOrder);
        cold.sort(GridFixture::Year, Qt::DescendingOrder);
        QCOMPARE(gridOrder(warm), gridOrder(cold));
    }

    void sortsNumbersAsNumbersAfterNulls()
    {
        GridFixture f;
        DbQuery q(f.connection, {QStringLiteral("select 10 as N union all select 2 union all select null union all select 100"
                                                " union all select 2.5 union all select 'text'")});
        q.Open();
        GridModel model;
        model.setColumns({{.field = QStringLiteral("N"), .caption = QStringLiteral("N")}});
        model.setRows(&q);
        QStringList values;
        for (int p = 0; p < q.RecordCount(); ++p)
            values << q.Value(p, 0).toString();
        model.sort(0, Qt::AscendingOrder);
        QStringList shown;
        for (int p = 0; p < model.rowTotal(); ++p)
            shown << model.text(model.sourceRow(p), 0);
        QCOMPARE(shown, (QStringList{QString(), "2", "2.5", "10", "100", "text"}));
    }

    void groupsHoldTheirRowsInOrder()
    {
        GridFixture f;
        const QStringList artists{"Cure", "Abba", "Björk"};
        std::vector<int> artistIds;
        for (const QString &a : artists)
            artistIds.push_back(f.addArtist(a));
        for (int i = 0; i < 30; ++i)
            f.addCd(QStringLiteral("Title %1").arg(29 - i), artistIds[size_t(i % 3)], QString::number(2000 + i % 2));
        DbQuery &q = f.openCdList();
        GridModel model;
        model.setColumns(GridFixture::cdColumns());
        model.setRows(&q);
        model.sort(GridFixture::Title, Qt::AscendingOrder);
        model.setGroupColumns({GridFixture::Artist, GridFixture::Year});

        const QCollator collator = GridModel::collator();
        QStringList sortedArtists = artists;
        std::sort(sortedArtists.begin(), sortedArtists.end(), collator);
        QCOMPARE(model.rowCount(), 3);
        int position = 0;
        for (int g = 0; g < 3; ++g) {
            const QModelIndex group = model.index(g, 0);
            QVERIFY(model.isGroup(group));
            QVERIFY(group.data().toString().contains(sortedArtists[g]));
            QCOMPARE(model.rowCount(group), 2); // two years each
            for (int y = 0; y < 2; ++y) {
                const QModelIndex year = model.index(y, 0, group);
                QString previous;
                for (int r = 0; r < model.rowCount(year); ++r) {
                    const QModelIndex cell = model.index(r, GridFixture::Title, year);
                    const int row = model.sourceRowOf(cell);
                    QCOMPARE(model.positionOf(cell), position++);
                    QCOMPARE(model.text(row, GridFixture::Artist), sortedArtists[g]);
                    QCOMPARE(model.text(row, GridFixture::Year), QString::number(2000 + y));
                    QVERIFY(collator.compare(previous, cell.data().toString()) <= 0);
                    previous = cell.data().toString();
                    QCOMPARE(model.indexOfSourceRow(row, GridFixture::Title), cell);
                }
            }
        }
        QCOMPARE(position, 30);
    }

    void cellsShowTextChecksAndPlainDigits()
    {
        GridFixture f;
        f.exec(QStringLiteral("insert into CDAUDIO (CD_ID, CD_LABEL, LIMITED, COMMENTS) values (1234567, 'T', 1, 'one\ntwo')"));
        DbQuery &q = f.openCdList();
        GridModel model;
        model.setColumns(GridFixture::cdColumns());
        model.setRows(&q);
        QCOMPARE(model.text(0, GridFixture::Id), QStringLiteral("1234567"));
        QCOMPARE(model.index(0, GridFixture::Limited).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QVERIFY(model.index(0, GridFixture::Limited).data(Qt::DisplayRole).isNull());
        QCOMPARE(model.text(0, GridFixture::Limited), QStringLiteral("True"));
        QCOMPARE(model.index(0, GridFixture::Comments).data().toString(), QStringLiteral("one\ntwo"));
        QCOMPARE(model.headerData(GridFixture::Artist, Qt::Horizontal).toString(), QStringLiteral("Artist"));
    }
};

QTEST_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
