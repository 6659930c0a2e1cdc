// The main window `pixaform`: one photo in a scrolling viewport, the information a wrapped photo
// carries, its caption, and a button for each command: open, save, new owner, search, batch,
// help, exit, actual size and fit to window.
#pragma once

#include "ui/main_window_link.h"
#include "ui/main_window_rules.h"
#include "ui/platform.h"
#include "ui/window_base.h"

#include <QImage>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QProgressBar;
class QTimer;

namespace pixa {
class Session;
class WrapJob;
} // namespace pixa

namespace pixa::ui {

class ImageButton;
class OwnerFlow;
class LockTriggers;
class PhotoAhead;
class PictureViewport;
class ViewerUnlock;
struct OpenRoute;

class pixaform final : public WindowBase, public MainWindowLink, private PhotoScreen {
    Q_OBJECT
public:
    pixaform(Session& session, Platform& platform);
    ~pixaform() override;

    // The windows this one opens; handed in once, before Form_Load().
    void attach(OwnerFlow& owners, ViewerUnlock& unlock);
    // What the search (`Image1`) and batch (`Image4`) buttons open; they do nothing until set.
    void setSearchAction(std::function<void()> action) { m_search = std::move(action); }
    void setBatchAction(std::function<void()> action) { m_batch = std::move(action); }

    // Sends the user to login or registration, then sets the controls' starting states.
    void Form_Load();

    void Command1_Click(); // open
    void Command2_Click(); // actual size
    void Command3_Click(); // fit to window
    void Command4_Click(); // save
    void Command5_Click(); // new owner
    void Command6_Click(); // exit
    void Image1_Click();   // search
    void Image2_Click();   // help
    void Image4_Click();   // batch

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
    const QString& saveTarget() const { return ws_save_file; }

    // What `Picture1` displays, at the size shown; null when it shows nothing.
    QImage shownPicture() const;
    // Whether `file` is prepared ahead of a step to it.
    bool preparedAhead(const QString& file) const;
    // `Text1`, the photo's caption.
    QString captionText() const;

