// The modal driver the dialog tests rely on: a dialog that never comes fails the test at the bound,
// and a wrong modal window in its place is closed so the exec() showing it returns.

#include "support/ModalDriver.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

class tst_ModalDriver : public QObject
{
    Q_OBJECT
private slots:
    void failsAtItsBoundWhenTheDialogDoesNotCome_data();
    void failsAtItsBoundWhenTheDialogDoesNotCome();
};

void tst_ModalDriver::failsAtItsBoundWhenTheDialogDoesNotCome_data()
{
    QTest::addColumn<bool>("otherModal");
    QTest::newRow("nothing opens") << false;
    QTest::newRow("another modal dialog opens") << true;
}

void tst_ModalDriver::failsAtItsBoundWhenTheDialogDoesNotCome()
{
    QFETCH(bool, otherModal);
    const int bound = 300;
    bool acted = false;
    QElapsedTimer clock;
    clock.start();
    auto box = driveModal<QMessageBox>([&](QMessageBox *) { acted = true; }, bound);

    // The driver's failure is the one expected here; it must come, or the next check passes
    // against this expectation and fails the test.
    QEXPECT_FAIL("", "no message box is ever opened", Continue);
    if (otherModal) {
        QDialog other;
        other.setWindowTitle(QStringLiteral("Other"));
        bool rescued = false;
        // A rescue in case the driver leaves it open: this test must not hang either.
        QTimer::singleShot(bound * 20, &other, [&] {
            rescued = true;
            other.hide();
        });
        QCOMPARE(other.exec(), int(QDialog::Rejected));
        QVERIFY(!rescued);
        QVERIFY2(box->failure().contains(QStringLiteral("a QDialog (\"Other\") was up instead")),
                 qPrintable(box->failure()));
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(box->done(), bound * 20);
    }
    QVERIFY(box->timedOut());
    QVERIFY(clock.elapsed() >= bound);
    QVERIFY(!box->came() && !acted);
    QVERIFY2(box->failure().startsWith(QStringLiteral("No QMessageBox came within 300 ms")),
             qPrintable(box->failure()));
}

QTEST_MAIN(tst_ModalDriver)
#include "tst_modaldriver.moc"
