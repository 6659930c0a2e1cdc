// How the owner windows reach each other and what they share, without knowing who shows them.
#pragma once

namespace pixa {
class Session;
}

namespace pixa::ui {

class MainWindowLink;
class Platform;

class OwnerNavigator {
public:
    virtual ~OwnerNavigator() = default;

    // Shows the registration or the login window, loading it when it is not loaded.
    virtual void showRegistration() = 0;
    virtual void showLogin() = 0;
    // Keeps the main window held until an owner is admitted, whichever owner window is up.
    virtual void holdMainWindowUntilOwner() = 0;
    // A registration or login made someone the current owner: the main window is told and let
    // go.
    virtual void ownerAdmitted() = 0;
};

// Everything an owner window is handed instead of reaching for globals.
struct OwnerWindowContext {
    Session& session;
    MainWindowLink& mainWindow;
    Platform& platform;
    OwnerNavigator& navigator;
};

} // namespace pixa::ui
