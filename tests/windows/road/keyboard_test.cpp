// Every window by keyboard alone: Tab goes through the controls in the order of their places,
// Space presses an image button, and Escape closes a secondary window as its "X" does.
#include "road_harness.h"

#include "windows/batch/batch_wrap_window.h"
#include "windows/owner/login_window.h"
#include "windows/search/caption_search_window.h"

#include <QApplication>
#include <QtTest>

using namespace pixatest;

class KeyboardTest : public QObject {
    Q_OBJECT
private slots:
    void everyWindow_data();
    void everyWindow();
};

namespace {

enum class Window { Main, Registration, Login, Unlock, Batch, Search };

// Opens `which` over a harness with an owner logged in and a wrapped photo in its folder.
QWidget* openWindow(RoadHarness& h, Window which) {
    switch (which) {
    case Window::Main:
        h.window.activateAtFirstBox();
        return &h.window;
    case Window::Registration:
        QTest::mouseClick(h.button("newOwnerButton"), Qt::LeftButton);
        return h.owners.registrationWindow();
    case Window::Login:
        h.owners.showLogin();
        return h.owners.loginWindow();
    case Window::Unlock:
        h.open(h.path("photo.pff"), 1);
        return h.unlock.window();
    case Window::Batch: {
        auto* batch = new pixa::ui::BatchWrapWindow(h.session, h.platform);
        batch->show();
        return batch;
    }
    case Window::Search: {
        QDir::setCurrent(h.root);
        auto* search = new pixa::ui::CaptionSearchWindow(h.window, h.platform, h.unlock);
        search->show();
        return search;
    }
    }
    return nullptr;
}

// The controls that Tab visits from the one with the focus, until it is back there.
QStringList tabChain(QWidget* window) {
    QStringList chain;
    QWidget* start = window->focusWidget();
    for (QWidget* at = start; at && chain.size() < 40;) {
        chain << at->objectName();
        QTest::keyClick(at, Qt::Key_Tab);
        at = window->focusWidget();
        if (at == start) break;
    }
    return chain;
}

} // namespace

void KeyboardTest::everyWindow_data() {
    QTest::addColumn<Window>("which");
    QTest::addColumn<QStringList>("tabs"); // from the control that has the focus when shown
    QTest::addColumn<QString>("help");     // the image button Space presses
    QTest::addColumn<QString>("onEscape"); // what Escape leaves: "open", "hidden", "ended"

    QTest::newRow("main") << Window::Main
                          << QStringList{"captionEdit",    "openButton",   "saveButton",
                                         "newOwnerButton", "searchButton", "batchButton",
                                         "helpButton",     "exitButton",   "fitButton",
                                         "gridButton"}
                          << "helpButton"
                          << "open";
    QTest::newRow("registration")
        << Window::Registration
        << QStringList{"nameEdit",   "ownerPasswordEdit",  "ownerPasswordConfirmEdit",
                       "hintEdit",   "viewerPasswordEdit", "viewerPasswordConfirmEdit",
                       "helpButton", "createButton",       "cancelButton"}
        << "helpButton"
        << "hidden";
    QTest::newRow("login") << Window::Login
                           << QStringList{"nameEdit",   "passwordEdit", "hintButton",
                                          "helpButton", "logInButton",  "newOwnerButton",
                                          "exitButton"}
                           << "helpButton"
                           << "ended";
    QTest::newRow("unlock") << Window::Unlock
                            << QStringList{"passwordEdit", "helpButton", "unlockButton",
                                           "closeButton"}
                            << "helpButton"
                            << "hidden";
    QTest::newRow("batch") << Window::Batch
                           << QStringList{"photoList",         "sourceFolders",
                                          "sourceDrive",       "destinationFolders",
                                          "trashOriginalsBox", "helpButton",
                                          "startButton",       "backButton",
                                          "destinationDrive"}
                           << "helpButton"
                           << "hidden";
    QTest::newRow("search") << Window::Search
                            << QStringList{"filterEdit", "helpButton",   "viewButton",
                                           "backButton", "folders",      "captionList",
                                           "drive",      "subfoldersBox"}
                            << "helpButton"
                            << "hidden";
}

void KeyboardTest::everyWindow() {
    QFETCH(Window, which);
    QFETCH(QStringList, tabs);
    QFETCH(QString, help);
    QFETCH(QString, onEscape);
    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    h.open(h.picture("photo.bmp", QSize(120, 90), "bmp"), 2);
    h.save(h.path("photo"), 1);
    h.platform.takeMessages();

    const QPointer<QWidget> window = openWindow(h, which);
    QVERIFY(window && QTest::qWaitForWindowActive(window));
    QCOMPARE(tabChain(window), tabs);

    // Space on an image button presses it.
    auto* button = window->findChild<QWidget*>(help);
    button->setFocus(Qt::TabFocusReason);
    QTest::keyClick(button, Qt::Key_Space);
    QCOMPARE(h.platform.helpPaths().size(), 1);

    QTest::keyClick(window->focusWidget(), Qt::Key_Escape);
    if (onEscape == "ended") QVERIFY(h.platform.applicationEnded());
    if (onEscape == "hidden") QTRY_VERIFY(window.isNull() || !window->isVisible());
    if (onEscape == "open") QVERIFY(window->isVisible() && !h.platform.applicationEnded());
    if (which == Window::Batch || which == Window::Search) delete window.data();
}

QTEST_MAIN(KeyboardTest)
#include "keyboard_test.moc"
