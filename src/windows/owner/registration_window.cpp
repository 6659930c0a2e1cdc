#include "windows/owner/registration_window.h"

#include "core/codepage.h"
#include "core/messages.h"
#include "core/owner_codec.h"
#include "core/session.h"
#include "ui/help.h"
#include "ui/image_button.h"
#include "ui/platform.h"
#include "ui/yielder.h"
#include "windows/owner/owner_window_support.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>

namespace pixa::ui {

namespace {

const FieldName kName{QStringLiteral("owner's name")};
const FieldName kOwnerPassword{QStringLiteral("owner's password"), true};
const FieldName kViewerPassword{QStringLiteral("viewer password"), true};
const FieldName kHint{QStringLiteral("password hint")};

// Refuses a text holding a control character (one pasted in, most likely), which would sit raw
// in the store and in the readable preamble of every photo the owner wraps. True when refused.
bool refusedControlCharacter(Platform& platform, QWidget* window, std::string_view bytes,
                             const FieldName& field) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (!isControlByte(static_cast<unsigned char>(bytes[i]))) continue;
        platform.message(window, QStringLiteral("The character at position %1 of the %2 is a "
                                                "control character, which cannot be stored.")
                                     .arg(QString::number(i + 1), field.label));
        return true;
    }
    return false;
}

} // namespace

RegistrationWindow::RegistrationWindow(const OwnerWindowContext& context)
    : OwnerWindow(context, QStringLiteral("RegistrationWindow"), QStringLiteral("Pixa Owner"),
                  QSize(508, 371)) {
    setBackdrop(ownerBackdrop(
        size(), QStringLiteral("Create New Owner"),
        {{QRect(10, 96, 488, 130),
          QStringLiteral("Enter Owner's Password for creating .pff file here :")},
         {QRect(10, 231, 488, 79),
          QStringLiteral("Enter Viewer Password here (This password MUST be different than "
                         "creator's password).")}}));

    Text1 = addTextBox(this, "Text1", fromTwips(2310, 2130, 3405, 300));
    limitTyping(Text1, 20);
    Text2 = addTextBox(this, "Text2", fromTwips(2310, 2550, 1170, 300));
    limitTyping(Text2, 8);
    makePasswordBox(Text2);
    Text3 = addTextBox(this, "Text3", fromTwips(5865, 2550, 1170, 300));
    limitTyping(Text3, 8);
    makePasswordBox(Text3);
    Text6 = addTextBox(this, "Text6", fromTwips(2310, 2970, 4740, 300));
    limitTyping(Text6, 40);
    Text4 = addTextBox(this, "Text4", fromTwips(2310, 4140, 1170, 300));
    makePasswordBox(Text4);
    Text5 = addTextBox(this, "Text5", fromTwips(5865, 4140, 1170, 300));
    makePasswordBox(Text5);

    // Left-hand labels start inside the group frames; right-hand ones after the short boxes.
    const int left = 16;
    const int middle = Text2->geometry().right() + 8;
    addBoxLabel(this, Text1, QStringLiteral("Enter Owner's name :"), left);
    addBoxLabel(this, Text2, QStringLiteral("Enter Owner's Password :"), left);
    addBoxLabel(this, Text3, QStringLiteral("Re-enter Owner's Password :"), middle);
    addBoxLabel(this, Text6, QStringLiteral("Enter Password Hint :"), left);
    addBoxLabel(this, Text4, QStringLiteral("Enter Viewer Password :"), left);
    addBoxLabel(this, Text5, QStringLiteral("Re-enter Viewer Password :"), middle);

    Image1 = addImageButton(9, QStringLiteral("Image1"), fromTwips(4575, 4830, 600, 555),
                            QStringLiteral("Help"), QStringLiteral("Help"));
    Command1 = addImageButton(1, QStringLiteral("Command1"), fromTwips(5190, 4830, 1065, 555),
                              QStringLiteral("Create the owner"), QStringLiteral("Create owner"));
    Command2 = addImageButton(7, QStringLiteral("Command2"), fromTwips(6270, 4830, 1065, 555),
                              QStringLiteral("Cancel"), QStringLiteral("Cancel"));

    connect(Image1, &ImageButton::clicked, this, &RegistrationWindow::Image1_Click);
    connect(Command1, &ImageButton::clicked, this, &RegistrationWindow::Command1_Click);
    connect(Command2, &ImageButton::clicked, this, &RegistrationWindow::Command2_Click);

    for (QLineEdit* box : {Text3, Text4, Text5})
        box->installEventFilter(this);
    setFirstBox(Text1);
}

