// The main window's open: a photo chosen in the file dialog, dropped or named, shown in the view
// or, wrapped, handed on to be unlocked, by what its first bytes say it is.
#pragma once

#include "ui/platform.h"

#include <QString>

#include <stop_token>

class QMimeData;
class QWidget;

namespace pixa::ui {

class CommandBar;
class InfoPanel;
class PhotoCollection;
class PhotoView;
class ShownPhotoRules;
class ViewerUnlock;
struct OpenRoute;

class OpenCommand {
public:
    OpenCommand(Platform& platform, QWidget& window, CommandBar& bar, InfoPanel& info,
                PhotoView& view, ShownPhotoRules& photo, PhotoCollection& collection);

    // Who opens wrapped photos; until set, they are refused as while it is busy.
    void setUnlock(ViewerUnlock& unlock) { m_unlock = &unlock; }
    // The open dialog, starting from the file and type a dialog of the window last held.
    // Throws pixa::Failure (DialogCancelled when cancelled).
    FileDialogResult choose();
    // A dialog of the window returned `chosen`: the next open starts from it.
    void remember(const FileDialogResult& chosen);
    // The folder the next open starts in: that of the file last chosen, else the working one.
    QString folder() const;
    // The local file a drop carries first; empty for none.
    static QString droppedFile(const QMimeData* data);
    // Shows `path` by `route`, or has the unlock window ask for it; the collection's place moves
    // to it. Throws pixa::Failure.
    void openFile(const QString& path, const OpenRoute& route, std::stop_token stop);

private:
    void openWrapped(const QString& path, std::stop_token stop);
    void showPlain(const QString& path, const OpenRoute& route, std::stop_token stop);

    Platform& m_platform;
    QWidget& m_window;
    CommandBar& m_bar;
    InfoPanel& m_info;
    PhotoView& m_view;
    ShownPhotoRules& m_photo;
    PhotoCollection& m_collection;
    ViewerUnlock* m_unlock = nullptr;
    FileDialogRequest m_dialog;
};

} // namespace pixa::ui
