// The registration window driven headless: what it stores, what it refuses, its focus rules,
// its typing limits, cancelling, and failures of the store.
#include "owner_harness.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QTimer>

#include <QtTest>

using namespace pixatest;
using pixa::ui::RegistrationWindow;

class RegistrationWindowTest : public QObject {
    Q_OBJECT
private slots:
    void registration_data();
    void registration();
    void focusRule_data();
    void focusRule();
    void rulesWaitForFocusLoss();
    void typingLimitsAndTabOrder();
    void cancel_data();
    void cancel();
    void storeFailure_data();
    void storeFailure();
    void refusedCharacter_data();
    void refusedCharacter();
    void takenNameStaysTakenOnEveryClick();
    void waitForAStalledRegistration_data();
    void waitForAStalledRegistration();
};

void RegistrationWindowTest::registration_data() {
    QTest::addColumn<QStringList>("registered");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ownerPass");
    QTest::addColumn<QString>("viewerPass");
    QTest::addColumn<QString>("storedName");   // 20 characters, or empty when refused
    QTest::addColumn<QString>("storedViewer"); // 8 characters
    QTest::addColumn<QString>("nameBox");      // what a refused name leaves in its box

    const auto row = [](const char* title, const QStringList& registered, const char* name,
                        const char* ownerPass, const char* viewerPass, const char* storedName,
                        const char* storedViewer, const char* nameBox = "") {
        QTest::newRow(title) << registered << QString::fromUtf8(name)
                             << QString::fromUtf8(ownerPass) << QString::fromUtf8(viewerPass)
                             << QString::fromUtf8(storedName) << QString::fromUtf8(storedViewer)
                             << QString::fromUtf8(nameBox);
    };
    row("new owner", {}, "Alice", "pw1", "view1", "Alice               ", "view1   ");
    row("letter case makes another owner", {"abc"}, "ABC", "pw", "v", "ABC                 ",
        "v       ");
    // Its first 20 characters, the ones that would be stored, are a registered name.
    row("trailing space is still the taken name", {"abc"}, "abc ", "pw", "v", "", "",
        "abc                  ");
    row("leading space kept, cut at 20", {}, " ab", "pw", "v", " ab                 ", "v       ");
    row("spaces only", {}, "   ", "pw", "v", "                    ", "v       ");
    // An empty password would let anybody in.
    row("empty owner password", {}, "Carl", "", "v", "", "", "Carl                ");
    row("empty viewer password", {}, "Carl", "pw", "", "", "", "Carl                ");
    row("viewer password cut to 8", {}, "Bob", "pw", "viewer-password", "Bob                 ",
        "viewer-p");
    row("taken name keeps the padded boxes", {"abc"}, "abc", "pw", "v", "", "",
        "abc                 ");
    row("empty name", {}, "", "pw", "v", "", "", "");
}

void RegistrationWindowTest::registration() {
    QFETCH(QStringList, registered);
    QFETCH(QString, name);
    QFETCH(QString, ownerPass);
    QFETCH(QString, viewerPass);
    QFETCH(QString, storedName);
    QFETCH(QString, storedViewer);
    QFETCH(QString, nameBox);

    OwnerHarness h(12, 34);
    for (const QString& other : registered)
        QVERIFY(h.addOwner(other, QStringLiteral("other")));
    const std::string before = h.storeBytes();
    RegistrationWindow* w = h.openRegistration();
    QVERIFY(w);
    QVERIFY(box(w, "nameEdit")->hasFocus());
    type(w, "nameEdit", name);
    type(w, "ownerPasswordEdit", ownerPass);
    type(w, "viewerPasswordEdit", viewerPass);
    type(w, "hintEdit", QStringLiteral("my hint"));
    click(w, "createButton");

    if (storedName.isEmpty()) { // refused
        const QString expected =
            name.isEmpty()        ? QStringLiteral("Owner's name is compulsory.")
            : ownerPass.isEmpty() ? QStringLiteral("The owner password is empty: a password is "
                                                   "compulsory.")
            : viewerPass.isEmpty()
                ? QStringLiteral("The viewer password is empty: a password is compulsory.")
                : QStringLiteral("An owner with this name already exists."
                                 "\r\nPlease enter another user name.");
        QCOMPARE(h.platform.messages(), QStringList{expected});
        QVERIFY(w->isVisible());
        QCOMPARE(h.storeBytes(), before);
        QCOMPARE(box(w, "nameEdit")->text(), nameBox);
        if (!nameBox.isEmpty()) QCOMPARE(box(w, "hintEdit")->text(), "my hint" + QString(33, ' '));
        QVERIFY(!h.session.currentOwner().isSet());
        return;
    }
    QCOMPARE(h.platform.messages(), QStringList{});
    const auto records = h.records();
    QCOMPARE(records.size(), registered.size() + 1);
    const PlainRecord& added = records.last();
    QCOMPARE(added.name, storedName);
    QCOMPARE(added.ownerPass, (ownerPass + QString(8, ' ')).left(8));
    QCOMPARE(added.viewerPass, storedViewer);
    QCOMPARE(added.hint, "my hint" + QString(33, ' '));
    QCOMPARE(added.factor, (34 + 12) * 11);
    // Exactly the stored fields become the current owner.
    const pixa::OwnerRecord stored = h.session.store().readAll().back();
    QCOMPARE(h.session.currentOwner().gbl_encr_name, stored.name);
    QCOMPARE(h.session.currentOwner().gbl_encr_viewer_pass, stored.viewerPass);
    QCOMPARE(h.session.currentOwner().gbl_mul_fact, stored.factor);
    QVERIFY(h.mainWindow.enabled);
    QCOMPARE(h.mainWindow.caption,
             "PixaMantler - Owner : " + name.trimmed() + QStringLiteral(" logged in."));
    QVERIFY(!w->isVisible());
    QTRY_VERIFY(!h.flow.registrationWindow());
}

