// The login window driven headless: logging in by button and by Enter, the hint look-up, the
// ways out (new owner, "X", a failed login) and failures of the store.
#include "owner_harness.h"

#include <unistd.h>

#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace pixatest;
using pixa::ui::LoginWindow;

class LoginWindowTest : public QObject {
    Q_OBJECT
private slots:
    void login_data();
    void login();
    void hint_data();
    void hint();
    void endingTheApplication_data();
    void endingTheApplication();
    void newOwner();
    void unusableInput_data();
    void unusableInput();
};

namespace {

enum class Outcome { Nothing, LoggedIn, Ended };

} // namespace
Q_DECLARE_METATYPE(Outcome)

void LoginWindowTest::login_data() {
    QTest::addColumn<QStringList>("registered"); // name, password, name, password...
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("via"); // "button", or the box that gets the Enter key
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<int>("owner"); // which registered owner becomes current

    const QStringList alice{"alice", "secret12"};
    const QByteArray button("button"), enter("passwordEdit");
    const auto row = [](const char* title, const QStringList& registered, const char* name,
                        const char* password, const QByteArray& via, Outcome outcome,
                        int owner = -1) {
        QTest::newRow(title) << registered << QString::fromUtf8(name) << QString::fromUtf8(password)
                             << via << outcome << owner;
    };
    row("button", alice, "alice", "secret12", button, Outcome::LoggedIn, 0);
    row("enter", alice, "alice", "secret12", enter, Outcome::LoggedIn, 0);
    row("enter in the name box", alice, "alice", "secret12", "nameEdit", Outcome::Nothing);
    row("name in the other case", alice, "Alice", "secret12", button, Outcome::Ended);
    row("password in the other case", alice, "alice", "Secret12", enter, Outcome::Ended);
    row("trailing space in the name", alice, "alice ", "secret12", button, Outcome::Ended);
    row("password longer than 8", alice, "alice", "secret123", button, Outcome::Ended);
    row("viewer password does not admit", alice, "alice", "viewer", button, Outcome::Ended);
    row("no store", {}, "alice", "secret12", button, Outcome::Ended);
    row("button, empty name", alice, "", "secret12", button, Outcome::Nothing);
    row("button, empty password", alice, "alice", "", button, Outcome::Nothing);
    row("enter, empty name", alice, "", "secret12", enter, Outcome::Ended);
    row("enter, empty password admits an owner without one", {"bob", ""}, "bob", "", enter,
        Outcome::LoggedIn, 0);
    row("two matching records: the last wins", {"carol", "pw", "dave", "pw", "carol ", "pw"},
        "carol", "pw", button, Outcome::LoggedIn, 2);
}

void LoginWindowTest::login() {
    QFETCH(QStringList, registered);
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QByteArray, via);
    QFETCH(Outcome, outcome);
    QFETCH(int, owner);

    OwnerHarness h;
    for (int i = 0; i + 1 < registered.size(); i += 2) {
        QVERIFY(h.addOwner(registered[i], registered[i + 1], {}, 10 + i));
    }
    LoginWindow* w = h.openLogin();
    QVERIFY(w);
    QVERIFY(!h.mainWindow.enabled);
    QVERIFY(box(w, "nameEdit")->hasFocus());
    type(w, "nameEdit", name);
    type(w, "passwordEdit", password);
    if (via == "button") {
        click(w, "logInButton");
    } else {
        QTest::keyClick(box(w, via.constData()), Qt::Key_Return);
    }

    switch (outcome) {
    case Outcome::Nothing:
        QCOMPARE(h.platform.calls().size(), 0);
        QCOMPARE(box(w, "nameEdit")->text(), name);
        QVERIFY(w->isVisible());
        return;
    case Outcome::Ended:
        QCOMPARE(h.platform.messages(), QStringList{"Invalid owner's name or owner password"});
        QVERIFY(h.platform.applicationEnded());
        QVERIFY(!h.session.currentOwner().isSet());
        QVERIFY(!h.mainWindow.enabled);
        break;
    case Outcome::LoggedIn: {
        QCOMPARE(h.platform.calls().size(), 0);
        const pixa::OwnerRecord expected = h.session.store().readAll().at(owner);
        QCOMPARE(h.session.currentOwner().gbl_encr_name, expected.name);
        QCOMPARE(h.session.currentOwner().gbl_encr_owner_pass, expected.ownerPass);
        QCOMPARE(h.session.currentOwner().gbl_encr_viewer_pass, expected.viewerPass);
        QCOMPARE(h.session.currentOwner().gbl_mul_fact, expected.factor);
        QVERIFY(h.mainWindow.enabled);
        QCOMPARE(h.mainWindow.caption, "PixaMantler - Owner : " + name + " logged in.");
        QVERIFY(!w->isVisible());
        break;
    }
    }
    // The padded texts were written back into the boxes.
    const auto padded = [](const QString& typed, int width) {
        return typed + QString(std::max(0, width - int(typed.trimmed().size())), ' ');
    };
    QCOMPARE(box(w, "nameEdit")->text(), padded(name, 20));
    QCOMPARE(box(w, "passwordEdit")->text(), padded(password, 8));
}

