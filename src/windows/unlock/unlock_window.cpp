#include "windows/unlock/unlock_window.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/messages.h"
#include "core/owner_codec.h"
#include "core/pff_file.h"
#include "core/session.h"
#include "core/viewer_password.h"
#include "ui/artwork.h"
#include "ui/busy_pointer.h"
#include "ui/error_report.h"
#include "ui/file_browsers.h"
#include "ui/help.h"
#include "ui/image_button.h"
#include "ui/main_window_link.h"
#include "ui/platform.h"
#include "ui/yielder.h"
#include "windows/owner/owner_window_support.h"
#include "windows/unlock/viewer_unlock.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace pixa::ui {

namespace fs = std::filesystem;

namespace {

// Pads the box's text by the padding rule, as the user sees it; a character that no stored text
// can hold counts as one.
void padBox(QLineEdit& box, std::size_t width) {
    const std::string counted = toCodePageLossy(box.text().toStdString());
    const std::string padded = padField(counted, width);
    box.setText(box.text() + QString(static_cast<qsizetype>(padded.size() - counted.size()), ' '));
}

constexpr QRect kTextFrame(12, 68, 364, 104);
constexpr QRect kPasswordFrame(12, 182, 364, 78);
constexpr QRect kPasswordBox(112, 212, 100, 22);

QPixmap unlockBackdrop(const QSize& size) {
    QPixmap backdrop = ownerBackdrop(size, QStringLiteral("Authentication required"),
                                     {{kTextFrame, QString()}, {kPasswordFrame, QString()}});
    QPainter painter(&backdrop);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(QColor(30, 48, 90));
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    const QRect text = kTextFrame.adjusted(12, 8, -12, -8);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     QStringLiteral("You have selected password protected photo for viewing."));
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap,
                     QStringLiteral("Viewer's authentication is required to view .pff files.\n"
                                    "Please enter viewer's password associated with the selected "
                                    "file."));
    painter.drawText(QRect(kPasswordFrame.left(), kPasswordBox.top(),
                           kPasswordBox.left() - kPasswordFrame.left() - 8, kPasswordBox.height()),
                     Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Password"));
    painter.end();
    return backdrop;
}

} // namespace

UnlockWindow::UnlockWindow(Session& session, MainWindowLink& mainWindow, Platform& platform,
                           RememberedPasswords& remembered)
    : WindowBase(QStringLiteral("UnlockWindow"), QStringLiteral("Enter viewer's authentication"),
                 QSize(388, 277), platform),
      m_session(session), m_mainWindow(mainWindow), m_platform(platform), m_remembered(remembered) {
    setBackdrop(unlockBackdrop(size()));

    m_passwordEdit = addTextBox(this, "passwordEdit", kPasswordBox);
    limitTyping(m_passwordEdit, 8);
    makePasswordBox(m_passwordEdit);
    m_passwordEdit->setAccessibleName(QStringLiteral("Password"));
    m_passwordEdit->installEventFilter(this);

    const int buttonTop = kPasswordFrame.center().y() - kFaceHeight / 2;
    m_unlockButton = addImageButton(
        1, QStringLiteral("unlockButton"),
        QRect(kPasswordFrame.right() - 10 - kWideFaceWidth, buttonTop, kWideFaceWidth, kFaceHeight),
        QStringLiteral("Unlock"), QStringLiteral("Unlock"));
    m_helpButton = addImageButton(
        9, QStringLiteral("helpButton"),
        QRect(m_unlockButton->x() - 4 - kNarrowFaceWidth, buttonTop, kNarrowFaceWidth, kFaceHeight),
        QStringLiteral("Help"), QStringLiteral("Help"));

    m_closeButton = new QPushButton(QStringLiteral("X"), this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setGeometry(width() - 21, 5, 16, 15);
    m_closeButton->setToolTip(QStringLiteral("Close without unlocking"));
    m_closeButton->setAccessibleName(QStringLiteral("Close"));

    // The unwrap's progress, below the buttons while it runs.
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setGeometry(kPasswordFrame.left() + 12, kPasswordFrame.bottom() - 14,
                               kPasswordFrame.width() - 24, 8);
    m_progressBar->setTextVisible(false);
    m_progressBar->hide();

    connect(m_unlockButton, &ImageButton::clicked, this, &UnlockWindow::unlock);
    connect(m_helpButton, &ImageButton::clicked, this, &UnlockWindow::showHelp);
    connect(m_closeButton, &QPushButton::clicked, this, &UnlockWindow::closeWithoutUnlocking);

    // Loading.
    m_hold = m_mainWindow.holdMainWindow();
    setFirstBox(m_passwordEdit);
}

bool UnlockWindow::eventFilter(QObject* watched, QEvent* event) {
    // Enter is taken from the key itself: the box's typing limit would withhold its own Enter
    // signal from a padded text longer than eight characters.
    if (watched == m_passwordEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            passwordKeyPressed(13);
            return true;
        }
    }
    return WindowBase::eventFilter(watched, event);
}

