// Every editor, opened on records that reach every limit of the schema, hold every kind of
// character other programs may store or hold NULL where the schema lets them, and saved without a
// change, leaves the catalogue byte for byte as it was: on a file, the whole file as the sqlite3
// program dumps it, numbers and counters included; on the server, every row and counter as the
// server gives them.

#include "editors/ArtistEditor.h"
#include "editors/AudioCDEditor.h"
#include "editors/DataCDEditor.h"
#include "editors/MovieEditor.h"
#include "support/StoresOnCatalogue.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

// A text of exactly `count` characters, as the schema counts them, made of `pattern` repeated.
QString filled(const QString &pattern, int count)
{
    QString out;
    const QList<uint> chars = pattern.toUcs4();
    for (int i = 0; i < count; ++i) {
        const char32_t c = chars[i % chars.size()];
        out += QString::fromUcs4(&c, 1);
    }
    return out;
}

// Every kind of character a box may cut, drop or convert: line breaks of every system, tabs and
// other controls, no-break and zero-width spaces, a byte order mark inside, noncharacters, a
// letter with a combining accent, right-to-left text, characters beyond 16 bits, quotes and
// backslashes, blanks at both ends.
QString everyKind()
{
    return QStringLiteral(" a\r\nb\rc\nd\te\x01\x1f\x7f") + QChar(0x85) + QChar(0xA0) + QChar(0x2028) + QChar(0x2029)
        + QChar(0x200B) + QStringLiteral("x") + QChar(0xFEFF) + QChar(0xFFFE) + QChar(0xFFFF) + QStringLiteral("e")
        + QChar(0x301) + QString::fromUtf8("\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d \xf0\x9f\x8e\xb5 '\"\\ ");
}

// An SQL literal of `text`, written as its UTF-8 bytes so nothing in the way changes them.
QString literal(const QString &text)
{
    const QString hex = QString::fromLatin1(text.toUtf8().toHex());
    if (TempCatalogue::engineUnderTest() == db::Engine::PostgreSQL)
        return QStringLiteral("convert_from('\\x%1'::bytea, 'UTF8')").arg(hex);
    return QStringLiteral("cast(x'%1' as text)").arg(hex);
}

QString seed()
{
    const QString kinds = everyKind();
    const QString wide = QString::fromUtf8("\xf0\x9f\x8e\xb5\xc3\xa9");
    QStringList sql;
    // Two artists share a name: a CD of the second stays his.
    sql << QStringLiteral("insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba'), (2, 'Abba'), (3, %1), (4, %2), "
                          "(5, %3), (6, NULL), (7, '')")
               .arg(literal(filled(QStringLiteral("n"), 255)), literal(filled(wide, 255)), literal(kinds));
    const auto cd = [](int id, int artist, const QString &title, const QString &barcode, const QString &year,
                       int limited, const QString &comments) {
        return QStringLiteral("insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values "
                              "(%1, %2, %3, %4, %5, %6, %7)")
            .arg(id)
            .arg(title)
            .arg(artist)
            .arg(barcode, year)
            .arg(limited)
            .arg(comments);
    };
    sql << cd(1, 2, literal(QStringLiteral("Gold")), literal(QStringLiteral("12345678901234")),
              literal(QStringLiteral("1999?")), 1, literal(QStringLiteral("line one\r\nline two\r\n")))
        << cd(2, 3, literal(filled(QStringLiteral("t"), 255)), literal(filled(wide, 14)), literal(filled(wide, 5)), 0,
              literal(filled(kinds, 5000)))
        << cd(3, 4, literal(filled(wide, 255)), QStringLiteral("NULL"), QStringLiteral("NULL"), 0,
              QStringLiteral("NULL"))
        << cd(4, 5, literal(kinds), literal(QString()), literal(QString()), 1, literal(QString()))
        << cd(5, 1, literal(QStringLiteral("  blanks  ")), literal(QStringLiteral(" 4006 ")),
              literal(QStringLiteral("'99")), 0, literal(QStringLiteral("\r")))
        // An older catalogue's CDs: one whose artist is gone, one that names none.
        << cd(6, 77, literal(QStringLiteral("Orphan")), literal(QString()), QStringLiteral("NULL"), 1,
              literal(QStringLiteral("x")))
        << QStringLiteral("insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values "
                          "(7, 'Nobody''s', NULL, NULL, '1970', 0, NULL)");
    sql << QStringLiteral(
               "insert into TRACK (TR_ID, TR_LABEL, CD_ID) values (1, %1, 2), (2, %2, 2), (3, %3, 2), (4, '', 4),"
               " (5, 'Waterloo', 1), (6, 'Waterloo', 1), (7, 'Lost', 6), (8, 'Stray', 55), (9, 'Loose', NULL)")
               .arg(literal(filled(QStringLiteral("r"), 255)), literal(filled(wide, 255)), literal(kinds));
    sql << QStringLiteral("insert into MOVIE (MOV_ID, MOV_TITLE, MOV_TYPE) values (1, %1, %2), (2, %3, %4), (3, %5, "
                          "'DVD'), (4, 'Brazil', NULL), (5, NULL, 'DVD'), (6, NULL, NULL), (7, '', '')")
               .arg(literal(filled(QStringLiteral("m"), 255)), literal(filled(wide, 255)), literal(kinds),
                    literal(filled(kinds, 255)), literal(filled(wide, 255)));
    sql << QStringLiteral("insert into DATACD (CD_ID, CD_TITLE) values (1, %1), (2, %2), (3, %3)")
               .arg(literal(filled(QStringLiteral("d"), 255)), literal(filled(wide, 255)), literal(kinds));
    sql << QStringLiteral(
               "insert into DATA (DATA_ID, DATA_LABEL, CD_ID) values (1, %1, 1), (2, %2, 1), (3, %3, 2), (4, '', 2),"
               " (5, 'stray', 66)")
               .arg(literal(filled(QStringLiteral("i"), 255)), literal(filled(wide, 255)), literal(kinds));
    // Numbers given before, deleted since: the counters are ahead of the rows.
    sql << QStringLiteral(
        "insert into TRACK (TR_ID, TR_LABEL, CD_ID) values (90, 'gone', 1); delete from TRACK where TR_ID = 90");
    return sql.join(QStringLiteral(";\n")) + u';';
}

