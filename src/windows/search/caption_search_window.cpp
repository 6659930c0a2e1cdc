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

    addBrowsing();
    addListingControls();
    addButtons();

    connect(m_pane, &BrowsePane::folderChanged, this, &CaptionSearchWindow::listFolder);
    connect(m_viewButton, &ImageButton::clicked, this, &CaptionSearchWindow::viewPhoto);
    connect(m_backButton, &ImageButton::clicked, this, &CaptionSearchWindow::back);
    connect(m_helpButton, &ImageButton::clicked, this, &CaptionSearchWindow::showHelp);
    connect(m_subfoldersBox, &QCheckBox::toggled, this, &CaptionSearchWindow::listFolder);
    connect(m_filterEdit, &QLineEdit::textChanged, this, &CaptionSearchWindow::applyFilter);
    connect(m_stopButton, &QPushButton::clicked, this, &CaptionSearchWindow::requestStop);

    // Loading.
    m_hold = mainWindow.holdMainWindow();
    m_pane->startAtCurrentFolder();
    setFirstBox(m_filterEdit);
    listFolder();
}

void CaptionSearchWindow::addBrowsing() {
    addBrowseLabel(this, "folderLabel", QStringLiteral("Directory :"), {18, 65});
    m_pane = new BrowsePane(*this, m_platform,
                            {"drive", QRect(16, 188, 120, 21), "folders", QRect(16, 81, 119, 81)});
    m_folders = m_pane->folders();
    m_folders->setAccessibleName(QStringLiteral("Directory"));
    addBrowseLabel(this, "driveLabel", QStringLiteral("Drive :"), {18, 171});
    m_drive = m_pane->drive();
    m_drive->setAccessibleName(QStringLiteral("Drive"));
    addBrowseLabel(this, "captionListLabel",
                   QStringLiteral("Select a caption from the list below to view photo."),
                   {156, 65});
    m_captionList = new QListWidget(this);
    m_captionList->setObjectName(QStringLiteral("captionList"));
    m_captionList->setGeometry(154, 82, 360, 238);
    m_captionList->setAccessibleName(QStringLiteral("Captions"));
}

void CaptionSearchWindow::addListingControls() {
    m_subfoldersBox = new QCheckBox(QStringLiteral("Include subfolders"), this);
    m_subfoldersBox->setObjectName(QStringLiteral("subfoldersBox"));
    // The style's own focus frame is lost under a style sheet: a white one shows the focus.
    m_subfoldersBox->setStyleSheet(
        QStringLiteral("QCheckBox { color: white; border: 1px solid transparent; }"
                       "QCheckBox:focus { border-color: white; }"));
    m_subfoldersBox->setGeometry(16, 220, 136, 20);
    addBrowseLabel(this, "filterLabel", QStringLiteral("Filter captions :"), {18, 246});
    m_filterEdit = new QLineEdit(this);
    m_filterEdit->setObjectName(QStringLiteral("filterEdit"));
    m_filterEdit->setGeometry(16, 264, 120, 22);
    m_filterEdit->setClearButtonEnabled(true);
    m_filterEdit->setAccessibleName(QStringLiteral("Filter captions"));
    m_stopButton = new QPushButton(QStringLiteral("Stop listing"), this);
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    m_stopButton->setGeometry(16, 296, 120, 24);
    m_stopButton->setToolTip(QStringLiteral("Stop the listing; the captions read so far stay"));
    m_stopButton->hide();
}

void CaptionSearchWindow::addButtons() {
    m_helpButton = addImageButton(9, QStringLiteral("helpButton"), QRect(329, 330, 0, 0),
                                  QStringLiteral("Help"), QStringLiteral("Help"));
    m_viewButton = addImageButton(1, QStringLiteral("viewButton"), QRect(370, 330, 0, 0),
                                  QStringLiteral("View the photo of the selected caption"),
                                  QStringLiteral("View photo"));
    m_backButton =
        addImageButton(7, QStringLiteral("backButton"), QRect(442, 330, 0, 0),
                       QStringLiteral("Back to the main window"), QStringLiteral("Back"));
}

