// The platform layer: the real message boxes and file dialogs driven as a user would, the filter
// conversion, the scripted platform's bookkeeping and the yielder.
#include "core/error.h"
#include "scripted_platform.h"
#include "ui/qt_platform.h"
#include "ui/yielder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace pixa;
using namespace pixa::ui;

namespace {

// Calls `act` on the first modal dialog of type T that comes up while the caller waits in it.
template <typename T> class WhenModal {
public:
    explicit WhenModal(std::function<void(T*)> act) : m_act(std::move(act)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
                m_timer.stop();
                m_seen = true;
                m_act(dialog);
            }
        });
        m_timer.start(5);
    }
    bool seen() const { return m_seen; }

private:
    std::function<void(T*)> m_act;
    QTimer m_timer;
    bool m_seen = false;
};

FileDialogRequest request(const QString& filter) {
    FileDialogRequest out;
    out.filter = filter;
    return out;
}

} // namespace

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void nameFilters_data();
    void nameFilters();
    void caseFreePatternsMatchAnyCase();
    void messageBox();
    void yesNoQuestion_data();
    void yesNoQuestion();
    void fileDialogReturnsPathAndFilterIndex_data();
    void fileDialogReturnsPathAndFilterIndex();
    void fileDialogCancelThrows32755();
    void scriptedAnswersInOrder();
    void scriptedPlatformNotesWhatWasNotScripted();
    void scriptedEndAndHelpFailure();
    void yielderWaitsForItsInterval();
    void yielderYieldsNow();
    // Last: leaving the event loops stops later nested loops of this process from running.
    void endApplicationHidesWindowsAndLeavesTheEventLoop();
};

void PlatformTest::nameFilters_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("open dialog")
        << "Wrapped photo (*.pff)|*.pff|Windows bitmap (*.bmp)|*.bmp|JPEG bitmap (*.jpg)|*.jpg"
        << QStringList{"Wrapped photo (*.pff) (*.[pP][fF][fF])",
                       "Windows bitmap (*.bmp) (*.[bB][mM][pP])",
                       "JPEG bitmap (*.jpg) (*.[jJ][pP][gG])"};
    QTest::newRow("several patterns")
        << "Photos|*.bmp;*.jpg" << QStringList{"Photos (*.[bB][mM][pP] *.[jJ][pP][gG])"};
    QTest::newRow("description without pattern") << "All files" << QStringList{"All files (*)"};
    QTest::newRow("empty pattern")
        << "Any||Bitmaps|*.bmp" << QStringList{"Any (*)", "Bitmaps (*.[bB][mM][pP])"};
    QTest::newRow("digits and signs stay")
        << "Old|~~~.tmp;*.1" << QStringList{"Old (~~~.[tT][mM][pP] *.1)"};
    QTest::newRow("no filter") << "" << QStringList{};
}

void PlatformTest::nameFilters() {
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(nameFiltersFromPairs(filter), expected);
}

void PlatformTest::caseFreePatternsMatchAnyCase() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name : {"a.pff", "B.PFF", "c.Pff", "d.bmp", "e.pff.bmp"}) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString filter = nameFiltersFromPairs("Wrapped photo (*.pff)|*.pff").first();
    const QString patterns = filter.mid(filter.lastIndexOf('(') + 1).chopped(1);
    QCOMPARE(QDir(dir.path()).entryList(patterns.split(' '), QDir::Files),
             (QStringList{"a.pff", "B.PFF", "c.Pff"}));
}

void PlatformTest::messageBox() {
    QWidget parent;
    parent.show();
    QtPlatform platform;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat format = Qt::AutoText;
    WhenModal<QMessageBox> user([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        format = box->textFormat();
        box->button(QMessageBox::Ok)->click();
    });
    platform.message(&parent, "An owner with this name already exists.\r\n<b>x</b>");
    QVERIFY(user.seen());
    QCOMPARE(title, QStringLiteral("PixaMantler"));
    QCOMPARE(text, QStringLiteral("An owner with this name already exists.\r\n<b>x</b>"));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(format, Qt::PlainText);
}

void PlatformTest::yesNoQuestion_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("defaultNo");
    QTest::addColumn<bool>("answer");
    QTest::newRow("yes") << "yes" << false << true;
    QTest::newRow("no") << "no" << false << false;
    QTest::newRow("enter takes the default") << "enter" << false << true;
    QTest::newRow("escape") << "escape" << false << false;
    QTest::newRow("enter takes a No default") << "enter" << true << false;
    QTest::newRow("yes over a No default") << "yes" << true << true;
}

