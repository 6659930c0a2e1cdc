// The main window itself: start-up, the commands' availability, exit, the hooks and shortcuts.
#include "main_harness.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <fstream>

using namespace pixatest;
using pixa::ui::ScriptedPlatform;

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startup_data();
    void startup();
    void commandsDoNothingWithoutAnOwner();
    void exit_data();
    void exit();
    void searchAndBatchHooks();
    void shortcuts_data();
    void shortcuts();
    void captionTakesAtMost64Characters();
};

void MainWindowTest::startup_data() {
    QTest::addColumn<QString>("store"); // "missing", "empty" or "owner"
    QTest::newRow("no store") << "missing";
    QTest::newRow("empty store") << "empty";
    QTest::newRow("a registered owner") << "owner";
}

void MainWindowTest::startup() {
    QFETCH(QString, store);
    MainHarness h;
    if (store == "empty") std::ofstream(h.session.store().path());
    if (store == "owner") {
        QVERIFY(h.start());
        h.session.setCurrentOwner({}); // registered, not logged in
    }
    h.window.show();
    h.window.Form_Load();

    QVERIFY(!h.window.isEnabled());
    QCOMPARE(h.owners.loginWindow() != nullptr, store == "owner");
    QCOMPARE(h.owners.registrationWindow() != nullptr, store != "owner");
    QCOMPARE(h.platform.messages().size(), store == "owner" ? 0 : 1);
    QCOMPARE(h.viewButtons(), QStringLiteral("4c 5a 6a"));
    QCOMPARE(h.picture1(), QStringLiteral("hidden"));
    QCOMPARE(h.scroll("HScroll1") + h.scroll("VScroll1"), QStringLiteral("--"));
    for (const char* label : {"Label2", "Label3", "Label4", "Label5"})
        QVERIFY(h.control<QLabel>(label)->isHidden());
    QCOMPARE(h.window.windowTitle(), QString());
}

void MainWindowTest::commandsDoNothingWithoutAnOwner() {
    MainHarness h;
    h.window.show();
    int searches = 0;
    h.window.setSearchAction([&searches] { ++searches; });
    h.platform.queueFile(h.picture("a.bmp", QSize(40, 30)), 2);
    h.window.Command1_Click();
    h.window.openByName(h.path("a.bmp"));
    h.window.Command3_Click();
    h.window.Command5_Click();
    h.window.Image1_Click();
    QVERIFY(h.platform.calls().isEmpty());
    QCOMPARE(searches, 0);
    QCOMPARE(h.viewButtons(), QStringLiteral("4c 5a 6a"));
    QVERIFY(!h.owners.registrationWindow());
}

void MainWindowTest::exit_data() {
    QTest::addColumn<bool>("temporaryPicture");
    QTest::addColumn<bool>("byFrame");
    QTest::newRow("exit button, unwrapped picture left") << true << false;
    QTest::newRow("exit button, nothing to remove") << false << false;
    QTest::newRow("frame's close button") << true << true;
}

void MainWindowTest::exit() {
    QFETCH(bool, temporaryPicture);
    QFETCH(bool, byFrame);
    MainHarness h;
    QVERIFY(h.start());
    if (temporaryPicture) std::ofstream(h.session.temporaryPicture()) << "picture";
    byFrame ? void(h.window.close()) : h.button("Command6")->clicked();
    QVERIFY(h.platform.applicationEnded());
    QVERIFY(!fs::exists(h.session.temporaryPicture()));
    QCOMPARE(h.platform.messages(), QStringList());
}

void MainWindowTest::searchAndBatchHooks() {
    MainHarness h;
    QVERIFY(h.start());
    QTest::mouseClick(h.button("Image1"), Qt::LeftButton); // nothing set: nothing happens
    QStringList opened;
    h.window.setSearchAction([&opened] { opened << "search"; });
    h.window.setBatchAction([&opened] { opened << "batch"; });
    QTest::mouseClick(h.button("Image1"), Qt::LeftButton);
    QTest::mouseClick(h.button("Image4"), Qt::LeftButton);
    QTest::mouseClick(h.button("Command5"), Qt::LeftButton);
    QCOMPARE(opened, QStringList({"search", "batch"}));
    QVERIFY(h.owners.registrationWindow());
}

void MainWindowTest::shortcuts_data() {
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<int>("kind"); // what the platform is asked, -1 for nothing
    QTest::newRow("Ctrl+O opens") << QKeySequence("Ctrl+O")
                                  << int(ScriptedPlatform::Kind::OpenDialog);
    QTest::newRow("Ctrl+S: nothing to save yet") << QKeySequence("Ctrl+S") << -1;
    QTest::newRow("F1 shows help") << QKeySequence("F1") << int(ScriptedPlatform::Kind::Help);
    QTest::newRow("Ctrl+Q exits") << QKeySequence("Ctrl+Q") << int(ScriptedPlatform::Kind::End);
}

void MainWindowTest::shortcuts() {
    QFETCH(QKeySequence, keys);
    QFETCH(int, kind);
    MainHarness h;
    QVERIFY(h.start());
    h.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    QTest::keySequence(&h.window, keys);
    QCOMPARE(h.platform.calls().size(), kind < 0 ? 0 : 1);
    if (kind >= 0) QCOMPARE(int(h.platform.calls().constFirst().kind), kind);
}

void MainWindowTest::captionTakesAtMost64Characters() {
    MainHarness h;
    QVERIFY(h.start());
    auto* caption = h.control<QLineEdit>("Text1");
    QTest::keyClicks(caption, QString(70, QLatin1Char('x')));
    QCOMPARE(caption->text().size(), 64);
}

QTEST_MAIN(MainWindowTest)
#include "pixaform_test.moc"
