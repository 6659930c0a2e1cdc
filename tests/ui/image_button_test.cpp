// Image buttons: face swaps on every mouse button, clicks on the left one only, the implicit
// grab, disabled buttons that keep their face and ignore the mouse, the focus drawn, and the
// Press of assistive technology.
#include "ui/accessibility.h"
#include "ui/artwork.h"
#include "ui/image_button.h"
#include "ui_test_support.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace pixa::ui;
using namespace pixa::ui::testing;

class ImageButtonTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { installAccessibility(); }
    void init();
    void cleanup();
    void startsWithItsUpFace_data();
    void startsWithItsUpFace();
    void pressAndRelease_data();
    void pressAndRelease();
    void releaseOffTheButtonStillRestoresTheUpFace();
    void disableAndEnable_data();
    void disableAndEnable();
    void disabledButtonIgnoresTheMouse_data();
    void disabledButtonIgnoresTheMouse();
    void disabledButtonShowsItsFaceUnchanged();
    void clickActionMaySetTheButtonsOwnFace();
    void setFaceIgnoresCase();
    void keyboardReachesAndClicksTheButton();
    void focusIsDrawn();
    void pressedByAssistiveTechnology_data();
    void pressedByAssistiveTechnology();

private:
    QWidget* m_window = nullptr;
    ImageButton* m_button = nullptr; // face 4, at (20, 20)
    QWidget* m_other = nullptr;      // beside it, to release the mouse over
};

void ImageButtonTest::init() {
    m_window = new QWidget;
    m_window->resize(200, 100);
    m_button = new ImageButton(4, m_window);
    m_button->move(20, 20);
    m_other = new QWidget(m_window);
    m_other->setGeometry(100, 20, 60, 40);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void ImageButtonTest::cleanup() {
    delete m_window;
    m_window = nullptr;
}

void ImageButtonTest::startsWithItsUpFace_data() {
    QTest::addColumn<int>("face");
    for (int n = 1; n <= kFaceCount; ++n)
        QTest::addRow("face %d", n) << n;
}

void ImageButtonTest::startsWithItsUpFace() {
    QFETCH(int, face);
    ImageButton button(face);
    QCOMPARE(button.currentFace(), QString::number(face) + "a");
    QCOMPARE(button.size(), faceSize(face));
    QCOMPARE(button.pixmap().toImage(), faceImage(QString::number(face) + "a"));
    // A click never takes the focus from the window's text boxes; Tab reaches the button.
    QCOMPARE(button.focusPolicy(), Qt::TabFocus);
}

void ImageButtonTest::pressAndRelease_data() {
    QTest::addColumn<Qt::MouseButton>("mouseButton");
    QTest::addColumn<int>("clicks");
    QTest::newRow("left") << Qt::LeftButton << 1;
    QTest::newRow("right") << Qt::RightButton << 0;
    QTest::newRow("middle") << Qt::MiddleButton << 0;
}

void ImageButtonTest::pressAndRelease() {
    QFETCH(Qt::MouseButton, mouseButton);
    QFETCH(int, clicks);
    QSignalSpy clicked(m_button, &ImageButton::clicked);

    pressOn(m_button, mouseButton);
    QCOMPARE(m_button->currentFace(), QStringLiteral("4b"));
    QCOMPARE(m_button->pixmap().toImage(), faceImage("4b"));
    QCOMPARE(clicked.size(), 0);

    releaseAt(m_button, inWindow(m_button, m_button->rect().center()), mouseButton);
    QCOMPARE(m_button->currentFace(), QStringLiteral("4a"));
    QCOMPARE(m_button->pixmap().toImage(), faceImage("4a"));
    QCOMPARE(clicked.size(), clicks);
}

void ImageButtonTest::releaseOffTheButtonStillRestoresTheUpFace() {
    QSignalSpy clicked(m_button, &ImageButton::clicked);
    pressOn(m_button);
    QCOMPARE(m_button->currentFace(), QStringLiteral("4b"));
    // Dragged onto the neighbouring widget: the release still belongs to the button.
    releaseAt(m_button, inWindow(m_other, m_other->rect().center()));
    QCOMPARE(m_button->currentFace(), QStringLiteral("4a"));
    QCOMPARE(clicked.size(), 0);

    // And outside the window altogether.
    pressOn(m_button);
    releaseAt(m_button, QPoint(-30, -30));
    QCOMPARE(m_button->currentFace(), QStringLiteral("4a"));
    QCOMPARE(clicked.size(), 0);
}

void ImageButtonTest::disableAndEnable_data() {
    QTest::addColumn<int>("face");
    for (int n = 1; n <= kFaceCount; ++n)
        if (n != 9) QTest::addRow("face %d", n) << n;
}

void ImageButtonTest::disableAndEnable() {
    QFETCH(int, face);
    ImageButton button(face);
    button.disable();
    QCOMPARE(button.currentFace(), QString::number(face) + "c");
    QCOMPARE(button.pixmap().toImage(), faceImage(QString::number(face) + "c"));
    QVERIFY(!button.isEnabled());
    button.enable();
    QCOMPARE(button.currentFace(), QString::number(face) + "a");
    QCOMPARE(button.pixmap().toImage(), faceImage(QString::number(face) + "a"));
    QVERIFY(button.isEnabled());
}

void ImageButtonTest::disabledButtonIgnoresTheMouse_data() {
    QTest::addColumn<Qt::MouseButton>("mouseButton");
    QTest::newRow("left") << Qt::LeftButton;
    QTest::newRow("right") << Qt::RightButton;
}

void ImageButtonTest::disabledButtonIgnoresTheMouse() {
    QFETCH(Qt::MouseButton, mouseButton);
    QSignalSpy clicked(m_button, &ImageButton::clicked);
    m_button->disable();
    pressOn(m_button, mouseButton);
    QCOMPARE(m_button->currentFace(), QStringLiteral("4c"));
    releaseAt(m_button, inWindow(m_button, m_button->rect().center()), mouseButton);
    QCOMPARE(m_button->currentFace(), QStringLiteral("4c"));
    QCOMPARE(clicked.size(), 0);

    m_button->enable();
    clickOn(m_button, mouseButton);
    QCOMPARE(m_button->currentFace(), QStringLiteral("4a"));
    QCOMPARE(clicked.size(), mouseButton == Qt::LeftButton ? 1 : 0);
}

void ImageButtonTest::disabledButtonShowsItsFaceUnchanged() {
    // A disabled label would grey its picture again; the button must show the face as drawn.
    m_button->disable();
    const QImage shown = m_button->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown, faceImage("4c").convertToFormat(QImage::Format_RGB32));
}

