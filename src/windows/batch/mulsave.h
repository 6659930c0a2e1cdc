// The batch wrapping window: wraps the photos selected in one folder into .pff files in another
// folder for the current owner, with a status line, block progress and an abort between files.
#pragma once

#include "ui/window_base.h"

#include <QStringList>

#include <functional>

class QCheckBox;
class QLabel;
class QProgressBar;

namespace pixa {
class Session;
}

namespace pixa::ui {

class BrowsePane;
class DriveSelector;
class FileList;
class FolderList;
class ImageButton;
class Platform;

// "Path : " and the folder, cut to its first 20 characters and "...." from 20 characters on.
QString pathCaption(const QString& folder);

class mulsave : public WindowBase {
    Q_OBJECT
public:
    mulsave(Session& session, Platform& platform);

    // The source and destination panes entered another folder: their path captions follow.
    void Dir1_Change();
    void Dir2_Change();
    // Back: unloads the window.
    void Image1_Click();
    // Start: wraps every selected photo.
    void Image2_Click();
    // Abort: the run stops before the next file.
    void Image3_Click();
    // Help.
    void Image4_Click();

    // The text of the message that ends a run: the photos not saved, the originals moved to
    // the trash and those kept, each part only when it lists something; empty for none.
    static QString endMessage(const QString& folder, const QStringList& failures,
                              const QStringList& trashed, const QStringList& kept);

signals:
    // A run is about to write its k-th selected photo.
    void fileStarting(int k);

protected:
    void frameClosed() override { Image1_Click(); }
    // A frame close during a run aborts it; the window closes when the current file is written.
    void closeWhileRunning() override;

private:
    void Form_Load();
    // Runs one step of a photo's wrap job with the progress bar shown; throws what it throws,
    // "User interrupt occurred" when the run is stopped part way.
    void runStep(const std::function<void()>& step);
    void showSourcePath();

    Session& m_session;
    Platform& m_platform;
    bool cancel_sw = false;

    BrowsePane* m_sources;
    BrowsePane* m_destinations;

    DriveSelector* Drive1;
    FolderList* Dir1;
    FileList* File1;
    QLabel* Label2;
    QLabel* Label3;
    DriveSelector* Drive2;
    FolderList* Dir2;
    QLabel* Label7;
    QLabel* Label1;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label4;
    QProgressBar* ProgressBar1;
    ImageButton* Image1;
    ImageButton* Image2;
    ImageButton* Image3;
    ImageButton* Image4;
    // Off at every opening and remembered nowhere: the originals go only when asked each time.
    QCheckBox* m_trashOriginals;
};

} // namespace pixa::ui
