#include "windows/batch/batch_wrap_window.h"

#include "core/error.h"
#include "core/file_io.h"
#include "core/pff_file.h"
#include "core/picture_file.h"
#include "core/session.h"
#include "core/wrap_job.h"
#include "core/wrap_plan.h"
#include "ui/browse_backdrop.h"
#include "ui/browse_pane.h"
#include "ui/file_browsers.h"
#include "ui/help.h"
#include "ui/image_button.h"
#include "ui/platform.h"
#include "ui/text_fit.h"
#include "ui/trash.h"
#include "ui/yielder.h"

#include <QCheckBox>
#include <QDir>
#include <QFontMetrics>
#include <QHash>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>

#include <algorithm>
#include <filesystem>
#include <utility>

namespace pixa::ui {

namespace fs = std::filesystem;

namespace {

QString toQt(const std::string& text) {
    return QString::fromStdString(text);
}

// One line of the message that ends a run with failures: the photo and why it was not saved.
QString failureLine(const QString& source, const Failure& failure) {
    return QStringLiteral("%1: error %2: %3")
        .arg(source, QString::number(failure.number()), toQt(failure.description()));
}

// Every source's target, type and caption, and the sources that cannot be wrapped: not a
// picture, gone, or a second source for one target.
class PlannedRun {
public:
    PlannedRun(const std::vector<fs::path>& sources, const fs::path& outputFolder) {
        WrapOptions options;
        options.outputFolder = outputFolder;
        // What an earlier run that was killed left half-written there goes first.
        removeStaleTemporaries(*options.outputFolder);
        m_plan = planWraps(sources, options);
        for (const WrapItem& item : m_plan.items)
            m_planned.insert(windowPath(item.source), &item);
        for (const WrapRefusal& refusal : m_plan.refusals) {
            const QString source = windowPath(refusal.source);
            // A reason that names the photo already is not prefixed with it once more.
            const QString reason = toQt(refusal.reason);
            m_refused.insert(
                source, refusal.number != 0       ? failureLine(source, Failure(refusal.number))
                        : reason.contains(source) ? reason
                                                  : QStringLiteral("%1: %2").arg(source, reason));
        }
    }
    PlannedRun(const PlannedRun&) = delete;
    PlannedRun& operator=(const PlannedRun&) = delete;

    // The planned wrap of `source`; null when it was refused.
    const WrapItem* item(const QString& source) const { return m_planned.value(source); }
    // Why `source` was refused, as a line of the message that ends the run.
    QString refusal(const QString& source) const { return m_refused.value(source); }

private:
    WrapPlan m_plan;
    QHash<QString, const WrapItem*> m_planned;
    QHash<QString, QString> m_refused;
};

} // namespace

QString pathCaption(const QString& folder) {
    if (folder.size() < 20) return QStringLiteral("Path : ") + folder;
    return QStringLiteral("Path : ") + folder.left(20) + QStringLiteral("....");
}

BatchWrapWindow::BatchWrapWindow(Session& session, Platform& platform)
    : WindowBase(QStringLiteral("BatchWrapWindow"), QStringLiteral("Save multiple photos"),
                 QSize(368, 408), platform),
      m_session(session), m_platform(platform) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setBackdrop(browseBackdrop(
        size(), QStringLiteral("Wrap many photos at once"),
        {{QRect(16, 82, 158, 110), QRect(193, 81, 161, 111), QRect(192, 209, 161, 21),
          QRect(15, 242, 161, 111), QRect(16, 370, 161, 21), QRect(194, 235, 155, 57)},
         {QRect(195, 353, 40, 37), QRect(236, 353, 40, 37), QRect(277, 353, 71, 37)},
         {QRect(15, 208, 161, 17)}}));

    addSourcePane();
    addDestinationPane();
    addRunControls();
    addTrashOriginalsBox();

    connect(m_sources, &BrowsePane::folderChanged, this, &BatchWrapWindow::sourceFolderChanged);
    connect(m_destinations, &BrowsePane::folderChanged, this,
            &BatchWrapWindow::destinationFolderChanged);
    connect(m_backButton, &ImageButton::clicked, this, &BatchWrapWindow::back);
    connect(m_startButton, &ImageButton::clicked, this, &BatchWrapWindow::wrapSelected);
    connect(m_abortButton, &ImageButton::clicked, this, &BatchWrapWindow::abort);
    connect(m_helpButton, &ImageButton::clicked, this, &BatchWrapWindow::showHelp);