void RegistrationWindow::Command1_Click() {
    // The registration may wait for another one that holds the store, yielding meanwhile: a
    // second click then does nothing, and a close stops the wait.
    LongWork work(*this);
    if (!work.started()) return;
    Platform& platform = m_context.platform;
    if (Text1->text().isEmpty()) {
        platform.message(this, coreText(msg::OwnerNameCompulsory));
        return;
    }
    // Every text is checked before any box is touched, so a refused character leaves all as typed.
    const auto name = storableText(platform, this, *Text1, kName);
    if (!name) return;
    const auto ownerPass = storableText(platform, this, *Text2, kOwnerPassword);
    if (!ownerPass) return;
    const auto viewerPass = storableText(platform, this, *Text4, kViewerPassword);
    if (!viewerPass) return;
    const auto hint = storableText(platform, this, *Text6, kHint);
    if (!hint) return;
    if (refusedControlCharacter(platform, this, *name, kName) ||
        refusedControlCharacter(platform, this, *ownerPass, kOwnerPassword) ||
        refusedControlCharacter(platform, this, *viewerPass, kViewerPassword) ||
        refusedControlCharacter(platform, this, *hint, kHint))
        return;

    const std::vector<PaddedField> fields{
        {kOwnerNameField, kName, padIntoBox(*Text1, *name, kNameWidth)},
        {kOwnerPassField, kOwnerPassword, padIntoBox(*Text2, *ownerPass, kPasswordWidth)},
        {kViewerPassField, kViewerPassword, padIntoBox(*Text4, *viewerPass, kPasswordWidth)},
        {kHintField, kHint, padIntoBox(*Text6, *hint, kHintWidth)}};

    std::optional<CurrentOwner> owner;
    try {
        // Busy while the store is waited for; the window repaints and answers meanwhile.
        setCursor(Qt::WaitCursor);
        LockWait wait{
            m_context.session.storeLockLimit(),
            [yielder = Yielder()](std::chrono::milliseconds) mutable { yielder.yieldNow(); },
            work.stopToken()};
        owner = registerOwner(m_context.session.store(), fields[0].padded, fields[1].padded,
                              fields[2].padded, fields[3].padded, m_context.session.clock(), wait);
        unsetCursor();
    } catch (const Failure& failure) {
        unsetCursor();
        // Closed while waiting: the close goes on once this handler has ended.
        if (failure.number() == err::UserInterrupt) return;
        if (failure.kind() == FailureKind::RuleRefused) {
            platform.message(this, coreText(failure.detail()));
            return;
        }
        const auto refused = refusedCharacterText(failure, fields);
        platform.message(this, refused ? *refused
                                       : storeFailureText(QStringLiteral("The owner was not "
                                                                         "registered."),
                                                          failure));
        return;
    }
    if (!owner) {
        platform.message(this, coreText(msg::OwnerExists));
        return;
    }
    admitOwner(m_context, std::move(*owner));
    unload();
}

void RegistrationWindow::Command2_Click() {
    // While a registration waits for the store, cancel stops it first, as a close does.
    if (running()) {
        close();
        return;
    }
    unload();
    m_context.platform.message(nullptr, QStringLiteral("You require owner authentication to use "
                                                       "PixaMantler."));
    m_context.navigator.showLogin();
}

void RegistrationWindow::Image1_Click() {
    openHelp(m_context.platform, this);
}

void RegistrationWindow::Text3_LostFocus() {
    if (Text3->text() == Text2->text()) return;
    applyRule(Text2, Text3, coreText(msg::OwnerPasswordMismatch));
}

void RegistrationWindow::Text4_LostFocus() {
    if (Text4->text() != Text2->text()) return;
    applyRule(Text4, Text5, coreText(msg::PasswordsMustDiffer));
}

void RegistrationWindow::Text5_LostFocus() {
    if (Text5->text() == Text4->text()) return;
    applyRule(Text4, Text5, coreText(msg::ViewerPasswordMismatch));
}

void RegistrationWindow::applyRule(QLineEdit* focusBox, QLineEdit* clearedBox,
                                   const QString& message) {
    m_applyingRule = true;
    focusBox->setFocus(Qt::OtherFocusReason);
    focusBox->setSelection(0, static_cast<int>(focusBox->text().size()));
    clearedBox->clear();
    m_context.platform.message(this, message);
    m_applyingRule = false;
}

bool RegistrationWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::FocusOut || m_applyingRule || unloaded()) {
        return QWidget::eventFilter(watched, event);
    }
    // Leaving the window (another window, a message box, a menu) is not leaving the box.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
        return QWidget::eventFilter(watched, event);
    }
    // The rule runs once the focus has settled in the box that takes it, so that its own focus
    // move starts from a finished change.
    void (RegistrationWindow::*rule)() = nullptr;
    if (watched == Text3) rule = &RegistrationWindow::Text3_LostFocus;
    if (watched == Text4) rule = &RegistrationWindow::Text4_LostFocus;
    if (watched == Text5) rule = &RegistrationWindow::Text5_LostFocus;
    if (rule) {
        QMetaObject::invokeMethod(
            this,
            [this, rule] {
                if (!unloaded() && isVisible()) (this->*rule)();
            },
            Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pixa::ui
