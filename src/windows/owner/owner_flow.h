// Shows the registration and login windows, at most one of each, and runs the start-up owner
// check that sends the user to one of them.
#pragma once

#include "ui/main_window_link.h"
#include "windows/owner/owner_navigator.h"

#include <QPointer>

class QWidget;

namespace pixa::ui {

class LoginWindow;
class RegistrationWindow;

class OwnerFlow final : public OwnerNavigator {
public:
    OwnerFlow(Session& session, MainWindowLink& mainWindow, Platform& platform);
    // Closes whichever owner window is still open.
    ~OwnerFlow() override;
    OwnerFlow(const OwnerFlow&) = delete;
    OwnerFlow& operator=(const OwnerFlow&) = delete;

    // The login window when the store holds an owner; otherwise the message that there are none,
    // then the registration window.
    void startupOwnerCheck();

    void showRegistration() override;
    void showLogin() override;
    void holdMainWindowUntilOwner() override;
    void ownerAdmitted() override;

    // The open windows; null when not loaded.
    RegistrationWindow* registrationWindow() const;
    LoginWindow* loginWindow() const;

private:
    // Shows `window` above the main window, centred on it.
    void present(QWidget* window);

    OwnerWindowContext m_context;
    QPointer<RegistrationWindow> m_registration;
    QPointer<LoginWindow> m_login;
    MainWindowHold m_untilOwner;
};

} // namespace pixa::ui
