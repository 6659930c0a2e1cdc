#include "windows/owner/owner_flow.h"

#include "core/session.h"
#include "ui/main_window_link.h"
#include "ui/platform.h"
#include "ui/window_base.h"
#include "windows/owner/login_window.h"
#include "windows/owner/registration_window.h"

namespace pixa::ui {

OwnerFlow::OwnerFlow(Session& session, MainWindowLink& mainWindow, Platform& platform)
    : m_context{session, mainWindow, platform, *this} {}

OwnerFlow::~OwnerFlow() {
    delete m_registration.data();
    delete m_login.data();
}

void OwnerFlow::startupOwnerCheck() {
    if (m_context.session.store().ownersPresent()) {
        showLogin();
        return;
    }
    m_context.platform.message(m_context.mainWindow.mainWindowWidget(),
                               QStringLiteral("There are no owners declared.\r\n"
                                              "Create atleast one owner before continuing."));
    showRegistration();
}

void OwnerFlow::showRegistration() {
    // A window that has unloaded itself is on its way out; the next showing starts afresh.
    if (!m_registration || m_registration->isHidden()) {
        m_registration = new RegistrationWindow(m_context);
    }
    present(m_registration);
}

void OwnerFlow::showLogin() {
    if (!m_login || m_login->isHidden()) m_login = new LoginWindow(m_context);
    present(m_login);
}

void OwnerFlow::holdMainWindowUntilOwner() {
    if (!m_untilOwner.holds()) m_untilOwner = m_context.mainWindow.holdMainWindow();
}

void OwnerFlow::ownerAdmitted() {
    m_untilOwner.release();
    m_context.mainWindow.ownerChanged();
}

RegistrationWindow* OwnerFlow::registrationWindow() const {
    return m_registration;
}

LoginWindow* OwnerFlow::loginWindow() const {
    return m_login;
}

void OwnerFlow::present(QWidget* window) {
    presentOver(window, m_context.mainWindow.mainWindowWidget());
}

} // namespace pixa::ui
