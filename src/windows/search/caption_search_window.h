// The wrapped-photo search window: lists the .pff files of a folder by their captions, without
// any password, and opens the chosen one through the viewer unlock window.
#pragma once

#include "ui/main_window_link.h"
#include "ui/window_base.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace pixa::ui {

class BrowsePane;
class DriveSelector;
class FolderList;
class ImageButton;
class Platform;
class ViewerUnlock;

class CaptionSearchWindow : public WindowBase {
    Q_OBJECT
public:
    // Holds the main window and lists the process's current folder.
    CaptionSearchWindow(MainWindowLink& mainWindow, Platform& platform, ViewerUnlock& unlock);

    // The pane entered another folder: its captions are listed.
    void Dir1_Change();
    // View: hands the file of the selected caption to the viewer unlock window.
    void Image1_Click();
    // Back: releases the main window and unloads this one.
    void Image2_Click();
    void Image3_Click();

    // Lists the captions of the folder's .pff files (with the subfolders' when asked) into
    // List1, in the file list's order; stops at the first file that is not a wrapped photo or
    // cannot be read, after saying so.
    void listFolder();

signals:
    // A listing read its n-th file (tests stop a listing part way with it).
    void fileListed(int n);

protected:
    void frameClosed() override { Image2_Click(); }

private:
    void applyFilter();
    void setBrowsingEnabled(bool enabled);

    // Held from loading until the window goes.
    MainWindowHold m_hold;
    MainWindowLink& m_mainWindow;
    Platform& m_platform;
    ViewerUnlock& m_unlock;

    BrowsePane* m_pane;

    DriveSelector* Drive1;
    QLabel* Label2;
    FolderList* Dir1;
    QLabel* Label1;
    QLabel* Label3;
    QListWidget* List1;
    ImageButton* Image1;
    ImageButton* Image2;
    ImageButton* Image3;
    // Beyond the captions of one folder: the subfolders' too, a filter, and a stop.
    QCheckBox* m_subfolders;
    QLineEdit* m_filter;
    QPushButton* m_stop;
};

} // namespace pixa::ui
