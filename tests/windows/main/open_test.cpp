// The open command: the kinds of file it is given, its failures, cancel, wrapped photos, and
// photos dropped onto the window.
#include "main_harness.h"

#include "core/pff_file.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QtTest>

#include <fstream>

using namespace pixatest;

class OpenTest : public QObject {
    Q_OBJECT
private slots:
    void open_data();
    void open();
    void cancelChangesNothing();
    void drop_data();
    void drop();
    void byContentUnderEveryType_data();
    void byContentUnderEveryType();
};

namespace {

const QString kNotAPicture = QStringLiteral("Selected picture is not a valid .bmp file");

QByteArray encoded(QSize size, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    photoLike(size).save(&buffer, format);
    return bytes;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    std::ofstream(path.toStdString(), std::ios::binary).write(bytes.constData(), bytes.size());
}

// Makes the file that a row of the open table names; its path.
QString makeFile(MainHarness& h, const QString& kind) {
    const QString path = h.path("chosen." + kind);
    const QSize size(640, 480);
    if (kind == "bmp") return h.picture("chosen.bmp", size);
    if (kind == "jpeg") return h.picture("chosen.jpg", {size, "jpeg"});
    if (kind == "progressive") return h.picture(kind, {size, "jpeg", true});
    if (kind == "exif") {
        return h.picture(kind, {size, "jpeg", false, QImageIOHandler::TransformationRotate90});
    }
    if (kind == "big") return h.picture("big.jpg", {QSize(9000, 6000), "jpeg"});
    if (kind == "text") writeBytes(path, "Shopping list: bread, milk.\n");
    if (kind == "note") writeBytes(path, "PFF FILE. A note, not a photo." + QByteArray(300, ' '));
    if (kind == "empty") writeBytes(path, {});
    if (kind == "png") writeBytes(path, encoded(size, "png"));
    if (kind == "cut-jpeg") writeBytes(path, encoded(size, "jpeg").chopped(2000));
    if (kind == "cut-bmp") writeBytes(path, encoded(size, "bmp").chopped(1));
    if (kind == "huge-header") {
        QByteArray bytes = encoded(QSize(16, 16), "jpeg");
        const qsizetype frame = bytes.indexOf("\xFF\xC0");
        bytes.replace(frame + 5, 4, QByteArray("\xEA\x60\xEA\x60", 4)); // 60000 × 60000
        writeBytes(path, bytes);
    }
    if (kind == "nofolder") return h.path("no such folder/photo.bmp");
    return path;
}

} // namespace

void OpenTest::open_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("message"); // empty when the photo shows
    QTest::addColumn<QSize>("shown");
    const QSize size(640, 480);
    QTest::newRow("bitmap") << "bmp" << 2 << "" << size;
    // The content decides, not the dialog's type.
    QTest::newRow("bitmap under the wrapped-photo filter") << "bmp" << 1 << "" << size;
    QTest::newRow("JPEG under the bitmap filter") << "jpeg" << 2 << "" << size;
    QTest::newRow("bitmap under the JPEG filter") << "bmp" << 3 << "" << size;
    QTest::newRow("progressive JPEG") << "progressive" << 3 << "" << size;
    QTest::newRow("EXIF orientation") << "exif" << 3 << "" << QSize(480, 640);
    QTest::newRow("9000 x 6000 JPEG") << "big" << 3 << "" << QSize(9000, 6000);
    QTest::newRow("missing file") << "missing" << 2
                                  << "Insufficient disk space / selected file does not exist !"
                                  << QSize();
    QTest::newRow("missing folder") << "nofolder" << 2 << "Path not found !" << QSize();
    QTest::newRow("not a picture") << "text" << 3 << kNotAPicture << QSize();
    // Not the unlock window's "Type mismatch": a wrapped photo's preamble ends with 0x1A.
    QTest::newRow("begins as a wrapped photo") << "note" << 2 << kNotAPicture << QSize();
    QTest::newRow("empty file") << "empty" << 2 << kNotAPicture << QSize();
    QTest::newRow("PNG picture under the bitmap filter") << "png" << 2 << "" << size;
    QTest::newRow("JPEG cut short") << "cut-jpeg" << 3 << kNotAPicture << QSize();
    QTest::newRow("bitmap cut short") << "cut-bmp" << 2 << kNotAPicture << QSize();
    QTest::newRow("60000 x 60000 header")
        << "huge-header" << 3
        << "The picture is too large to show: 60000 × 60000 pixels. PixaMantler shows photos of "
           "up to 150 megapixels."
        << QSize();
}

