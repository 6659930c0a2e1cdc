// The save command: the name it writes, the overwrite question, wrapped photos and bitmaps,
// refused captions and failures, and the original offered to the trash.
#include "main_harness.h"

#include "core/pff_file.h"
#include "private_trash.h"
#include "ui/platform.h"
#include "windows/unlock/unlock_window.h"

#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QtTest>

#include <fstream>
#include <iterator>

using namespace pixatest;
using Kind = pixa::ui::ScriptedPlatform::Kind;

class SaveTest : public QObject {
    Q_OBJECT
private slots:
    void savedName_data();
    void savedName();
    void overwrite_data();
    void overwrite();
    void wrappedPhotoUnwrapsToTheSameBytes();
    void bitmapOfTheFittedPhotoOverItsOwnSource();
    void refusedCaption_data();
    void refusedCaption();
    void failureIsReportedWithItsNumber();
    void originalToTheTrash_data();
    void originalToTheTrash();
};

namespace {

std::string contents(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Starts the window with a bitmap of `size` open and `caption` typed.
bool ready(MainHarness& h, QSize size = QSize(640, 480), const QString& caption = "Beach") {
    if (!h.start()) return false;
    h.open(h.picture("photo.bmp", size), 2);
    h.control<QLineEdit>("captionEdit")->setText(caption);
    return h.platform.takeMessages().isEmpty();
}

void save(MainHarness& h, const QString& name, int filterIndex) {
    h.platform.queueFile(h.path(name), filterIndex);
    QTest::mouseClick(h.button("saveButton"), Qt::LeftButton);
}

} // namespace

void SaveTest::savedName_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("written");
    QTest::newRow("extension replaced") << "holiday.jpg" << 1 << "holiday.pff";
    QTest::newRow("extension added") << "holiday" << 1 << "holiday.pff";
    QTest::newRow("bitmap extension added") << "holiday" << 2 << "holiday.bmp";
    QTest::newRow("from the first dot") << "a.b.c" << 2 << "a.bmp";
    QTest::newRow("a dotted folder keeps its name") << "my.photos/x.jpg" << 1 << "my.photos/x.pff";
}

void SaveTest::savedName() {
    QFETCH(QString, chosen);
    QFETCH(int, filter);
    QFETCH(QString, written);
    MainHarness h;
    QVERIFY(ready(h));
    QDir(h.dir.path()).mkdir("my.photos");
    save(h, chosen, filter);
    QCOMPARE(h.platform.messages(),
             filter == 1 ? savedPicture(h.path("photo.bmp")) : QStringList());
    QCOMPARE(h.window.saveTarget(), h.path(written));
    QVERIFY(QFileInfo::exists(h.path(written)));
    if (filter == 2) QCOMPARE(QImage(h.path(written)).size(), QSize(640, 480));
    // Every save dialog starts with no name on the wrapped-photo filter.
    const auto request = h.platform.callsOf(Kind::SaveDialog).constFirst().request;
    QCOMPARE(request.fileName + QString::number(request.filterIndex), "1");
}

void SaveTest::overwrite_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("No keeps the old file") << false;
    QTest::newRow("Yes replaces it") << true;
}

void SaveTest::overwrite() {
    QFETCH(bool, yes);
    MainHarness h;
    QVERIFY(ready(h));
    std::ofstream(h.path("old.pff").toStdString()) << "the old file";
    h.platform.queueAnswer(yes);
    save(h, "old.pff", 1);
    QCOMPARE(h.platform.messages(), QStringList{"Overright existing photo ?"} +
                                        (yes ? savedPicture(h.path("photo.bmp")) : QStringList()));
    QCOMPARE(contents(h.path("old.pff")) == "the old file", !yes);
}

void SaveTest::wrappedPhotoUnwrapsToTheSameBytes() {
    MainHarness h;
    QVERIFY(h.start());
    const QString source = h.picture("dawn.jpg", {QSize(900, 700), "jpeg"});
    h.open(source, 3);
    h.control<QLineEdit>("captionEdit")->setText("  Beach at dawn  ");
    save(h, "dawn", 1);
    QCOMPARE(h.platform.messages(), savedPicture(source));
    QVERIFY(h.control<QProgressBar>("progressBar")->isHidden());
    QVERIFY(!QGuiApplication::overrideCursor());

    const pixa::PffReader reader(h.path("dawn.pff").toStdString());
    QCOMPARE(reader.info().tag, "Beach at dawn" + std::string(51, ' '));
    QCOMPARE(reader.info().fileType, ".JPG");
    QCOMPARE(reader.info().ownerName(), "alice" + std::string(15, ' '));
    QVERIFY(reader.info().viewerPasswordMatches("view    "));
    reader.unwrapTo(h.path("back.jpg").toStdString());
    QVERIFY(contents(h.path("back.jpg")) == contents(source));
}

void SaveTest::bitmapOfTheFittedPhotoOverItsOwnSource() {
    MainHarness h;
    QVERIFY(ready(h, QSize(1000, 800)));
    h.window.fitToWindow();
    h.platform.queueAnswer(true);
    save(h, "photo.bmp", 2);
    QCOMPARE(h.platform.messages(), QStringList{"Overright existing photo ?"});
    QCOMPARE(QImage(h.path("photo.bmp")).size(), QSize(580, 464)); // what is shown
    QCOMPARE(QDir(h.dir.path()).entryList(QDir::Files), QStringList({"owners.inf", "photo.bmp"}));
}