void LoginWindowTest::hint_data() {
    QTest::addColumn<QStringList>("registered"); // name, hint, name, hint...
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("hint"); // shown in the hint box, or empty
    QTest::addColumn<QString>("message");

    const QStringList owners{"alice", "the cat's name", "bob", "street"};
    QTest::newRow("registered name, no password needed")
        << owners << "bob"
        << "street" + QString(34, ' ') << QString();
    QTest::newRow("unknown name") << owners << "carol" << QString() << "Invalid user name";
    QTest::newRow("name in the other case") << owners << "Bob" << QString() << "Invalid user name";
    QTest::newRow("no store") << QStringList{} << "bob" << QString() << "Invalid user name";
    QTest::newRow("empty name") << owners << "" << QString() << "Please enter user name ";
    QTest::newRow("two records: the last hint")
        << QStringList{"bob", "first", "bob ", "second"} << "bob"
        << "second" + QString(34, ' ') << QString();
}

void LoginWindowTest::hint() {
    QFETCH(QStringList, registered);
    QFETCH(QString, name);
    QFETCH(QString, hint);
    QFETCH(QString, message);

    OwnerHarness h;
    for (int i = 0; i + 1 < registered.size(); i += 2) {
        QVERIFY(h.addOwner(registered[i], QStringLiteral("pw"), registered[i + 1], 10 + i));
    }
    LoginWindow* w = h.openLogin();
    QVERIFY(w);
    QVERIFY(!box(w, "hintEdit")->isVisible());
    QVERIFY(!control<QLabel>(w, "hintLabel")->isVisible());
    type(w, "nameEdit", name);
    click(w, "hintButton");

    QCOMPARE(h.platform.messages(), message.isEmpty() ? QStringList{} : QStringList{message});
    QCOMPARE(box(w, "nameEdit")->text(), name); // what was typed, not the padded text
    QCOMPARE(box(w, "hintEdit")->isVisible(), !hint.isEmpty());
    QCOMPARE(control<QLabel>(w, "hintLabel")->isVisible(), !hint.isEmpty());
    if (!hint.isEmpty()) QCOMPARE(box(w, "hintEdit")->text(), hint);
    QVERIFY(!h.platform.applicationEnded());
    QVERIFY(w->isVisible());
}

void LoginWindowTest::endingTheApplication_data() {
    QTest::addColumn<bool>("throughFrame");
    QTest::newRow("X button") << false;
    QTest::newRow("frame's close button") << true;
}

void LoginWindowTest::endingTheApplication() {
    QFETCH(bool, throughFrame);
    OwnerHarness h;
    const fs::path picture = h.session.temporaryPicture();
    std::ofstream(picture) << "picture";
    LoginWindow* w = h.openLogin();
    QVERIFY(w);
    if (throughFrame) {
        w->close();
    } else {
        click(w, "exitButton");
    }
    QVERIFY(h.platform.applicationEnded());
    QCOMPARE(h.platform.messages(), QStringList{});
    QVERIFY(!fs::exists(picture));
}

void LoginWindowTest::newOwner() {
    OwnerHarness h;
    LoginWindow* w = h.openLogin();
    QVERIFY(w);
    click(w, "newOwnerButton");
    QVERIFY(!w->isVisible());
    QVERIFY(h.flow.registrationWindow() && h.flow.registrationWindow()->isVisible());
    QVERIFY(!h.mainWindow.enabled);
    QTRY_VERIFY(!h.flow.loginWindow());
}

void LoginWindowTest::unusableInput_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("unreadableStore");
    QTest::addColumn<QString>("messageStart");
    QTest::newRow("name outside the code page")
        << QStringLiteral("\u0391lice") << false
        << QStringLiteral("The character \"\u0391\" at position 1 of the owner's name cannot be "
                          "stored");
    QTest::newRow("unreadable store")
        << QStringLiteral("alice") << true << QStringLiteral("The owner store could not be used: ");
}

void LoginWindowTest::unusableInput() {
    QFETCH(QString, name);
    QFETCH(bool, unreadableStore);
    QFETCH(QString, messageStart);

    OwnerHarness h;
    QVERIFY(h.addOwner(QStringLiteral("alice"), QStringLiteral("pw")));
    if (unreadableStore) {
        if (::geteuid() == 0) QSKIP("permissions do not bind the super-user");
        fs::permissions(h.storePath(), fs::perms::none);
    }
    LoginWindow* w = h.openLogin();
    QVERIFY(w);
    type(w, "nameEdit", name);
    type(w, "passwordEdit", QStringLiteral("pw"));
    click(w, "logInButton");
    QCOMPARE(h.platform.messages().size(), 1);
    QVERIFY2(h.platform.messages()[0].startsWith(messageStart),
             qPrintable(h.platform.messages()[0]));
    QVERIFY(!h.platform.applicationEnded());
    QVERIFY(w->isVisible());
    QVERIFY(!h.session.currentOwner().isSet());
}

QTEST_MAIN(LoginWindowTest)
#include "login_window_test.moc"
