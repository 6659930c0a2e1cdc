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
class WrapJob;
struct WrapItem;
} // namespace pixa

namespace pixa::ui {

class BrowsePane;
class DriveSelector;
class FileList;
class FolderList;
class ImageButton;
class Platform;

// "Path : " and the folder, cut to its first 20 characters and "...." from 20 characters on.
QString pathCaption(const QString& folder);

class BatchWrapWindow : public WindowBase {
    Q_OBJECT
public:
    BatchWrapWindow(Session& session, Platform& platform);

    // The source and destination panes entered another folder: their path captions follow.
    void sourceFolderChanged();
    void destinationFolderChanged();
    // Back: unloads the window.
    void back();
    // Start: wraps every selected photo.
    void wrapSelected();
    // Abort: the run stops before the next file.
    void abort();
    void showHelp();

    // The text of the message that ends a run: the photos not saved, the originals moved to
    // the trash and those kept, each part only when it lists something; empty for none.
    static QString endMessage(const QString& folder, const QStringList& failures,
                              const QStringList& trashed, const QStringList& kept);

signals:
    // A run is about to write its k-th selected photo.
    void fileStarting(int k);

protected:
    void frameClosed() override { back(); }
    // A frame close during a run aborts it; the window closes when the current file is written.
    void closeWhileRunning() override;

private:
    struct Run;
    struct RunList;

    void addSourcePane();
    void addDestinationPane();
    void addRunControls();
    void addTrashOriginalsBox();
    void load();
    // Puts the window in its running state; whether the originals are to go to the trash.
    bool startRun();
    // Wraps one planned photo and, when asked, moves its original to the trash; false when the
    // run was stopped part way through it.
    bool wrapPhoto(const WrapItem& item, const QString& source, const QString& name, Run& run);
    void trashOriginal(const WrapJob& job, const QString& name, Run& run);
    // Says how the run ended, with `left` photos it did not come to, and gives the window back.
    void endRun(const RunList& list, const Run& run, int left);
    // Runs one step of a photo's wrap job with the progress bar shown; throws what it throws,
    // "User interrupt occurred" when the run is stopped part way.
    void runStep(const std::function<void()>& step);
    void showSourcePath();

    Session& m_session;
    Platform& m_platform;
    bool m_abortAsked = false;

    BrowsePane* m_sources;
    BrowsePane* m_destinations;

    DriveSelector* m_sourceDrive;
    FolderList* m_sourceFolders;
    FileList* m_photoList;
    QLabel* m_sourcePathLabel;
    DriveSelector* m_destinationDrive;
    FolderList* m_destinationFolders;
    QLabel* m_destinationPathLabel;
    QLabel* m_statusLabel;
    QProgressBar* m_progressBar;
    ImageButton* m_backButton;
    ImageButton* m_startButton;
    ImageButton* m_abortButton;
    ImageButton* m_helpButton;
    // Off at every opening and remembered nowhere: the originals go only when asked each time.
    QCheckBox* m_trashOriginalsBox;
};

} // namespace pixa::ui
