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

    addBoxes();
    addButtons();

    connect(m_helpButton, &ImageButton::clicked, this, &RegistrationWindow::showHelp);
    connect(m_createButton, &ImageButton::clicked, this, &RegistrationWindow::createOwner);
    connect(m_cancelButton, &ImageButton::clicked, this, &RegistrationWindow::cancel);

    for (QLineEdit* box :
         {m_ownerPasswordConfirmEdit, m_viewerPasswordEdit, m_viewerPasswordConfirmEdit})
        box->installEventFilter(this);
    setFirstBox(m_nameEdit);
}

void RegistrationWindow::addBoxes() {
    m_nameEdit = addTextBox(this, "nameEdit", fromTwips(2310, 2130, 3405, 300));
    limitTyping(m_nameEdit, 20);
    m_ownerPasswordEdit = addTextBox(this, "ownerPasswordEdit", fromTwips(2310, 2550, 1170, 300));
    limitTyping(m_ownerPasswordEdit, 8);
    makePasswordBox(m_ownerPasswordEdit);
    m_ownerPasswordConfirmEdit =
        addTextBox(this, "ownerPasswordConfirmEdit", fromTwips(5865, 2550, 1170, 300));
    limitTyping(m_ownerPasswordConfirmEdit, 8);
    makePasswordBox(m_ownerPasswordConfirmEdit);
    m_hintEdit = addTextBox(this, "hintEdit", fromTwips(2310, 2970, 4740, 300));
    limitTyping(m_hintEdit, 40);
    m_viewerPasswordEdit = addTextBox(this, "viewerPasswordEdit", fromTwips(2310, 4140, 1170, 300));
    makePasswordBox(m_viewerPasswordEdit);
    m_viewerPasswordConfirmEdit =
        addTextBox(this, "viewerPasswordConfirmEdit", fromTwips(5865, 4140, 1170, 300));
    makePasswordBox(m_viewerPasswordConfirmEdit);

    // Left-hand labels start inside the group frames; right-hand ones after the short boxes.
    const int left = 16;
    const int middle = m_ownerPasswordEdit->geometry().right() + 8;
    addBoxLabel(this, m_nameEdit, QStringLiteral("Enter Owner's name :"), left);
    addBoxLabel(this, m_ownerPasswordEdit, QStringLiteral("Enter Owner's Password :"), left);
    addBoxLabel(this, m_ownerPasswordConfirmEdit, QStringLiteral("Re-enter Owner's Password :"),
                middle);
    addBoxLabel(this, m_hintEdit, QStringLiteral("Enter Password Hint :"), left);
    addBoxLabel(this, m_viewerPasswordEdit, QStringLiteral("Enter Viewer Password :"), left);
    addBoxLabel(this, m_viewerPasswordConfirmEdit, QStringLiteral("Re-enter Viewer Password :"),
                middle);
}

void RegistrationWindow::addButtons() {
    m_helpButton = addImageButton(9, QStringLiteral("helpButton"), fromTwips(4575, 4830, 600, 555),
                                  QStringLiteral("Help"), QStringLiteral("Help"));
    m_createButton =
        addImageButton(1, QStringLiteral("createButton"), fromTwips(5190, 4830, 1065, 555),
                       QStringLiteral("Create the owner"), QStringLiteral("Create owner"));
    m_cancelButton =
        addImageButton(7, QStringLiteral("cancelButton"), fromTwips(6270, 4830, 1065, 555),
                       QStringLiteral("Cancel"), QStringLiteral("Cancel"));
}

void RegistrationWindow::createOwner() {
    // The registration may wait for another one that holds the store, yielding meanwhile: a
    // second click then does nothing, and a close stops the wait.
    LongWork work(*this);
    if (!work.started()) return;
    if (m_nameEdit->text().isEmpty()) {
        m_context.platform.message(this, coreText(msg::OwnerNameCompulsory));
        return;
    }
    const std::optional<std::vector<PaddedField>> fields = paddedFields();
    if (!fields) return;
    std::optional<CurrentOwner> owner = registerFields(*fields, work);
    if (!owner) return;
    admitOwner(m_context, std::move(*owner));
    unload();
}