void RegistrationWindowTest::focusRule_data() {
    QTest::addColumn<QStringList>("texts");  // owner password, again, viewer password, again
    QTest::addColumn<QByteArray>("left");    // the box that loses the focus (by Tab)
    QTest::addColumn<QByteArray>("focused"); // where a broken rule puts the focus, or ""
    QTest::addColumn<QByteArray>("cleared");
    QTest::addColumn<QString>("message");

    const auto row = [](const char* title, const QStringList& texts, const char* left,
                        const char* focused = "", const char* cleared = "",
                        const char* message = "") {
        QTest::newRow(title) << texts << QByteArray(left) << QByteArray(focused)
                             << QByteArray(cleared) << QString::fromUtf8(message);
    };
    const char* owner = "Confirmation password does not match Owner Password";
    const char* differ = "Owner password and Viewer Password MUST be different";
    const char* viewer = "Confirmation password does not match Viewer Password";
    row("owner confirmation differs", {"secret", "secreT", "", ""}, "ownerPasswordConfirmEdit",
        "ownerPasswordEdit", "ownerPasswordConfirmEdit", owner);
    row("owner confirmation left empty", {"secret", "", "", ""}, "ownerPasswordConfirmEdit",
        "ownerPasswordEdit", "ownerPasswordConfirmEdit", owner);
    row("owner confirmation matches", {"secret", "secret", "", ""}, "ownerPasswordConfirmEdit");
    row("viewer equals owner, both empty", {"", "", "", "typed"}, "viewerPasswordEdit",
        "viewerPasswordEdit", "viewerPasswordConfirmEdit", differ);
    row("viewer equals owner", {"secret", "", "secret", "typed"}, "viewerPasswordEdit",
        "viewerPasswordEdit", "viewerPasswordConfirmEdit", differ);
    row("viewer differs in case only", {"secret", "", "Secret", ""}, "viewerPasswordEdit");
    row("viewer confirmation differs", {"", "", "view1", "View1"}, "viewerPasswordConfirmEdit",
        "viewerPasswordEdit", "viewerPasswordConfirmEdit", viewer);
    row("viewer confirmation matches", {"", "", "view1", "view1"}, "viewerPasswordConfirmEdit");
}

