#pragma once

// Artists and audio CDs kept in the test, the audio CD list read from them into rows in memory as
// the catalogue would answer it, and the audio CD list columns that the list windows declare.
// CatalogueList writes the same records into a real catalogue file, for the few cases that prove a
// catalogue query drives the grid as the rows in memory do.

#include "grid/GridColumn.h"
#include "store/DbEngine.h"
#include "support/MemoryRows.h"
#include "support/TempCatalogue.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <map>
#include <vector>

struct GridFixture {
    struct Cd {
        int id = 0;
        QString label;
        int artist = 0;
        QString year;
        bool limited = false;
        QString comments;
    };

    // Where the tests write their exports and prints.
    QTemporaryDir dir;
    std::map<int, QString> artists;
    std::vector<Cd> cds;
    MemoryRows list{cdFields()};

    static QStringList cdFields()
    {
        return {QStringLiteral("CD_ID"),   QStringLiteral("CD_LABEL"), QStringLiteral("ART_NAME"),
                QStringLiteral("BARCODE"), QStringLiteral("YEAR"),     QStringLiteral("LIMITED"),
                QStringLiteral("COMMENTS")};
    }

    // Identifiers count on from the highest one given, as the catalogue's do.
    int addArtist(const QString &name)
    {
        const int id = artists.empty() ? 1 : artists.rbegin()->first + 1;
        artists[id] = name;
        return id;
    }

    int addCd(const QString &label, int artist, const QString &year = {}, bool limited = false,
              const QString &comments = {})
    {
        int id = 1;
        for (const Cd &cd : cds)
            id = std::max(id, cd.id + 1);
        cds.push_back({id, label, artist, year, limited, comments});
        return id;
    }

    // The audio CD list in identifier order, each CD with its artist's name, null where the artist is
    // not in the catalogue; the barcode is never filled. Called again, it reads the list again.
    MemoryRows &openCdList()
    {
        std::vector<Cd> ordered = cds;
        std::sort(ordered.begin(), ordered.end(), [](const Cd &a, const Cd &b) { return a.id < b.id; });
        QList<QVariantList> rows;
        for (const Cd &cd : ordered) {
            const auto artist = artists.find(cd.artist);
            rows.append(QVariantList{qlonglong(cd.id), cd.label,
                                     artist == artists.end() ? QVariant() : QVariant(artist->second), QVariant(),
                                     cd.year, qlonglong(cd.limited), cd.comments});
        }
        list.setRows(std::move(rows));
        return list;
    }

    static std::vector<GridColumn> cdColumns(GridColumn::Sort artistSort = GridColumn::Unsorted)
    {
        return {
            {.field = QStringLiteral("CD_ID"), .hidden = true},
            {.field = QStringLiteral("CD_LABEL"), .caption = QStringLiteral("Title"), .width = 99},
            {.field = QStringLiteral("ART_NAME"), .caption = QStringLiteral("Artist"), .width = 94, .sort = artistSort},
            {.field = QStringLiteral("BARCODE"), .caption = QStringLiteral("Barcode"), .width = 74},
            {.field = QStringLiteral("YEAR"), .caption = QStringLiteral("Year"), .width = 45},
            {.field = QStringLiteral("LIMITED"),
             .caption = QStringLiteral("Limited"),
             .width = 54,
             .kind = GridColumn::CheckBox},
            {.field = QStringLiteral("COMMENTS"),
             .caption = QStringLiteral("Comments"),
             .width = 116,
             .kind = GridColumn::Memo},
        };
    }

    enum CdColumn { Id, Title, Artist, Barcode, Year, Limited, Comments };
};

// A fixture's artists and CDs in a catalogue file, and its audio CD list as a catalogue query.
struct CatalogueList {
    TempCatalogue file;
    DbConnection connection;
    DbQuery query{connection,
                  {QStringLiteral("select c.CD_ID, c.CD_LABEL, a.ART_NAME, c.BARCODE, c.YEAR, c.LIMITED, c.COMMENTS"),
                   QStringLiteral("from CDAUDIO c left join ARTISTE a on a.ART_ID = c.ART_ID order by c.CD_ID")}};

    explicit CatalogueList(const GridFixture &f)
    {
        connection.setLocation(file.path());
        for (const auto &[id, name] : f.artists) {
            DbQuery q(connection,
                      {QStringLiteral("insert into ARTISTE (ART_ID, ART_NAME) values (:ART_ID, :ART_NAME)")});
            q.setParam(QStringLiteral("ART_ID"), id);
            q.setParam(QStringLiteral("ART_NAME"), name);
            q.exec();
        }
        for (const GridFixture::Cd &cd : f.cds)
            addCd(cd);
    }

    void addCd(const GridFixture::Cd &cd)
    {
        DbQuery q(connection,
                  {QStringLiteral("insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, YEAR, LIMITED, COMMENTS) "
                                  "values (:CD_ID, :CD_LABEL, :ART_ID, :YEAR, :LIMITED, :COMMENTS)")});
        q.setParam(QStringLiteral("CD_ID"), cd.id);
        q.setParam(QStringLiteral("CD_LABEL"), cd.label);
        q.setParam(QStringLiteral("ART_ID"), cd.artist);
        q.setParam(QStringLiteral("YEAR"), cd.year);
        q.setParam(QStringLiteral("LIMITED"), cd.limited ? 1 : 0);
        q.setParam(QStringLiteral("COMMENTS"), cd.comments);
        q.exec();
    }

    DbQuery &open()
    {
        query.open();
        return query;
    }
};
