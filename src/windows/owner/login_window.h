// The owner login window: admits a registered owner by name and owner password, shows an owner's
// password hint, leads to registration, and ends the application after a failed login.
#pragma once

#include "windows/owner/owner_window.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace pixa::ui {

class LoginWindow : public OwnerWindow {
    Q_OBJECT
public:
    // Loading the window disables the main window until an owner has logged in.
    explicit LoginWindow(const OwnerWindowContext& context);

    // The log-in button: does nothing while the name or the password is empty.
    void logIn();
    // Enter in the password box logs in even with an empty name or password.
    void passwordKeyPressed(int keyAscii);
    // Shows the hint of the owner named in the name box.
    void showHint();
    // New owner: unloads the window and shows the registration window.
    void openRegistration();
    // Removes the temporary picture and ends the application.
    void endApplication();
    void showHelp();

protected:
    void frameClosed() override { endApplication(); }

private:
    void addCredentialBoxes();
    void addHintButton();
    void addLogInButtons();
    void addHintBox();
    void addNewOwnerAndExitButtons();
    // Admits the owner whose name and password are typed; a refusal ends the application.
    void verifyOwner();

    QLineEdit* m_nameEdit;
    QLineEdit* m_passwordEdit;
    QToolButton* m_hintButton;
    ImageButton* m_helpButton;
    ImageButton* m_logInButton;
    QLabel* m_hintLabel;
    QLineEdit* m_hintEdit;
    ImageButton* m_newOwnerButton;
    QPushButton* m_exitButton;
};

} // namespace pixa::ui