void CaptionSearchWindow::listFolder() {
    LongWork work(*this);
    if (!work.started()) return;
    // The listing disables the browsing controls; the focus comes back where it was after.
    const QPointer<QWidget> focused = focusWidget();
    setBrowsingEnabled(false);
    m_captionList->clear();
    Yielder yielder;

    std::vector<UnreadFolder> unread;
    const std::vector<fs::path> files = findFiles(unread, yielder, work);
    const int listed = listCaptions(files, yielder, work);
    for (const UnreadFolder& folderLeft : unread) {
        // Greyed and never chosen: no file belongs to it.
        auto* item = new QListWidgetItem(unreadFolderText(folderLeft), m_captionList);
        item->setFlags(Qt::NoItemFlags);
    }
    applyFilter();
    if (listed > 0)
        m_viewButton->enable();
    else
        m_viewButton->disable();
    setBrowsingEnabled(true);
    if (focused && focused->isEnabled()) focused->setFocus(Qt::OtherFocusReason);
}

// Entry j of the list belongs to file j of the folder, or of the whole tree. The walk of a tree
// yields and stops like the listing; what it could not read is said after the captions, so that
// a partial list never passes for a whole one.
std::vector<fs::path> CaptionSearchWindow::findFiles(std::vector<UnreadFolder>& unread,
                                                     Yielder& yielder, const LongWork& work) {
    const fs::path folder = localPath(m_folders->path());
    try {
        return listPffFiles(
            folder, m_subfoldersBox->isChecked(), &unread,
            [&](const fs::path&) { yielder.maybeYield(); }, work.stopToken());
    } catch (const Failure& failure) {
        if (failure.number() != err::UserInterrupt) unread.push_back({folder, failure});
    }
    return {};
}

int CaptionSearchWindow::listCaptions(const std::vector<fs::path>& files, Yielder& yielder,
                                      const LongWork& work) {
    int listed = 0;
    try {
        readCaptions(
            files,
            [&](const CaptionEntry& entry) {
                if (addCaption(entry)) emit fileListed(++listed);
            },
            [&](uint64_t, uint64_t) { yielder.maybeYield(); }, work.stopToken());
    } catch (const Failure&) {
        // Stopped: by a bad file, the stop button or closing the window. What was listed stays,
        // and the view button follows it.
    }
    return listed;
}

bool CaptionSearchWindow::addCaption(const CaptionEntry& entry) {
    if (entry.status == CaptionStatus::NotWrapped) {
        m_platform.message(this, QString::fromStdString(msg::corruptFile(entry.file.string())));
        requestStop();
        return false;
    }
    if (entry.status == CaptionStatus::Unreadable) {
        m_platform.message(this, unreadableText(*entry.failure, entry.file));
        requestStop();
        return false;
    }
    if (!entry.caption.complete) {
        m_platform.message(this, coreText(msg::CorruptTag));
    }
    QString text = QString::fromStdString(fromCodePage(entry.caption.caption));
    const QString where = windowPath(entry.file.parent_path());
    if (where != m_folders->path() && m_subfoldersBox->isChecked()) {
        text = text.trimmed() + QStringLiteral("    (") +
               QDir(m_folders->path()).relativeFilePath(where) + QLatin1Char(')');
    }
    auto* item = new QListWidgetItem(text, m_captionList);
    item->setData(Qt::UserRole, windowPath(entry.file));
    return true;
}

void CaptionSearchWindow::setBrowsingEnabled(bool enabled) {
    m_folders->setEnabled(enabled);
    m_drive->setEnabled(enabled);
    m_subfoldersBox->setEnabled(enabled);
    m_stopButton->setVisible(!enabled);
}

void CaptionSearchWindow::applyFilter() {
    const QString filter = m_filterEdit->text().trimmed();
    for (int j = 0; j < m_captionList->count(); ++j) {
        QListWidgetItem* item = m_captionList->item(j);
        // A folder that could not be read stays in sight whatever the filter.
        if (item->data(Qt::UserRole).toString().isEmpty()) continue;
        item->setHidden(!filter.isEmpty() && !item->text().contains(filter, Qt::CaseInsensitive));
    }
}

void CaptionSearchWindow::viewPhoto() {
    if (running()) return;
    QListWidgetItem* chosen = m_captionList->currentItem();
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
    for (int j = 0; j < m_captionList->count(); ++j) {
        const QListWidgetItem* item = m_captionList->item(j);
        const QString listed = item->data(Qt::UserRole).toString();
        if (!item->isHidden() && !listed.isEmpty()) stepList << listed;
    }
    m_hold.release();
    unload();
    m_mainWindow.viewPhoto(file, stepList);
}

void CaptionSearchWindow::back() {
    if (running()) {
        // Closing waits for the listing to stop, then comes back here.
        close();
        return;
    }
    m_hold.release();
    unload();
}

void CaptionSearchWindow::showHelp() {
    openHelp(m_platform, this);
}

} // namespace pixa::ui
