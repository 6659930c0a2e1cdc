// The way between the owner windows: the start-up owner check, and the owner store shared with
// the command-line tool in both directions.
#include "owner_harness.h"

#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <optional>

using namespace pixatest;

class OwnerFlowTest : public QObject {
    Q_OBJECT
private slots:
    void startupOwnerCheck_data();
    void startupOwnerCheck();
    void toolReadsWhatTheWindowRegistered();
    void windowAdmitsWhatTheToolRegistered();
};

namespace {

QString toolPath() {
    return QStringLiteral(PIXA_CLI_PATH);
}

bool toolBuilt() {
    return !toolPath().isEmpty() && QFileInfo(toolPath()).isExecutable();
}

// Runs the command-line tool on the harness's data folder; its standard output on success.
std::optional<QString> runTool(const OwnerHarness& h, const QStringList& arguments,
                               const QMap<QString, QString>& environment = {}) {
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("PIXAMANTLER_HOME"));
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        env.insert(it.key(), it.value());
    tool.setProcessEnvironment(env);
    tool.start(toolPath(), QStringList{QStringLiteral("--data-dir"), h.dir.path()} + arguments);
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        qWarning("%s", tool.readAllStandardError().constData());
        return std::nullopt;
    }
    return QString::fromUtf8(tool.readAllStandardOutput());
}

} // namespace

void OwnerFlowTest::startupOwnerCheck_data() {
    QTest::addColumn<QString>("store"); // "missing", "empty" or "owner"
    QTest::newRow("no store") << "missing";
    QTest::newRow("empty store") << "empty";
    QTest::newRow("a registered owner") << "owner";
}

void OwnerFlowTest::startupOwnerCheck() {
    QFETCH(QString, store);
    OwnerHarness h;
    if (store == "empty") std::ofstream(h.storePath());
    if (store == "owner") QVERIFY(h.addOwner(QStringLiteral("alice"), QStringLiteral("pw")));
    h.flow.startupOwnerCheck();
    if (store == "owner") {
        QCOMPARE(h.platform.messages(), QStringList{});
        QVERIFY(h.flow.loginWindow() && h.flow.loginWindow()->isVisible());
        QVERIFY(!h.flow.registrationWindow());
        QVERIFY(!h.mainWindow.enabled);
    } else {
        QCOMPARE(h.platform.messages(), QStringList{"There are no owners declared.\r\n"
                                                    "Create atleast one owner before continuing."});
        QVERIFY(h.flow.registrationWindow() && h.flow.registrationWindow()->isVisible());
        QVERIFY(!h.flow.loginWindow());
    }
    QCOMPARE(h.mainWindow.caption, QString());
}

void OwnerFlowTest::toolReadsWhatTheWindowRegistered() {
    if (!toolBuilt()) QSKIP("pixamantler-cli is not built");
    OwnerHarness h;
    pixa::ui::RegistrationWindow* w = h.openRegistration();
    QVERIFY(w);
    type(w, "nameEdit", QStringLiteral("Ren\u00e9e"));
    type(w, "ownerPasswordEdit", QStringLiteral("pw"));
    type(w, "viewerPasswordEdit", QStringLiteral("view"));
    type(w, "hintEdit", QStringLiteral("our first cat"));
    click(w, "createButton");
    QCOMPARE(h.platform.messages(), QStringList{});

    QCOMPARE(runTool(h, {"owners"}), QStringLiteral("Ren\u00e9e\n"));
    QCOMPARE(runTool(h, {"hint", QStringLiteral("Ren\u00e9e")}), QStringLiteral("our first cat\n"));
}

void OwnerFlowTest::windowAdmitsWhatTheToolRegistered() {
    if (!toolBuilt()) QSKIP("pixamantler-cli is not built");
    // The tool draws its key from the real clock, so the name keeps to plain letters, which fit
    // every key.
    OwnerHarness h;
    const QMap<QString, QString> passwords{{"PIXAMANTLER_OWNER_PASSWORD", "s3cret"},
                                           {"PIXAMANTLER_VIEWER_PASSWORD", "v1ew"}};
    QVERIFY(runTool(h, {"register", QStringLiteral("Gregoire"), "--hint", "blue door"}, passwords));

    h.flow.startupOwnerCheck();
    pixa::ui::LoginWindow* w = h.shown(h.flow.loginWindow());
    QVERIFY(w);
    type(w, "nameEdit", QStringLiteral("Gregoire"));
    click(w, "hintButton");
    QCOMPARE(box(w, "hintEdit")->text(), "blue door" + QString(31, ' '));
    type(w, "passwordEdit", QStringLiteral("s3cret"));
    QTest::keyClick(box(w, "passwordEdit"), Qt::Key_Return);
    QCOMPARE(h.platform.messages(), QStringList{});
    QCOMPARE(h.mainWindow.caption, QStringLiteral("PixaMantler - Owner : Gregoire logged in."));
    QCOMPARE(h.records().size(), 1);
    QCOMPARE(h.records()[0].viewerPass, QStringLiteral("v1ew    "));
}

QTEST_MAIN(OwnerFlowTest)
#include "owner_flow_test.moc"
