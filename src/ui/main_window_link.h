// What the other windows may read and ask of the main window: read the photo it shows, ask it
// to wait for a wrapped photo's password and to show what an unwrap restored, hold it while they
// are up, and tell it that the current owner changed. The main window carries each request out
// on its own widgets; nothing else touches them.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

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

// What an unwrap restored: the wrapped photo `pff`, its picture (the session's incoming
// picture) and the fields the file carries, as the main window is to show them.
struct UnwrapResult {
    QString pff;
    QString picture;
    QString caption; // the stored tag, 64 characters
    QString owner;   // the plain owner's name, 20 characters
    QString fileType;
    QString date;
    QString time;
    bool tagComplete = true; // false: the caption read is not the whole stored tag
    QImage decoded;          // the picture already decoded, when it was prepared ahead
};

class MainWindowLink;

// Keeps the main window from taking input for its life; the main window takes input again
// once no hold is left. Outliving the main window is harmless.
class MainWindowHold {
public:
    MainWindowHold() = default;
    ~MainWindowHold() { release(); }
    MainWindowHold(MainWindowHold&& other) noexcept : m_holds(std::move(other.m_holds)) {
        other.m_holds.reset();
    }
    MainWindowHold& operator=(MainWindowHold&& other) noexcept;
    MainWindowHold(const MainWindowHold&) = delete;
    MainWindowHold& operator=(const MainWindowHold&) = delete;

    bool holds() const { return !m_holds.expired(); }
    void release();

private:
    friend class MainWindowLink;
    struct Count {
        int holds = 0;
        std::function<void(bool held)> changed;
    };
    explicit MainWindowHold(const std::shared_ptr<Count>& count);

    std::weak_ptr<Count> m_holds;
};

class MainWindowLink {
public:
    MainWindowLink();
    virtual ~MainWindowLink() = default;
    MainWindowLink(const MainWindowLink&) = delete;
    MainWindowLink& operator=(const MainWindowLink&) = delete;

    // The main window itself, so that windows opened for it stay above it; may be null.
    virtual QWidget* mainWindowWidget() = 0;

    // The photo shown; changed only by the main window itself.
    virtual const ShownPhoto& shownPhoto() const = 0;
    // The wrapped photo `pff` is to be opened: it waits for its viewer password, saving is off
    // until it is shown, and the caption box and information labels are emptied. What they
    // held comes back when the photo is not opened.
    virtual void awaitPassword(const QString& pff) = 0;
    // Shows what an unwrap restored into the incoming picture (the horizontal scroll bar
    // starting at the window's left edge), with its caption and information, and makes it the
    // unwrapped photo that `ws_file` names. Throws pixa::Failure when it cannot be shown; the
    // incoming picture is gone then and the photo shown before is shown and described again.
    // When `result.pff` no longer waits (the user opened another file meanwhile) the incoming
    // picture is discarded.
    virtual void showUnwrapped(const UnwrapResult& result) = 0;
    // The photo waiting for its password was not opened (closed, refused or failed): the photo
    // shown before is the shown photo again, with its caption and information.
    virtual void passwordNotGiven() = 0;
    // Opens `file` as the open command does, once the caller's handler has returned; the steps
    // from it go through `stepList`, in its order.
    virtual void viewPhoto(const QString& file, const QStringList& stepList) = 0;

    // A registration or login made someone the current owner.
    virtual void ownerChanged() = 0;
    // Ends the application as the main window's exit button does, its unwrapped picture going.
    virtual void endApplication() = 0;

    // Keeps the main window from taking input until the hold is released or destroyed.
    MainWindowHold holdMainWindow();

protected:
    // The first hold was taken (true), or the last one released (false).
    virtual void heldChanged(bool held) = 0;
    bool held() const { return m_holds->holds > 0; }

private:
    std::shared_ptr<MainWindowHold::Count> m_holds;
};

} // namespace pixa::ui
