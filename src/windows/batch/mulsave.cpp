#include "windows/batch/mulsave.h"

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

} // namespace

QString pathCaption(const QString& folder) {
    if (folder.size() < 20) return QStringLiteral("Path : ") + folder;
    return QStringLiteral("Path : ") + folder.left(20) + QStringLiteral("....");
}

mulsave::mulsave(Session& session, Platform& platform)
    : WindowBase(QStringLiteral("mulsave"), QStringLiteral("Save multiple photos"),
                 QSize(368, 408), platform),
      m_session(session), m_platform(platform) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setBackdrop(browseBackdrop(
        size(), QStringLiteral("Wrap many photos at once"),
        {{QRect(16, 82, 158, 110), QRect(193, 81, 161, 111), QRect(192, 209, 161, 21),
          QRect(15, 242, 161, 111), QRect(16, 370, 161, 21), QRect(194, 235, 155, 57)},
         {QRect(195, 353, 40, 37), QRect(236, 353, 40, 37), QRect(277, 353, 71, 37)},
         {QRect(15, 208, 161, 17)}}));

    Label2 = addBrowseLabel(this, "Label2", QStringLiteral("Select photos"), {18, 65});
    m_sources = new BrowsePane(*this, platform,
                               {"Drive1", QRect(192, 209, 161, 21), "Dir1",
                                QRect(193, 81, 161, 111), "File1", QRect(16, 82, 158, 110)});
    File1 = m_sources->files();
    File1->setAccessibleName(QStringLiteral("Photos"));
    File1->setToolTip(
        QStringLiteral("Click to select. Use shift or ctrl keys for multiple selection."));
    Label3 = addBrowseLabel(this, "Label3", QStringLiteral("Path : "), {196, 65});
    Dir1 = m_sources->folders();
    Dir1->setAccessibleName(QStringLiteral("Photo folder"));
    Dir1->setToolTip(QStringLiteral("Select folder"));
    Label6 = addBrowseLabel(this, "Label6", QStringLiteral("Drive"), {196, 195});
    Drive1 = m_sources->drive();
    Drive1->setAccessibleName(QStringLiteral("Drive"));
    Drive1->setToolTip(QStringLiteral("Select drive"));

    Label7 = addBrowseLabel(this, "Label7", QStringLiteral("Select Destination Folder"), {21, 210});
    Label1 = addBrowseLabel(this, "Label1", QString(), {19, 227});
    m_destinations = new BrowsePane(
        *this, platform, {"Drive2", QRect(16, 370, 161, 21), "Dir2", QRect(15, 242, 161, 111)});
    Dir2 = m_destinations->folders();
    Dir2->setAccessibleName(QStringLiteral("Destination folder"));
    Dir2->setToolTip(QStringLiteral("Select destination folder where .pff files will be saved."));
    Label5 = addBrowseLabel(this, "Label5", QStringLiteral("Drive"), {18, 356});
    Drive2 = m_destinations->drive();
    Drive2->setAccessibleName(QStringLiteral("Destination drive"));
    Drive2->setToolTip(QStringLiteral("Select destination drive"));

    // Two lines of the window's font: "Saving 10 of 12 files....wait" and the end of a stopped
    // run need both.
    Label4 = addBrowseLabel(this, "Label4", QStringLiteral("#"), {198, 237});
    Label4->setWordWrap(true);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label4->setFixedSize(147, 2 * QFontMetrics(font()).lineSpacing() + 2);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(198, 276, 147, 12);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName(QStringLiteral("Progress"));

    Image3 = addImageButton(10, QStringLiteral("Image3"), QRect(195, 296, 0, 0),
                            QStringLiteral("Click to abort the saving process."),
                            QStringLiteral("Abort"));
    Image4 = addImageButton(9, QStringLiteral("Image4"), QRect(195, 353, 0, 0),
                            QStringLiteral("Click to view help."), QStringLiteral("Help"));
    Image2 = addImageButton(4, QStringLiteral("Image2"), QRect(236, 353, 0, 0),
                            QStringLiteral("Click to start saving files in .pff format."),
                            QStringLiteral("Start"));
    Image1 = addImageButton(7, QStringLiteral("Image1"), QRect(277, 353, 0, 0),
                            QStringLiteral("Click to go back to the main screen."),
                            QStringLiteral("Back"));

    // Beside the abort button, in two lines of the window's font or a smaller one where that
    // font is too wide for the room up to the lists' right edge.
    m_trashOriginals = new QCheckBox(QStringLiteral("Move originals\nto the trash"), this);
    m_trashOriginals->setObjectName(QStringLiteral("TrashOriginals"));
    m_trashOriginals->setAccessibleName(QStringLiteral("Move originals to the trash"));
    // The style's own focus frame is lost under a style sheet: a white one shows the focus.
    m_trashOriginals->setStyleSheet(
        QStringLiteral("QCheckBox { color: white; border: 1px solid transparent; }"
                       "QCheckBox:focus { border-color: white; }"
                       "QCheckBox:disabled { color: #d0d4da; }"));
    m_trashOriginals->setToolTip(
        QStringLiteral("After each photo is saved and its .pff file reads back the same, move "
                       "the original photo to the desktop's trash."));
    const QRect trashRoom(240, 296, 354 - 240, 37);
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) +
                          style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this) + 2;
    m_trashOriginals->setFont(
        fittingFont(font(), QStringLiteral("Move originals"), trashRoom.width() - indicator));
    m_trashOriginals->setGeometry(trashRoom);

    connect(m_sources, &BrowsePane::folderChanged, this, &mulsave::Dir1_Change);
    connect(m_destinations, &BrowsePane::folderChanged, this, &mulsave::Dir2_Change);
    connect(Image1, &ImageButton::clicked, this, &mulsave::Image1_Click);
    connect(Image2, &ImageButton::clicked, this, &mulsave::Image2_Click);
    connect(Image3, &ImageButton::clicked, this, &mulsave::Image3_Click);
    connect(Image4, &ImageButton::clicked, this, &mulsave::Image4_Click);

    Form_Load();
}

