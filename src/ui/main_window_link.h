// What the other windows may read and do on the main window: enable it, caption it, its three
// shared variables, its caption box and information labels, its progress bar and pointer, the
// picture it shows, and the news that the current owner changed.
#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace pixa::ui {

// The variables through which the other windows hand the main window its work.
struct MainWindowVariables {
    QString ws_file;        // the picture shown, or to be wrapped
    QString ws_save_file;   // the file to write
    QString orig_file_type; // ".PFF", ".BMP", ".JPG", or a batch source's type
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

    virtual MainWindowVariables& variables() = 0;

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

    // Loads the picture file into `Picture1`, shows it and resets the viewport; with
    // `scrollBarAtWindowEdge` the horizontal scroll bar starts at the window's left edge. Throws
    // pixa::Failure when the file is not a picture that can be shown; the previous picture stays.
    virtual void showPictureFile(const QString& path, bool scrollBarAtWindowEdge) = 0;
    // What `Picture1` displays, at the size shown; null when it shows nothing.
    virtual QImage shownPicture() const = 0;
    // `Command4`, with its face.
    virtual void setSaveEnabled(bool enabled) = 0;

    // A registration or login made someone else the current owner.
    virtual void currentOwnerChanged() = 0;
};

} // namespace pixa::ui
