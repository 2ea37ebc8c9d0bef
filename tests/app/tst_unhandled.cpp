// An error that no handler catches is shown in a box captioned with the application's title, and
// the program goes on. The program's slots run guarded, so the error never travels up through Qt's
// own frames (built without exception support) to get there.

#include "app/DaduduApplication.h"
#include "store/DbEngine.h"
#include "support/RecordingMessages.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

class tst_Unhandled : public QObject
{
    Q_OBJECT
public:
    RecordingMessages messages;

private slots:
    void errorFromAnEventIsShownAndTheLoopGoesOn_data()
    {
        QTest::addColumn<bool>("engine");
        QTest::newRow("engine error") << true;
        QTest::newRow("other error") << false;
    }
    void errorFromAnEventIsShownAndTheLoopGoesOn()
    {
        QFETCH(bool, engine);
        messages.clear();
        QPushButton button;
        connect(&button, &QPushButton::clicked, DaduduApplication::guarded([engine] {
            if (engine)
                throw DbError(QStringLiteral("no such table: ARTISTE"));
            throw std::runtime_error("disk full");
        }));
        button.show();
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(messages.boxes.size(), 1);
        QCOMPARE(messages.boxes[0].kind, MessageService::Kind::Unhandled);
        QCOMPARE(messages.boxes[0].text,
                 engine ? QStringLiteral("no such table: ARTISTE") : QStringLiteral("disk full"));
        bool later = false;
        QTimer::singleShot(0, [&] { later = true; });
        QTRY_VERIFY(later);
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("dadudu"));
    }
};

int main(int argc, char **argv)
{
    DaduduApplication app(argc, argv);
    tst_Unhandled test;
    app.setMessageService(&test.messages);
    return QTest::qExec(&test, argc, argv);
}
#include "tst_unhandled.moc"
