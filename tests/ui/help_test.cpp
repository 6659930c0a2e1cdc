// Help: the path asked for, failures through the help variant, and the help window with the real
// document and with a missing one.
#include "scripted_platform.h"
#include "ui/help.h"
#include "ui/help_window.h"
#include "ui/qt_platform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

using namespace pixa;
using namespace pixa::ui;

namespace {

bool anyMessageBoxOpen() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(w) && w->isVisible()) return true;
    return false;
}

} // namespace

class HelpTest : public QObject {
    Q_OBJECT
private slots:
    void asksForTheDocumentBesideTheExecutable();
    void failureToStartGoesThroughTheHelpVariant_data();
    void failureToStartGoesThroughTheHelpVariant();
    void missingDocumentIsReportedInsideTheHelpWindow();
    void helpWindowShowsTheDocumentAndLeavesTheCallerUsable();
    void helpDocumentLinksAllResolve();
};

void HelpTest::asksForTheDocumentBesideTheExecutable() {
    QWidget window;
    window.setWindowTitle("Enter Authentication");
    ScriptedPlatform platform;
    openHelp(platform, &window);
    QCOMPARE(platform.helpPaths(),
             QStringList{QCoreApplication::applicationDirPath() + "/help/pixamantler.hlp"});
    QCOMPARE(platform.calls().first().windowTitle, window.windowTitle());
    QCOMPARE(platform.messages(), QStringList{});
}

void HelpTest::failureToStartGoesThroughTheHelpVariant_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message");
    QTest::newRow("32751") << 32751 << "Help is not available";
    QTest::newRow("57") << 57 << "There was an internal error reading drive !";
    QTest::newRow("7") << 7 << "There is insufficient memory to run the program !";
    QTest::newRow("482") << 482 << "Printer error";
}

void HelpTest::failureToStartGoesThroughTheHelpVariant() {
    QFETCH(int, number);
    QFETCH(QString, message);
    QWidget window;
    ScriptedPlatform platform;
    platform.failNextHelp(number);
    openHelp(platform, &window);
    QCOMPARE(platform.messages(), QStringList{message});
    // The failure is reported once; the next request works.
    openHelp(platform, &window);
    QCOMPARE(platform.messages(), QStringList{message});
    QCOMPARE(platform.helpPaths().size(), 2);
}

void HelpTest::missingDocumentIsReportedInsideTheHelpWindow() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString missing = dir.filePath("help/pixamantler.hlp");
    QWidget caller;
    caller.show();
    QtPlatform platform;
    platform.showHelp(&caller, missing);

    HelpWindow* help = platform.helpWindow();
    QVERIFY(help);
    QTRY_VERIFY(help->isVisible());
    QVERIFY(!help->documentLoaded());
    const QString shown = help->browser()->toPlainText();
    QVERIFY2(shown.contains("could not be opened"), qPrintable(shown));
    QVERIFY2(shown.contains(missing), qPrintable(shown));
    QVERIFY(!anyMessageBoxOpen());
    QVERIFY(caller.isEnabled());
}

void HelpTest::helpWindowShowsTheDocumentAndLeavesTheCallerUsable() {
    QVERIFY2(QFile::exists(PIXA_HELP_FILE), PIXA_HELP_FILE);
    QWidget caller;
    caller.show();
    QtPlatform platform;
    platform.showHelp(&caller, PIXA_HELP_FILE);
    HelpWindow* help = platform.helpWindow();
    QVERIFY(help);
    QTRY_VERIFY(help->isVisible());
    QVERIFY(help->documentLoaded());
    QCOMPARE(help->windowTitle(), QStringLiteral("PixaMantler Help"));
    QCOMPARE(help->browser()->documentTitle(), QStringLiteral("PixaMantler Help"));
    QVERIFY(help->browser()->toPlainText().contains("not encrypted"));
    auto* version = help->findChild<QLabel*>(QStringLiteral("helpVersion"));
    QVERIFY(version && version->isVisible());
    QCOMPARE(version->text(), QStringLiteral("PixaMantler version " PIXA_PROJECT_VERSION));

    // Modeless, and no child of the caller: disabling the caller leaves help usable.
    QCOMPARE(help->windowModality(), Qt::NonModal);
    QVERIFY(!QApplication::activeModalWidget());
    caller.setEnabled(false);
    QVERIFY(help->isEnabled());

    // Asking again reuses the one window.
    platform.showHelp(&caller, PIXA_HELP_FILE);
    QCOMPARE(platform.helpWindow(), help);
}

void HelpTest::helpDocumentLinksAllResolve() {
    QFile file(PIXA_HELP_FILE);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    QSet<QString> anchors;
    for (const auto& m : QRegularExpression(R"re(name="([^"]+)")re").globalMatch(html))
        anchors << m.captured(1);
    int links = 0;
    for (const auto& m : QRegularExpression(R"re(href="#([^"]+)")re").globalMatch(html)) {
        QVERIFY2(anchors.contains(m.captured(1)), qPrintable(m.captured(1)));
        ++links;
    }
    QVERIFY(links >= 10);
}

QTEST_MAIN(HelpTest)
#include "help_test.moc"