// The whole catalogue as another program reads it. On the server, each row as JSON, which tells
// NULL from an empty text, and each counter.
QByteArray dump(TempCatalogue &catalogue)
{
    if (catalogue.isServer()) {
        QStringList lines;
        const QStringList tables = catalogue.rows(QStringLiteral(
            "select table_name from information_schema.tables where table_schema = current_schema() order by 1"));
        for (const QString &table : tables)
            lines << QStringLiteral("INSERT INTO %1").arg(table.toUpper())
                  << catalogue.rows(QStringLiteral("select row_to_json(t)::text from %1 t order by 1").arg(table));
        lines << catalogue.rows(
            QStringLiteral("select sequencename || ' ' || coalesce(last_value, 0) from pg_sequences "
                           "where schemaname = current_schema() order by 1"));
        return lines.join(u'\n').toUtf8();
    }
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {QStringLiteral("-readonly"), catalogue.path(), QStringLiteral(".dump")});
    if (!sqlite.waitForFinished(30000) || sqlite.exitCode() != 0)
        return "sqlite3 failed: " + sqlite.readAllStandardError();
    return sqlite.readAllStandardOutput();
}

} // namespace

class tst_UntouchedSave : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void leavesEveryRowAsItWas_data();
    void leavesEveryRowAsItWas();
};

void tst_UntouchedSave::initTestCase()
{
    if (const QString why = TempCatalogue::unavailable(); !why.isEmpty())
        QSKIP(qPrintable(why));
}

void tst_UntouchedSave::leavesEveryRowAsItWas_data()
{
    QTest::addColumn<QString>("editor");
    for (const char *editor : {"audio CD", "data CD", "artist", "movie"})
        QTest::newRow(editor) << QString::fromLatin1(editor);
}

void tst_UntouchedSave::leavesEveryRowAsItWas()
{
    QFETCH(QString, editor);
    EditorCatalogue cat(seed());
    const QByteArray before = dump(cat.cat);
    QVERIFY2(before.contains("INSERT INTO CDAUDIO"), before.constData());

    int saved = 0;
    const auto save = [&](QDialog &dialog, QPushButton *button) {
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        button->click();
        QCOMPARE(accepted.size(), 1);
        ++saved;
    };
    if (editor == QLatin1String("audio CD")) {
        for (int id = 1; id <= 7; ++id) {
            AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
            dialog.setCoversFolder(cat.cat.folder());
            QVERIFY(dialog.prepareEdit(id));
            save(dialog, dialog.saveButton);
        }
    } else if (editor == QLatin1String("data CD")) {
        for (int id = 1; id <= 3; ++id) {
            DataCDEditor dialog(cat.data, cat.messages);
            QVERIFY(dialog.prepareEdit(id));
            save(dialog, dialog.saveButton);
        }
    } else if (editor == QLatin1String("artist")) {
        for (int id = 1; id <= 7; ++id) {
            ArtistEditor dialog(cat.artists, cat.messages);
            QVERIFY(dialog.prepareEdit(id));
            save(dialog, dialog.saveButton);
        }
    } else {
        for (int id = 1; id <= 7; ++id) {
            MovieEditor dialog(cat.movies, cat.messages);
            QVERIFY(dialog.prepareEdit(id));
            save(dialog, dialog.saveButton);
        }
    }
    QVERIFY(saved >= 3);
    QVERIFY2(cat.messages.boxes.isEmpty(), qPrintable(cat.messages.texts().join(u'\n')));
    const QByteArray after = dump(cat.cat);
    if (after != before) {
        const QList<QByteArray> a = before.split('\n'), b = after.split('\n');
        for (int i = 0; i < qMax(a.size(), b.size()); ++i)
            if (a.value(i) != b.value(i))
                QFAIL(qPrintable(
                    QStringLiteral("first change, line %1:\n%2\n%3")
                        .arg(i + 1)
                        .arg(QString::fromUtf8(a.value(i).left(300)), QString::fromUtf8(b.value(i).left(300)))));
    }
}

QTEST_MAIN(tst_UntouchedSave)
#include "tst_untouched_save.moc"
