// The search window headless: captions of several owners' photos in the file list's order, a
// bad file stopping the listing with the right message, view opening the file of the chosen
// caption under a filter and with subfolders, and back.
#include "core/clock.h"
#include "core/codepage.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "core/pff_file.h"
#include "core/session.h"
#include "scripted_platform.h"
#include "stand_in_main_window.h"
#include "ui/file_browsers.h"
#include "ui/image_button.h"
#include "windows/search/mantlersearch.h"
#include "windows/unlock/viewer_unlock.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <filesystem>

using namespace pixa;
using namespace pixa::ui;
namespace fs = std::filesystem;

namespace {

CurrentOwner owner(const OwnerStore& store, const char* name, int minute, int second) {
    const FixedClock clock(10, minute, second);
    const auto pad = [](const char* text, size_t width) {
        return padField(toCodePage(text), width);
    };
    return *registerOwner(store, pad(name, kNameWidth), pad("own", kPasswordWidth),
                          pad("view", kPasswordWidth), pad("", kHintWidth), clock);
}

struct Harness {
    QTemporaryDir folder;
    QTemporaryDir data;
    FixedClock clock{10, 7, 5};
    Session session{fs::path(data.path().toStdString()), clock};
    ScriptedPlatform platform;
    pixatest::StandInMainWindow mainWindow;
    ViewerUnlock unlock{session, mainWindow, platform};
    QPointer<Mantlersearch> window;
    CurrentOwner anna = owner(session.store(), "Anna", 1, 2);     // factor 33
    CurrentOwner bruno = owner(session.store(), "Bruno", 59, 58); // factor 1287

    ~Harness() { delete window.data(); }

    void wrap(const QString& name, const std::string& caption, const CurrentOwner& by) {
        const fs::path picture = fs::path(data.path().toStdString()) / "picture.bmp";
        {
            QFile file(QString::fromStdString(picture.string()));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("BM") + QByteArray(3000, 'x'));
        }
        WrapRequest request;
        request.source = picture;
        request.target = folder.filePath(name).toStdString();
        request.tag = caption;
        request.fileType = ".BMP";
        request.owner = by;
        request.clock = &clock;
        fs::create_directories(request.target.parent_path());
        encrypt_pff_file(request);
    }
    void open() {
        QVERIFY(QDir::setCurrent(folder.path()));
        window = new Mantlersearch(mainWindow, platform, unlock);
        window->show();
    }
    QListWidget* list() { return window->findChild<QListWidget*>(QStringLiteral("List1")); }
    QStringList captions() {
        QStringList out;
        for (int j = 0; j < list()->count(); ++j)
            if (!list()->item(j)->isHidden()) out << list()->item(j)->text().trimmed();
        return out;
    }
    ImageButton* view() { return window->findChild<ImageButton*>(QStringLiteral("Image1")); }
    // Selects the visible entry whose caption starts with `caption` and views it.
    void viewCaption(const QString& caption) {
        for (int j = 0; j < list()->count(); ++j) {
            QListWidgetItem* item = list()->item(j);
            if (!item->isHidden() && item->text().startsWith(caption)) {
                list()->setCurrentItem(item);
                break;
            }
        }
        emit view()->clicked();
    }
};

} // namespace

class MantlersearchTest : public QObject {
    Q_OBJECT
private slots:
    void emptyFolderDisablesView();
    void listsEveryOwnersCaptionsInOrder();
    void corruptFileStopsTheListingAndNamesIt();
    void unreadableFileIsNeverCalledCorrupt();
    void viewOpensTheFileOfTheChosenCaption_data();
    void viewOpensTheFileOfTheChosenCaption();
    void viewWithoutASelectionDoesNothing();
    void backEnablesTheMainWindow();
};

void MantlersearchTest::emptyFolderDisablesView() {
    Harness h;
    h.open();
    QVERIFY(!h.mainWindow.enabled);
    QCOMPARE(h.list()->count(), 0);
    QCOMPARE(h.view()->currentFace(), QStringLiteral("1c"));
    QVERIFY(!h.view()->isEnabled());
}

void MantlersearchTest::listsEveryOwnersCaptionsInOrder() {
    Harness h;
    h.wrap(QStringLiteral("b.pff"), "Beach with Bruno", h.bruno);
    h.wrap(QStringLiteral("A.PFF"), "Anna's garden", h.anna);
    // A batch-wrapped photo carries its source path as its caption.
    h.wrap(QStringLiteral("c.pff"), tagFromPath("/media/usb/photos/harbour.jpg"), h.anna);
    h.open();
    QCOMPARE(h.captions(),
             QStringList({"Anna's garden", "Beach with Bruno", "/media/usb/photos/harbour.jpg"}));
    QCOMPARE(h.list()->item(2)->text().size(), 64);
    QVERIFY(h.view()->isEnabled());
    QVERIFY(h.platform.messages().isEmpty());
}