void RegistrationWindowTest::focusRule() {
    QFETCH(QStringList, texts);
    QFETCH(QByteArray, left);
    QFETCH(QByteArray, focused);
    QFETCH(QByteArray, cleared);
    QFETCH(QString, message);

    OwnerHarness h;
    RegistrationWindow* w = h.openRegistration();
    QVERIFY(w);
    const char* boxes[] = {"ownerPasswordEdit", "ownerPasswordConfirmEdit", "viewerPasswordEdit",
                           "viewerPasswordConfirmEdit"};
    for (int i = 0; i < 4; ++i)
        box(w, boxes[i])->setText(texts[i]);
    box(w, left.constData())->setFocus();
    QTRY_VERIFY(box(w, left.constData())->hasFocus());

    // Seen from inside the message box: focus, selection and clearing all happen before it.
    QString focusAtMessage, selectedAtMessage, clearedAtMessage;
    h.platform.onNextMessage([&] {
        focusAtMessage = QApplication::focusWidget()->objectName();
        selectedAtMessage = box(w, focused.constData())->selectedText();
        clearedAtMessage = box(w, cleared.constData())->text();
    });
    QTest::keyClick(box(w, left.constData()), Qt::Key_Tab);

    if (message.isEmpty()) {
        // The rule is queued by the focus change; running the queue shows whether it spoke.
        QCoreApplication::processEvents();
        QCOMPARE(h.platform.messages(), QStringList{});
        return;
    }
    QTRY_COMPARE(h.platform.messages(), QStringList{message});
    QCOMPARE(focusAtMessage, QString::fromLatin1(focused));
    QCOMPARE(selectedAtMessage, box(w, focused.constData())->text());
    QCOMPARE(clearedAtMessage, QString());
    QVERIFY(box(w, focused.constData())->hasFocus());
}

void RegistrationWindowTest::rulesWaitForFocusLoss() {
    // Broken confirmations do nothing while their box keeps the focus, and the create button,
    // which takes no focus, registers regardless.
    OwnerHarness h;
    RegistrationWindow* w = h.openRegistration();
    QVERIFY(w);
    type(w, "nameEdit", QStringLiteral("carol"));
    type(w, "ownerPasswordEdit", QStringLiteral("same"));
    type(w, "viewerPasswordEdit", QStringLiteral("same"));
    box(w, "viewerPasswordConfirmEdit")->setFocus();
    QTRY_VERIFY(box(w, "viewerPasswordConfirmEdit")->hasFocus());
    type(w, "viewerPasswordConfirmEdit", QStringLiteral("other"));
    click(w, "createButton");
    QCoreApplication::processEvents();
    QCOMPARE(h.platform.messages(), QStringList{});
    QCOMPARE(h.records().size(), 1);
}

void RegistrationWindowTest::typingLimitsAndTabOrder() {
    OwnerHarness h;
    RegistrationWindow* w = h.openRegistration();
    QVERIFY(w);
    const QString longText(50, 'x');
    const std::pair<const char*, int> limits[] = {
        {"nameEdit", 20}, {"ownerPasswordEdit", 8},   {"ownerPasswordConfirmEdit", 8},
        {"hintEdit", 40}, {"viewerPasswordEdit", 50}, {"viewerPasswordConfirmEdit", 50}};
    for (const auto& [name, limit] : limits) {
        type(w, name, longText);
        QCOMPARE(box(w, name)->text().size(), limit);
    }
    QCOMPARE(box(w, "ownerPasswordEdit")->displayText(), QString(8, '*'));

    // Tab walks the boxes in reading order, then the buttons from left to right.
    box(w, "nameEdit")->setFocus();
    QStringList visited;
    for (int i = 0; i < 9; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, (QStringList{"ownerPasswordEdit", "ownerPasswordConfirmEdit", "hintEdit",
                                   "viewerPasswordEdit", "viewerPasswordConfirmEdit", "helpButton",
                                   "createButton", "cancelButton", "nameEdit"}));
}

void RegistrationWindowTest::cancel_data() {
    QTest::addColumn<bool>("throughFrame");
    QTest::newRow("cancel button") << false;
    QTest::newRow("frame's close button") << true;
}

void RegistrationWindowTest::cancel() {
    QFETCH(bool, throughFrame);
    OwnerHarness h;
    RegistrationWindow* w = h.openRegistration();
    QVERIFY(w);
    type(w, "nameEdit", QStringLiteral("dave"));
    if (throughFrame) {
        w->close();
    } else {
        click(w, "cancelButton");
    }
    QCOMPARE(h.platform.messages(),
             QStringList{"You require owner authentication to use PixaMantler."});
    QVERIFY(!w->isVisible());
    QVERIFY(h.flow.loginWindow() && h.flow.loginWindow()->isVisible());
    QVERIFY(!h.mainWindow.enabled);
    QVERIFY(!fs::exists(h.storePath()));
    QVERIFY(!h.session.currentOwner().isSet());
}

