// The error report: the messages of each variant through the platform layer, in order, the
// cancel check, and the pointer put back to the arrow.
#include "scripted_platform.h"
#include "ui/error_report.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

using namespace pixa;
using namespace pixa::ui;

Q_DECLARE_METATYPE(pixa::ErrorVariant)

class ErrorReportTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheTableMessages_data();
    void showsTheTableMessages();
    void restoresThePointer_data();
    void restoresThePointer();
    void untrappedFailureShowsNumberAndDescription();
};

void ErrorReportTest::showsTheTableMessages_data() {
    QTest::addColumn<ErrorVariant>("variant");
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("cancelCheck");
    QTest::addColumn<QStringList>("messages");

    const auto File = ErrorVariant::File;
    const auto Help = ErrorVariant::Help;
    const auto Sequential = ErrorVariant::Sequential;
    const QString notFound = "Insufficient disk space / selected file does not exist !";
    const QString readingDrive = "There was an internal error reading drive !";

    QTest::newRow("file 53") << File << 53 << false << QStringList{notFound};
    QTest::newRow("file 61") << File << 61 << false
                             << QStringList{
                                    "There is insufficient disk space to run the program !"};
    QTest::newRow("file 485") << File << 485 << false
                              << QStringList{"Selected picture is not a valid .bmp file"};
    QTest::newRow("file 57 falls to the description")
        << File << 57 << false << QStringList{"Device I/O error"};
    QTest::newRow("file 482") << File << 482 << false << QStringList{"Error printing photo"};
    QTest::newRow("file 483") << File << 483 << false << QStringList{"Error printing photo"};
    QTest::newRow("file cancel with the check") << File << 32755 << true << QStringList{};
    QTest::newRow("file cancel without the check")
        << File << 32755 << false << QStringList{"Cancel was selected"};
    QTest::newRow("file 53 with the check") << File << 53 << true << QStringList{notFound};
    QTest::newRow("file 32751") << File << 32751 << false << QStringList{"Help is not available"};

    QTest::newRow("help 57") << Help << 57 << false << QStringList{readingDrive};
    QTest::newRow("help 482 falls to the description")
        << Help << 482 << false << QStringList{"Printer error"};
    QTest::newRow("help 483 falls to the description")
        << Help << 483 << false
        << QStringList{"Printer driver does not support specified property"};
    QTest::newRow("help 32751") << Help << 32751 << false << QStringList{"Help is not available"};
    QTest::newRow("help 31001") << Help << 31001 << false << QStringList{"Insufficient memory !"};

    QTest::newRow("sequential 53: two boxes")
        << Sequential << 53 << false << QStringList{notFound, "An internal error : 53 has occured"};
    QTest::newRow("sequential 57: two boxes")
        << Sequential << 57 << false
        << QStringList{readingDrive, "An internal error : 57 has occured"};
    QTest::newRow("sequential 482: only the generic box")
        << Sequential << 482 << false << QStringList{"An internal error : 482 has occured"};
    QTest::newRow("sequential 32751: only the generic box")
        << Sequential << 32751 << false << QStringList{"An internal error : 32751 has occured"};
    QTest::newRow("sequential unknown")
        << Sequential << 9 << false << QStringList{"An internal error : 9 has occured"};
}

void ErrorReportTest::showsTheTableMessages() {
    QFETCH(ErrorVariant, variant);
    QFETCH(int, number);
    QFETCH(bool, cancelCheck);
    QFETCH(QStringList, messages);

    QWidget window;
    window.setWindowTitle("Trapping window");
    ScriptedPlatform platform;
    reportError(platform, &window, variant, Failure(number), cancelCheck);

    QCOMPARE(platform.messages(), messages);
    // Every box is a plain OK box of the trapping window.
    QCOMPARE(platform.callsOf(ScriptedPlatform::Kind::Message).size(), messages.size());
    for (const auto& call : platform.calls())
        QCOMPARE(call.windowTitle, window.windowTitle());
}

void ErrorReportTest::restoresThePointer_data() {
    QTest::addColumn<ErrorVariant>("variant");
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("cancelCheck");
    QTest::addColumn<bool>("restored");
    QTest::newRow("file") << ErrorVariant::File << 53 << false << true;
    QTest::newRow("file, cancelled") << ErrorVariant::File << 32755 << true << true;
    QTest::newRow("help 57") << ErrorVariant::Help << 57 << false << true;
    QTest::newRow("help 53") << ErrorVariant::Help << 53 << false << false;
    QTest::newRow("sequential") << ErrorVariant::Sequential << 53 << false << false;
}

void ErrorReportTest::restoresThePointer() {
    QFETCH(ErrorVariant, variant);
    QFETCH(int, number);
    QFETCH(bool, cancelCheck);
    QFETCH(bool, restored);

    QWidget window;
    window.setCursor(Qt::WaitCursor);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    ScriptedPlatform platform;
    reportError(platform, &window, variant, Failure(number), cancelCheck);

    // Another holder's busy pointer is its own to take back.
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(window.cursor().shape() == Qt::ArrowCursor, restored);
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void ErrorReportTest::untrappedFailureShowsNumberAndDescription() {
    QWidget window;
    ScriptedPlatform platform;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    reportUntrapped(platform, &window, Failure(61, "/photos/a.pff"));
    reportUntrapped(platform, &window, Failure(1001, "Something odd", "detail"));
    QCOMPARE(platform.messages(), (QStringList{"61 Disk full", "1001 Something odd"}));
    QVERIFY(QApplication::overrideCursor());
    QApplication::restoreOverrideCursor();
}

QTEST_MAIN(ErrorReportTest)
#include "error_report_test.moc"
