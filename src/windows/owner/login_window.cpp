#include "windows/owner/login_window.h"

#include "core/codepage.h"
#include "core/messages.h"
#include "core/owner_codec.h"
#include "core/session.h"
#include "ui/help.h"
#include "ui/image_button.h"
#include "ui/main_window_link.h"
#include "ui/platform.h"
#include "windows/owner/owner_window_support.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <filesystem>
#include <system_error>

namespace pixa::ui {

namespace {

const FieldName kName{QStringLiteral("owner's name")};
const FieldName kPassword{QStringLiteral("owner's password"), true};

} // namespace

LoginWindow::LoginWindow(const OwnerWindowContext& context)
    : OwnerWindow(context, QStringLiteral("LoginWindow"), QStringLiteral("Enter Authentication"),
                  QSize(389, 340)) {
    setBackdrop(ownerBackdrop(size(), QStringLiteral("Authentication required"),
                              {{QRect(12, 106, 365, 112), QString()}}));

    addCredentialBoxes();
    addHintButton();
    addLogInButtons();
    addHintBox();
    addNewOwnerAndExitButtons();

    connect(m_logInButton, &ImageButton::clicked, this, &LoginWindow::logIn);
    connect(m_passwordEdit, &QLineEdit::returnPressed, this, [this] { passwordKeyPressed(13); });
    connect(m_hintButton, &QToolButton::clicked, this, &LoginWindow::showHint);
    connect(m_newOwnerButton, &ImageButton::clicked, this, &LoginWindow::openRegistration);
    connect(m_exitButton, &QPushButton::clicked, this, &LoginWindow::endApplication);
    connect(m_helpButton, &ImageButton::clicked, this, &LoginWindow::showHelp);

    m_context.navigator.holdMainWindowUntilOwner();
    m_hintEdit->hide();
    m_hintLabel->hide();
    setFirstBox(m_nameEdit);
}

void LoginWindow::addCredentialBoxes() {
    m_nameEdit = addTextBox(this, "nameEdit", fromTwips(2355, 1830, 2850, 300));
    m_passwordEdit = addTextBox(this, "passwordEdit", fromTwips(2370, 2205, 1170, 300));
    makePasswordBox(m_passwordEdit);
    addBoxLabel(this, m_nameEdit, QStringLiteral("Name"), 40);
    addBoxLabel(this, m_passwordEdit, QStringLiteral("Password"), 40);
}

void LoginWindow::addHintButton() {
    m_hintButton = new QToolButton(this);
    m_hintButton->setObjectName(QStringLiteral("hintButton"));
    m_hintButton->setGeometry(fromTwips(3570, 2220, 300, 285));
    m_hintButton->setText(QStringLiteral("?"));
    m_hintButton->setToolTip(QStringLiteral("Show the password hint"));
    m_hintButton->setAccessibleName(QStringLiteral("Password hint"));
    m_hintButton->setFocusPolicy(Qt::TabFocus);
    m_hintButton->setCursor(Qt::PointingHandCursor);
    // Focused, it darkens inside a black ring, plain beside its unfocused look.
    m_hintButton->setStyleSheet(QStringLiteral(
        "QToolButton { border: 1px solid #2b4f8a; border-radius: 9px; background: #3d6fc4;"
        " color: white; font-weight: bold; }"
        "QToolButton:focus { border: 2px solid black; background: #1d3f7a; }"
        "QToolButton:pressed { background: #2b4f8a; }"));
}

void LoginWindow::addLogInButtons() {
    m_helpButton = addImageButton(9, QStringLiteral("helpButton"), fromTwips(3735, 2655, 600, 555),
                                  QStringLiteral("Help"), QStringLiteral("Help"));
    m_logInButton =
        addImageButton(1, QStringLiteral("logInButton"), fromTwips(4350, 2655, 1065, 555),
                       QStringLiteral("Log in"), QStringLiteral("Log in"));
}

void LoginWindow::addHintBox() {
    m_hintLabel = new QLabel(QStringLiteral("Hint :"), this);
    m_hintLabel->setObjectName(QStringLiteral("hintLabel"));
    m_hintEdit = addTextBox(this, "hintEdit", fromTwips(1140, 3345, 4305, 285));
    m_hintEdit->setReadOnly(true);
    // The label ends where the hint box starts, whatever the width of the font.
    const QRect labelRect = fromTwips(690, 3405, 375, 195);
    m_hintLabel->setGeometry(QRect(QPoint(labelRect.left() - 20, m_hintEdit->y()),
                                   QPoint(m_hintEdit->x() - 5, m_hintEdit->geometry().bottom())));
    m_hintLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_hintLabel->setBuddy(m_hintEdit);
}

void LoginWindow::addNewOwnerAndExitButtons() {
    m_newOwnerButton =
        addImageButton(2, QStringLiteral("newOwnerButton"), fromTwips(3285, 4155, 1065, 555),
                       QStringLiteral("Register a new owner"), QStringLiteral("New owner"));
    auto* newUser = new QLabel(QStringLiteral("New User"), this);
    newUser->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    newUser->setGeometry(m_newOwnerButton->x() - 106, m_newOwnerButton->y(), 100,
                         m_newOwnerButton->height());

    m_exitButton = new QPushButton(QStringLiteral("X"), this);
    m_exitButton->setObjectName(QStringLiteral("exitButton"));
    m_exitButton->setGeometry(fromTwips(5505, 75, 240, 225));
    m_exitButton->setToolTip(QStringLiteral("Quit PixaMantler"));
    m_exitButton->setAccessibleName(QStringLiteral("Exit"));
}

void LoginWindow::logIn() {
    if (m_nameEdit->text().isEmpty()) return;
    if (m_passwordEdit->text().isEmpty()) return;
    verifyOwner();
}

void LoginWindow::passwordKeyPressed(int keyAscii) {
    if (keyAscii == 13) verifyOwner();
}

void LoginWindow::verifyOwner() {
    Platform& platform = m_context.platform;
    const auto name = storableText(platform, this, *m_nameEdit, kName);
    if (!name) return;
    const auto password = storableText(platform, this, *m_passwordEdit, kPassword);
    if (!password) return;
    const std::string paddedName = padIntoBox(*m_nameEdit, *name, kNameWidth);
    const std::string paddedPassword = padIntoBox(*m_passwordEdit, *password, kPasswordWidth);

    std::optional<CurrentOwner> owner;
    try {
        owner = loginOwner(m_context.session.store(), paddedName, paddedPassword);
    } catch (const Failure& failure) {
        platform.message(this, storeFailureText(QStringLiteral("Nobody was logged in."), failure));
        return;
    }
    if (!owner) {
        platform.message(this, coreText(msg::LoginRefused));
        m_context.mainWindow.endApplication();
        return;
    }
    admitOwner(m_context, std::move(*owner));
    unload();
}

void LoginWindow::showHint() {
    Platform& platform = m_context.platform;
    if (m_nameEdit->text().isEmpty()) {
        platform.message(this, coreText(msg::EnterUserName));
        return;
    }
    const QString typed = m_nameEdit->text();
    const auto name = storableText(platform, this, *m_nameEdit, kName);
    if (!name) return;
    const std::string paddedName = padIntoBox(*m_nameEdit, *name, kNameWidth);

    std::optional<std::string> hint;
    try {
        hint = lookupHint(m_context.session.store(), paddedName);
    } catch (const Failure& failure) {
        platform.message(this, storeFailureText(QStringLiteral("No hint can be shown."), failure));
        m_nameEdit->setText(typed);
        return;
    }
    if (hint) {
        m_hintEdit->setText(QString::fromStdString(fromCodePage(*hint)));
        m_hintEdit->show();
        m_hintLabel->show();
        m_nameEdit->setText(typed);
    } else {
        platform.message(this, coreText(msg::UnknownUserName));
        m_nameEdit->setText(typed);
    }
}

void LoginWindow::openRegistration() {
    unload();
    m_context.navigator.showRegistration();
}

void LoginWindow::endApplication() {
    m_context.mainWindow.endApplication();
}

void LoginWindow::showHelp() {
    openHelp(m_context.platform, this);
}

} // namespace pixa::ui