void OpenTest::open() {
    QFETCH(QString, kind);
    QFETCH(int, filter);
    QFETCH(QString, message);
    QFETCH(QSize, shown);
    MainHarness h;
    QVERIFY(h.start());
    h.open(h.picture("first.bmp", QSize(300, 200)), 2);
    h.control<QLabel>("ownerLabel")->setText("Owner : someone");
    h.control<QLabel>("ownerLabel")->show();
    h.control<QLineEdit>("captionEdit")->setText("a caption");
    const QString file = makeFile(h, kind);
    h.open(file, filter);

    QCOMPARE(h.platform.messages(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(h.window.shownPhoto().ws_file, file);
    QCOMPARE(h.window.shownPhoto().orig_file_type,
             QStringList({"", ".BMP", ".BMP", ".JPG"})[filter]);
    QVERIFY(h.control<QLabel>("ownerLabel")->isHidden());
    QCOMPARE(h.window.captionText(), QString());
    QVERIFY(!QGuiApplication::overrideCursor());
    if (!shown.isValid()) {
        QCOMPARE(h.picture1(), QStringLiteral("0,0 300x200")); // the previous photo stays
        QCOMPARE(h.viewButtons(), QStringLiteral("4c 5c 6a"));
        return;
    }
    QCOMPARE(h.picture1(), QStringLiteral("0,0 %1x%2").arg(shown.width()).arg(shown.height()));
    QCOMPARE(h.viewButtons(), QStringLiteral("4a 5c 6a"));
    if (kind == "big") QCOMPARE(h.scrollBars(), "0/8230 0/5536");
}

void OpenTest::cancelChangesNothing() {
    MainHarness h;
    QVERIFY(h.start());
    const QString first = h.picture("first.bmp", QSize(300, 200));
    h.open(first, 2);
    h.platform.queueCancel();
    h.window.open();
    QCOMPARE(h.platform.messages(), QStringList());
    // The dialog started from what it held last.
    const auto request =
        h.platform.callsOf(pixa::ui::ScriptedPlatform::Kind::OpenDialog)[1].request;
    QCOMPARE(request.fileName + QString::number(request.filterIndex), first + "2");
    QCOMPARE(h.window.shownPhoto().ws_file, first);
    QCOMPARE(h.viewButtons() + " " + h.picture1(), QStringLiteral("4a 5c 6a 0,0 300x200"));
}

void OpenTest::drop_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type"); // empty: refused
    QTest::newRow("JPEG, capital extension") << "Photo.JPEG"
                                             << ".JPG";
    QTest::newRow("a JPEG named as another kind") << "photo.png"
                                                  << ".JPG";
    QTest::newRow("a file that is no photo") << "notes.txt"
                                             << "";
}

void OpenTest::drop() {
    QFETCH(QString, name);
    QFETCH(QString, type);
    MainHarness h;
    QVERIFY(h.start());
    const QString file =
        name.endsWith(".txt") ? h.path(name) : h.picture(name, {QSize(100, 80), "jpeg"});
    if (type.isEmpty()) writeBytes(file, "Shopping list: bread, milk.\n");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&h.window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropped(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&h.window, &dropped);
    if (type.isEmpty()) {
        QTRY_COMPARE(h.platform.messages(), QStringList{kNotAPicture});
        QCOMPARE(h.picture1(), "hidden");
        return;
    }
    QTRY_COMPARE(h.window.shownPhoto().ws_file, file);
    QCOMPARE(h.window.shownPhoto().orig_file_type, type);
    QCOMPARE(h.picture1(), QStringLiteral("0,0 100x80"));
}

void OpenTest::byContentUnderEveryType_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("type"); // orig_file_type of a picture; ".PFF" awaits the password
    for (int filter = 1; filter <= 4; ++filter) {
        const QString under = " under type " + QString::number(filter);
        QTest::newRow(qPrintable("JPEG" + under))
            << "photo.jpg" << filter << (filter == 2 ? ".BMP" : ".JPG");
        QTest::newRow(qPrintable(".pff" + under)) << "photo.pff" << filter << ".PFF";
    }
    QTest::newRow("JPEG named .pff") << "renamed.pff" << 1 << ".JPG";
    QTest::newRow(".pff named .jpg") << "renamed.jpg" << 3 << ".PFF";
    // Another kind takes the type the tool gives it: its extension, cut when it is wrapped.
    QTest::newRow("WebP under All photos") << "shot.webp" << 4 << ".webp";
}

void OpenTest::byContentUnderEveryType() {
    QFETCH(QString, name);
    QFETCH(int, filter);
    QFETCH(QString, type);
    MainHarness h;
    QVERIFY(h.start());
    const bool wrapped = type == ".PFF";
    const QString jpeg = h.picture("source.jpg", {QSize(320, 240), "jpeg"});
    const QString file = h.path(name);
    if (wrapped) {
        pixa::encrypt_pff_file({jpeg.toStdString(), file.toStdString(), "", ".JPG",
                                h.session.currentOwner(), &h.clock});
    }
    if (name.endsWith(".webp")) h.picture(name, {QSize(320, 240), "webp"});
    QVERIFY(wrapped || QFile::exists(file) || QFile::copy(jpeg, file));
    h.open(file, filter);
    QCOMPARE(h.platform.messages(), QStringList());
    QCOMPARE(h.window.shownPhoto().ws_file, file);
    QCOMPARE(h.window.shownPhoto().orig_file_type, type);
    QCOMPARE(h.unlock.window() != nullptr, wrapped);
    QCOMPARE(h.picture1(), wrapped ? "hidden" : "0,0 320x240");
}

QTEST_MAIN(OpenTest)
#include "open_test.moc"
