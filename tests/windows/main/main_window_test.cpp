// The main window itself: start-up, the commands' availability, exit and the shortcuts.
#include "main_harness.h"

#include "core/pff_file.h"
#include "windows/unlock/unlock_window.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QtTest>

#include <fstream>

using namespace pixatest;
using Kind = pixa::ui::ScriptedPlatform::Kind;

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startup_data();
    void startup();
    void commandsDoNothingWithoutAnOwner();
    void exit_data();
    void exit();
    void shortcuts();
    void longestInformationStaysLeftOfTheButtons();
    void exitDuringASaveLeavesNoFile();
};

void MainWindowTest::startup_data() {
    QTest::addColumn<QString>("store");
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
    h.window.load();
    // Disabled beside the registration window too, until someone is the current owner.
    QVERIFY(!h.window.isEnabled());
    QCOMPARE(h.owners.loginWindow() != nullptr, store == "owner");
    QCOMPARE(h.owners.registrationWindow() != nullptr, store != "owner");
    QCOMPARE(h.viewButtons() + " " + h.picture1() + " " + h.scrollBars(), "4c 5a 6a hidden - -");
    QVERIFY(h.control<QLabel>("ownerLabel")->isHidden());
}

void MainWindowTest::commandsDoNothingWithoutAnOwner() {
    MainHarness h;
    h.window.show();
    h.platform.queueFile(h.picture("a.bmp", QSize(40, 30)), 2);
    h.window.open();
    h.window.openByName(h.path("a.bmp"));
    h.window.fitToWindow();
    h.window.registerOwner();
    QVERIFY(h.platform.calls().isEmpty());
    QCOMPARE(h.viewButtons() + " " + h.picture1(), "4c 5a 6a hidden");
    QVERIFY(!h.owners.registrationWindow());
}

void MainWindowTest::exit_data() {
    QTest::addColumn<bool>("temporaryPicture");
    QTest::addColumn<bool>("byFrame");
    QTest::addColumn<bool>("duringUnwrap");
    QTest::newRow("exit button, unwrapped picture left") << true << false << false;
    QTest::newRow("exit button, nothing to remove") << false << false << false;
    QTest::newRow("frame's close button") << true << true << false;
    QTest::newRow("exit button during an unwrap") << false << false << true;
}

void MainWindowTest::exit() {
    QFETCH(bool, temporaryPicture);
    QFETCH(bool, byFrame);
    QFETCH(bool, duringUnwrap);
    MainHarness h;
    QVERIFY(h.start());
    if (temporaryPicture) std::ofstream(h.session.temporaryPicture()) << "picture";
    const auto exitNow = [&] {
        byFrame ? void(h.window.close()) : h.button("exitButton")->clicked();
    };
    if (duringUnwrap) {
        pixa::WrapRequest wrap;
        wrap.source = h.picture("p.bmp", QSize(200, 200)).toStdString();
        wrap.target = h.path("p.pff").toStdString();
        wrap.fileType = ".BMP";
        wrap.owner = h.session.currentOwner();
        wrap.clock = &h.clock;
        pixa::encrypt_pff_file(wrap);
        h.open(h.path("p.pff"), 1);
        pixa::ui::UnlockWindow* unlock = h.unlock.window();
        QVERIFY(unlock);
        unlock->findChild<QLineEdit*>("passwordEdit")->setText("view");
        // Exit while the unwrap's first blocks are written.
        QObject::connect(unlock->findChild<QProgressBar*>("progressBar"),
                         &QProgressBar::valueChanged, &h.window, [&](int block) {
                             if (block == 1) exitNow();
                         });
        unlock->unlock();
    } else {
        exitNow();
    }
    QVERIFY(h.platform.applicationEnded());
    QVERIFY(!fs::exists(h.session.temporaryPicture()));
    QCOMPARE(h.platform.messages(), QStringList());
}

void MainWindowTest::shortcuts() {
    MainHarness h;
    QVERIFY(h.start());
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    for (const char* keys : {"Ctrl+S", "Ctrl+O", "F1", "Ctrl+Q"}) // nothing to save yet
        QTest::keySequence(&h.window, QKeySequence(keys));
    QList<Kind> asked;
    for (const auto& call : h.platform.calls())
        asked << call.kind;
    QCOMPARE(asked, QList<Kind>({Kind::OpenDialog, Kind::Help, Kind::End}));
}

void MainWindowTest::exitDuringASaveLeavesNoFile() {
    MainHarness h;
    QVERIFY(h.start());
    h.open(h.picture("p.bmp", QSize(200, 200)), 2);
    h.platform.queueFile(h.path("p.pff"), 1);
    QObject::connect(h.control<QProgressBar>("progressBar"), &QProgressBar::valueChanged,
                     &h.window, [&](int block) {
                         if (block == 1) h.button("exitButton")->clicked();
                     });
    h.window.save();
    QVERIFY(h.platform.applicationEnded());
    QCOMPARE(QDir(h.path("")).entryList({"p.*"}, QDir::Files), QStringList({"p.bmp"}));
    QCOMPARE(h.platform.messages(), QStringList());
}

void MainWindowTest::longestInformationStaysLeftOfTheButtons() {
    MainHarness h;
    h.window.show();
    // Shown as an unwrap shows them, with the widest owner's name.
    const QString incoming =
        QString::fromStdString(h.session.unwrappedPicture().incomingPath().string());
    h.window.awaitPassword(QStringLiteral("/wide.pff"));
    QVERIFY(QImage(8, 8, QImage::Format_RGB32).save(incoming, "BMP"));
    h.window.showUnwrapped({QStringLiteral("/wide.pff"), incoming, QString(),
                            QString(20, QLatin1Char('W')), ".BMP", "12/31/99", "12:59:59 PM"});
    const int buttons = h.control<QWidget>("actualSizeButton")->x();
    QVERIFY(h.control<QLabel>("ownerLabel")->geometry().right() < buttons);
    QVERIFY(h.control<QLabel>("timeLabel")->geometry().right() < buttons);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