void ImageButtonTest::clickActionMaySetTheButtonsOwnFace() {
    // The up face is back before the click's action runs, so the action's face stays.
    connect(m_button, &ImageButton::clicked, m_button, &ImageButton::disable);
    clickOn(m_button);
    QCOMPARE(m_button->currentFace(), QStringLiteral("4c"));
    QVERIFY(!m_button->isEnabled());
}

void ImageButtonTest::setFaceIgnoresCase() {
    m_button->setFace("10B");
    QCOMPARE(m_button->currentFace(), QStringLiteral("10b"));
    QCOMPARE(m_button->pixmap().toImage(), faceImage("10b"));

    QTest::ignoreMessage(QtWarningMsg, "ImageButton: there is no face named 9c");
    m_button->setFace("9c");
    QCOMPARE(m_button->currentFace(), QStringLiteral("10b"));
}

void ImageButtonTest::keyboardReachesAndClicksTheButton() {
    auto* box = new QLineEdit(m_window);
    box->setGeometry(20, 70, 60, 20);
    box->show();
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    // A click leaves the focus where it was.
    pressOn(m_button, Qt::LeftButton);
    releaseAt(m_button, inWindow(m_button, m_button->rect().center()), Qt::LeftButton);
    QVERIFY(box->hasFocus());

    QSignalSpy clicked(m_button, &ImageButton::clicked);
    m_button->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(m_button->hasFocus());
    QTest::keyClick(m_button, Qt::Key_Space);
    QTest::keyClick(m_button, Qt::Key_Return);
    QTest::keyClick(m_button, Qt::Key_A);
    QCOMPARE(clicked.count(), 2);
    m_button->disable();
    QVERIFY(!m_button->hasFocus());
}

void ImageButtonTest::focusIsDrawn() {
    // The window gave its one focusable widget the focus when it was shown.
    m_button->clearFocus();
    const QImage unfocused = m_button->grab().toImage();
    m_button->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(m_button->hasFocus());
    QVERIFY(m_button->grab().toImage() != unfocused);
}

void ImageButtonTest::pressedByAssistiveTechnology_data() {
    QTest::addColumn<bool>("enabled");
    QTest::newRow("enabled") << true;
    // A screen reader can press what the mouse cannot: a disabled button must still do nothing.
    QTest::newRow("disabled") << false;
}

void ImageButtonTest::pressedByAssistiveTechnology() {
    QFETCH(bool, enabled);
    enabled ? m_button->enable() : m_button->disable();
    QSignalSpy clicked(m_button, &ImageButton::clicked);
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(m_button);
    QCOMPARE(button->role(), QAccessible::Button);
    QCOMPARE(button->state().disabled, !enabled);
    QAccessibleActionInterface* actions = button->actionInterface();
    QCOMPARE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()), enabled);
    actions->doAction(QAccessibleActionInterface::pressAction());
    // The press comes through the event loop, as a click does.
    QCoreApplication::sendPostedEvents();
    QCOMPARE(clicked.size(), enabled ? 1 : 0);
}

QTEST_MAIN(ImageButtonTest)
#include "image_button_test.moc"
