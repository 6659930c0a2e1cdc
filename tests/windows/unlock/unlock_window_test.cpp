// The viewer unlock window driven headless: right and wrong passwords by OK and by Enter, the
// padding rule, "X" and showing again, and files that are not sound wrapped photos.
#include "unlock_harness.h"

#include <QGuiApplication>
#include <QProgressBar>
#include <QtTest>

using namespace pixatest;
using pixa::ui::MainWindowHold;
using pixa::ui::PhotoDescription;
using pixa::ui::ShownPhoto;
using pixa::ui::UnlockWindow;

class UnlockWindowTest : public QObject {
    Q_OBJECT
private slots:
    void unlock_data();
    void unlock();
    void closeThenShowAgain();
    void unsoundFile_data();
    void unsoundFile();
};

void UnlockWindowTest::unlock_data() {
    QTest::addColumn<QByteArray>("registered");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("enter");
    QTest::addColumn<bool>("match");

    QTest::newRow("short password, OK") << QByteArray("key") << "key" << false << true;
    QTest::newRow("short password, Enter") << QByteArray("key") << "key" << true << true;
    QTest::newRow("eight characters") << QByteArray("Tulip-42") << "Tulip-42" << false << true;
    QTest::newRow("wrong, OK") << QByteArray("key") << "kex" << false << false;
    QTest::newRow("wrong, Enter") << QByteArray("key") << "kex" << true << false;
    QTest::newRow("extra trailing space") << QByteArray("key") << "key " << false << false;
    QTest::newRow("other letter case") << QByteArray("Tulip-42") << "tulip-42" << true << false;
    QTest::newRow("empty") << QByteArray("key") << "" << true << false;
    QTest::newRow("outside the code page") << QByteArray("key") << "k\u0141y" << false << false;
}

