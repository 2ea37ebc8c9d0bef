#pragma once

// A real catalogue file in a temporary folder, filled through the engine, and the audio CD list
// columns that the list windows declare.

#include "grid/GridColumn.h"
#include "store/CatalogueFile.h"
#include "store/DbEngine.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

struct GridFixture {
    QTemporaryDir dir;
    DbConnection connection;
    std::unique_ptr<DbQuery> list;

    GridFixture()
    {
        const QString path = dir.filePath(QStringLiteral("dadudu.mdb"));
        createEmptyCatalogue(path);
        connection.setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False").arg(path));
        connection.Open();
    }

    void exec(const QString &sql)
    {
        DbQuery q(connection);
        q.setSQL(sql);
        q.ExecSQL();
    }

    int addArtist(const QString &name)
    {
        DbQuery q(connection, {QStringLiteral("insert into ARTISTE (ART_NAME) values (:ART_NAME)")});
        q.setParam(QStringLiteral("ART_NAME"), name);
        q.ExecSQL();
        return lastId();
    }

    int addCd(const QString &label, int artist, const QString &year = {}, bool limited = false, const QString &comments = {})
    {
        DbQuery q(connection, {QStringLiteral("insert into CDAUDIO (CD_LABEL, ART_ID, YEAR, LIMITED, COMMENTS) "
                                              "values (:CD_LABEL, :ART_ID, :YEAR, :LIMITED, :COMMENTS)")});
        q.setParam(QStringLiteral("CD_LABEL"), label);
        q.setParam(QStringLiteral("ART_ID"), artist);
        q.setParam(QStringLiteral("YEAR"), year);
        q.setParam(QStringLiteral("LIMITED"), limited ? 1 : 0);
        q.setParam(QStringLiteral("COMMENTS"), comments);
        q.ExecSQL();
        return lastId();
    }

    int lastId()
    {
        DbQuery q(connection, {QStringLiteral("select @@Identity")});
        q.Open();
        return q.FirstField().toInt();
    }

    // The audio CD list as its store reads it, in identifier order.
    DbQuery &openCdList()
    {
        list = std::make_unique<DbQuery>(connection, QStringList{
            QStringLiteral("select c.CD_ID, c.CD_LABEL, a.ART_NAME, c.BARCODE, c.YEAR, c.LIMITED, c.COMMENTS"),
            QStringLiteral("from CDAUDIO c left join ARTISTE a on a.ART_ID = c.ART_ID order by c.CD_ID")});
        list->Open();
        return *list;
    }

    static std::vector<GridColumn> cdColumns(GridColumn::Sort artistSort = GridColumn::Unsorted)
    {
        return {
            {.field = QStringLiteral("CD_ID"), .hidden = true},
            {.field = QStringLiteral("CD_LABEL"), .caption = QStringLiteral("Title"), .width = 99},
            {.field = QStringLiteral("ART_NAME"), .caption = QStringLiteral("Artist"), .width = 94, .sort = artistSort},
            {.field = QStringLiteral("BARCODE"), .caption = QStringLiteral("Barcode"), .width = 74},
            {.field = QStringLiteral("YEAR"), .caption = QStringLiteral("Year"), .width = 45},
            {.field = QStringLiteral("LIMITED"), .caption = QStringLiteral("Limited"), .width = 54, .kind = GridColumn::CheckBox},
            {.field = QStringLiteral("COMMENTS"), .caption = QStringLiteral("Comments"), .width = 116, .kind = GridColumn::Memo},
        };
    }

    enum CdColumn { Id, Title, Artist, Barcode, Year, Limited, Comments };
};