void RegistrationWindowTest::storeFailure_data() {
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("read-only data folder") << "read-only";
    QTest::newRow("store is a folder") << "folder";
    QTest::newRow("data folder gone") << "gone";
}

void RegistrationWindowTest::storeFailure() {
    QFETCH(QString, obstacle);
    OwnerHarness h;
    const fs::path folder = h.session.dataFolder();
    if (obstacle == "read-only") {
        if (::geteuid() == 0) QSKIP("permissions do not bind the super-user");
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    } else if (obstacle == "folder") {
        fs::create_directory(h.storePath());
    } else {
        fs::remove_all(folder);
    }
    RegistrationWindow* w = h.openRegistration();
    QVERIFY(w);
    type(w, "nameEdit", QStringLiteral("erin"));
    type(w, "ownerPasswordEdit", QStringLiteral("pw"));
    type(w, "viewerPasswordEdit", QStringLiteral("vw"));
    click(w, "createButton");
    std::error_code ignored;
    fs::permissions(folder, fs::perms::owner_all, ignored);

    QCOMPARE(h.platform.messages().size(), 1);
    QVERIFY2(h.platform.messages()[0].startsWith("The owner store could not be used: "),
             qPrintable(h.platform.messages()[0]));
    QVERIFY(h.platform.messages()[0].endsWith("The owner was not registered."));
    QVERIFY(!h.platform.applicationEnded());
    QVERIFY(w->isVisible());
    QVERIFY(!h.session.currentOwner().isSet());
    QCOMPARE(h.mainWindow.caption, QString());
    QVERIFY(!fs::is_regular_file(h.storePath()));
}

