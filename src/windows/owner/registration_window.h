// The owner registration window: takes a new owner's name, passwords and hint, refuses an empty
// or registered name, stores the owner and makes it the current owner.
#pragma once

#include "windows/owner/owner_window.h"

class QLineEdit;

namespace pixa::ui {

class RegistrationWindow : public OwnerWindow {
    Q_OBJECT
public:
    explicit RegistrationWindow(const OwnerWindowContext& context);

    // Create: registers the owner typed in the boxes.
    void Command1_Click();
    // Cancel: unloads the window and sends the user to the login window.
    void Command2_Click();
    void Image1_Click();

    // The password rules, run when the focus leaves their box.
    void Text3_LostFocus();
    void Text4_LostFocus();
    void Text5_LostFocus();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void frameClosed() override { Command2_Click(); }

private:
    void applyRule(QLineEdit* focusBox, QLineEdit* clearedBox, const QString& message);

    // Set while a rule moves the focus itself, so that its own moves start no other rule.
    bool m_applyingRule = false;

    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QLineEdit* Text5;
    QLineEdit* Text6;
    ImageButton* Image1;
    ImageButton* Command1;
    ImageButton* Command2;
};

} // namespace pixa::ui
