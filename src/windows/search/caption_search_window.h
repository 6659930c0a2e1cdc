// The wrapped-photo search window: lists the .pff files of a folder by their captions, without
// any password, and opens the chosen one through the viewer unlock window.
#pragma once

#include "ui/main_window_link.h"
#include "ui/window_base.h"

#include <filesystem>
#include <vector>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace pixa {
struct CaptionEntry;
struct UnreadFolder;
} // namespace pixa

namespace pixa::ui {

class BrowsePane;
class DriveSelector;
class FolderList;
class ImageButton;
class Platform;
class ViewerUnlock;
class Yielder;

class CaptionSearchWindow : public WindowBase {
    Q_OBJECT
public:
    // Holds the main window and lists the process's current folder.
    CaptionSearchWindow(MainWindowLink& mainWindow, Platform& platform, ViewerUnlock& unlock);

    // View: hands the file of the selected caption to the viewer unlock window.
    void viewPhoto();
    // Back: releases the main window and unloads this one.
    void back();
    void showHelp();

    // Lists the captions of the folder's .pff files (with the subfolders' when asked) into the
    // caption list, in the file list's order; stops at the first file that is not a wrapped
    // photo or cannot be read, after saying so. Runs whenever the pane enters another folder.
    void listFolder();

signals:
    // A listing read its n-th file (tests stop a listing part way with it).
    void fileListed(int n);

protected:
    void frameClosed() override { back(); }

private:
    void addBrowsing();
    void addListingControls();
    void addButtons();
    // The .pff files of the folder, or of its whole tree; the folders that could not be read
    // join `unread`.
    std::vector<std::filesystem::path> findFiles(std::vector<UnreadFolder>& unread,
                                                 Yielder& yielder, const LongWork& work);
    // Lists the caption of each of `files` in turn; how many were listed.
    int listCaptions(const std::vector<std::filesystem::path>& files, Yielder& yielder,
                     const LongWork& work);
    // Adds the entry's caption to the list; false, after saying why and asking the listing to
    // stop, for a file that is not a wrapped photo or cannot be read.
    bool addCaption(const CaptionEntry& entry);
    void applyFilter();
    void setBrowsingEnabled(bool enabled);

    // Held from loading until the window goes.
    MainWindowHold m_hold;
    MainWindowLink& m_mainWindow;
    Platform& m_platform;
    ViewerUnlock& m_unlock;

    BrowsePane* m_pane;

    DriveSelector* m_drive;
    FolderList* m_folders;
    QListWidget* m_captionList;
    ImageButton* m_viewButton;
    ImageButton* m_backButton;
    ImageButton* m_helpButton;
    // Beyond the captions of one folder: the subfolders' too, a filter, and a stop.
    QCheckBox* m_subfoldersBox;
    QLineEdit* m_filterEdit;
    QPushButton* m_stopButton;
};

} // namespace pixa::ui