void RegistrationWindowTest::refusedCharacter_data() {
    QTest::addColumn<QByteArray>("boxName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("second"); // of the registration clock; the shift is 7 + second
    QTest::addColumn<QString>("message");

    QTest::newRow("name outside the code page")
        << QByteArray("nameEdit") << QStringLiteral("Zo\u03a9") << 0
        << QStringLiteral("The character \"\u03a9\" at position 3 of the owner's name cannot be "
                          "stored: only Western European (Windows-1252) characters can.");
    QTest::newRow("password outside the code page, not repeated")
        << QByteArray("ownerPasswordEdit") << QStringLiteral("\u043f\u0430\u0440") << 0
        << QStringLiteral("The character at position 1 of the owner's password cannot be "
                          "stored: only Western European (Windows-1252) characters can.");
    QTest::newRow("hint whose code passes 255 once scrambled")
        << QByteArray("hintEdit") << QStringLiteral("caf\u00e9") << 40
        << QStringLiteral("The character \"\u00e9\" at position 4 of the password hint cannot "
                          "be scrambled with the key drawn for this owner just now. The key "
                          "changes with the clock: try again in a minute, or use a plain letter "
                          "instead.\r\nThe owner was not registered.");
    QTest::newRow("password whose code passes 255 once scrambled, not repeated")
        << QByteArray("ownerPasswordEdit") << QStringLiteral("ab\u00fe") << 40
        << QStringLiteral("The character at position 3 of the owner's password cannot be "
                          "scrambled with the key drawn for this owner just now. The key changes "
                          "with the clock: try again in a minute, or use a plain letter "
                          "instead.\r\nThe owner was not registered.");
    QTest::newRow("the same hint with a small key")
        << QByteArray("hintEdit") << QStringLiteral("caf\u00e9") << 0 << QString();
    QTest::newRow("control character in the name")
        << QByteArray("nameEdit") << QStringLiteral("ab\u0081") << 0
        << QStringLiteral("The character at position 3 of the owner's name is a control "
                          "character, which cannot be stored.");
    QTest::newRow("control character in a password")
        << QByteArray("viewerPasswordEdit") << QStringLiteral("v\u009d") << 0
        << QStringLiteral("The character at position 2 of the viewer password is a control "
                          "character, which cannot be stored.");
}

void RegistrationWindowTest::refusedCharacter() {
    QFETCH(QByteArray, boxName);
    QFETCH(QString, text);
    QFETCH(int, second);
    QFETCH(QString, message);

    OwnerHarness h(7, second);
    RegistrationWindow* w = h.openRegistration();
    QVERIFY(w);
    if (boxName != "nameEdit") type(w, "nameEdit", QStringLiteral("frank"));
    if (boxName != "ownerPasswordEdit") type(w, "ownerPasswordEdit", QStringLiteral("pw"));
    if (boxName != "viewerPasswordEdit") type(w, "viewerPasswordEdit", QStringLiteral("vw"));
    type(w, boxName.constData(), text);
    click(w, "createButton");
    if (message.isEmpty()) {
        QCOMPARE(h.platform.messages(), QStringList{});
        QCOMPARE(h.records().last().hint, text + QString(36, ' '));
        return;
    }
    QCOMPARE(h.platform.messages(), QStringList{message});
    QVERIFY(w->isVisible());
    QVERIFY(!h.session.currentOwner().isSet());
    QVERIFY(!fs::exists(h.storePath()));
    // Refused before padding: the box holds what was typed.
    if (message.contains("stored")) QCOMPARE(box(w, boxName.constData())->text(), text);
}

void RegistrationWindowTest::takenNameStaysTakenOnEveryClick() {
    // After a refusal the name box holds the padded name, which each click pads once more.
    OwnerHarness h;
    QVERIFY(h.addOwner(QStringLiteral("abc"), QStringLiteral("other")));
    const std::string before = h.storeBytes();
    RegistrationWindow* w = h.openRegistration();
    QVERIFY(w);
    type(w, "nameEdit", QStringLiteral("abc  "));
    for (int i = 0; i < 3; ++i)
        click(w, "createButton");
    QCOMPARE(h.platform.messages(),
             QStringList(3, QStringLiteral("An owner with this name already exists.\r\n"
                                           "Please enter another user name.")));
    QCOMPARE(h.storeBytes(), before);
    QVERIFY(!h.session.currentOwner().isSet());
}

void RegistrationWindowTest::waitForAStalledRegistration_data() {
    QTest::addColumn<QString>("holder"); // what the registration holding the store does
    QTest::newRow("stalls past the limit") << "stalls";
    QTest::newRow("finishes while waited for") << "releases";
    QTest::newRow("stalls until the window is closed") << "close";
}

void RegistrationWindowTest::waitForAStalledRegistration() {
    QFETCH(QString, holder);
    OwnerHarness h;
    QVERIFY(h.addOwner(QStringLiteral("first"), QStringLiteral("pw")));
    const std::string before = h.storeBytes();
    h.session.setStoreLockLimit(holder == "stalls" ? std::chrono::milliseconds(300)
                                                   : std::chrono::minutes(2));
    // The lock of another opening of the store stands for another process's registration.
    int fd = ::open(h.storePath().c_str(), O_RDWR | O_CLOEXEC);
    QVERIFY(fd >= 0);
    QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
    RegistrationWindow* w = h.openRegistration();
    QVERIFY(w);
    type(w, "nameEdit", QStringLiteral("second"));
    type(w, "ownerPasswordEdit", QStringLiteral("pw"));
    type(w, "viewerPasswordEdit", QStringLiteral("vw"));
    // Runs only if the window's events run during the wait.
    bool answered = false;
    Qt::CursorShape pointer = Qt::ArrowCursor;
    QTimer::singleShot(0, w, [&] {
        answered = true;
        pointer = w->cursor().shape();
        if (holder == "releases") {
            ::close(fd);
            fd = -1;
        }
        if (holder == "close") w->close();
    });
    click(w, "createButton");
    if (fd >= 0) ::close(fd);
    QVERIFY(answered);
    QCOMPARE(pointer, Qt::WaitCursor);
    if (holder == "releases") {
        QCOMPARE(h.platform.messages(), QStringList());
        QVERIFY(h.session.currentOwner().isSet());
        QCOMPARE(h.records().size(), 2);
        return;
    }
    QVERIFY(!h.session.currentOwner().isSet());
    QCOMPARE(h.storeBytes(), before);
    if (holder == "close") {
        QTRY_VERIFY(h.flow.loginWindow() && h.flow.loginWindow()->isVisible());
        QCOMPARE(h.platform.messages(),
                 QStringList{"You require owner authentication to use PixaMantler."});
        return;
    }
    QCOMPARE(h.platform.messages(),
             QStringList{"The owner store could not be used: another registration has held " +
                         QString::fromStdString(h.storePath().string()) +
                         " for 0.3 seconds without finishing.\r\nThe owner was not registered."});
    QVERIFY(w->isVisible());
    QCOMPARE(w->cursor().shape(), Qt::ArrowCursor);
}

QTEST_MAIN(RegistrationWindowTest)
#include "registration_window_test.moc"
