// The owner registration window: takes a new owner's name, passwords and hint, refuses an empty
// or registered name, stores the owner and makes it the current owner.
#pragma once

#include "windows/owner/owner_window.h"

#include <optional>
#include <vector>

class QLineEdit;

namespace pixa {
struct CurrentOwner;
}

namespace pixa::ui {

struct PaddedField;

class RegistrationWindow : public OwnerWindow {
    Q_OBJECT
public:
    explicit RegistrationWindow(const OwnerWindowContext& context);

    // Create: registers the owner typed in the boxes.
    void createOwner();
    // Cancel: unloads the window and sends the user to the login window.
    void cancel();
    void showHelp();

    // The password rules, run when the focus leaves their box: the owner password typed again
    // matches it, the viewer password differs from it, and the viewer password typed again
    // matches that.
    void checkOwnerPasswordConfirmed();
    void checkViewerPasswordDiffers();
    void checkViewerPasswordConfirmed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void frameClosed() override { cancel(); }

private:
    void addBoxes();
    void addButtons();
    // The four texts padded into their boxes, or nullopt after saying which character cannot be
    // stored. Every text is checked before any box is touched, so a refused character leaves all
    // as typed.
    std::optional<std::vector<PaddedField>> paddedFields();
    // Registers the padded texts, waiting for the store while another registration holds it;
    // nullopt after saying why when nobody was registered (closed while waiting: silently).
    std::optional<CurrentOwner> registerFields(const std::vector<PaddedField>& fields,
                                               const LongWork& work);
    void applyRule(QLineEdit* focusBox, QLineEdit* clearedBox, const QString& message);

    // Set while a rule moves the focus itself, so that its own moves start no other rule.
    bool m_applyingRule = false;

    QLineEdit* m_nameEdit;
    QLineEdit* m_ownerPasswordEdit;
    QLineEdit* m_ownerPasswordConfirmEdit;
    QLineEdit* m_viewerPasswordEdit;
    QLineEdit* m_viewerPasswordConfirmEdit;
    QLineEdit* m_hintEdit;
    ImageButton* m_helpButton;
    ImageButton* m_createButton;
    ImageButton* m_cancelButton;
};

} // namespace pixa::ui