void PlatformTest::yesNoQuestion() {
    QFETCH(QString, action);
    QFETCH(bool, defaultNo);
    QFETCH(bool, answer);
    QtPlatform platform;
    QMessageBox::StandardButtons buttons;
    QPushButton* defaultButton = nullptr;
    QAbstractButton* expectedDefault = nullptr;
    WhenModal<QMessageBox> user([&](QMessageBox* box) {
        buttons = box->standardButtons();
        defaultButton = box->defaultButton();
        expectedDefault = box->button(defaultNo ? QMessageBox::No : QMessageBox::Yes);
        QCOMPARE(box->windowTitle(), QStringLiteral("PixaMantler"));
        if (action == "yes") box->button(QMessageBox::Yes)->click();
        if (action == "no") box->button(QMessageBox::No)->click();
        if (action == "enter") QTest::keyClick(box, Qt::Key_Return);
        if (action == "escape") QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(platform.askYesNo(nullptr, "Overright existing photo ?",
                               defaultNo ? Platform::Default::No : Platform::Default::Yes),
             answer);
    QVERIFY(user.seen());
    QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(static_cast<QAbstractButton*>(defaultButton), expectedDefault);
}

void PlatformTest::fileDialogReturnsPathAndFilterIndex_data() {
    QTest::addColumn<bool>("save");
    QTest::addColumn<int>("startIndex");
    QTest::addColumn<int>("chosenIndex");
    QTest::addColumn<QString>("file");
    QTest::newRow("open, filter changed") << false << 2 << 1 << "B.PFF";
    QTest::newRow("open, filter kept") << false << 3 << 3 << "c.jpg";
    QTest::newRow("save, new name") << true << 1 << 2 << "new.bmp";
    QTest::newRow("save, existing name: no question of the dialog") << true << 1 << 1 << "B.PFF";
}

void PlatformTest::fileDialogReturnsPathAndFilterIndex() {
    QFETCH(bool, save);
    QFETCH(int, startIndex);
    QFETCH(int, chosenIndex);
    QFETCH(QString, file);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name : {"B.PFF", "c.jpg"}) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    FileDialogRequest request;
    request.filter =
        "Wrapped photo (*.pff)|*.pff|Windows bitmap (*.bmp)|*.bmp|JPEG bitmap (*.jpg)|*.jpg";
    request.filterIndex = startIndex;
    request.directory = dir.path();

    QtPlatform platform;
    const QStringList filters = nameFiltersFromPairs(request.filter);
    QString selectedAtStart;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    bool stayedOpen = false;
    WhenModal<QFileDialog> user([&](QFileDialog* dialog) {
        selectedAtStart = dialog->selectedNameFilter();
        mode = dialog->acceptMode();
        dialog->selectNameFilter(filters.at(chosenIndex - 1));
        // Typed into the name box as a user would: selectFile() leaves the box alone once it has
        // the focus, which depends on when the window's activation arrives.
        auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(nameBox);
        nameBox->setText(dir.filePath(file));
        // The dialog's own accept(), which checks the name, behind the public slot.
        static_cast<QDialog*>(dialog)->accept();
        // A dialog that refused the name would otherwise wait for a user who never comes.
        if (dialog->isVisible()) {
            stayedOpen = true;
            dialog->reject();
        }
    });
    FileDialogResult result;
    try {
        result = save ? platform.saveFile(nullptr, request) : platform.openFile(nullptr, request);
    } catch (const Failure&) {
        QVERIFY2(!stayedOpen, "the dialog did not take the typed name");
        QFAIL("the dialog was cancelled");
    }
    QVERIFY(user.seen());
    const QStringList shown{"Wrapped photo (*.pff)", "Windows bitmap (*.bmp)",
                            "JPEG bitmap (*.jpg)"};
    QCOMPARE(selectedAtStart, shown.at(startIndex - 1));
    QCOMPARE(mode, save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    QCOMPARE(result.fileName, dir.filePath(file));
    QCOMPARE(result.filterIndex, chosenIndex);
}

void PlatformTest::fileDialogCancelThrows32755() {
    QtPlatform platform;
    WhenModal<QFileDialog> user([](QFileDialog* dialog) { dialog->reject(); });
    try {
        platform.openFile(nullptr, request("Windows bitmap (*.bmp)|*.bmp"));
        QFAIL("the cancel did not throw");
    } catch (const Failure& failure) {
        QCOMPARE(failure.number(), err::DialogCancelled);
    }
    QVERIFY(user.seen());
}

void PlatformTest::scriptedAnswersInOrder() {
    ScriptedPlatform platform;
    QWidget window;
    window.setWindowTitle("Pixa Owner");
    platform.queueAnswer(false);
    platform.queueAnswer(true);
    platform.queueFile("/photos/a.pff", 1);
    platform.queueCancel();
    platform.queueFile("/photos/b.bmp", 2);

    QCOMPARE(platform.askYesNo(&window, "first"), false);
    platform.message(&window, "between");
    QCOMPARE(platform.askYesNo(nullptr, "second"), true);
    const FileDialogResult first = platform.openFile(&window, request("A|*.a"));
    QCOMPARE(first.fileName, QStringLiteral("/photos/a.pff"));
    QCOMPARE(first.filterIndex, 1);
    QVERIFY_THROWS_EXCEPTION(Failure, platform.saveFile(&window, {}));
    const FileDialogResult third = platform.saveFile(&window, request("B|*.b"));
    QCOMPARE(third.filterIndex, 2);

    QVERIFY(!platform.answersLeft());
    QVERIFY(platform.unscriptedCalls().isEmpty());
    QCOMPARE(platform.messages(), (QStringList{"first", "between", "second"}));
    QCOMPARE(platform.calls().at(0).windowTitle, QStringLiteral("Pixa Owner"));
    QCOMPARE(platform.calls().at(2).windowTitle, QString());
    QCOMPARE(platform.callsOf(ScriptedPlatform::Kind::OpenDialog).first().request.filter,
             QStringLiteral("A|*.a"));
    QCOMPARE(platform.callsOf(ScriptedPlatform::Kind::SaveDialog).size(), 2);
    QCOMPARE(platform.takeMessages().size(), 3);
    QVERIFY(platform.calls().isEmpty());
}

void PlatformTest::scriptedPlatformNotesWhatWasNotScripted() {
    ScriptedPlatform platform;
    QCOMPARE(platform.askYesNo(nullptr, "Overright existing photo ?"), false);
    try {
        platform.openFile(nullptr, {});
        QFAIL("an unscripted dialog must be cancelled");
    } catch (const Failure& failure) {
        QCOMPARE(failure.number(), err::DialogCancelled);
    }
    QCOMPARE(platform.unscriptedCalls().size(), 2);

    bool ranInsideTheBox = false;
    platform.onNextMessage([&] { ranInsideTheBox = platform.messages().contains("hello"); });
    platform.message(nullptr, "hello");
    QVERIFY(ranInsideTheBox);
}

void PlatformTest::scriptedEndAndHelpFailure() {
    ScriptedPlatform platform;
    QVERIFY(!platform.applicationEnded());
    platform.endApplication(3);
    QVERIFY(platform.applicationEnded());
    QCOMPARE(platform.exitCode(), 3);

    platform.failNextHelp(err::HelpNotAvailable);
    QVERIFY_THROWS_EXCEPTION(Failure, platform.showHelp(nullptr, "x.hlp"));
    platform.showHelp(nullptr, "y.hlp");
    QCOMPARE(platform.helpPaths(), (QStringList{"x.hlp", "y.hlp"}));
}

void PlatformTest::yielderWaitsForItsInterval() {
    int ran = 0;
    Yielder yielder(60'000);
    QTimer::singleShot(0, this, [&] { ++ran; });
    yielder.maybeYield();
    QCOMPARE(ran, 0);

    Yielder eager(0);
    eager.maybeYield();
    QCOMPARE(ran, 1);

    // With a short interval the pending call runs once the interval has passed, not before.
    Yielder shortInterval(20);
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(0, this, [&] { ++ran; });
    while (ran == 1 && clock.elapsed() < 5000)
        shortInterval.maybeYield();
    QCOMPARE(ran, 2);
    QVERIFY(clock.elapsed() >= 19);
}

void PlatformTest::yielderYieldsNow() {
    int ran = 0;
    Yielder yielder(60'000);
    QTimer::singleShot(0, this, [&] { ++ran; });
    yielder.yieldNow();
    QCOMPARE(ran, 1);
    QTimer::singleShot(0, this, [&] { ++ran; });
    yielder.maybeYield(); // the interval starts again after each yield
    QCOMPARE(ran, 1);
    yielder.yieldNow();
    QCOMPARE(ran, 2);
}

void PlatformTest::endApplicationHidesWindowsAndLeavesTheEventLoop() {
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QtPlatform platform;
    QEventLoop loop;
    QTimer::singleShot(0, this, [&] { platform.endApplication(7); });
    QCOMPARE(loop.exec(), 7);
    QVERIFY(!window.isVisible());
}

QTEST_MAIN(PlatformTest)
#include "platform_test.moc"
