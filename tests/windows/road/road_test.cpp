// The whole road through the real windows: register, open, caption, save a wrapped photo, unlock
// it with right and wrong passwords, save it again under another owner and as a fitted bitmap;
// and wrapped photos passed between the windows and the command-line tool both ways.
#include "road_harness.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QScrollBar>
#include <QtTest>

using namespace pixatest;

class RoadTest : public QObject {
    Q_OBJECT
private slots:
    void unlock_data();
    void unlock();
    void resaveUnderTheCurrentOwner();
    void fittedBitmapInADottedFolder();
    void windowOpensWhatTheToolWrote();
};

namespace {

QString ownerLabel(const QString& name) {
    return QStringLiteral("Owner : ") + name.leftJustified(20);
}

bool toolBuilt() {
    return QFileInfo(QStringLiteral(PIXA_CLI_PATH)).isExecutable();
}

// The fields `info --json` printed: caption, owner, type, date, time and factor.
QString infoFields(const std::optional<QByteArray>& output) {
    const QJsonObject info = QJsonDocument::fromJson(output.value_or("")).object();
    QStringList fields;
    for (const char* key : {"caption", "owner", "file_type", "date", "time"})
        fields << info.value(QLatin1String(key)).toString();
    return fields.join('|') + '|' + QString::number(info.value("factor").toInt());
}

// Opens `source`, types `caption` and saves the photo as `name` on the wrapped-photo filter.
void wrapInWindow(RoadHarness& h, const QString& source, int filterIndex, const QString& caption,
                  const QString& name) {
    h.open(source, filterIndex);
    QTest::keyClicks(h.window.findChild<QLineEdit*>(QStringLiteral("captionEdit")), caption);
    h.save(h.path(name), 1);
}

} // namespace

void RoadTest::unlock_data() {
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("enter");
    QTest::addColumn<bool>("earlier"); // a photo of the file was unlocked before
    QTest::addColumn<bool>("match");

    QTest::newRow("bitmap, right password by OK")
        << QByteArray("bmp") << "view" << false << false << true;
    QTest::newRow("JPEG, right password by Enter")
        << QByteArray("jpeg") << "view" << true << false << true;
    QTest::newRow("wrong password by OK") << QByteArray("bmp") << "vie" << false << false << false;
    QTest::newRow("wrong password by Enter")
        << QByteArray("jpeg") << "View" << true << false << false;
    QTest::newRow("wrong password after an unlocked photo")
        << QByteArray("bmp") << "nope" << true << true << false;
}

void RoadTest::unlock() {
    QFETCH(QByteArray, format);
    QFETCH(QString, typed);
    QFETCH(bool, enter);
    QFETCH(bool, earlier);
    QFETCH(bool, match);

    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    const bool bitmap = format == "bmp";
    const QString source = h.picture("photo." + format, QSize(1200, 900), format);
    wrapInWindow(h, source, bitmap ? 2 : 3, "Harbour at dusk", "photo");
    QCOMPARE(h.platform.takeMessages(), savedPicture(source));
    const QString pff = h.path("photo.pff");
    QString opened = pff;
    if (earlier) {
        QVERIFY(h.openWrapped(pff, "view"));
        QCOMPARE(h.unwrappedPictures(), QStringList{h.unwrapped()});
        // Wrapped again under another viewer password, which the one remembered does not open.
        QVERIFY(h.registerOwner("bob", "other"));
        h.save(h.path("bobs"), 1);
        QCOMPARE(h.platform.takeMessages(), QStringList{"File saved"});
        opened = h.path("bobs.pff");
    }

    QVERIFY(h.openWrapped(opened, typed, enter));
    // The file's own fields are shown with its picture only; a refused password leaves what
    // described the photo on screen, the caption typed for a picture included.
    const QStringList fields{"Original file type :" + QString(bitmap ? ".BMP" : ".JPG"),
                             "Original creation date :12/08/26",
                             "Original creation time :10:07:05 AM"};
    QCOMPARE(h.window.captionText(), match || earlier
                                         ? QStringLiteral("Harbour at dusk").leftJustified(64)
                                         : QStringLiteral("Harbour at dusk"));
    QVERIFY(h.window.isEnabled());
    // A click on a button's face reaches the button: the filled labels keep to their panel.
    for (pixa::ui::ImageButton* b : h.window.findChildren<pixa::ui::ImageButton*>())
        QCOMPARE(h.window.childAt(b->geometry().center()), b);
    if (!match) {
        QCOMPARE(h.platform.takeMessages(), QStringList{"Invalid password"});
        QCOMPARE(h.labels(), earlier ? QStringList{ownerLabel("alice")} + fields
                                     : QStringList({"", "", "", ""}));
        // Nothing new was unwrapped; the photo on screen is the one shown, and save wraps it.
        QCOMPARE(h.unwrappedPictures(), earlier ? QStringList{h.unwrapped()} : QStringList());
        QCOMPARE(h.window.shownPhoto().ws_file, earlier ? h.unwrapped() : source);
        if (earlier) QVERIFY(contents(h.unwrapped()) == contents(source));
        QVERIFY(h.button("saveButton")->isEnabled());
        return;
    }
    QCOMPARE(h.platform.takeMessages(), QStringList());
    QCOMPARE(h.labels(), QStringList{ownerLabel("alice")} + fields);
    QCOMPARE(h.unwrappedPictures(), QStringList{h.unwrapped()});
    QVERIFY(contents(h.unwrapped()) == contents(source));
    QCOMPARE(h.window.shownPhoto().ws_file, h.unwrapped());
    QCOMPARE(h.window.shownPicture().size(), QSize(1200, 900));
    QVERIFY(h.button("saveButton")->isEnabled());
    const auto* bar = h.window.findChild<QScrollBar*>(QStringLiteral("horizontalScrollBar"));
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->x(), 0);
}

