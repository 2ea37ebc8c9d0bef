// The data CD editor on a real catalogue file: its save paths, its item list, and its scan of a
// drive's root, given as a real folder or as a device in a mount table of the test's own.

#include "app/AppModules.h"
#include "app/MainWindow.h"
#include "base/Texts.h"
#include "editors/DataCDEditor.h"
#include "support/ModalDriver.h"
#include "support/StoresOnCatalogue.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <algorithm>

namespace {

const QString TwoDataCDs = QStringLiteral(
    "insert into DATACD (CD_ID, CD_TITLE) values (7, 'Backup 2003'), (8, 'Photos');"
    "insert into DATA (DATA_ID, CD_ID, DATA_LABEL) values (1, 7, 'docs'), (2, 7, 'mail.pst'), (3, 8, 'img1.jpg'),"
    " (4, 7, 'notes.txt');");

bool touch(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write("x") == 1;
}

void addItems(DataCDEditor &dialog, const QStringList &items)
{
    for (const QString &item : items) {
        dialog.itemEdit->setText(item);
        dialog.addItem();
    }
}

} // namespace

class tst_DataCDEditor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void saveNew_data();
    void saveNew();
    void editOpensOnTheCD_data();
    void editOpensOnTheCD();
    void saveEdited_data();
    void saveEdited();
    void itemList();
    void scan_data();
    void scan();
    void scanShowsItsState();
    void cancelDuringScan();
    void scanShowsEntriesAsTheyCome_data();
    void scanShowsEntriesAsTheyCome();
    void cancelledScanStoresNothing_data();
    void cancelledScanStoresNothing();
    void noDrive();
    void saveKeepsButtonsDisabled();
    void addNewFromTheDataWindows_data();
    void addNewFromTheDataWindows();

private:
    QTemporaryDir m_dir;
    QString m_disc;           // a disc's root: two folders, three files
    QString m_blank;          // an empty disc
    QString m_large;          // a root of some thousands of entries
    QStringList m_largeNames; // its names as a scan lists them: folders, then files, each by name
};

void tst_DataCDEditor::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QDir dir(m_dir.path());
    QVERIFY(dir.mkpath(QStringLiteral("disc/Setup")));
    QVERIFY(dir.mkpath(QStringLiteral("disc/Docs")));
    QVERIFY(dir.mkpath(QStringLiteral("disc/.Trash")));
    QVERIFY(dir.mkpath(QStringLiteral("blank")));
    m_disc = dir.filePath(QStringLiteral("disc"));
    m_blank = dir.filePath(QStringLiteral("blank"));
    for (const char *name : {"autorun.inf", "readme", ".DS_Store", "Setup/setup.exe"})
        QVERIFY(touch(QDir(m_disc).filePath(QString::fromLatin1(name))));

    // Names in both cases, so the order by name regardless of case differs from the plain one.
    m_large = dir.filePath(QStringLiteral("large"));
    QVERIFY(dir.mkpath(QStringLiteral("large")));
    QStringList folders, files;
    for (int i = 0; i < 3000; ++i) {
        const QString name = QStringLiteral("%1 item %2").arg(i % 2 ? u'a' : u'B').arg((i * 7) % 3000);
        if (i % 10 == 0) {
            QVERIFY(QDir(m_large).mkdir(name));
            folders << name;
        } else {
            QVERIFY(touch(QDir(m_large).filePath(name)));
            files << name;
        }
    }
    const auto byName = [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    m_largeNames = folders + files;
}