    load();
}

void BatchWrapWindow::addSourcePane() {
    addBrowseLabel(this, "selectPhotosLabel", QStringLiteral("Select photos"), {18, 65});
    m_sources = new BrowsePane(*this, m_platform,
                               {"sourceDrive", QRect(192, 209, 161, 21), "sourceFolders",
                                QRect(193, 81, 161, 111), "photoList", QRect(16, 82, 158, 110)});
    m_photoList = m_sources->files();
    m_photoList->setAccessibleName(QStringLiteral("Photos"));
    m_photoList->setToolTip(
        QStringLiteral("Click to select. Use shift or ctrl keys for multiple selection."));
    m_sourcePathLabel =
        addBrowseLabel(this, "sourcePathLabel", QStringLiteral("Path : "), {196, 65});
    m_sourceFolders = m_sources->folders();
    m_sourceFolders->setAccessibleName(QStringLiteral("Photo folder"));
    m_sourceFolders->setToolTip(QStringLiteral("Select folder"));
    addBrowseLabel(this, "sourceDriveLabel", QStringLiteral("Drive"), {196, 195});
    m_sourceDrive = m_sources->drive();
    m_sourceDrive->setAccessibleName(QStringLiteral("Drive"));
    m_sourceDrive->setToolTip(QStringLiteral("Select drive"));
}

void BatchWrapWindow::addDestinationPane() {
    addBrowseLabel(this, "selectDestinationLabel", QStringLiteral("Select Destination Folder"),
                   {21, 210});
    m_destinationPathLabel = addBrowseLabel(this, "destinationPathLabel", QString(), {19, 227});
    m_destinations = new BrowsePane(*this, m_platform,
                                    {"destinationDrive", QRect(16, 370, 161, 21),
                                     "destinationFolders", QRect(15, 242, 161, 111)});
    m_destinationFolders = m_destinations->folders();
    m_destinationFolders->setAccessibleName(QStringLiteral("Destination folder"));
    m_destinationFolders->setToolTip(
        QStringLiteral("Select destination folder where .pff files will be saved."));
    addBrowseLabel(this, "destinationDriveLabel", QStringLiteral("Drive"), {18, 356});
    m_destinationDrive = m_destinations->drive();
    m_destinationDrive->setAccessibleName(QStringLiteral("Destination drive"));
    m_destinationDrive->setToolTip(QStringLiteral("Select destination drive"));
}

void BatchWrapWindow::addRunControls() {
    // Two lines of the window's font: "Saving 10 of 12 files....wait" and the end of a stopped
    // run need both.
    m_statusLabel = addBrowseLabel(this, "statusLabel", QStringLiteral("#"), {198, 237});
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_statusLabel->setFixedSize(147, 2 * QFontMetrics(font()).lineSpacing() + 2);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setGeometry(198, 276, 147, 12);
    m_progressBar->setTextVisible(false);
    m_progressBar->setAccessibleName(QStringLiteral("Progress"));

    m_abortButton = addImageButton(10, QStringLiteral("abortButton"), QRect(195, 296, 0, 0),
                                   QStringLiteral("Click to abort the saving process."),
                                   QStringLiteral("Abort"));
    m_helpButton = addImageButton(9, QStringLiteral("helpButton"), QRect(195, 353, 0, 0),
                                  QStringLiteral("Click to view help."), QStringLiteral("Help"));
    m_startButton = addImageButton(4, QStringLiteral("startButton"), QRect(236, 353, 0, 0),
                                   QStringLiteral("Click to start saving files in .pff format."),
                                   QStringLiteral("Start"));
    m_backButton = addImageButton(7, QStringLiteral("backButton"), QRect(277, 353, 0, 0),
                                  QStringLiteral("Click to go back to the main screen."),
                                  QStringLiteral("Back"));
}

