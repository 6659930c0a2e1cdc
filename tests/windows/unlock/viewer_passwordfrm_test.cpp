// The viewer unlock window driven headless: right and wrong passwords by OK and by Enter, the
// padding rule, "X" and showing again, and files that are not sound wrapped photos.
#include "unlock_harness.h"

#include <QtTest>

using namespace pixatest;
using pixa::ui::InfoLabel;
using pixa::ui::ViewerPasswordfrm;

class ViewerPasswordfrmTest : public QObject {
    Q_OBJECT
private slots:
    void unlock_data();
    void unlock();
    void wrongPasswordRemovesAnEarlierPicture();
    void closeThenShowAgain();
    void unsoundFile_data();
    void unsoundFile();
};

void ViewerPasswordfrmTest::unlock_data() {
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

void ViewerPasswordfrmTest::unlock() {
    QFETCH(QByteArray, registered);
    QFETCH(QString, typed);
    QFETCH(bool, enter);
    QFETCH(bool, match);

    UnlockHarness h;
    const QByteArray picture = bitmapBytes();
    const fs::path pff = h.wrap(picture, registered.constData());
    ViewerPasswordfrm* w = h.open(pff);
    QVERIFY(w);
    QVERIFY(!h.mainWindow.enabled);
    QVERIFY(box(w, "Text2")->hasFocus());
    box(w, "Text1")->setText(QStringLiteral("Somebody Else"));
    box(w, "Text2")->insert(typed);
    if (enter) {
        QTest::keyClick(box(w, "Text2"), Qt::Key_Return);
    } else {
        QTest::mouseClick(w->findChild<QWidget*>("Command1"), Qt::LeftButton);
    }

    // The reader's fields are shown whatever the outcome; the password box was padded.
    QCOMPARE(h.mainWindow.captionBox, QStringLiteral("Harbour at dusk").leftJustified(64));
    QCOMPARE(h.mainWindow.labels[InfoLabel::FileType], "Original file type :.BMP");
    QCOMPARE(h.mainWindow.labels[InfoLabel::Date], "Original creation date :12/08/26");
    QCOMPARE(h.mainWindow.labels[InfoLabel::Time], "Original creation time :02:25:36 PM");
    QCOMPARE(box(w, "Text2")->text(),
             typed + QString(qMax(0, 8 - int(typed.trimmed().size())), ' '));
    QVERIFY(h.mainWindow.enabled);
    QVERIFY(!w->isVisible());
    QVERIFY(!w->loaded());
    QVERIFY(!h.mainWindow.busy);
    QVERIFY(!h.mainWindow.progressShown);

    const fs::path temporary = h.session.temporaryPicture();
    if (!match) {
        QCOMPARE(h.platform.messages(), QStringList{"Invalid password"});
        QCOMPARE(h.mainWindow.labels[InfoLabel::Owner], "Owner :");
        QCOMPARE(h.mainWindow.vars.ws_file, QString::fromStdString(pff.string()));
        QVERIFY(h.mainWindow.picture.isNull());
        QVERIFY(!h.mainWindow.saveEnabled);
        QCOMPARE(h.files(), (QStringList{"owners.inf", "photo.pff"}));
        return;
    }
    QCOMPARE(h.platform.messages(), QStringList{});
    QCOMPARE(h.mainWindow.labels[InfoLabel::Owner], "Owner : Alice Martin        ");
    QCOMPARE(h.mainWindow.vars.ws_file, QString::fromStdString(temporary.string()));
    QFile unwrapped(QString::fromStdString(temporary.string()));
    QVERIFY(unwrapped.open(QIODevice::ReadOnly));
    QCOMPARE(unwrapped.readAll(), picture);
    QCOMPARE(fs::status(temporary).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    QCOMPARE(h.mainWindow.picture.size(), QSize(61, 61));
    QVERIFY(h.mainWindow.scrollBarAtWindowEdge);
    QVERIFY(h.mainWindow.saveEnabled);
    QCOMPARE(h.mainWindow.progressMaximum, (picture.size() - 48) / 1026);
    QCOMPARE(h.mainWindow.progressValue, h.mainWindow.progressMaximum);
}

void ViewerPasswordfrmTest::wrongPasswordRemovesAnEarlierPicture() {
    UnlockHarness h;
    const fs::path pff = h.wrap(bitmapBytes(), "key");
    box(h.open(pff), "Text2")->insert("key");
    QTest::keyClick(box(h.unlock.window(), "Text2"), Qt::Key_Return);
    QVERIFY(fs::exists(h.session.temporaryPicture()));

    ViewerPasswordfrm* again = h.open(pff);
    QVERIFY(again);
    box(again, "Text2")->insert("nope");
    QTest::keyClick(box(again, "Text2"), Qt::Key_Return);
    QCOMPARE(h.platform.messages(), QStringList{"Invalid password"});
    QVERIFY(!fs::exists(h.session.temporaryPicture()));
}

void ViewerPasswordfrmTest::closeThenShowAgain() {
    UnlockHarness h;
    const fs::path pff = h.wrap(bitmapBytes(), "key");
    ViewerPasswordfrm* w = h.open(pff);
    QVERIFY(w);
    QTest::keyClicks(box(w, "Text2"), "ke");
    QTest::mouseClick(w->findChild<QWidget*>("Command2"), Qt::LeftButton);
    QVERIFY(h.mainWindow.enabled);
    QVERIFY(!w->isVisible());

    QCOMPARE(h.open(pff), w);
    QVERIFY(h.mainWindow.enabled);
    QCOMPARE(box(w, "Text2")->text(), "ke");
    QTest::keyClicks(box(w, "Text2"), "y");
    QTest::keyClick(box(w, "Text2"), Qt::Key_Enter);
    QVERIFY(h.mainWindow.saveEnabled);
    QCOMPARE(h.platform.calls().size(), 0);
}

namespace {

enum class Damage { Missing, Short, Foreign, NotAPicture, CutTrailer };

} // namespace
Q_DECLARE_METATYPE(Damage)

void ViewerPasswordfrmTest::unsoundFile_data() {
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("loaded");

    QTest::newRow("missing") << Damage::Missing
                             << "Insufficient disk space / selected file does not exist !" << true;
    QTest::newRow("shorter than the header") << Damage::Short << "Input past end of file" << true;
    QTest::newRow("foreign file") << Damage::Foreign << "Type mismatch" << true;
    QTest::newRow("last bytes cut off") << Damage::CutTrailer << "Type mismatch" << true;
    QTest::newRow("unwraps to no picture")
        << Damage::NotAPicture << "Selected picture is not a valid .bmp file" << false;
}

void ViewerPasswordfrmTest::unsoundFile() {
    QFETCH(Damage, damage);
    QFETCH(QString, message);
    QFETCH(bool, loaded);

    UnlockHarness h;
    fs::path pff =
        h.wrap(damage == Damage::NotAPicture ? QByteArray(5000, 'x') : bitmapBytes(), "key");
    const auto size = fs::file_size(pff);
    switch (damage) {
    case Damage::Missing:
        pff = h.path("absent.pff");
        break;
    case Damage::Short:
        fs::resize_file(pff, 300);
        break;
    case Damage::Foreign:
        std::ofstream(pff) << QByteArray(3000, 'a').constData();
        break;
    case Damage::CutTrailer:
        fs::resize_file(pff, size - 100);
        break;
    case Damage::NotAPicture:
        break;
    }
    ViewerPasswordfrm* w = h.open(pff);
    QVERIFY(w);
    box(w, "Text2")->insert("key");
    QTest::mouseClick(w->findChild<QWidget*>("Command1"), Qt::LeftButton);

    QCOMPARE(h.platform.messages(), QStringList{message});
    QVERIFY(!h.platform.applicationEnded());
    QVERIFY(h.mainWindow.enabled);
    QVERIFY(!h.mainWindow.busy);
    QVERIFY(!w->isVisible());
    QCOMPARE(w->loaded(), loaded);
    if (!loaded) QCOMPARE(h.mainWindow.labels[InfoLabel::Owner], "Owner : Alice Martin        ");
    QCOMPARE(h.mainWindow.vars.ws_file, QString::fromStdString(pff.string()));
    QVERIFY(h.mainWindow.picture.isNull());
    QVERIFY(!h.mainWindow.saveEnabled);
    QVERIFY(!fs::exists(h.session.temporaryPicture()));
    for (const QString& name : h.files())
        QVERIFY2(!name.endsWith(".pixatmp"), qPrintable(name));
}

QTEST_MAIN(ViewerPasswordfrmTest)
#include "viewer_passwordfrm_test.moc"