void mulsave::Form_Load() {
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    QStringList patterns;
    for (const std::string& pattern : pictureNamePatterns())
        patterns << QString::fromStdString(pattern);
    File1->setPattern(patterns.join(QLatin1Char(';')));
    // Both folder lists start at the process's current folder, both selectors at its volume.
    m_sources->startAtCurrentFolder();
    m_destinations->startAtCurrentFolder();
    Label4->hide();
    ProgressBar1->hide();
    Dir2_Change();
    showSourcePath();
    Image3->Disable();
    m_trashOriginals->setChecked(false);
}

void mulsave::Dir1_Change() {
    showSourcePath();
}

// The rule's text stays whole above its list, and the whole path is in its tooltip.
void mulsave::showSourcePath() {
    setFittedText(*Label3, pathCaption(Dir1->path()), Dir1->geometry().right(), Dir1->path());
}

void mulsave::Dir2_Change() {
    setFittedText(*Label1, pathCaption(Dir2->path()), Dir2->geometry().right(), Dir2->path());
}

void mulsave::Image1_Click() {
    if (running()) return;
    unload();
}

void mulsave::Image2_Click() {
    LongWork work(*this);
    if (!work.started()) return;
    Yielder yielder;

    Image1->Disable();
    Image2->Disable();
    Image3->Enable();
    const bool trashOriginals = m_trashOriginals->isChecked();
    m_trashOriginals->setEnabled(false);
    cancel_sw = false;
    Label4->show();

    // The list as it stands at the start: a refresh or another folder chosen during a yield must
    // not shift the entries.
    const QString folder = File1->folder();
    QStringList names;
    QList<bool> selected;
    std::vector<fs::path> sources;
    for (int i = 0; i < File1->entryCount(); ++i) {
        names << File1->name(i);
        selected << File1->isSelected(i);
        if (selected.back()) sources.push_back(localPath(joinPath(folder, names.back())));
    }
    const int n = static_cast<int>(sources.size());
    // Every source's target, type and caption, and the sources that cannot be wrapped: not a
    // picture, gone, or a second source for one target.
    WrapOptions options;
    options.outputFolder = localPath(Dir2->path());
    // What an earlier run that was killed left half-written there goes first.
    removeStaleTemporaries(*options.outputFolder);
    const WrapPlan plan = planWraps(sources, options);
    QHash<QString, const WrapItem*> planned;
    for (const WrapItem& item : plan.items)
        planned.insert(windowPath(item.source), &item);
    QHash<QString, QString> refused;
    for (const WrapRefusal& refusal : plan.refusals) {
        const QString source = windowPath(refusal.source);
        // A reason that names the photo already is not prefixed with it once more.
        const QString reason = toQt(refusal.reason);
        refused.insert(source, refusal.number != 0 ? failureLine(source, Failure(refusal.number))
                               : reason.contains(source) ? reason
                                                         : QStringLiteral("%1: %2").arg(source, reason));
    }

    QStringList failures;
    QStringList trashed;
    QStringList kept;
    int k = 1;
    int written = 0;
    for (qsizetype i = 0; i < names.size(); ++i) {
        yielder.yieldNow();
        // The abort button, or the end of the application.
        if (cancel_sw || work.stopRequested()) break;
        if (!selected[i]) continue;
        Label4->setText(QStringLiteral("Saving %1 of %2 files.").arg(k).arg(n));
        emit fileStarting(k);
        yielder.yieldNow();
        ++k;
        const QString source = joinPath(folder, names[i]);
        const WrapItem* item = planned.value(source);
        if (!item) {
            failures << refused.value(source);
            continue;
        }
        const WrapJob job(*item, m_session.currentOwner(), &m_session.clock(),
                          barProgress([this](int value, int maximum) {
                              ProgressBar1->setMaximum(std::max(maximum, 1));
                              ProgressBar1->setValue(value);
                          }),
                          work.stopToken());
        try {
            runStep([&] { job.wrap(); });
            ++written;
            yielder.yieldNow();
            if (trashOriginals) {
                TrashOutcome outcome;
                runStep([&] {
                    DesktopTrash trash;
                    outcome = job.trashOriginal(trash);
                });
                if (outcome.moved) {
                    trashed << names[i];
                } else {
                    kept << QStringLiteral("%1: %2").arg(names[i], toQt(outcome.reason));
                }
            }
        } catch (const Failure& failure) {
            // Stopped part way: the file being written is gone, and the run ends.
            if (failure.number() == err::UserInterrupt) break;
            failures << failureLine(source, failure);
        } catch (const std::bad_alloc&) {
            failures << failureLine(source, Failure(err::OutOfMemory));
        }
        ProgressBar1->hide();
    }
    // A stopped run says so after its total, with the photos it did not come to.
    const int left = n - (k - 1);
    Label4->setText(QStringLiteral("Total %1 saved.").arg(written) +
                    (cancel_sw && left > 0 ? QStringLiteral(" Stopped, %1 left.").arg(left)
                                           : QString()));
    Image1->Enable();
    Image2->Enable();
    Image3->Disable();
    m_trashOriginals->setEnabled(true);
    if (!trashed.isEmpty()) {
        // The moved originals leave the list; the others keep their selection.
        File1->refresh();
        for (int i = 0; i < File1->entryCount(); ++i) {
            const qsizetype at = names.indexOf(File1->name(i));
            File1->item(i)->setSelected(at >= 0 && selected[at]);
        }
    }
    const QString message = endMessage(folder, failures, trashed, kept);
    if (!message.isEmpty()) m_platform.message(this, message);
}

QString mulsave::endMessage(const QString& folder, const QStringList& failures,
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

void mulsave::Image3_Click() {
    cancel_sw = true;
    Image3->Disable();
    Label4->setText(Label4->text() + QStringLiteral("...wait"));
}

void mulsave::Image4_Click() {
    openHelp(m_platform, this);
}

void mulsave::closeWhileRunning() {
    if (!cancel_sw) Image3_Click();
}

void mulsave::runStep(const std::function<void()>& step) {
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    try {
        step();
    } catch (...) {
        ProgressBar1->hide();
        throw;
    }
    ProgressBar1->hide();
}

} // namespace pixa::ui