std::optional<std::vector<PaddedField>> RegistrationWindow::paddedFields() {
    Platform& platform = m_context.platform;
    const auto name = storableText(platform, this, *m_nameEdit, kName);
    if (!name) return std::nullopt;
    const auto ownerPass = storableText(platform, this, *m_ownerPasswordEdit, kOwnerPassword);
    if (!ownerPass) return std::nullopt;
    const auto viewerPass = storableText(platform, this, *m_viewerPasswordEdit, kViewerPassword);
    if (!viewerPass) return std::nullopt;
    const auto hint = storableText(platform, this, *m_hintEdit, kHint);
    if (!hint) return std::nullopt;
    if (refusedControlCharacter(platform, this, *name, kName) ||
        refusedControlCharacter(platform, this, *ownerPass, kOwnerPassword) ||
        refusedControlCharacter(platform, this, *viewerPass, kViewerPassword) ||
        refusedControlCharacter(platform, this, *hint, kHint))
        return std::nullopt;

    return std::vector<PaddedField>{
        {kOwnerNameField, kName, padIntoBox(*m_nameEdit, *name, kNameWidth)},
        {kOwnerPassField, kOwnerPassword,
         padIntoBox(*m_ownerPasswordEdit, *ownerPass, kPasswordWidth)},
        {kViewerPassField, kViewerPassword,
         padIntoBox(*m_viewerPasswordEdit, *viewerPass, kPasswordWidth)},
        {kHintField, kHint, padIntoBox(*m_hintEdit, *hint, kHintWidth)}};
}

std::optional<CurrentOwner>
RegistrationWindow::registerFields(const std::vector<PaddedField>& fields, const LongWork& work) {
    Platform& platform = m_context.platform;
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
        if (failure.number() == err::UserInterrupt) return std::nullopt;
        if (failure.kind() == FailureKind::RuleRefused) {
            platform.message(this, coreText(failure.detail()));
            return std::nullopt;
        }
        const auto refused = refusedCharacterText(failure, fields);
        platform.message(this, refused ? *refused
                                       : storeFailureText(QStringLiteral("The owner was not "
                                                                         "registered."),
                                                          failure));
        return std::nullopt;
    }
    if (!owner) platform.message(this, coreText(msg::OwnerExists));
    return owner;
}

void RegistrationWindow::cancel() {
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

void RegistrationWindow::showHelp() {
    openHelp(m_context.platform, this);
}

void RegistrationWindow::checkOwnerPasswordConfirmed() {
    if (m_ownerPasswordConfirmEdit->text() == m_ownerPasswordEdit->text()) return;
    applyRule(m_ownerPasswordEdit, m_ownerPasswordConfirmEdit,
              coreText(msg::OwnerPasswordMismatch));
}

void RegistrationWindow::checkViewerPasswordDiffers() {
    if (m_viewerPasswordEdit->text() != m_ownerPasswordEdit->text()) return;
    applyRule(m_viewerPasswordEdit, m_viewerPasswordConfirmEdit,
              coreText(msg::PasswordsMustDiffer));
}

void RegistrationWindow::checkViewerPasswordConfirmed() {
    if (m_viewerPasswordConfirmEdit->text() == m_viewerPasswordEdit->text()) return;
    applyRule(m_viewerPasswordEdit, m_viewerPasswordConfirmEdit,
              coreText(msg::ViewerPasswordMismatch));
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
    if (watched == m_ownerPasswordConfirmEdit)
        rule = &RegistrationWindow::checkOwnerPasswordConfirmed;
    if (watched == m_viewerPasswordEdit) rule = &RegistrationWindow::checkViewerPasswordDiffers;
    if (watched == m_viewerPasswordConfirmEdit)
        rule = &RegistrationWindow::checkViewerPasswordConfirmed;
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