    // MainWindowLink.
    QWidget* mainWindowWidget() override { return this; }
    const ShownPhoto& shownPhoto() const override { return m_photo.shown(); }
    void awaitPassword(const QString& pff) override { m_photo.awaitPassword(pff); }
    void showUnwrapped(const UnwrapResult& result) override { m_photo.showUnwrapped(result); }
    void passwordNotGiven() override { m_photo.passwordNotGiven(); }
    void viewPhoto(const QString& file, const QStringList& stepList) override;
    void ownerChanged() override;
    void endApplication() override { Command6_Click(); }

protected:
    // The frame's close button is the exit button, also while a command of this window works.
    void frameClosed() override { Command6_Click(); }
    void closeWhileRunning() override { Command6_Click(); }
    bool closesOnEscape() const override { return false; }
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void heldChanged(bool held) override;

private:
    void addControls();
    void addShortcuts();
    // The view (pixaform_view.cpp): resizing and full screen, the zoom keys and the zoom shown.
    void addViewControls();
    void toggleFullScreen();
    void zoomStep(bool in);
    void zoomChanged();
    // What a step passed over, the end of the list, a lock: a line in the information panel
    // while it describes nothing, else under it. Empty hides it.
    void setStatus(const QString& text);
    void placeStatus();
    // The steps (pixaform_steps.cpp): the list a step goes through, a step's one photo, and the
    // photo after the one on screen, prepared in the direction of travel.
    std::vector<std::filesystem::path> stepList() const;
    void stepTo(const std::filesystem::path& file, std::stop_token stop);
    void prepareAhead();
    // A photo just placed at actual size is fitted instead while a step keeps the fit.
    void keepView();
    // Shows a prepared photo as its open would; false when it is not prepared.
    bool showPrepared(const QString& file);
    // Without a current owner the window's commands do nothing.
    bool ownerPresent() const;
    // The open command from its third step: the file is chosen, under the dialog's type
    // `filterIndex` (kNoDialogType without a dialog).
    void openChosen(const QString& path, int filterIndex, std::stop_token stop);
    // Shows `path` by `route`, or has the unlock window ask for it; throws pixa::Failure.
    void openFile(const QString& path, const OpenRoute& route, std::stop_token stop);
    // Sets the save button, and with `pictureLoaded` (the viewport has just been given the
    // photo, at actual size) the actual-size and fit buttons.
    void shownChanged(const ShownPhoto& photo, bool pictureLoaded) override;
    PhotoDescription description() const override;
    void describe(const PhotoDescription& description) override;
    QImage decodeUnwrapped(const QString& path) override;
    void placeUnwrapped(QImage picture) override { placePhoto(std::move(picture), true); }
    // Sets the label's caption and shows it; an empty caption hides it.
    void setInfoLabel(QLabel& label, const QString& text);
    // `ProgressBar1`: shown with a range at the start of a transfer, hidden at its end.
    void showProgress(int maximum);
    void setProgress(int value);
    void hideProgress();
    // Takes input while no other window holds it and once an owner is present.
    void updateEnabled();
    // Shows the picture in `path` at actual size (pixaform_decode.cpp): a large JPEG is shown
    // from its first rows on while the rest decodes between the window's events, until `stop`.
    // Throws pixa::Failure: a picture not decoded whole is not left on screen.
    void showPictureFile(const QString& path, const QString& fileType, std::stop_token stop);
    // While a picture decodes: stops it and runs `again` once it has ended; false otherwise.
    bool stopDecodingThen(std::function<void()> again);
    // Fit to window with the busy pointer; a failure is reported.
    void fitToWindow();
    // Gives the viewport a whole photo, shown at actual size (fitted while a step keeps the
    // fit), the horizontal scroll bar starting at the window's edge when asked.
    void placePhoto(QImage photo, bool scrollBarAtWindowEdge);
    // Wraps `photo` into `ws_save_file`; the job can then trash its original.
    WrapJob saveWrapped(const ShownPhoto& photo, const std::string& caption, std::stop_token stop);
    void saveBitmap();
    // After `photo`, a plain picture, was wrapped into `ws_save_file`: asks whether its original
    // goes to the trash (No being the default) and moves it once the .pff reads back the same.
    void offerTrash(const ShownPhoto& photo, const WrapJob& job);
    // The caption as stored bytes, or nothing after telling the user which character cannot be.
    std::optional<std::string> storableCaption();
    // Runs a handler that has no error trap of its own: a failure is reported, not fatal.
    void untrapped(void (pixaform::*handler)());

    Session& m_session;
    Platform& m_platform;
    OwnerFlow* m_owners = nullptr;
    ViewerUnlock* m_unlock = nullptr;
    std::function<void()> m_search;
    std::function<void()> m_batch;
    ShownPhotoRules m_photo;
    // From Form_Load without an owner until someone logs in or registers.
    bool m_waitsForOwner = false;
    QString ws_save_file;
    // The original last moved to the trash, where it lies now: not offered a second time.
    QString m_trashedPhoto;
    // What the window's file dialog last held: the open dialog starts from it.
    FileDialogRequest m_dialog;
    QString m_openAfterLogin;
    // The window's state before full screen, given back when it ends.
    Qt::WindowStates m_beforeFullScreen;
    bool m_decoding = false;
    // The file of the photo on screen (a wrapped photo's own, not its picture's), which a step
    // starts from; kept through a lock.
    QString m_place;
    // The search's list a step goes through; empty: the folder of the photo on screen.
    std::vector<std::filesystem::path> m_stepList;
    bool m_forward = true;
    bool m_keepFit = false;
    std::unique_ptr<PhotoAhead> m_ahead;
    QTimer* m_aheadTimer = nullptr;
    LockTriggers* m_lockTriggers = nullptr;

    ImageButton* Command1;
    ImageButton* Command4;
    ImageButton* Command5;
    ImageButton* Image1;
    ImageButton* Image4;
    ImageButton* Image2;
    ImageButton* Command6;
    ImageButton* Command2;
    ImageButton* Command3;
    QProgressBar* ProgressBar1;
    QLineEdit* Text1;
    QLabel* Label5;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* m_zoomLabel;
    QLabel* m_status;
    PictureViewport* m_viewport;
};

} // namespace pixa::ui
