// What the other windows may read and ask of the main window: enable it, caption it, read the
// photo it shows, ask it to wait for a wrapped photo's password and to show what an unwrap
// restored, its caption box and information labels, its progress bar and pointer, and the news
// that the current owner changed. The shown photo is the main window's alone to change.
#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace pixa::ui {

// What the main window shows: the file that `ws_file` names, its `orig_file_type`, and what the
// file is. Only a plain picture or an unwrapped photo can be saved; a wrapped photo waiting for
// its viewer password is not on screen yet (the photo shown before stays there meanwhile).
struct ShownPhoto {
    enum class Kind { Nothing, Picture, Unwrapped, AwaitingPassword };
    Kind kind = Kind::Nothing;
    QString ws_file;        // the picture shown, or the wrapped photo waiting for its password
    QString orig_file_type; // ".PFF", ".BMP", ".JPG"

    bool savable() const { return kind == Kind::Picture || kind == Kind::Unwrapped; }
};

// The four labels of the information panel.
enum class InfoLabel { Owner, FileType, Date, Time }; // Label5, Label2, Label3, Label4

class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;

    virtual void setMainWindowEnabled(bool enabled) = 0;
    virtual void setMainWindowCaption(const QString& caption) = 0;
    // The main window itself, so that windows opened for it stay above it; may be null.
    virtual QWidget* mainWindowWidget() = 0;

    // The photo shown; changed only by the main window itself.
    virtual const ShownPhoto& shownPhoto() const = 0;
    // The wrapped photo `pff` is to be opened: it waits for its viewer password, saving is off
    // until it is shown, and the information labels are emptied.
    virtual void awaitPassword(const QString& pff) = 0;
    // The unwrap of the wrapped photo `pff` restored it into the session's incoming picture:
    // shows it (the horizontal scroll bar starting at the window's left edge) and makes it the
    // unwrapped photo that `ws_file` names, with `ownerLabel` in the owner label. Throws
    // pixa::Failure when it cannot be shown; the incoming picture is gone then and the photo
    // shown before is the shown photo again. When `pff` no longer waits (the user opened
    // another file meanwhile) the incoming picture is discarded.
    virtual void showUnwrapped(const QString& pff, const QString& ownerLabel) = 0;
    // The photo waiting for its password was not opened (closed, refused or failed): the photo
    // shown before is the shown photo again.
    virtual void passwordNotGiven() = 0;

    // `Text1`, the photo's caption.
    virtual QString captionText() const = 0;
    virtual void setCaptionText(const QString& text) = 0;
    // Sets the label's caption and shows it.
    virtual void setInfoLabel(InfoLabel label, const QString& text) = 0;
    // Empties the four labels, then hides them.
    virtual void clearInfoLabels() = 0;

    // `ProgressBar1`: shown with a range at the start of a transfer, hidden at its end.
    virtual void showProgress(int maximum) = 0;
    virtual void setProgress(int value) = 0;
    virtual void hideProgress() = 0;
    virtual void setBusyPointer(bool busy) = 0;

    // What `Picture1` displays, at the size shown; null when it shows nothing.
    virtual QImage shownPicture() const = 0;

    // A registration or login made someone else the current owner.
    virtual void currentOwnerChanged() = 0;
};

} // namespace pixa::ui
