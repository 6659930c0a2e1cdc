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

    Text1 = addTextBox(this, "Text1", fromTwips(2355, 1830, 2850, 300));
    Text2 = addTextBox(this, "Text2", fromTwips(2370, 2205, 1170, 300));
    makePasswordBox(Text2);
    addBoxLabel(this, Text1, QStringLiteral("Name"), 40);
    addBoxLabel(this, Text2, QStringLiteral("Password"), 40);

    Image2 = new QToolButton(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(fromTwips(3570, 2220, 300, 285));
    Image2->setText(QStringLiteral("?"));
    Image2->setToolTip(QStringLiteral("Show the password hint"));
    Image2->setAccessibleName(QStringLiteral("Password hint"));
    Image2->setFocusPolicy(Qt::TabFocus);
    Image2->setCursor(Qt::PointingHandCursor);
    // Focused, it darkens inside a black ring, plain beside its unfocused look.
    Image2->setStyleSheet(QStringLiteral(
        "QToolButton { border: 1px solid #2b4f8a; border-radius: 9px; background: #3d6fc4;"
        " color: white; font-weight: bold; }"
        "QToolButton:focus { border: 2px solid black; background: #1d3f7a; }"
        "QToolButton:pressed { background: #2b4f8a; }"));

    Image1 = addImageButton(9, QStringLiteral("Image1"), fromTwips(3735, 2655, 600, 555),
                            QStringLiteral("Help"), QStringLiteral("Help"));
    Command1 = addImageButton(1, QStringLiteral("Command1"), fromTwips(4350, 2655, 1065, 555),
                              QStringLiteral("Log in"), QStringLiteral("Log in"));

    Label5 = new QLabel(QStringLiteral("Hint :"), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Text3 = addTextBox(this, "Text3", fromTwips(1140, 3345, 4305, 285));
    Text3->setReadOnly(true);
    // The label ends where the hint box starts, whatever the width of the font.
    const QRect labelRect = fromTwips(690, 3405, 375, 195);
    Label5->setGeometry(QRect(QPoint(labelRect.left() - 20, Text3->y()),
                              QPoint(Text3->x() - 5, Text3->geometry().bottom())));
    Label5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label5->setBuddy(Text3);

    Command2 = addImageButton(2, QStringLiteral("Command2"), fromTwips(3285, 4155, 1065, 555),
                              QStringLiteral("Register a new owner"), QStringLiteral("New owner"));
    auto* newUser = new QLabel(QStringLiteral("New User"), this);
    newUser->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    newUser->setGeometry(Command2->x() - 106, Command2->y(), 100, Command2->height());

    Command4 = new QPushButton(QStringLiteral("X"), this);
    Command4->setObjectName(QStringLiteral("Command4"));
    Command4->setGeometry(fromTwips(5505, 75, 240, 225));
    Command4->setToolTip(QStringLiteral("Quit PixaMantler"));
    Command4->setAccessibleName(QStringLiteral("Exit"));

    connect(Command1, &ImageButton::clicked, this, &LoginWindow::Command1_Click);
    connect(Text2, &QLineEdit::returnPressed, this, [this] { Text2_KeyPress(13); });
    connect(Image2, &QToolButton::clicked, this, &LoginWindow::Image2_Click);
    connect(Command2, &ImageButton::clicked, this, &LoginWindow::Command2_Click);
    connect(Command4, &QPushButton::clicked, this, &LoginWindow::Command4_Click);
    connect(Image1, &ImageButton::clicked, this, &LoginWindow::Image1_Click);

    m_context.navigator.holdMainWindowUntilOwner();
    Text3->hide();
    Label5->hide();
    setFirstBox(Text1);
}

void LoginWindow::Command1_Click() {
    if (Text1->text().isEmpty()) return;
    if (Text2->text().isEmpty()) return;
    logIn();
}

void LoginWindow::Text2_KeyPress(int keyAscii) {
    if (keyAscii == 13) logIn();
}

void LoginWindow::logIn() {
    Platform& platform = m_context.platform;
    const auto name = storableText(platform, this, *Text1, kName);
    if (!name) return;
    const auto password = storableText(platform, this, *Text2, kPassword);
    if (!password) return;
    const std::string paddedName = padIntoBox(*Text1, *name, kNameWidth);
    const std::string paddedPassword = padIntoBox(*Text2, *password, kPasswordWidth);

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

void LoginWindow::Image2_Click() {
    Platform& platform = m_context.platform;
    if (Text1->text().isEmpty()) {
        platform.message(this, coreText(msg::EnterUserName));
        return;
    }
    const QString typed = Text1->text();
    const auto name = storableText(platform, this, *Text1, kName);
    if (!name) return;
    const std::string paddedName = padIntoBox(*Text1, *name, kNameWidth);

    std::optional<std::string> hint;
    try {
        hint = lookupHint(m_context.session.store(), paddedName);
    } catch (const Failure& failure) {
        platform.message(this, storeFailureText(QStringLiteral("No hint can be shown."), failure));
        Text1->setText(typed);
        return;
    }
    if (hint) {
        Text3->setText(QString::fromStdString(fromCodePage(*hint)));
        Text3->show();
        Label5->show();
        Text1->setText(typed);
    } else {
        platform.message(this, coreText(msg::UnknownUserName));
        Text1->setText(typed);
    }
}

void LoginWindow::Command2_Click() {
    unload();
    m_context.navigator.showRegistration();
}

void LoginWindow::Command4_Click() {
    m_context.mainWindow.endApplication();
}

void LoginWindow::Image1_Click() {
    openHelp(m_context.platform, this);
}

} // namespace pixa::ui