void BatchWrapWindow::addTrashOriginalsBox() {
    // Beside the abort button, in two lines of the window's font or a smaller one where that
    // font is too wide for the room up to the lists' right edge.
    m_trashOriginalsBox = new QCheckBox(QStringLiteral("Move originals\nto the trash"), this);
    m_trashOriginalsBox->setObjectName(QStringLiteral("trashOriginalsBox"));
    m_trashOriginalsBox->setAccessibleName(QStringLiteral("Move originals to the trash"));
    // The style's own focus frame is lost under a style sheet: a white one shows the focus.
    m_trashOriginalsBox->setStyleSheet(
        QStringLiteral("QCheckBox { color: white; border: 1px solid transparent; }"
                       "QCheckBox:focus { border-color: white; }"
                       "QCheckBox:disabled { color: #d0d4da; }"));
    m_trashOriginalsBox->setToolTip(
        QStringLiteral("After each photo is saved and its .pff file reads back the same, move "
                       "the original photo to the desktop's trash."));
    const QRect trashRoom(240, 296, 354 - 240, 37);
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) +
                          style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this) + 2;
    m_trashOriginalsBox->setFont(
        fittingFont(font(), QStringLiteral("Move originals"), trashRoom.width() - indicator));
    m_trashOriginalsBox->setGeometry(trashRoom);
}

void BatchWrapWindow::load() {
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    QStringList patterns;
    for (const std::string& pattern : pictureNamePatterns())
        patterns << QString::fromStdString(pattern);
    m_photoList->setPattern(patterns.join(QLatin1Char(';')));
    // Both folder lists start at the process's current folder, both selectors at its volume.
    m_sources->startAtCurrentFolder();
    m_destinations->startAtCurrentFolder();
    m_statusLabel->hide();
    m_progressBar->hide();
    destinationFolderChanged();
    showSourcePath();
    m_abortButton->disable();
    m_trashOriginalsBox->setChecked(false);
}

void BatchWrapWindow::sourceFolderChanged() {
    showSourcePath();
}

// The rule's text stays whole above its list, and the whole path is in its tooltip.
void BatchWrapWindow::showSourcePath() {
    setFittedText(*m_sourcePathLabel, pathCaption(m_sourceFolders->path()),
                  m_sourceFolders->geometry().right(), m_sourceFolders->path());
}

void BatchWrapWindow::destinationFolderChanged() {
    setFittedText(*m_destinationPathLabel, pathCaption(m_destinationFolders->path()),
                  m_destinationFolders->geometry().right(), m_destinationFolders->path());
}

void BatchWrapWindow::back() {
    if (running()) return;
    unload();
}

// The photos of the source list as they stood when a run started: a refresh or another folder
// chosen during a yield must not shift the entries.
struct BatchWrapWindow::RunList {
    QString folder;
    QStringList names;
    QList<bool> selected;
    std::vector<fs::path> sources;

    explicit RunList(const FileList& list) : folder(list.folder()) {
        for (int i = 0; i < list.entryCount(); ++i) {
            names << list.name(i);
            selected << list.isSelected(i);
            if (selected.back()) sources.push_back(localPath(joinPath(folder, names.back())));
        }
    }
};

// One run as it goes: how it yields and stops, whether the originals go, and what it has come to.
struct BatchWrapWindow::Run {
    explicit Run(const LongWork& running) : work(running) {}

    const LongWork& work;
    Yielder yielder;
    bool trashOriginals = false;
    int written = 0;
    QStringList failures;
    QStringList trashed;
    QStringList kept;
};

void BatchWrapWindow::wrapSelected() {
    LongWork work(*this);
    if (!work.started()) return;
    Run run(work);
    run.trashOriginals = startRun();
    const RunList list(*m_photoList);
    const int n = static_cast<int>(list.sources.size());
    const PlannedRun plan(list.sources, localPath(m_destinationFolders->path()));

    int k = 1;
    for (qsizetype i = 0; i < list.names.size(); ++i) {
        run.yielder.yieldNow();
        // The abort button, or the end of the application.
        if (m_abortAsked || work.stopRequested()) break;
        if (!list.selected[i]) continue;
        m_statusLabel->setText(QStringLiteral("Saving %1 of %2 files.").arg(k).arg(n));
        emit fileStarting(k);
        run.yielder.yieldNow();
        ++k;
        const QString source = joinPath(list.folder, list.names[i]);
        const WrapItem* item = plan.item(source);
        if (!item) {
            run.failures << plan.refusal(source);
            continue;
        }
        if (!wrapPhoto(*item, source, list.names[i], run)) break;
    }
    endRun(list, run, n - (k - 1));
}