void RoadTest::resaveUnderTheCurrentOwner() {
    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    const int aliceFactor = h.session.currentOwner().gbl_mul_fact;
    const QString source = h.picture("dawn.bmp", QSize(640, 480), "bmp");
    wrapInWindow(h, source, 2, "Dawn", "dawn");
    QCOMPARE(h.platform.takeMessages(), savedPicture(source));

    // Another owner logs in with another key, then opens alice's photo with its own password.
    h.clock.now.tm_min = 40;
    QVERIFY(h.registerOwner("bob", "bobview"));
    const int bobFactor = h.session.currentOwner().gbl_mul_fact;
    QVERIFY(bobFactor != aliceFactor);
    QVERIFY(h.openWrapped(h.path("dawn.pff"), "view"));
    QCOMPARE(h.labels().constFirst(), ownerLabel("alice"));
    QDir(h.dir.path()).mkdir("my.photos");
    h.save(h.path("my.photos/again.jpg"), 1);
    QCOMPARE(h.platform.takeMessages(), QStringList{"File saved"});
    QCOMPARE(h.window.saveTarget(), h.path("my.photos/again.pff"));

    if (!toolBuilt()) QSKIP("pixamantler-cli is not built");
    // What the tool reads of each file, and the picture it unwraps with the file's password.
    const QString files[][3] = {
        {"dawn.pff", "view",
         "Dawn|alice|.BMP|12/08/26|10:07:05 AM|" + QString::number(aliceFactor)},
        {"my.photos/again.pff", "bobview",
         "Dawn|bob|.PFF|12/08/26|10:40:05 AM|" + QString::number(bobFactor)},
    };
    for (const auto& [file, viewer, fields] : files) {
        QCOMPARE(infoFields(h.tool({"info", "--json", h.path(file)})), fields);
        const QString out = h.path(QFileInfo(file).baseName() + ".out");
        QVERIFY(h.tool({"unwrap", h.path(file), "--output", out},
                       {{"PIXAMANTLER_VIEWER_PASSWORD", viewer}}));
        QVERIFY(contents(out) == contents(source));
    }
    QVERIFY(!h.tool({"unwrap", h.path("my.photos/again.pff"), "--output", h.path("x.out")},
                    {{"PIXAMANTLER_VIEWER_PASSWORD", "view"}}));
}

void RoadTest::fittedBitmapInADottedFolder() {
    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    wrapInWindow(h, h.picture("lake.jpg", QSize(1000, 800), "jpeg"), 3, "Lake", "lake");
    QCOMPARE(h.platform.takeMessages(), savedPicture(h.path("lake.jpg")));
    QVERIFY(h.openWrapped(h.path("lake.pff"), "view"));
    QTest::mouseClick(h.button("fitButton"), Qt::LeftButton);

    // The name is cut at the first dot of its last part, not of the folder.
    QDir(h.dir.path()).mkdir("my.photos");
    const QString bitmap = h.path("my.photos/lake.bmp");
    h.save(h.path("my.photos/lake.small.jpg"), 2);
    QCOMPARE(h.platform.takeMessages(), QStringList());
    QCOMPARE(QImage(bitmap).size(), QSize(580, 464));
    QCOMPARE(h.window.shownPicture().size(), QSize(580, 464));

    const QByteArray written = contents(bitmap);
    // At actual size, a write would change the file.
    QTest::mouseClick(h.button("actualSizeButton"), Qt::LeftButton);
    h.platform.queueAnswer(false);
    h.save(bitmap, 2);
    QCOMPARE(h.platform.takeMessages(), QStringList{"Overright existing photo ?"});
    QVERIFY(contents(bitmap) == written);
    QCOMPARE(QDir(h.path("my.photos")).entryList(QDir::Files | QDir::Hidden),
             QStringList{"lake.bmp"});

    // The unwrapped picture does not outlive the run.
    QTest::mouseClick(h.button("exitButton"), Qt::LeftButton);
    QVERIFY(h.platform.applicationEnded());
    QCOMPARE(h.unwrappedPictures(), QStringList());
}

void RoadTest::windowOpensWhatTheToolWrote() {
    if (!toolBuilt()) QSKIP("pixamantler-cli is not built");
    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    const QString source = h.picture("harbour.jpg", QSize(500, 400), "jpeg");
    const QString pff = h.path("harbour.pff");
    QVERIFY(
        h.tool({"wrap", "--owner", "alice", "--caption", "From the tool", source, "--output", pff},
               {{"PIXAMANTLER_OWNER_PASSWORD", "pw"}}));
    const QStringList info = infoFields(h.tool({"info", "--json", pff})).split('|');
    QCOMPARE(info.mid(0, 2), QStringList({"From the tool", "alice"}));

    QVERIFY(h.openWrapped(pff, "view", true));
    QCOMPARE(h.platform.takeMessages(), QStringList());
    QCOMPARE(h.window.captionText(), QStringLiteral("From the tool").leftJustified(64));
    QCOMPARE(h.labels(), QStringList({ownerLabel("alice"), "Original file type :" + info[2],
                                      "Original creation date :" + info[3],
                                      "Original creation time :" + info[4]}));
    QVERIFY(contents(h.unwrapped()) == contents(source));
}

QTEST_MAIN(RoadTest)
#include "road_test.moc"
