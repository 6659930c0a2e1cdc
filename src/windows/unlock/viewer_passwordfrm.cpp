#include "windows/unlock/viewer_passwordfrm.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/messages.h"
#include "core/owner_codec.h"
#include "core/pff_file.h"
#include "core/session.h"
#include "core/viewer_password.h"
#include "ui/artwork.h"
#include "ui/error_report.h"
#include "ui/help.h"
#include "ui/image_button.h"
#include "ui/main_window_link.h"
#include "ui/platform.h"
#include "ui/yielder.h"
#include "windows/owner/owner_window_support.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace pixa::ui {

namespace fs = std::filesystem;

namespace {

QString fromBytes(std::string_view bytes) {
    return QString::fromStdString(fromCodePage(bytes));
}

// Pads the box's text by the padding rule, as the user sees it; a character that no stored text
// can hold counts as one.
void padBox(QLineEdit& box, std::size_t width) {
    const std::string counted = toCodePageLossy(box.text().toStdString());
    const std::string padded = padField(counted, width);
    box.setText(box.text() + QString(static_cast<qsizetype>(padded.size() - counted.size()), ' '));
}

// The main window's pointer shows the work for the life of this object.
class BusyPointer {
public:
    explicit BusyPointer(MainWindowLink& mainWindow) : m_mainWindow(mainWindow) {
        m_mainWindow.setBusyPointer(true);
    }
    ~BusyPointer() { m_mainWindow.setBusyPointer(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    MainWindowLink& m_mainWindow;
};

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

ViewerPasswordfrm::ViewerPasswordfrm(Session& session, MainWindowLink& mainWindow,
                                     Platform& platform)
    : WindowBase(QStringLiteral("ViewerPasswordfrm"),
                 QStringLiteral("Enter viewer's authentication"), QSize(388, 277), platform),
      m_session(session), m_mainWindow(mainWindow), m_platform(platform) {
    setBackdrop(unlockBackdrop(size()));

    Text2 = addTextBox(this, "Text2", kPasswordBox);
    limitTyping(Text2, 8);
    makePasswordBox(Text2);
    Text2->setAccessibleName(QStringLiteral("Password"));
    Text2->installEventFilter(this);
    // The owner-name box is padded with the password but decides nothing, and the window's
    // layout has no place for it, so it is never shown.
    Text1 = addTextBox(this, "Text1", QRect(kPasswordBox.left(), 0, 150, 22));
    limitTyping(Text1, 20);
    Text1->hide();

    const int buttonTop = kPasswordFrame.center().y() - kFaceHeight / 2;
    Command1 = addImageButton(
        1, QStringLiteral("Command1"),
        QRect(kPasswordFrame.right() - 10 - kWideFaceWidth, buttonTop, kWideFaceWidth, kFaceHeight),
        QStringLiteral("Unlock"));
    Image1 = addImageButton(
        9, QStringLiteral("Image1"),
        QRect(Command1->x() - 4 - kNarrowFaceWidth, buttonTop, kNarrowFaceWidth, kFaceHeight),
        QStringLiteral("Help"));
    Command1->setAccessibleName(QStringLiteral("Unlock"));
    Image1->setAccessibleName(QStringLiteral("Help"));

    Command2 = new QPushButton(QStringLiteral("X"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(width() - 21, 5, 16, 15);
    Command2->setToolTip(QStringLiteral("Close without unlocking"));
    Command2->setAccessibleName(QStringLiteral("Close"));


    connect(Command1, &ImageButton::clicked, this, &ViewerPasswordfrm::Command1_Click);
    connect(Image1, &ImageButton::clicked, this, &ViewerPasswordfrm::Image1_Click);
    connect(Command2, &QPushButton::clicked, this, &ViewerPasswordfrm::Command2_Click);

    // Form_Load.
    m_mainWindow.setMainWindowEnabled(false);
    setFirstBox(Text2);
}

bool ViewerPasswordfrm::eventFilter(QObject* watched, QEvent* event) {
    // Enter is taken from the key itself: the box's typing limit would withhold its own Enter
    // signal from a padded text longer than eight characters.
    if (watched == Text2 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Text2_KeyPress(13);
            return true;
        }
    }
    return WindowBase::eventFilter(watched, event);
}

void ViewerPasswordfrm::Command1_Click() {
    unlock();
}

void ViewerPasswordfrm::Text2_KeyPress(int keyAscii) {
    if (keyAscii == 13) unlock();
}

void ViewerPasswordfrm::Command2_Click() {
    m_mainWindow.passwordNotGiven();
    m_mainWindow.setMainWindowEnabled(true);
    hide();
}

void ViewerPasswordfrm::Image1_Click() {
    openHelp(m_platform, this);
}

void ViewerPasswordfrm::unlock() {
    LongWork work(*this);
    if (!work.started()) return;
    const std::string typed = Text2->text().toStdString();
    padBox(*Text1, kNameWidth);
    padBox(*Text2, kPasswordWidth);
    m_mainWindow.setMainWindowEnabled(true);
    hide();
    // The photo the main window waits for; another may be asked for during the unwrap's yields.
    const ShownPhoto awaited = m_mainWindow.shownPhoto();
    if (awaited.kind != ShownPhoto::Kind::AwaitingPassword) return;

    // The password is checked against the file before anything is unwrapped, so a wrong one
    // never leaves the photo on the disk.
    std::string ownerName;
    bool match = false;
    try {
        const BusyPointer busy(m_mainWindow);
        const PffReader reader(fs::path(awaited.ws_file.toStdString()));
        showFields(reader);
        Yielder().yieldNow();
        ownerName = reader.info().ownerName();
        match = viewerPasswordOpens(reader.info(), typed);
        if (match) unwrap(reader, work);
    } catch (const Failure& failure) {
        m_mainWindow.passwordNotGiven();
        // Again: another window may have disabled it while the file was read.
        m_mainWindow.setMainWindowEnabled(true);
        // A stopped unwrap has left nothing to report.
        if (failure.number() == err::UserInterrupt) return;
        // The window stays loaded, hidden, with what was typed.
        reportError(m_platform, messageParent(), ErrorVariant::File, failure);
        return;
    }
    if (!match) {
        refuse();
        return;
    }

    unload();
    try {
        m_mainWindow.showUnwrapped(awaited.ws_file,
                                   QStringLiteral("Owner : ") + fromBytes(ownerName));
    } catch (const Failure& failure) {
        m_mainWindow.setMainWindowEnabled(true);
        reportError(m_platform, messageParent(), ErrorVariant::File, failure);
        return;
    }
    m_mainWindow.setMainWindowEnabled(true);
}

void ViewerPasswordfrm::showFields(const PffReader& reader) {
    const PffInfo& info = reader.info();
    if (!info.tagComplete) {
        m_platform.message(messageParent(), coreText(msg::CorruptTag));
    }
    m_mainWindow.setCaptionText(fromBytes(info.tag));
    m_mainWindow.setInfoLabel(InfoLabel::Owner, QStringLiteral("Owner :"));
    m_mainWindow.setInfoLabel(InfoLabel::FileType,
                              QStringLiteral("Original file type :") + fromBytes(info.fileType));
    m_mainWindow.setInfoLabel(InfoLabel::Date,
                              QStringLiteral("Original creation date :") + fromBytes(info.date));
    m_mainWindow.setInfoLabel(InfoLabel::Time,
                              QStringLiteral("Original creation time :") + fromBytes(info.time));
}

void ViewerPasswordfrm::unwrap(const PffReader& reader, const LongWork& work) {
    m_mainWindow.showProgress(barRange(pictureBlocks(reader.info().pictureSize())));
    const Progress progress =
        barProgress([this](int block, int) { m_mainWindow.setProgress(block); });
    try {
        // Beside the picture on screen, which stays whole until the main window shows this one.
        reader.unwrapTo(m_session.unwrappedPicture().incomingPath(), progress, 0600,
                        work.stopToken());
    } catch (...) {
        m_mainWindow.hideProgress();
        throw;
    }
    m_mainWindow.hideProgress();
}

void ViewerPasswordfrm::refuse() {
    // Nothing was unwrapped; the photo on screen, and its picture, stay.
    m_mainWindow.passwordNotGiven();
    m_platform.message(messageParent(), coreText(msg::InvalidPassword));
    m_mainWindow.setMainWindowEnabled(true);
    unload();
}

QWidget* ViewerPasswordfrm::messageParent() {
    // This window is hidden by the time anything is reported.
    if (QWidget* main = m_mainWindow.mainWindowWidget()) return main;
    return this;
}

} // namespace pixa::ui
