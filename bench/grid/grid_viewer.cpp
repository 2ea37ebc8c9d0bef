// Shows a catalogue's audio CDs in the grid, grouped by artist and sorted by title.
// Usage: grid_viewer [catalogue.mdb]   (without one, a small sample catalogue is made)
#include "grid/DxGrid.h"
#include "grid/GridModel.h"
#include "store/CatalogueFile.h"
#include "store/DbEngine.h"

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QString path = app.arguments().value(1);
    DbConnection connection;
    if (path.isEmpty()) {
        path = dir.filePath(QStringLiteral("dadudu.mdb"));
        createEmptyCatalogue(path);
        connection.setLocation(path);
        DbQuery q(connection);
        const char *artists[] = {"Björk", "Air", "The Cure", "Ólafur Arnalds", "Abba"};
        for (const char *a : artists) {
            q.setSQL(QStringLiteral("insert into ARTISTE (ART_NAME) values (:N)"));
            q.setParam(QStringLiteral("N"), QString::fromUtf8(a));
            q.exec();
        }
        q.setSQL(QStringLiteral(
            "insert into CDAUDIO (CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS)"
            " with recursive n(i) as (select 1 union all select i + 1 from n where i < 40)"
            " select 'Album ' || char(90 - i % 26) || ' ' || i, 1 + i % 5, '50' || (1000000 + i * 7919),"
            " 1970 + i % 40, i % 3 = 0,"
            " case when i % 9 = 0 then 'Remastered edition.' || char(10) || 'Bonus disc with live takes.'"
            " || char(10) || 'Signed booklet.' else '' end from n"));
        q.exec();
    } else {
        connection.setLocation(path);
    }
    DbQuery list(connection,
                 {QStringLiteral("select c.CD_ID, c.CD_LABEL, a.ART_NAME, c.BARCODE, c.YEAR, c.LIMITED, c.COMMENTS"),
                  QStringLiteral("from CDAUDIO c left join ARTISTE a on a.ART_ID = c.ART_ID")});
    list.open();

    DxGrid grid;
    grid.setWindowTitle(QStringLiteral("Audio CDs"));
    grid.setColumns({{.field = QStringLiteral("CD_ID"), .hidden = true},
                     {.field = QStringLiteral("CD_LABEL"), .caption = QStringLiteral("Title"), .width = 99},
                     {.field = QStringLiteral("ART_NAME"),
                      .caption = QStringLiteral("Artist"),
                      .width = 94,
                      .sort = GridColumn::Ascending},
                     {.field = QStringLiteral("BARCODE"), .caption = QStringLiteral("Barcode"), .width = 74},
                     {.field = QStringLiteral("YEAR"), .caption = QStringLiteral("Year"), .width = 45},
                     {.field = QStringLiteral("LIMITED"),
                      .caption = QStringLiteral("Limited"),
                      .width = 54,
                      .kind = GridColumn::CheckBox},
                     {.field = QStringLiteral("COMMENTS"),
                      .caption = QStringLiteral("Comments"),
                      .width = 116,
                      .kind = GridColumn::Memo}});
    grid.setRows(&list);
    grid.groupBy(2);
    grid.sortBy(1, Qt::AscendingOrder);
    grid.resize(1000, 700);
    grid.show();
    return app.exec();
}