void UnlockWindowTest::unlock() {
    QFETCH(QByteArray, registered);
    QFETCH(QString, typed);
    QFETCH(bool, enter);
    QFETCH(bool, match);

    UnlockHarness h;
    const QByteArray picture = bitmapBytes();
    const fs::path pff = h.wrap(picture, registered.constData());
    // An unwrapped photo is on screen already; it stays whole until the new one shows.
    const fs::path temporary = h.session.temporaryPicture();
    std::ofstream(temporary) << "an earlier photo";
    const QString earlier = QString::fromStdString(temporary.string());
    h.mainWindow.rules.show({ShownPhoto::Kind::Unwrapped, earlier, ".PFF"}, false);
    // What describes it, with a caption the user typed for it.
    const PhotoDescription onScreen{"Typed for the earlier photo", "Owner : Bob",
                                    "Original file type :.JPG", "Original creation date :01/02/03",
                                    "Original creation time :04:05:06 AM"};
    h.mainWindow.shownDescription = onScreen;
    UnlockWindow* w = h.open(pff);
    QVERIFY(w);
    QVERIFY(!h.mainWindow.enabled);
    QVERIFY(box(w, "passwordEdit")->hasFocus());
    box(w, "passwordEdit")->insert(typed);
    if (enter) {
        QTest::keyClick(box(w, "passwordEdit"), Qt::Key_Return);
    } else {
        QTest::mouseClick(w->findChild<QWidget*>("unlockButton"), Qt::LeftButton);
    }

    // The password box was padded.
    QCOMPARE(box(w, "passwordEdit")->text(),
             typed + QString(qMax(0, 8 - int(typed.trimmed().size())), ' '));
    const auto* bar = w->findChild<QProgressBar*>("progressBar");
    QVERIFY(h.mainWindow.enabled && !QGuiApplication::overrideCursor() && bar->isHidden());
    QVERIFY(!w->isVisible() && !w->loaded());

    if (!match) {
        QCOMPARE(h.platform.messages(), QStringList{"Invalid password"});
        // The photo on screen is the shown photo again, still described as before, and nothing
        // else was written.
        QCOMPARE(h.mainWindow.shownDescription, onScreen);
        QCOMPARE(h.mainWindow.shown().kind, ShownPhoto::Kind::Unwrapped);
        QCOMPARE(h.mainWindow.shown().ws_file, earlier);
        QVERIFY(h.mainWindow.picture.isNull());
        QCOMPARE(h.files(), (QStringList{"owners.inf", "photo.pff", "copy/~~tmp.bmp"}));
        std::ifstream kept(temporary, std::ios::binary);
        QCOMPARE(QByteArray::fromStdString({std::istreambuf_iterator<char>(kept), {}}),
                 QByteArray("an earlier photo"));
        return;
    }
    QCOMPARE(h.platform.messages(), QStringList{});
    QCOMPARE(h.mainWindow.shownDescription,
             (PhotoDescription{QStringLiteral("Harbour at dusk").leftJustified(64),
                               "Owner : Alice Martin        ", "Original file type :.BMP",
                               "Original creation date :12/08/26",
                               "Original creation time :02:25:36 PM"}));
    QCOMPARE(h.mainWindow.shown().kind, ShownPhoto::Kind::Unwrapped);
    QCOMPARE(h.mainWindow.shown().ws_file, earlier);
    QCOMPARE(h.files(), (QStringList{"owners.inf", "photo.pff", "copy/~~tmp.bmp"}));
    std::ifstream unwrapped(temporary, std::ios::binary);
    QCOMPARE(QByteArray::fromStdString({std::istreambuf_iterator<char>(unwrapped), {}}), picture);
    QCOMPARE(fs::status(temporary).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    QCOMPARE(h.mainWindow.picture.size(), QSize(61, 61));
    QVERIFY(h.mainWindow.scrollBarAtWindowEdge);
    QCOMPARE(bar->maximum(), (picture.size() - 48) / 1026);
    QCOMPARE(bar->value(), bar->maximum());
}

void UnlockWindowTest::closeThenShowAgain() {
    UnlockHarness h;
    const fs::path pff = h.wrap(bitmapBytes(), "key");
    UnlockWindow* w = h.open(pff);
    QVERIFY(w);
    QTest::keyClicks(box(w, "passwordEdit"), "ke");
    QTest::mouseClick(w->findChild<QWidget*>("closeButton"), Qt::LeftButton);
    QVERIFY(h.mainWindow.enabled);
    QVERIFY(!w->isVisible());

    QCOMPARE(h.open(pff), w);
    QVERIFY(h.mainWindow.enabled);
    QCOMPARE(box(w, "passwordEdit")->text(), "ke");
    QTest::keyClicks(box(w, "passwordEdit"), "y");
    QTest::keyClick(box(w, "passwordEdit"), Qt::Key_Enter);
    QCOMPARE(h.mainWindow.shown().kind, ShownPhoto::Kind::Unwrapped);
    QCOMPARE(h.platform.calls().size(), 0);
}

void UnlockWindowTest::unsoundFile_data() {
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<qint64>("size");        // the .pff cut to this size; 0: no file, -1: whole
    QTest::addColumn<QByteArray>("foreign"); // when given, replaces the .pff's bytes
    QTest::addColumn<QString>("message");
    // Another window (the search window) holds the main window while the file is read.
    QTest::addColumn<bool>("disabledMeanwhile");

    const QByteArray bitmap = bitmapBytes();
    QTest::newRow("missing") << bitmap << qint64(0) << QByteArray()
                             << "Insufficient disk space / selected file does not exist !" << false;
    QTest::newRow("shorter than the header")
        << bitmap << qint64(300) << QByteArray() << "Input past end of file" << false;
    QTest::newRow("body cut short")
        << bitmap << qint64(3000) << QByteArray() << "Type mismatch" << false;
    QTest::newRow("foreign") << bitmap << qint64(-1) << QByteArray(3000, 'a') << "Type mismatch"
                             << false;
    QTest::newRow("unwraps to no picture") << QByteArray(5000, 'x') << qint64(-1) << QByteArray()
                                           << "Selected picture is not a valid .bmp file" << false;
    QTest::newRow("body cut while read, main window disabled meanwhile")
        << bitmap << qint64(3000) << QByteArray() << "Input past end of file" << true;
    QTest::newRow("no picture, main window disabled meanwhile")
        << QByteArray(5000, 'x') << qint64(-1) << QByteArray()
        << "Selected picture is not a valid .bmp file" << true;
}

void UnlockWindowTest::unsoundFile() {
    QFETCH(QByteArray, picture);
    QFETCH(qint64, size);
    QFETCH(QByteArray, foreign);
    QFETCH(QString, message);
    QFETCH(bool, disabledMeanwhile);

    UnlockHarness h;
    const fs::path pff = h.wrap(picture, "key");
    if (size == 0) fs::remove(pff);
    if (size > 0 && !disabledMeanwhile) fs::resize_file(pff, size);
    if (!foreign.isEmpty()) std::ofstream(pff) << foreign.constData();
    UnlockWindow* w = h.open(pff);
    QVERIFY(w);
    box(w, "passwordEdit")->insert("key");
    MainWindowHold otherHold;
    if (disabledMeanwhile) {
        QTimer::singleShot(0, w, [&h, &pff, size, &otherHold] {
            otherHold = h.mainWindow.holdMainWindow();
            // The body is cut once its head has been read.
            if (size > 0) fs::resize_file(pff, size);
        });
    }
    QTest::mouseClick(w->findChild<QWidget*>("unlockButton"), Qt::LeftButton);

    // Failures before the match leave the window loaded; after it, the owner is shown.
    const bool matched = message.startsWith("Selected");
    QCOMPARE(h.platform.messages(), QStringList{message});
    QVERIFY(!h.platform.applicationEnded());
    // The other window's hold stays its own.
    QCOMPARE(h.mainWindow.enabled, !disabledMeanwhile);
    otherHold.release();
    QVERIFY(h.mainWindow.enabled && !QGuiApplication::overrideCursor() && !w->isVisible());
    QCOMPARE(w->loaded(), !matched);
    // Nothing was on screen before, and nothing is now, nor described.
    QCOMPARE(h.mainWindow.shownDescription, PhotoDescription{});
    QCOMPARE(h.mainWindow.shown().kind, ShownPhoto::Kind::Nothing);
    QVERIFY(h.mainWindow.picture.isNull());
    QCOMPARE(h.files(),
             size == 0 ? QStringList{"owners.inf"} : (QStringList{"owners.inf", "photo.pff"}));
}

QTEST_MAIN(UnlockWindowTest)
#include "unlock_window_test.moc"
