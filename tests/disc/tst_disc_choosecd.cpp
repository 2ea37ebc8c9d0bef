#include "disc/ChooseCDDialog.h"
#include "support/ModalDriver.h"

#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {

const QStringList Matches{QStringLiteral("rock 0901c102 Some Artist / Some Title"),
                          QStringLiteral("jazz 0901c1ff Other Artist / Other Title"),
                          QStringLiteral("misc 0a01c102 Third Artist / Third Title")};

} // namespace

class tst_DiscChooseCD : public QObject
{
    Q_OBJECT

private slots:
    void showsEveryLineFirstSelected();
    void choosing_data();
    void choosing();
    void okWithoutSelectionKeepsDialogOpen();
    void noLinesShowsNothing();
    void sameLinesTwiceAndMarks();
};

void tst_DiscChooseCD::showsEveryLineFirstSelected()
{
    QStringList items;
    int current = -1;
    QString caption;
    QString focus; // by name: the dialog is gone once ChooseMatch returns
    QSize size;
    bool hasCloseButton = true;
    auto dialog = driveModal<ChooseCDDialog>([&](ChooseCDDialog *d) {
        for (int k = 0; k < d->choiceList->count(); ++k)
            items << d->choiceList->item(k)->text();
        current = d->choiceList->currentRow();
        caption = d->windowTitle();
        focus = d->focusWidget() ? d->focusWidget()->objectName() : QString();
        size = d->size();
        hasCloseButton = d->windowFlags().testFlag(Qt::WindowCloseButtonHint);
        QTest::mouseClick(d->okButton, Qt::LeftButton);
    });
    chooseMatch(Matches);
    QVERIFY(dialog->came());
    QCOMPARE(items, Matches);
    QCOMPARE(current, 0);
    QCOMPARE(caption, QStringLiteral("Many possible choices found - choose one"));
    QCOMPARE(focus, QStringLiteral("okButton"));
    QCOMPARE(size, QSize(418, 143));
    QVERIFY(!hasCloseButton);
}

void tst_DiscChooseCD::choosing_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Ok on the first") << 0 << QStringLiteral("ok") << Matches[0];
    QTest::newRow("Ok on the third") << 2 << QStringLiteral("ok") << Matches[2];
    QTest::newRow("Enter picks like Ok") << 1 << QStringLiteral("enter") << Matches[1];
    QTest::newRow("double-click") << 1 << QStringLiteral("double-click") << Matches[1];
    QTest::newRow("Escape leaves no choice") << 1 << QStringLiteral("escape") << QString();
}

void tst_DiscChooseCD::choosing()
{
    QFETCH(int, row);
    QFETCH(QString, how);
    QFETCH(QString, expected);

    bool closedByIt = false; // not by the driver, which would leave no choice as Escape does
    auto dialog = driveModal<ChooseCDDialog>([&](ChooseCDDialog *d) {
        d->choiceList->setCurrentRow(row);
        if (how == QLatin1String("ok")) {
            QTest::mouseClick(d->okButton, Qt::LeftButton);
        } else if (how == QLatin1String("enter")) {
            d->okButton->setFocus();
            QTest::keyClick(d->okButton, Qt::Key_Return);
        } else if (how == QLatin1String("escape")) {
            QTest::keyClick(d, Qt::Key_Escape);
        } else {
            QListWidget *list = d->choiceList;
            const QRect r = list->visualItemRect(list->item(row));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
        }
        closedByIt = !d->isVisible();
    });
    const QString choice = chooseMatch(Matches);
    QVERIFY(dialog->came());
    QVERIFY(closedByIt);
    QCOMPARE(choice, expected);
}

void tst_DiscChooseCD::okWithoutSelectionKeepsDialogOpen()
{
    bool stillOpen = false;
    // The driver closes the dialog that Ok left open, so ChooseMatch returns.
    auto dialog = driveModal<ChooseCDDialog>([&](ChooseCDDialog *d) {
        d->choiceList->clearSelection();
        QTest::mouseClick(d->okButton, Qt::LeftButton);
        stillOpen = d->isVisible();
    });
    const QString choice = chooseMatch(Matches);
    QVERIFY(dialog->came());
    QVERIFY(stillOpen);
    QCOMPARE(choice, QString());
}

void tst_DiscChooseCD::noLinesShowsNothing()
{
    // Should a dialog open all the same, the driver closes it and the test fails on came().
    auto dialog = driveModal<ChooseCDDialog>([](ChooseCDDialog *) {});
    const QString choice = chooseMatch({});
    QCOMPARE(choice, QString());
    QVERIFY(!dialog->came());
}

void tst_DiscChooseCD::sameLinesTwiceAndMarks()
{
    // Two releases may read alike: the choice is by place, and a differing track count is marked.
    const QStringList lines{QStringLiteral("MusicBrainz | 2 tracks | A / B"),
                            QStringLiteral("MusicBrainz | 2 tracks | A / B"),
                            QStringLiteral("gnudb | 3 tracks, the disc has 2 | A / B")};
    QList<bool> icons;
    QStringList tips;
    auto dialog = driveModal<ChooseCDDialog>([&](ChooseCDDialog *d) {
        for (int k = 0; k < d->choiceList->count(); ++k) {
            // A sign shows where some pixel of the line's picture does.
            const QImage sign = d->choiceList->item(k)->icon().pixmap(QSize(11, 11)).toImage();
            bool shows = false;
            for (int y = 0; y < sign.height() && !shows; ++y)
                for (int x = 0; x < sign.width() && !shows; ++x)
                    shows = qAlpha(sign.pixel(x, y)) > 0;
            icons << shows;
            tips << d->choiceList->item(k)->toolTip();
        }
        d->choiceList->setCurrentRow(1);
        QTest::mouseClick(d->okButton, Qt::LeftButton);
    });
    const int chosen = chooseLine(lines, {false, false, true});
    QVERIFY(dialog->came());
    QCOMPARE(chosen, 1);
    QCOMPARE(icons, (QList<bool>{false, false, true}));
    QCOMPARE(tips, lines);
    QCOMPARE(chooseLine({}, {}), -1);
}

QTEST_MAIN(tst_DiscChooseCD)
#include "tst_disc_choosecd.moc"
