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
    void Command1_Click();
    // Enter in the password box logs in even with an empty name or password.
    void Text2_KeyPress(int keyAscii);
    // Shows the hint of the owner named in the name box.
    void Image2_Click();
    // New owner: unloads the window and shows the registration window.
    void Command2_Click();
    // Removes the temporary picture and ends the application.
    void Command4_Click();
    void Image1_Click();

protected:
    void frameClosed() override { Command4_Click(); }

private:
    void logIn();

    QLineEdit* Text1;
    QLineEdit* Text2;
    QToolButton* Image2;
    ImageButton* Image1;
    ImageButton* Command1;
    QLabel* Label5;
    QLineEdit* Text3;
    ImageButton* Command2;
    QPushButton* Command4;
};

} // namespace pixa::ui
