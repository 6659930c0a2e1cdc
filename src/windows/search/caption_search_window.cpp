#include "windows/search/caption_search_window.h"

#include "core/caption_listing.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/error_table.h"
#include "core/messages.h"
#include "ui/browse_backdrop.h"
#include "ui/browse_pane.h"
#include "ui/file_browsers.h"
#include "ui/help.h"
#include "ui/image_button.h"
#include "ui/main_window_link.h"
#include "ui/platform.h"
#include "ui/yielder.h"
#include "windows/unlock/viewer_unlock.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

#include <filesystem>
#include <vector>

namespace pixa::ui {

namespace fs = std::filesystem;

namespace {

QString unreadableText(const Failure& failure, const fs::path& file) {
    const auto messages =
        errorMessages(ErrorVariant::File, failure.number(), failure.description());
    return windowPath(file) + QStringLiteral(" could not be read.\r\n\r\n") +
           QString::fromStdString(messages.front());
}

// A folder of the tree that could not be read, after the captions.
QString unreadFolderText(const UnreadFolder& unread) {
    const auto messages =
        errorMessages(ErrorVariant::File, unread.failure.number(), unread.failure.description());
    return QStringLiteral("Not searched: %1 (%2)")
        .arg(windowPath(unread.folder), QString::fromStdString(messages.front()));
}

} // namespace

CaptionSearchWindow::CaptionSearchWindow(MainWindowLink& mainWindow, Platform& platform,
                                         ViewerUnlock& unlock)
    : WindowBase(QStringLiteral("CaptionSearchWindow"), QStringLiteral("Search"), QSize(532, 379),
                 platform),
      m_mainWindow(mainWindow), m_platform(platform), m_unlock(unlock) {
    setBackdrop(
        browseBackdrop(size(), QStringLiteral("Find wrapped photos by their captions"),
                       {{QRect(16, 81, 119, 81), QRect(16, 188, 120, 21), QRect(154, 82, 360, 238),
                         QRect(16, 264, 120, 22)},
                        {QRect(329, 330, 40, 37), QRect(370, 330, 71, 37), QRect(442, 330, 71, 37)},
                        {}}));

    Label1 = addBrowseLabel(this, "Label1", QStringLiteral("Directory :"), {18, 65});
    m_pane = new BrowsePane(*this, platform,
                            {"Drive1", QRect(16, 188, 120, 21), "Dir1", QRect(16, 81, 119, 81)});
    Dir1 = m_pane->folders();
    Dir1->setAccessibleName(QStringLiteral("Directory"));
    Label2 = addBrowseLabel(this, "Label2", QStringLiteral("Drive :"), {18, 171});
    Drive1 = m_pane->drive();
    Drive1->setAccessibleName(QStringLiteral("Drive"));
    Label3 = addBrowseLabel(this, "Label3",
                            QStringLiteral("Select a caption from the list below to view photo."),
                            {156, 65});
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(154, 82, 360, 238);
    List1->setAccessibleName(QStringLiteral("Captions"));

    m_subfolders = new QCheckBox(QStringLiteral("Include subfolders"), this);
    m_subfolders->setObjectName(QStringLiteral("Subfolders"));
    // The style's own focus frame is lost under a style sheet: a white one shows the focus.
    m_subfolders->setStyleSheet(
        QStringLiteral("QCheckBox { color: white; border: 1px solid transparent; }"
                       "QCheckBox:focus { border-color: white; }"));
    m_subfolders->setGeometry(16, 220, 136, 20);
    addBrowseLabel(this, "FilterLabel", QStringLiteral("Filter captions :"), {18, 246});
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("Filter"));
    m_filter->setGeometry(16, 264, 120, 22);
    m_filter->setClearButtonEnabled(true);
    m_filter->setAccessibleName(QStringLiteral("Filter captions"));
    m_stop = new QPushButton(QStringLiteral("Stop listing"), this);
    m_stop->setObjectName(QStringLiteral("Stop"));
    m_stop->setGeometry(16, 296, 120, 24);
    m_stop->setToolTip(QStringLiteral("Stop the listing; the captions read so far stay"));
    m_stop->hide();

    Image3 = addImageButton(9, QStringLiteral("Image3"), QRect(329, 330, 0, 0),
                            QStringLiteral("Help"), QStringLiteral("Help"));
    Image1 = addImageButton(1, QStringLiteral("Image1"), QRect(370, 330, 0, 0),
                            QStringLiteral("View the photo of the selected caption"),
                            QStringLiteral("View photo"));
    Image2 = addImageButton(7, QStringLiteral("Image2"), QRect(442, 330, 0, 0),
                            QStringLiteral("Back to the main window"), QStringLiteral("Back"));

    connect(m_pane, &BrowsePane::folderChanged, this, &CaptionSearchWindow::Dir1_Change);
    connect(Image1, &ImageButton::clicked, this, &CaptionSearchWindow::Image1_Click);
    connect(Image2, &ImageButton::clicked, this, &CaptionSearchWindow::Image2_Click);
    connect(Image3, &ImageButton::clicked, this, &CaptionSearchWindow::Image3_Click);
    connect(m_subfolders, &QCheckBox::toggled, this, &CaptionSearchWindow::listFolder);
    connect(m_filter, &QLineEdit::textChanged, this, &CaptionSearchWindow::applyFilter);
    connect(m_stop, &QPushButton::clicked, this, &CaptionSearchWindow::requestStop);

