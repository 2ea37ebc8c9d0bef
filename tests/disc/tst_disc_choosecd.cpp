#include "disc/FM_ChooseCD.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

const QStringList Matches{QStringLiteral("rock 0901c102 Some Artist / Some Title"),
                          QStringLiteral("jazz 0901c1ff Other Artist / Other Title"),
                          QStringLiteral("misc 0a01c102 Third Artist / Third Title")};

// Runs act on the choice dialog once it is up and modal; ChooseMatch returns when act closes it.
// A dialog still open after act is closed so the test never hangs.
QString chooseWith(const QStringList &lines, std::function<void(TF_ChooseCD *)> act, bool *shown = nullptr)
{
    if (shown)
        *shown = false;
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [=] {
        auto *dialog = qobject_cast<TF_ChooseCD *>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(10, *poll);
            return;
        }
        if (shown)
            *shown = true;
        act(dialog);
        if (dialog->isVisible())
            dialog->reject();
    };
    QTimer::singleShot(0, *poll);
    const QString choice = ChooseMatch(lines);
    *poll = [] {}; // stop polling once the dialog is gone
    return choice;
}

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
};

void tst_DiscChooseCD::showsEveryLineFirstSelected()
{
    QStringList items;
    int current = -1;
    QString caption;
    QWidget *focus = nullptr;
    QSize size;
    bool hasCloseButton = true;
    chooseWith(Matches, [&](TF_ChooseCD *d) {
        for (int k = 0; k < d->ListBox_choices->count(); ++k)
            items << d->ListBox_choices->item(k)->text();
        current = d->ListBox_choices->currentRow();
        caption = d->windowTitle();
        focus = d->focusWidget();
        size = d->size();
        hasCloseButton = d->windowFlags().testFlag(Qt::WindowCloseButtonHint);
        QTest::mouseClick(d->Button1, Qt::LeftButton);
    });
    QCOMPARE(items, Matches);
    QCOMPARE(current, 0);
    QCOMPARE(caption, QStringLiteral("Many possible choices found - choose one"));
    QVERIFY(focus && focus->objectName() == QLatin1String("Button1"));
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

    const QString choice = chooseWith(Matches, [&](TF_ChooseCD *d) {
        d->ListBox_choices->setCurrentRow(row);
        if (how == QLatin1String("ok")) {
            QTest::mouseClick(d->Button1, Qt::LeftButton);
        } else if (how == QLatin1String("enter")) {
            d->Button1->setFocus();
            QTest::keyClick(d->Button1, Qt::Key_Return);
        } else if (how == QLatin1String("escape")) {
            QTest::keyClick(d, Qt::Key_Escape);
        } else {
            QListWidget *list = d->ListBox_choices;
            const QRect r = list->visualItemRect(list->item(row));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
        }
    });
    QCOMPARE(choice, expected);
}

void tst_DiscChooseCD::okWithoutSelectionKeepsDialogOpen()
{
    bool stillOpen = false;
    const QString choice = chooseWith(Matches, [&](TF_ChooseCD *d) {
        d->ListBox_choices->clearSelection();
        QTest::mouseClick(d->Button1, Qt::LeftButton);
        stillOpen = d->isVisible();
    });
    QVERIFY(stillOpen);
    QCOMPARE(choice, QString());
}

void tst_DiscChooseCD::noLinesShowsNothing()
{
    bool shown = true;
    QTimer guard; // if a dialog did open, end the test rather than hang
    const QString choice = chooseWith({}, [](TF_ChooseCD *) {}, &shown);
    QCOMPARE(choice, QString());
    QVERIFY(!shown);
}

QTEST_MAIN(tst_DiscChooseCD)
#include "tst_disc_choosecd.moc"