bool BatchWrapWindow::startRun() {
    m_backButton->disable();
    m_startButton->disable();
    m_abortButton->enable();
    const bool trashOriginals = m_trashOriginalsBox->isChecked();
    m_trashOriginalsBox->setEnabled(false);
    m_abortAsked = false;
    m_statusLabel->show();
    return trashOriginals;
}

bool BatchWrapWindow::wrapPhoto(const WrapItem& item, const QString& source, const QString& name,
                                Run& run) {
    const WrapJob job(item, m_session.currentOwner(), &m_session.clock(),
                      barProgress([this](int value, int maximum) {
                          m_progressBar->setMaximum(std::max(maximum, 1));
                          m_progressBar->setValue(value);
                      }),
                      run.work.stopToken());
    try {
        runStep([&] { job.wrap(); });
        ++run.written;
        run.yielder.yieldNow();
        if (run.trashOriginals) trashOriginal(job, name, run);
    } catch (const Failure& failure) {
        // Stopped part way: the file being written is gone, and the run ends.
        if (failure.number() == err::UserInterrupt) return false;
        run.failures << failureLine(source, failure);
    } catch (const std::bad_alloc&) {
        run.failures << failureLine(source, Failure(err::OutOfMemory));
    }
    m_progressBar->hide();
    return true;
}

void BatchWrapWindow::trashOriginal(const WrapJob& job, const QString& name, Run& run) {
    TrashOutcome outcome;
    runStep([&] {
        DesktopTrash trash;
        outcome = job.trashOriginal(trash);
    });
    if (outcome.moved) {
        run.trashed << name;
    } else {
        run.kept << QStringLiteral("%1: %2").arg(name, toQt(outcome.reason));
    }
}

void BatchWrapWindow::endRun(const RunList& list, const Run& run, int left) {
    // A stopped run says so after its total, with the photos it did not come to.
    m_statusLabel->setText(
        QStringLiteral("Total %1 saved.").arg(run.written) +
        (m_abortAsked && left > 0 ? QStringLiteral(" Stopped, %1 left.").arg(left) : QString()));
    m_backButton->enable();
    m_startButton->enable();
    m_abortButton->disable();
    m_trashOriginalsBox->setEnabled(true);
    if (!run.trashed.isEmpty()) {
        // The moved originals leave the list; the others keep their selection.
        m_photoList->refresh();
        for (int i = 0; i < m_photoList->entryCount(); ++i) {
            const qsizetype at = list.names.indexOf(m_photoList->name(i));
            m_photoList->item(i)->setSelected(at >= 0 && list.selected[at]);
        }
    }
    const QString message = endMessage(list.folder, run.failures, run.trashed, run.kept);
    if (!message.isEmpty()) m_platform.message(this, message);
}

QString BatchWrapWindow::endMessage(const QString& folder, const QStringList& failures,
                                    const QStringList& trashed, const QStringList& kept) {
    QStringList parts;
    const auto part = [&parts](const QString& heading, const QStringList& lines) {
        if (!lines.isEmpty())
            parts << heading + QStringLiteral("\r\n\r\n") + lines.join(QStringLiteral("\r\n"));
    };
    part(QStringLiteral("These photos were not saved:"), failures);
    // The originals all come from one folder: named once, above their file names.
    part(QStringLiteral("Moved to the trash from %1:").arg(folder), trashed);
    part(QStringLiteral("Kept in %1, not moved to the trash:").arg(folder), kept);
    return parts.join(QStringLiteral("\r\n\r\n"));
}

void BatchWrapWindow::abort() {
    m_abortAsked = true;
    m_abortButton->disable();
    m_statusLabel->setText(m_statusLabel->text() + QStringLiteral("...wait"));
}

void BatchWrapWindow::showHelp() {
    openHelp(m_platform, this);
}

void BatchWrapWindow::closeWhileRunning() {
    if (!m_abortAsked) abort();
}

void BatchWrapWindow::runStep(const std::function<void()>& step) {
    m_progressBar->setValue(0);
    m_progressBar->show();
    try {
        step();
    } catch (...) {
        m_progressBar->hide();
        throw;
    }
    m_progressBar->hide();
}

} // namespace pixa::ui