    // Form_Load
    m_hold = mainWindow.holdMainWindow();
    m_pane->startAtCurrentFolder();
    setFirstBox(m_filter);
    listFolder();
}

void CaptionSearchWindow::Dir1_Change() {
    listFolder();
}

void CaptionSearchWindow::listFolder() {
    LongWork work(*this);
    if (!work.started()) return;
    // The listing disables the browsing controls; the focus comes back where it was after.
    const QPointer<QWidget> focused = focusWidget();
    setBrowsingEnabled(false);
    List1->clear();
    Yielder yielder;

    // Entry j of the list belongs to file j of the folder, or of the whole tree. The walk of a
    // tree yields and stops like the listing; what it could not read is said after the
    // captions, so that a partial list never passes for a whole one.
    std::vector<fs::path> files;
    std::vector<UnreadFolder> unread;
    const fs::path folder = localPath(Dir1->path());
    try {
        files = listPffFiles(
            folder, m_subfolders->isChecked(), &unread,
            [&](const fs::path&) { yielder.maybeYield(); }, work.stopToken());
    } catch (const Failure& failure) {
        if (failure.number() != err::UserInterrupt) unread.push_back({folder, failure});
    }

    int listed = 0;
    try {
        readCaptions(
            files,
            [&](const CaptionEntry& entry) {
                if (entry.status == CaptionStatus::NotWrapped) {
                    m_platform.message(
                        this, QString::fromStdString(msg::corruptFile(entry.file.string())));
                    requestStop();
                    return;
                }
                if (entry.status == CaptionStatus::Unreadable) {
                    m_platform.message(this, unreadableText(*entry.failure, entry.file));
                    requestStop();
                    return;
                }
                if (!entry.caption.complete) {
                    m_platform.message(this, coreText(msg::CorruptTag));
                }
                QString text = QString::fromStdString(fromCodePage(entry.caption.caption));
                const QString where = windowPath(entry.file.parent_path());
                if (where != Dir1->path() && m_subfolders->isChecked()) {
                    text = text.trimmed() + QStringLiteral("    (") +
                           QDir(Dir1->path()).relativeFilePath(where) + QLatin1Char(')');
                }
                auto* item = new QListWidgetItem(text, List1);
                item->setData(Qt::UserRole, windowPath(entry.file));
                emit fileListed(++listed);
            },
            [&](uint64_t, uint64_t) { yielder.maybeYield(); }, work.stopToken());
    } catch (const Failure&) {
        // Stopped: by a bad file, the stop button or closing the window. What was listed stays,
        // and the view button follows it.
    }
    for (const UnreadFolder& folderLeft : unread) {
        // Greyed and never chosen: no file belongs to it.
        auto* item = new QListWidgetItem(unreadFolderText(folderLeft), List1);
        item->setFlags(Qt::NoItemFlags);
    }
    applyFilter();
    if (listed > 0)
        Image1->Enable();
    else
        Image1->Disable();
    setBrowsingEnabled(true);
    if (focused && focused->isEnabled()) focused->setFocus(Qt::OtherFocusReason);
}

void CaptionSearchWindow::setBrowsingEnabled(bool enabled) {
    Dir1->setEnabled(enabled);
    Drive1->setEnabled(enabled);
    m_subfolders->setEnabled(enabled);
    m_stop->setVisible(!enabled);
}

void CaptionSearchWindow::applyFilter() {
    const QString filter = m_filter->text().trimmed();
    for (int j = 0; j < List1->count(); ++j) {
        QListWidgetItem* item = List1->item(j);
        // A folder that could not be read stays in sight whatever the filter.
        if (item->data(Qt::UserRole).toString().isEmpty()) continue;
        item->setHidden(!filter.isEmpty() && !item->text().contains(filter, Qt::CaseInsensitive));
    }
}

void CaptionSearchWindow::Image1_Click() {
    if (running()) return;
    QListWidgetItem* chosen = List1->currentItem();
    if (!chosen || !chosen->isSelected() || chosen->isHidden()) return;
    const QString file = chosen->data(Qt::UserRole).toString();
    if (file.isEmpty()) return;
    // The search stays, with the caption chosen, until the photo can be opened.
    if (m_unlock.busy()) {
        m_platform.message(this, ViewerUnlock::busyText());
        return;
    }
    // The steps from the photo go through the list as it shows.
    QStringList stepList;
    for (int j = 0; j < List1->count(); ++j) {
        const QListWidgetItem* item = List1->item(j);
        const QString listed = item->data(Qt::UserRole).toString();
        if (!item->isHidden() && !listed.isEmpty()) stepList << listed;
    }
    m_hold.release();
    unload();
    m_mainWindow.viewPhoto(file, stepList);
}

void CaptionSearchWindow::Image2_Click() {
    if (running()) {
        // Closing waits for the listing to stop, then comes back here.
        close();
        return;
    }
    m_hold.release();
    unload();
}

void CaptionSearchWindow::Image3_Click() {
    openHelp(m_platform, this);
}

} // namespace pixa::ui