void UnlockWindow::passwordKeyPressed(int keyAscii) {
    if (keyAscii == 13) unlock();
}

void UnlockWindow::closeWithoutUnlocking() {
    // During an unwrap, X stops it; the photo is then not given, as below.
    if (running()) {
        requestStop();
        return;
    }
    m_mainWindow.passwordNotGiven();
    m_hold.release();
    hide();
}

void UnlockWindow::lock() {
    // setText() also forgets the box's undo history, which clear() would keep.
    m_passwordEdit->setText(QString());
    if (running() || isVisible()) closeWithoutUnlocking();
}

void UnlockWindow::showHelp() {
    openHelp(m_platform, this);
}

void UnlockWindow::unlock() {
    LongWork work(*this);
    if (!work.started()) return;
    std::string typed = m_passwordEdit->text().toStdString();
    const auto wipeTyped = qScopeGuard([&typed] { wipe(typed); });
    padBox(*m_passwordEdit, kPasswordWidth);
    m_hold.release();
    // The photo the main window waits for; another may be asked for during the unwrap's yields.
    const ShownPhoto awaited = m_mainWindow.shownPhoto();
    if (awaited.kind != ShownPhoto::Kind::AwaitingPassword) {
        hide();
        return;
    }

    // The password is checked against the file before anything is unwrapped, so a wrong one
    // never leaves the photo on the disk. The main window learns the file's fields only with
    // its picture.
    std::optional<UnwrapResult> result;
    try {
        const BusyPointer busy;
        const PffReader reader(localPath(awaited.ws_file));
        if (!reader.info().tagComplete)
            m_platform.message(messageParent(), coreText(msg::CorruptTag));
        Yielder().yieldNow();
        if (viewerPasswordOpens(reader.info(), typed)) {
            result = unwrap(reader, awaited, work);
            m_remembered.remember(typed);
        }
    } catch (const Failure& failure) {
        hide();
        m_mainWindow.passwordNotGiven();
        // A stopped unwrap has left nothing to report.
        if (failure.number() == err::UserInterrupt) return;
        // The window stays loaded, hidden, with what was typed.
        reportError(m_platform, messageParent(), ErrorVariant::File, failure);
        return;
    }
    if (!result) {
        refuse();
        return;
    }

    unload();
    try {
        m_mainWindow.showUnwrapped(*result);
    } catch (const Failure& failure) {
        reportError(m_platform, messageParent(), ErrorVariant::File, failure);
    }
}

UnwrapResult UnlockWindow::unwrap(const PffReader& reader, const ShownPhoto& awaited,
                                  const LongWork& work) {
    // A picture too small for one block still gets a bar, not a busy animation.
    m_progressBar->setRange(0, std::max(1, barRange(pictureBlocks(reader.info().pictureSize()))));
    m_progressBar->setValue(0);
    m_progressBar->show();
    const Progress progress = barProgress([this](int block, int) {
        m_progressBar->setValue(std::min(block, m_progressBar->maximum()));
    });
    const auto hideBar = qScopeGuard([this] { m_progressBar->hide(); });
    // Beside the picture on screen, which stays whole until the main window shows this one.
    return unwrapPhoto(reader, awaited.ws_file, m_session.unwrappedPicture().incomingPath(),
                       progress, work.stopToken());
}

void UnlockWindow::refuse() {
    // Nothing was unwrapped; the photo on screen, its picture and what describes it stay.
    hide();
    m_mainWindow.passwordNotGiven();
    m_platform.message(messageParent(), coreText(msg::InvalidPassword));
    unload();
}

QWidget* UnlockWindow::messageParent() {
    // This window is hidden by the time anything is reported.
    if (QWidget* main = m_mainWindow.mainWindowWidget()) return main;
    return this;
}

} // namespace pixa::ui