void tst_DataCDEditor::saveNew_data()
{
    QTest::addColumn<QString>("failure"); // "TABLE|COLUMN|VALUE": an insert the engine refuses
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message"); // the start of the one box expected, if any
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QStringList>("stored");

    const QStringList items{QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("title and items, duplicates kept in order")
        << QString() << QStringLiteral("Backup") << QString() << true << QStringList{QStringLiteral("Backup|b,a,b")};
    QTest::newRow("title of blanks is a title")
        << QString() << QStringLiteral("  ") << QString() << true << QStringList{QStringLiteral("  |b,a,b")};
    QTest::newRow("empty title") << QString() << QString() << QStringLiteral("Please specify a title for the CD.")
                                 << false << QStringList();
    // A failed save keeps the dialog open with what was typed, and stores nothing of the CD.
    QTest::newRow("store refuses the CD, the dialog stays open")
        << QStringLiteral("DATACD|CD_TITLE|Doomed") << QStringLiteral("Doomed") << Texts::CDNotAdded << false
        << QStringList();
    QTest::newRow("store refuses an item: nothing of the CD is stored")
        << QStringLiteral("DATA|DATA_LABEL|a") << QStringLiteral("Backup") << Texts::CDNotAdded << false
        << QStringList();
}

void tst_DataCDEditor::saveNew()
{
    QFETCH(QString, failure);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(bool, closes);
    QFETCH(QStringList, stored);

    EditorCatalogue cat;
    if (!failure.isEmpty()) {
        const QStringList f = failure.split(u'|');
        cat.cat.failInsertWhen(f[0], f[1], f[2]);
    }
    DataCDEditor dialog(cat.data, cat.messages);
    dialog.prepareNew();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("New Data CD"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.titleEdit->setText(title);
    addItems(dialog, {QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("b")});
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.saveButton->click();

    QCOMPARE(accepted.size(), closes ? 1 : 0);
    QCOMPARE(dialog.isVisible(), !closes);
    QCOMPARE(cat.messages.boxes.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(cat.messages.boxes[0].kind, MessageService::Kind::Warning);
        QVERIFY2(cat.messages.boxes[0].text.startsWith(message), qPrintable(cat.messages.boxes[0].text));
    }
    if (!closes) {
        if (message.startsWith(QLatin1String("Please specify a title")))
            QCOMPARE(dialog.focusWidget(), dialog.titleEdit);
        QVERIFY(dialog.cancelButton->isEnabled() && dialog.saveButton->isEnabled());
        QCOMPARE(dialog.titleEdit->text(), title);
        QCOMPARE(dialog.items(), (QStringList{QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("b")}));
    }
    QCOMPARE(cat.dataCDRows(), stored);
}

void tst_DataCDEditor::editOpensOnTheCD_data()
{
    QTest::addColumn<bool>("addedAfterSnapshot");
    QTest::newRow("in the list") << false;
    QTest::newRow("added after the list was read") << true;
}

void tst_DataCDEditor::editOpensOnTheCD()
{
    QFETCH(bool, addedAfterSnapshot);

    EditorCatalogue cat(addedAfterSnapshot ? QString() : TwoDataCDs);
    if (addedAfterSnapshot)
        cat.cat.exec(TwoDataCDs);
    DataCDEditor dialog(cat.data, cat.messages);
    QVERIFY(dialog.prepareEdit(7));

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Edit Data CD"));
    QCOMPARE(dialog.titleEdit->text(), QStringLiteral("Backup 2003"));
    QCOMPARE(dialog.items(),
             (QStringList{QStringLiteral("docs"), QStringLiteral("mail.pst"), QStringLiteral("notes.txt")}));
    // The list window stands on the edited CD afterwards.
    QCOMPARE(cat.data.current().id, 7);
    QVERIFY(cat.messages.boxes.isEmpty());

    // A data CD that is gone shows nobody else's title and items.
    DataCDEditor missing(cat.data, cat.messages);
    QVERIFY(!missing.prepareEdit(99));
    QCOMPARE(cat.messages.texts(), QStringList{Texts::DataCDNotFoundText});
    QVERIFY(missing.titleEdit->text().isEmpty());
    QVERIFY(missing.items().isEmpty());
}

void tst_DataCDEditor::saveEdited_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("stored");

    QTest::newRow("items replaced in the order shown")
        << QString()
        << QStringList{QStringLiteral("Backup 2004|notes.txt,docs renamed,new item"),
                       QStringLiteral("Photos|img1.jpg")};
    // The store keeps the CD as it was when it cannot store all of it; the dialog stays open.
    QTest::newRow("store refuses an item")
        << QStringLiteral("DATA|DATA_LABEL|new item")
        << QStringList{QStringLiteral("Backup 2003|docs,mail.pst,notes.txt"), QStringLiteral("Photos|img1.jpg")};
}

void tst_DataCDEditor::saveEdited()
{
    QFETCH(QString, failure);
    QFETCH(QStringList, stored);

    EditorCatalogue cat(TwoDataCDs);
    if (!failure.isEmpty()) {
        const QStringList f = failure.split(u'|');
        cat.cat.failInsertWhen(f[0], f[1], f[2]);
    }
    DataCDEditor dialog(cat.data, cat.messages);
    QVERIFY(dialog.prepareEdit(7));
    dialog.titleEdit->setText(QStringLiteral("Backup 2004"));
    dialog.itemList->item(1)->setSelected(true); // mail.pst
    dialog.deleteSelectedItems();
    dialog.itemList->item(0)->setText(QStringLiteral("docs renamed"));
    // Moved to the end: the stored order follows the list, not the old identifiers.
    dialog.itemList->addItem(dialog.itemList->takeItem(0));
    addItems(dialog, {QStringLiteral("new item")});
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.saveButton->click();

    QCOMPARE(accepted.size(), failure.isEmpty() ? 1 : 0);
    QCOMPARE(cat.messages.boxes.size(), failure.isEmpty() ? 0 : 1);
    if (!failure.isEmpty())
        QVERIFY(cat.messages.boxes[0].text.startsWith(Texts::CDNotUpdated));
    QCOMPARE(cat.dataCDRows(), stored);
    if (failure.isEmpty()) // new identifiers for all
        QCOMPARE(cat.cat.count(QStringLiteral("DATA"), QStringLiteral("CD_ID = 7 and DATA_ID <= 4")), 0);
}

void tst_DataCDEditor::itemList()
{
    EditorCatalogue cat;
    DataCDEditor dialog(cat.data, cat.messages);
    dialog.prepareNew();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    dialog.itemList->setFocus();
    QTest::keyClick(dialog.itemEdit, Qt::Key_Return);
    QCOMPARE(cat.messages.texts(), QStringList{QStringLiteral("Please specify the item you want to add.")});
    QCOMPARE(dialog.focusWidget(), dialog.itemEdit);
    QVERIFY(dialog.items().isEmpty());
    // The text stays after Add: Enter twice adds it twice.
    dialog.itemEdit->setText(QStringLiteral("setup.exe"));
    QTest::keyClick(dialog.itemEdit, Qt::Key_Return);
    QTest::keyClick(dialog.itemEdit, Qt::Key_Enter);
    QCOMPARE(dialog.itemEdit->text(), QStringLiteral("setup.exe"));
    dialog.itemEdit->setText(QStringLiteral("readme"));
    dialog.addItemButton->click();
    QCOMPARE(dialog.items(),
             (QStringList{QStringLiteral("setup.exe"), QStringLiteral("setup.exe"), QStringLiteral("readme")}));
    // Enter in the title saves nothing.
    dialog.titleEdit->setText(QStringLiteral("t"));
    QTest::keyClick(dialog.titleEdit, Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(cat.cat.count(QStringLiteral("DATACD")), 0);

    // Delete while a caption is edited changes the text and removes no row.
    dialog.itemList->clearSelection();
    dialog.itemList->item(2)->setSelected(true);
    dialog.editSelectedItem();
    auto *editor = dialog.itemList->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->setCursorPosition(0);
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(dialog.items(),
                 (QStringList{QStringLiteral("setup.exe"), QStringLiteral("setup.exe"), QStringLiteral("eadme")}));

    // Delete in the list removes every selected row, without asking.
    dialog.itemList->setFocus();
    dialog.itemList->clearSelection();
    dialog.itemList->item(0)->setSelected(true);
    dialog.itemList->item(2)->setSelected(true);
    QTest::keyClick(dialog.itemList, Qt::Key_Delete);
    QCOMPARE(dialog.items(), QStringList{QStringLiteral("setup.exe")});

    // The pop-up menu: select all, then delete selected.
    addItems(dialog, {QStringLiteral("x")});
    const QList<QAction *> menu = dialog.listMenu->actions();
    QCOMPARE(menu.size(), 3);
    menu[0]->trigger();
    QCOMPARE(dialog.itemList->selectedItems().size(), 2);
    menu[2]->trigger();
    QVERIFY(dialog.items().isEmpty());
    QCOMPARE(cat.messages.boxes.size(), 1);
}

void tst_DataCDEditor::scan_data()
{
    QTest::addColumn<bool>("throughDevice"); // the drive is a device found in a mount table
    QTest::addColumn<bool>("blank");
    QTest::addColumn<bool>("mounted");
    QTest::addColumn<QStringList>("items");

    const QStringList disc{QStringLiteral("Docs"), QStringLiteral("Setup"), QStringLiteral(".DS_Store"),
                           QStringLiteral("autorun.inf"), QStringLiteral("readme")};
    const QStringList typed{QStringLiteral("typed")};
    QTest::newRow("folder: folders, then files") << false << false << true << disc;
    QTest::newRow("device: its mount point") << true << false << true << disc;
    QTest::newRow("empty disc empties the list") << true << true << true << QStringList();
    QTest::newRow("device not mounted: items kept") << true << false << false << typed;
}

void tst_DataCDEditor::scan()
{
    QFETCH(bool, throughDevice);
    QFETCH(bool, blank);
    QFETCH(bool, mounted);
    QFETCH(QStringList, items);

    EditorCatalogue cat;
    QTemporaryDir dev;
    const QString root = blank ? m_blank : m_disc;
    QString drive = root;
    DataCDEditor dialog(cat.data, cat.messages);
    if (throughDevice) {
        drive = dev.filePath(QStringLiteral("sr0"));
        QVERIFY(touch(drive));
        const QString table = dev.filePath(QStringLiteral("mounts"));
        QFile f(table);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (mounted)
            f.write((drive + u' ' + root + QStringLiteral(" iso9660 ro 0 0\n")).toUtf8());
        f.close();
        dialog.setMountsFile(table);
    }
    dialog.fillDrives(drive);
    addItems(dialog, {QStringLiteral("typed")});

    dialog.scanButton->click();

    QCOMPARE(dialog.items(), items);
    QCOMPARE(cat.messages.boxes.size(), mounted ? 0 : 1);
    if (!mounted)
        QCOMPARE(cat.messages.boxes[0].text, Texts::NoDiscInDriveText.arg(drive));
    QVERIFY(dialog.scanButton->isEnabled() && dialog.saveButton->isEnabled());
    QVERIFY(dialog.scanningLabel->isHidden());
    QVERIFY(!QApplication::overrideCursor());

    // A second scan replaces the first's items; Enter in the drive box scans too.
    if (mounted) {
        addItems(dialog, {QStringLiteral("more")});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(dialog.driveBox, Qt::Key_Return);
        QCOMPARE(dialog.items(), items);
    }
}

void tst_DataCDEditor::scanShowsItsState()
{
    EditorCatalogue cat;
    DataCDEditor dialog(cat.data, cat.messages);
    dialog.fillDrives(m_disc);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    // Events are served during the scan: a timer fires in the middle of it.
    bool seen = false;
    QStringList itemsMidway;
    QTimer::singleShot(0, &dialog, [&] {
        seen = true;
        QVERIFY(dialog.scanningLabel->isVisible());
        QCOMPARE(dialog.scanningLabel->text(), QStringLiteral("scanning..."));
        QVERIFY(!dialog.scanButton->isEnabled());
        QVERIFY(!dialog.saveButton->isEnabled()); // no save of half a disc
        QVERIFY(dialog.cancelButton->isEnabled());
        QVERIFY(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
        QTest::keyClick(dialog.driveBox, Qt::Key_Return); // no second scan inside the first
        dialog.saveButton->click();
        itemsMidway = dialog.items();
    });
    dialog.scanDrive();

    QVERIFY(seen);
    QVERIFY(itemsMidway.size() < 5);
    QCOMPARE(dialog.items().size(), 5);
    QVERIFY(dialog.isVisible());
    QCOMPARE(cat.cat.count(QStringLiteral("DATACD")), 0);
    QVERIFY(dialog.scanningLabel->isHidden());
}

void tst_DataCDEditor::cancelDuringScan()
{
    EditorCatalogue cat;
    DataCDEditor dialog(cat.data, cat.messages);
    dialog.fillDrives(m_disc);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    QTimer::singleShot(0, dialog.cancelButton, &QPushButton::click);
    dialog.scanDrive();

    QCOMPARE(rejected.size(), 1);
    QVERIFY(!dialog.isVisible());
    QVERIFY(dialog.items().size() < 5);
    QVERIFY(!dialog.scanning());
    QVERIFY(!QApplication::overrideCursor());
}

void tst_DataCDEditor::scanShowsEntriesAsTheyCome_data()
{
    QTest::addColumn<bool>("large");
    QTest::newRow("a disc of five entries") << false;
    QTest::newRow("a disc of three thousand entries") << true;
}

void tst_DataCDEditor::scanShowsEntriesAsTheyCome()
{
    QFETCH(bool, large);
    const QString root = large ? m_large : m_disc;
    const QStringList names = large
        ? m_largeNames
        : QStringList{QStringLiteral("Docs"), QStringLiteral("Setup"), QStringLiteral(".DS_Store"),
                      QStringLiteral("autorun.inf"), QStringLiteral("readme")};

    EditorCatalogue cat;
    DataCDEditor dialog(cat.data, cat.messages);
    dialog.prepareNew();
    dialog.fillDrives(root);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    // What the user sees while the scan runs: rows already there, the scan not yet done.
    QList<int> shownWhileScanning;
    QTimer watch;
    watch.setInterval(0);
    connect(&watch, &QTimer::timeout, &dialog, [&] {
        if (dialog.scanning())
            shownWhileScanning << dialog.itemList->count();
    });
    watch.start();
    dialog.scanButton->click();
    watch.stop();

    // Each time the window gets its turn, what has been read so far is in the list, from the first
    // name on: a disc is never read in full behind an empty list.
    QVERIFY(!shownWhileScanning.isEmpty());
    QVERIFY2(shownWhileScanning.first() > 0 && shownWhileScanning.first() < names.size(),
             qPrintable(QString::number(shownWhileScanning.first())));
    QVERIFY(std::is_sorted(shownWhileScanning.begin(), shownWhileScanning.end()));
    // Once all are in, by name: folders, then files.
    QCOMPARE(dialog.items(), names);

    // What is stored is what was scanned, in that order.
    dialog.titleEdit->setText(QStringLiteral("Scanned"));
    dialog.saveButton->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(cat.dataCDRows(), QStringList{QStringLiteral("Scanned|") + names.join(u',')});
    QVERIFY(cat.messages.boxes.isEmpty());
}

void tst_DataCDEditor::cancelledScanStoresNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << QStringLiteral("button");
    QTest::newRow("close box") << QStringLiteral("close");
    QTest::newRow("Escape") << QStringLiteral("escape");
}

void tst_DataCDEditor::cancelledScanStoresNothing()
{
    QFETCH(QString, how);

    EditorCatalogue cat;
    DataCDEditor dialog(cat.data, cat.messages);
    dialog.prepareNew();
    dialog.fillDrives(m_large);
    dialog.titleEdit->setText(QStringLiteral("Half a disc"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy rejected(&dialog, &QDialog::rejected);

    // Cancelled once the first rows show, the scan stops there.
    int shownAtCancel = -1;
    QTimer watch;
    watch.setInterval(0);
    connect(&watch, &QTimer::timeout, &dialog, [&] {
        if (!dialog.scanning() || dialog.itemList->count() == 0 || shownAtCancel >= 0)
            return;
        shownAtCancel = dialog.itemList->count();
        if (how == QLatin1String("button"))
            dialog.cancelButton->click();
        else if (how == QLatin1String("close"))
            dialog.close();
        else
            QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    watch.start();
    dialog.scanDrive();
    watch.stop();

    QVERIFY(shownAtCancel > 0);
    QCOMPARE(rejected.size(), 1);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.scanning());
    QVERIFY(dialog.items().size() < m_largeNames.size());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(cat.cat.count(QStringLiteral("DATACD")), 0);
    QCOMPARE(cat.cat.count(QStringLiteral("DATA")), 0);
    QVERIFY(cat.messages.boxes.isEmpty());

    // Opened again, the editor scans the whole disc and saves it.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.scanButton->isEnabled() && dialog.cancelButton->isEnabled() && dialog.saveButton->isEnabled());
    QVERIFY(dialog.scanningLabel->isHidden());
    dialog.scanButton->click();
    QCOMPARE(dialog.items(), m_largeNames);
    dialog.saveButton->click();
    QCOMPARE(cat.dataCDRows(), QStringList{QStringLiteral("Half a disc|") + m_largeNames.join(u',')});
}

void tst_DataCDEditor::noDrive()
{
    EditorCatalogue cat;
    DataCDEditor dialog(cat.data, cat.messages);
    dialog.fillDrives(QString());
    QVERIFY(!dialog.driveBox->isEnabled());
    QVERIFY(!dialog.scanButton->isEnabled());
    dialog.scanDrive();
    QVERIFY(cat.messages.boxes.isEmpty());

    dialog.titleEdit->setText(QStringLiteral("Typed"));
    addItems(dialog, {QStringLiteral("one")});
    dialog.saveButton->click();
    QCOMPARE(cat.dataCDRows(), QStringList{QStringLiteral("Typed|one")});

    dialog.fillDrives(m_disc + Texts::LineBreak + m_blank);
    QCOMPARE(dialog.driveBox->count(), 2);
    QCOMPARE(dialog.driveBox->currentText(), m_disc);
    QVERIFY(dialog.driveBox->isEnabled() && dialog.scanButton->isEnabled());
}

void tst_DataCDEditor::saveKeepsButtonsDisabled()
{
    EditorCatalogue cat(TwoDataCDs);
    DataCDEditor dialog(cat.data, cat.messages);
    QVERIFY(dialog.prepareEdit(8));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    addItems(dialog, {QStringLiteral("img2.jpg"), QStringLiteral("img3.jpg")});

    // The store serves events between two items: nothing may close the dialog or save twice then.
    int calls = 0;
    bool allDisabled = true;
    cat.data.setEventHook([&] {
        ++calls;
        allDisabled = allDisabled && dialog.busy() && !dialog.cancelButton->isEnabled()
            && !dialog.saveButton->isEnabled() && QApplication::overrideCursor()
            && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        dialog.cancelButton->click();
        dialog.reject();
        dialog.close();
        dialog.saveEditedDataCD();
        QVERIFY(dialog.isVisible());
    });
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    dialog.saveButton->click();

    QVERIFY(calls > 0);
    QVERIFY(allDisabled);
    QCOMPARE(accepted.size(), 1);
    QCOMPARE(rejected.size(), 0);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(cat.dataCDRows(),
             (QStringList{QStringLiteral("Backup 2003|docs,mail.pst,notes.txt"),
                          QStringLiteral("Photos|img1.jpg,img2.jpg,img3.jpg")}));
}

void tst_DataCDEditor::addNewFromTheDataWindows_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<QString>("status");
    QTest::newRow("data CD window") << int(MainWindow::DataCDs) << QStringLiteral("2 data CDs");
    QTest::newRow("data item window") << int(MainWindow::DataItems) << QStringLiteral("5 data items");
}

void tst_DataCDEditor::addNewFromTheDataWindows()
{
    QFETCH(int, list);
    QFETCH(QString, status);

    TempCatalogue cat;
    cat.exec(QStringLiteral("insert into DATACD (CD_ID, CD_TITLE) values (7, 'Backup 2003');"
                            "insert into DATA (CD_ID, DATA_LABEL) values (7, 'docs'), (7, 'mail.pst');"));
    RecordingMessages messages;
    RecordingDialogs dialogs;
    AppModules app(messages, dialogs, cat.path());
    app.mainWindow->setSplashWaitMs(0);
    app.mainWindow->show();
    app.mainWindow->bringToFront(MainWindow::ListIndex(list));

    int editedId = 0;
    QString caption;
    auto editor = driveModal<DataCDEditor>([&](DataCDEditor *e) {
        editedId = e->EditedDataCDID;
        caption = e->windowTitle();
        e->titleEdit->setText(QStringLiteral("Photos"));
        addItems(*e, {QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")});
        e->saveButton->click();
    });
    app.mainWindow->addButton->click();

    QVERIFY(editor->came());
    QCOMPARE(editedId, -1);
    QCOMPARE(caption, QStringLiteral("New Data CD"));
    QCOMPARE(cat.rows(QStringLiteral("select DATA_LABEL from DATA d join DATACD c on c.CD_ID = d.CD_ID"
                                     " where CD_TITLE = 'Photos' order by DATA_ID")),
             (QStringList{QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")}));
    // The list in front is read again at once.
    QCOMPARE(app.mainWindow->statusLabel->text(), status);
    QVERIFY(messages.boxes.isEmpty());
}

QTEST_MAIN(tst_DataCDEditor)
#include "tst_datacd_editor.moc"