void MantlersearchTest::corruptFileStopsTheListingAndNamesIt() {
    Harness h;
    h.wrap(QStringLiteral("1.pff"), "first", h.anna);
    QFile bad(h.folder.filePath(QStringLiteral("2.pff")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(200, 'z'));
    bad.close();
    h.wrap(QStringLiteral("3.pff"), "third", h.anna);
    h.wrap(QStringLiteral("4.pff"), "fourth", h.anna);
    h.open();
    QCOMPARE(h.captions(), QStringList({"first"}));
    QCOMPARE(h.platform.messages(),
             QStringList({h.folder.filePath(QStringLiteral("2.pff")) +
                          " is corrupted.\r\n\r\nDelete this file or move this file to another "
                          "folder so that yo will be able to see the rest of the files."}));
    QVERIFY(h.view()->isEnabled());
}

void MantlersearchTest::unreadableFileIsNeverCalledCorrupt() {
    Harness h;
    h.wrap(QStringLiteral("1.pff"), "first", h.anna);
    QVERIFY(::mkfifo(h.folder.filePath(QStringLiteral("2.pff")).toLocal8Bit().constData(), 0600) ==
            0);
    h.open();
    QCOMPARE(h.captions(), QStringList({"first"}));
    QCOMPARE(h.platform.messages().size(), 1);
    const QString message = h.platform.messages().first();
    QVERIFY2(message.contains(QStringLiteral("could not be read")), qPrintable(message));
    QVERIFY(!message.contains(QStringLiteral("corrupt")));
}

void MantlersearchTest::viewOpensTheFileOfTheChosenCaption_data() {
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("file");
    QTest::newRow("plain") << false << ""
                           << "Beach"
                           << "b.pff";
    QTest::newRow("filtered") << false << "GARDEN"
                              << "Garden"
                              << "g.pff";
    QTest::newRow("in a subfolder") << true << ""
                                    << "Deep"
                                    << "sub/d.pff";
    QTest::newRow("subfolder and filter") << true << "dee"
                                          << "Deep"
                                          << "sub/d.pff";
}

void MantlersearchTest::viewOpensTheFileOfTheChosenCaption() {
    QFETCH(bool, subfolders);
    QFETCH(QString, filter);
    QFETCH(QString, chosen);
    QFETCH(QString, file);
    Harness h;
    h.wrap(QStringLiteral("a.pff"), "Attic", h.anna);
    h.wrap(QStringLiteral("b.pff"), "Beach", h.bruno);
    h.wrap(QStringLiteral("g.pff"), "Garden", h.anna);
    h.wrap(QStringLiteral("sub/d.pff"), "Deep", h.bruno);
    h.open();
    h.mainWindow.labels[InfoLabel::Owner] = QStringLiteral("Owner : someone");
    h.window->findChild<QCheckBox*>(QStringLiteral("Subfolders"))->setChecked(subfolders);
    h.window->findChild<QLineEdit*>(QStringLiteral("Filter"))->setText(filter);
    QCOMPARE(h.captions().size(), filter.isEmpty() ? 3 + int(subfolders) : 1);
    h.viewCaption(chosen);
    QCOMPARE(h.mainWindow.vars.ws_file, h.folder.filePath(file));
    QCOMPARE(h.mainWindow.vars.orig_file_type, QStringLiteral(".PFF"));
    QVERIFY(h.mainWindow.labels.isEmpty());
    QVERIFY(!h.mainWindow.enabled);
    QTRY_VERIFY(h.window.isNull());
}

void MantlersearchTest::viewWithoutASelectionDoesNothing() {
    Harness h;
    h.wrap(QStringLiteral("a.pff"), "Attic", h.anna);
    h.open();
    h.mainWindow.vars.ws_file = QStringLiteral("/shown.jpg");
    emit h.view()->clicked();
    QCOMPARE(h.mainWindow.vars.ws_file, QStringLiteral("/shown.jpg"));
    QVERIFY(h.window->isVisible());
}

void MantlersearchTest::backEnablesTheMainWindow() {
    Harness h;
    h.open();
    h.window->close();
    QVERIFY(h.mainWindow.enabled);
    QTRY_VERIFY(h.window.isNull());
}

QTEST_MAIN(MantlersearchTest)
#include "mantlersearch_test.moc"
