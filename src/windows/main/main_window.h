// The main window: one photo in a scrolling view, the information a wrapped photo carries, its
// caption, and a command for each button and key. It holds the shown-photo rules and the link
// with the other windows, and wires its parts: the band of controls at its top with the command
// bar and the information panel, the photo view, the save command, the collection a step goes
// through and the grid of its photos.
#pragma once

#include "ui/main_window_link.h"
#include "ui/main_window_rules.h"
#include "ui/platform.h"
#include "ui/window_base.h"

#include <QImage>

#include <filesystem>
#include <functional>
#include <memory>
#include <stop_token>
#include <vector>

namespace pixa {
class Session;
struct PffInfo;
} // namespace pixa

namespace pixa::ui {

class CommandBar;
class InfoPanel;
class LockTriggers;
class OpenCommand;
class OwnerFlow;
class PhotoCollection;
class PhotoGrid;
class PhotoView;
class SaveCommand;
class TopControls;
class ViewerUnlock;
enum class Command;

class MainWindow final : public WindowBase, public MainWindowLink, private PhotoScreen {
    Q_OBJECT
public:
    MainWindow(Session& session, Platform& platform);
    ~MainWindow() override;

    // The windows this one opens; handed in once, before load().
    void attach(OwnerFlow& owners, ViewerUnlock& unlock);
    // What the search and batch buttons open; they do nothing until set.
    void setSearchAction(std::function<void()> action) { m_search = std::move(action); }
    void setBatchAction(std::function<void()> action) { m_batch = std::move(action); }

    // Sends the user to login or registration, then sets the controls' starting states.
    void load();

    // The commands of the buttons.
    void open();
    void save();
    void registerOwner();
    void search();
    void batchWrap();
    void help();
    void exit();
    void actualSize();
    void fitToWindow();
    // From the photo to the grid of its folder or list, and back (the grid button and Escape).
    void switchGrid();
    const PhotoGrid& grid() const { return *m_grid; }

    // Opens `path` as the open command does, deciding by its first bytes (see open_route.h);
    // the steps then go through `stepList` when given, else through the photo's folder.
    void openByName(const QString& path, const std::vector<std::filesystem::path>& stepList = {});
    // Steps to the next (`forward`) or previous photo of the folder or list the photo on screen
    // came from, skipping those that cannot be read; at either end, says so.
    void step(bool forward);
    // Forgets the remembered viewer passwords, takes an unwrapped photo off the screen and off
    // the disk with every prepared one, closes the unlock window and a file dialog as their
    // cancel would, and empties the caption and the labels. A plain picture stays.
    void lock();
    // The desktop's screen lock locks too, where the session reports it over D-Bus.
    void watchDesktopLock();
    // Opens `path` that way once an owner has logged in; at once when one has.
    void openAfterLogin(const QString& path);

    // The file the last save wrote, or was about to write.
    const QString& saveTarget() const;
    // What the view displays, at the size shown; null when it shows nothing.
    QImage shownPicture() const;
    // Whether `file` is prepared ahead of a step to it.
    bool preparedAhead(const QString& file) const;
    QString captionText() const;

    // MainWindowLink.
    QWidget* mainWindowWidget() override { return this; }
    const ShownPhoto& shownPhoto() const override { return m_photo.shown(); }
    void awaitPassword(const QString& pff) override { m_photo.awaitPassword(pff); }
    void showUnwrapped(const UnwrapResult& result) override { m_photo.showUnwrapped(result); }
    void passwordNotGiven() override { m_photo.passwordNotGiven(); }
    void viewPhoto(const QString& file, const QStringList& stepList) override;
    void ownerChanged() override;
    void endApplication() override { exit(); }

protected:
    // The frame's close button is the exit button, also while a command of this window works.
    void frameClosed() override { exit(); }
    void closeWhileRunning() override { exit(); }
    bool closesOnEscape() const override { return false; }
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void heldChanged(bool held) override;

private:
    // Runs a command; a failure is reported, not fatal.
    void run(Command command);
    // A key without modifiers: a step, a scroll or the end of full screen; false for others.
    bool plainKey(int key);
    void zoomChanged();
    // Without a current owner the window's commands do nothing.
    bool ownerPresent() const;
    // Takes input while no other window holds it and once an owner is present.
    void updateEnabled();

    // Opening and stepping (main_window_open.cpp).
    // The open from its third step: the file is chosen, under the dialog's type `filterIndex`
    // (kNoDialogType without a dialog).
    void openChosen(const QString& path, int filterIndex, std::stop_token stop);
    // One step's photo; throws pixa::Failure when it is passed over.
    void stepTo(const std::filesystem::path& file, std::stop_token stop);
    // Shows a prepared photo as its open would; false when it is not prepared.
    bool showPrepared(const QString& file);

    // The grid (main_window_grid.cpp).
    void showGrid();
    void openFromGrid(const QString& file);
    // The grid's request: whether a remembered password opens a wrapped photo.
    bool unlockedInGrid(const PffInfo& info) const;

    // PhotoScreen.
    void shownChanged(const ShownPhoto& photo, bool pictureLoaded) override;
    PhotoDescription description() const override;
    void describe(const PhotoDescription& description) override;
    QImage decodeUnwrapped(const QString& path) override;
    void placeUnwrapped(QImage picture) override;

    Session& m_session;
    Platform& m_platform;
    OwnerFlow* m_owners = nullptr;
    ViewerUnlock* m_unlock = nullptr;
    std::function<void()> m_search;
    std::function<void()> m_batch;
    ShownPhotoRules m_photo;
    // From load() without an owner until someone logs in or registers.
    bool m_waitsForOwner = false;
    QString m_openAfterLogin;
    TopControls* m_top;
    CommandBar* m_commands;
    std::unique_ptr<InfoPanel> m_info;
    PhotoView* m_view;
    PhotoCollection* m_collection;
    PhotoGrid* m_grid;
    std::unique_ptr<OpenCommand> m_open;
    std::unique_ptr<SaveCommand> m_save;
    LockTriggers* m_lockTriggers;
};

} // namespace pixa::ui
