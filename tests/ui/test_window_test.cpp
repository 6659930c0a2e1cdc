// The layer working together in a window, driven like a user: clicks through the window, the
// scripted platform answering the dialogs and collecting the messages.
#include "scripted_platform.h"
#include "test_window.h"
#include "ui_test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace pixa::ui;
using namespace pixa::ui::testing;

class TestWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void openCommand_data();
    void openCommand();
    void saveAsksBeforeOverwriting_data();
    void saveAsksBeforeOverwriting();
    void buttonThatDisablesItselfIgnoresClicksUntilEnabled();
    void helpShowsNoMessageOfItsOwn();
    void exitEndsTheApplicationAtOnce();

private:
    QString makeFile(const QString& name, bool picture);

    QTemporaryDir m_dir;
    ScriptedPlatform m_platform;
    TestWindow* m_window = nullptr;
};

void TestWindowTest::init() {
    m_platform.clear();
    m_window = new TestWindow(m_platform);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestWindowTest::cleanup() {
    QVERIFY2(m_platform.unscriptedCalls().isEmpty(),
             "a dialog was shown that the test did not expect");
    QVERIFY2(!m_platform.answersLeft(), "a scripted answer was never asked for");
    delete m_window;
    m_window = nullptr;
}

QString TestWindowTest::makeFile(const QString& name, bool picture) {
    const QString path = m_dir.filePath(name);
    if (picture) {
        QImage image(30, 20, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        image.save(path, "BMP");
    } else {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("not a picture at all");
    }
    return path;
}

void TestWindowTest::openCommand_data() {
    QTest::addColumn<QString>("file"); // "" cancels the dialog
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("saveFace");

    QTest::newRow("cancel shows nothing and changes nothing") << "" << QStringList{} << ""
                                                              << "4c";
    QTest::newRow("missing file")
        << "gone.bmp" << QStringList{"Insufficient disk space / selected file does not exist !"}
        << ""
        << "4c";
    QTest::newRow("not a picture")
        << "text.bmp" << QStringList{"Selected picture is not a valid .bmp file"} << ""
        << "4c";
    QTest::newRow("a picture") << "photo.bmp" << QStringList{} << "30 x 20"
                               << "4a";
}

void TestWindowTest::openCommand() {
    QFETCH(QString, file);
    QFETCH(QStringList, messages);
    QFETCH(QString, label);
    QFETCH(QString, saveFace);
    QVERIFY(m_dir.isValid());
    makeFile("photo.bmp", true);
    makeFile("text.bmp", false);

    if (file.isEmpty())
        m_platform.queueCancel();
    else
        m_platform.queueFile(m_dir.filePath(file), 2);
    clickOn(m_window->Command1);

    QCOMPARE(m_platform.callsOf(ScriptedPlatform::Kind::OpenDialog).size(), 1);
    QCOMPARE(m_platform.callsOf(ScriptedPlatform::Kind::OpenDialog).first().request.filter,
             TestWindow::kFilter);
    QCOMPARE(m_platform.messages(), messages);
    for (const auto& call : m_platform.callsOf(ScriptedPlatform::Kind::Message))
        QCOMPARE(call.windowTitle, TestWindow::kTitle);
    QCOMPARE(m_window->Label1->text(), label);
    QCOMPARE(m_window->Command4->currentFace(), saveFace);
    QCOMPARE(m_window->Command4->isEnabled(), saveFace == "4a");
    // Whatever happened, the busy pointer is gone.
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestWindowTest::saveAsksBeforeOverwriting_data() {
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("yes") << true << QStringList{"Overright existing photo ?", "File saved"};
    QTest::newRow("no") << false << QStringList{"Overright existing photo ?"};
}

void TestWindowTest::saveAsksBeforeOverwriting() {
    QFETCH(bool, answer);
    QFETCH(QStringList, messages);
    m_platform.queueFile(makeFile("photo.bmp", true), 2);
    clickOn(m_window->Command1);
    QCOMPARE(m_platform.takeMessages(), QStringList{});

    m_platform.queueAnswer(answer);
    clickOn(m_window->Command4);
    QCOMPARE(m_platform.messages(), messages);
    QCOMPARE(m_platform.callsOf(ScriptedPlatform::Kind::Question).size(), 1);
}

void TestWindowTest::buttonThatDisablesItselfIgnoresClicksUntilEnabled() {
    QSignalSpy clicks(m_window->Command2, &ImageButton::clicked);
    clickOn(m_window->Command2);
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(m_window->Command2->currentFace(), QStringLiteral("5c"));
    QVERIFY(!m_window->Command2->isEnabled());

    clickOn(m_window->Command2);
    clickOn(m_window->Command2, Qt::RightButton);
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(m_window->Command2->currentFace(), QStringLiteral("5c"));

    clickOn(m_window->Command3);
    QCOMPARE(m_window->Command2->currentFace(), QStringLiteral("5a"));
    QVERIFY(m_window->Command2->isEnabled());
    clickOn(m_window->Command2);
    QCOMPARE(clicks.size(), 2);
}

void TestWindowTest::helpShowsNoMessageOfItsOwn() {
    clickOn(m_window->Image2);
    QCOMPARE(
        m_platform.helpPaths(),
        QStringList{QDir(QCoreApplication::applicationDirPath()).filePath("help/pixamantler.hlp")});
    QCOMPARE(m_platform.messages(), QStringList{});
    QCOMPARE(m_window->Image2->currentFace(), QStringLiteral("9a"));
}

void TestWindowTest::exitEndsTheApplicationAtOnce() {
    clickOn(m_window->Command6);
    QVERIFY(m_platform.applicationEnded());
    QCOMPARE(m_platform.exitCode(), 0);
    QCOMPARE(m_platform.messages(), QStringList{});
}

QTEST_MAIN(TestWindowTest)
#include "test_window_test.moc"