void SaveTest::refusedCaption_data() {
    QTest::addColumn<int>("shift"); // the owner's field shift
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("refused"); // the character named, empty when saved
    QTest::newRow("outside the code page") << 12 << "My \u03A9 photo"
                                           << "\"\u03A9\" at position 4";
    QTest::newRow("passes 255 with this owner's key") << 12 << "\u00FF"
                                                      << "\"\u00FF\" at position 1";
    QTest::newRow("fits this owner's key") << 12 << "caf\u00E9"
                                           << "";
    QTest::newRow("passes 255 with a larger key") << 118 << "caf\u00E9"
                                                  << "\"\u00E9\" at position 4";
    QTest::newRow("control character") << 12 << "ab\tc" << "\"\t\" at position 3";
}

void SaveTest::refusedCaption() {
    QFETCH(int, shift);
    QFETCH(QString, caption);
    QFETCH(QString, refused);
    MainHarness h(shift / 2, shift - shift / 2);
    QVERIFY(ready(h, QSize(64, 64), caption));
    save(h, "captioned", 1);
    if (refused.isEmpty()) {
        QCOMPARE(h.platform.messages(), savedPicture(h.path("photo.bmp")));
        return;
    }
    QCOMPARE(h.platform.messages().size(), 1);
    QVERIFY2(h.platform.messages()[0].contains(refused), qPrintable(h.platform.messages()[0]));
    QVERIFY(!QFileInfo::exists(h.path("captioned.pff")));
}

void SaveTest::failureIsReportedWithItsNumber() {
    MainHarness h;
    QVERIFY(ready(h));
    save(h, "no such folder/x", 1);
    QCOMPARE(h.platform.messages(), QStringList{"76 Path not found"});
    QVERIFY(h.control<QProgressBar>("progressBar")->isHidden());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void SaveTest::originalToTheTrash_data() {
    using Home = PrivateTrash::Home;
    QTest::addColumn<QString>("shown"); // "picture", "unwrapped"
    QTest::addColumn<int>("filter");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<Home>("home");
    QTest::newRow("No keeps the original") << "picture" << 1 << false << Home::Ready;
    QTest::newRow("Yes moves it") << "picture" << 1 << true << Home::Ready;
    QTest::newRow("Yes in a home without a data folder yet")
        << "picture" << 1 << true << Home::Fresh;
    QTest::newRow("Yes where no trash can be made keeps it")
        << "picture" << 1 << true << Home::Blocked;
    QTest::newRow("an unwrapped photo is not offered") << "unwrapped" << 1 << true << Home::Ready;
    QTest::newRow("a bitmap save is not offered") << "picture" << 2 << true << Home::Ready;
}

void SaveTest::originalToTheTrash() {
    QFETCH(QString, shown);
    QFETCH(int, filter);
    QFETCH(bool, yes);
    QFETCH(PrivateTrash::Home, home);
    PrivateTrash trash(home);
    MainHarness h;
    QVERIFY(ready(h));
    const QString photo = h.path("photo.bmp");
    if (shown == "unwrapped") {
        save(h, "first", 1);
        h.open(h.path("first.pff"), 1);
        h.unlock.window()->findChild<QLineEdit*>("passwordEdit")->setText("view");
        h.unlock.window()->unlock();
        QCOMPARE(h.window.shownPhoto().kind, pixa::ui::ShownPhoto::Kind::Unwrapped);
        h.platform.clear();
    }
    h.platform.queueAnswer(yes);
    save(h, "kept", filter);
    const bool asked = shown == "picture" && filter == 1;
    QCOMPARE(h.platform.callsOf(Kind::Question).size(), asked ? 1 : 0);
    if (!asked) {
        h.platform.clear();
        QVERIFY(QFileInfo::exists(photo));
        return;
    }
    const bool moved = yes && home != PrivateTrash::Home::Blocked;
    QCOMPARE(h.platform.messages(),
             savedPicture(photo) + (yes && !moved ? QStringList{"The original photo stays where it "
                                                                "is: the desktop's trash could not "
                                                                "be found or made.\r\n" +
                                                                photo}
                                                  : QStringList()));
    QCOMPARE(h.platform.callsOf(Kind::Question).constFirst().defaultButton,
             pixa::ui::Platform::Default::No);
    QCOMPARE(QFileInfo::exists(photo), !moved);
    QCOMPARE(trash.trashedFrom(h.dir.path()), moved ? QStringList{"photo.bmp"} : QStringList());
    // Nothing is left where the move went astray.
    QCOMPARE(QDir::current().entryList({"files", "info"}), QStringList());
    // The photo on screen is saved again from where it lies now, and not offered twice.
    h.platform.clear();
    save(h, "again", 1);
    QCOMPARE(h.platform.messages(), moved ? QStringList{"File saved"} : savedPicture(photo));
}

QTEST_MAIN(SaveTest)
#include "save_test.moc"
