#include "windows/main/pixaform.h"

#include "core/error.h"
#include "core/session.h"
#include "ui/error_report.h"
#include "ui/help.h"
#include "ui/image_button.h"
#include "ui/lock_triggers.h"
#include "ui/text_fit.h"
#include "windows/main/main_backdrop.h"
#include "windows/main/photo_ahead.h"
#include "imaging/picture_loader.h"
#include "windows/main/picture_viewport.h"
#include "windows/owner/owner_flow.h"
#include "windows/unlock/viewer_unlock.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QShortcut>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

namespace pixa::ui {

namespace {

constexpr QSize kClientSize(800, 600);
// The caption field of a wrapped photo.
constexpr int kCaptionLength = 64;
// The information labels' room in their panel between the button strips.
constexpr int kInfoLeft = 516;
constexpr int kInfoWidth = 175;

// The labels' common font: the widest of the fixed texts they show fits.
QFont infoFont(const QFont& windowFont) {
    return fittingFont(windowFont, QStringLiteral("Original creation time :00:00:00 PM"),
                       kInfoWidth);
}

} // namespace

pixaform::pixaform(Session& session, Platform& platform)
    : WindowBase(QStringLiteral("pixaform"), QString(), kClientSize, platform), m_session(session),
      m_platform(platform), m_photo(*this, session.unwrappedPicture()),
      m_ahead(std::make_unique<PhotoAhead>(platform, session.unwrappedPicture())) {
    setBackdrop(mainBackdrop());
    setAcceptDrops(true);
    addControls();
    addShortcuts();
    addViewControls();
    // Ctrl+L and idleness (PIXAMANTLER_LOCK_AFTER seconds, for tests) lock.
    m_lockTriggers = new LockTriggers(idleLockAfter(std::getenv("PIXAMANTLER_LOCK_AFTER")), this);
    connect(m_lockTriggers, &LockTriggers::lockRequested, this, &pixaform::lock);
    m_aheadTimer = new QTimer(this);
    m_aheadTimer->setSingleShot(true);
    connect(m_aheadTimer, &QTimer::timeout, this, &pixaform::prepareAhead);
    // As after loading: no photo, nothing to save, no information shown.
    for (QLabel* label : {Label2, Label3, Label4, Label5})
        label->hide();
    Command4->Disable();
}

pixaform::~pixaform() = default;

void pixaform::attach(OwnerFlow& owners, ViewerUnlock& unlock) {
    m_owners = &owners;
    m_unlock = &unlock;
}

void pixaform::addControls() {
    using Handler = void (pixaform::*)();
    const auto button = [this](int face, const char* name, int left, int top, const char* tip,
                               Handler handler) {
        ImageButton* b = addImageButton(face, QString::fromLatin1(name), QRect(left, top, 0, 0),
                                        QString::fromUtf8(tip));
        connect(b, &ImageButton::clicked, this, [this, handler] { untrapped(handler); });
        return b;
    };
    Command1 = button(3, "Command1", 207, 14, "Open a photo (Ctrl+O)", &pixaform::Command1_Click);
    Command4 = button(4, "Command4", 248, 14, "Save the photo (Ctrl+S)", &pixaform::Command4_Click);
    Command5 = button(2, "Command5", 289, 14, "Register a new owner", &pixaform::Command5_Click);
    Image1 = button(8, "Image1", 361, 14, "Find wrapped photos by their captions",
                    &pixaform::Image1_Click);
    Image4 = button(11, "Image4", 433, 14, "Wrap many photos at once", &pixaform::Image4_Click);
    Image2 = button(9, "Image2", 704, 14, "Help (F1)", &pixaform::Image2_Click);
    Command6 =
        button(12, "Command6", 745, 14, "Close PixaMantler (Ctrl+Q)", &pixaform::Command6_Click);
    Command2 = button(5, "Command2", 704, 52, "Actual size (Ctrl+1)", &pixaform::Command2_Click);
    Command3 = button(6, "Command3", 745, 52, "Fit to window (Ctrl+0)", &pixaform::Command3_Click);
    // What a screen reader calls each button; the tooltips describe them.
    Command1->setAccessibleName(QStringLiteral("Open photo"));
    Command4->setAccessibleName(QStringLiteral("Save"));
    Command5->setAccessibleName(QStringLiteral("New owner"));
    Image1->setAccessibleName(QStringLiteral("Search"));
    Image4->setAccessibleName(QStringLiteral("Batch wrapping"));
    Image2->setAccessibleName(QStringLiteral("Help"));
    Command6->setAccessibleName(QStringLiteral("Exit"));
    Command2->setAccessibleName(QStringLiteral("Actual size"));
    Command3->setAccessibleName(QStringLiteral("Fit to window"));

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(205, 55, 297, 10);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName(QStringLiteral("Progress"));
    ProgressBar1->hide();

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(111, 69, 391, 20);
    Text1->setMaxLength(kCaptionLength);
    // Its label is painted on the backdrop.
    Text1->setAccessibleName(QStringLiteral("Caption"));
    // A file dropped on the caption opens like one dropped anywhere else on the window.
    Text1->setAcceptDrops(false);
    Text1->setToolTip(QStringLiteral("The caption stored with the wrapped photo (at most 64 "
                                     "characters)"));

    // Kept inside their panel: a label running on under the view buttons would also take their
    // clicks.
    const auto label = [this](const char* name, int top) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(kInfoLeft, top, kInfoWidth, 15);
        l->setFont(infoFont(font()));
        return l;
    };
    Label5 = label("Label5", 22);
    QPalette darkBlue = Label5->palette();
    darkBlue.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Label5->setPalette(darkBlue);
    Label2 = label("Label2", 37);
    Label3 = label("Label3", 52);
    Label4 = label("Label4", 68);

    m_viewport = new PictureViewport(this);

    setFirstBox(Text1);
}

void pixaform::addShortcuts() {
    const auto shortcut = [this](const QKeySequence& keys, ImageButton* button,
                                 void (pixaform::*handler)()) {
        auto* s = new QShortcut(keys, this);
        connect(s, &QShortcut::activated, this, [this, button, handler] {
            // A shortcut does what its button does, and nothing while the button is disabled.
            if (button->isEnabled()) untrapped(handler);
        });
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_O), Command1, &pixaform::Command1_Click);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), Command4, &pixaform::Command4_Click);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), Command6, &pixaform::Command6_Click);
    shortcut(QKeySequence(Qt::Key_F1), Image2, &pixaform::Image2_Click);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_1), Command2, &pixaform::Command2_Click);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_0), Command3, &pixaform::Command3_Click);
    for (const bool forward : {true, false}) {
        auto* s =
            new QShortcut(QKeySequence(Qt::ALT | (forward ? Qt::Key_Right : Qt::Key_Left)), this);
        connect(s, &QShortcut::activated, this, [this, forward] { step(forward); });
    }
}

void pixaform::untrapped(void (pixaform::*handler)()) {
    if (!handler) return;
    try {
        (this->*handler)();
    } catch (const Failure& failure) {
        reportUntrapped(m_platform, this, failure);
    } catch (const std::bad_alloc&) {
        reportUntrapped(m_platform, this, Failure(err::OutOfMemory));
    }
}

bool pixaform::ownerPresent() const {
    return m_session.currentOwner().isSet();
}

void pixaform::Form_Load() {
    // Nothing works here until someone has logged in or registered.
    m_waitsForOwner = !ownerPresent();
    updateEnabled();
    if (m_owners) m_owners->startupOwnerCheck();
    for (QLabel* label : {Label2, Label3, Label4, Label5})
        label->hide();
    Command4->Disable();
    m_viewport->hidePicture();
}

void pixaform::Command5_Click() {
    if (!ownerPresent() || !m_owners) return;
    m_owners->showRegistration();
}

void pixaform::Image1_Click() {
    if (ownerPresent() && m_search) m_search();
}

void pixaform::Image4_Click() {
    if (ownerPresent() && m_batch) m_batch();
}

void pixaform::Image2_Click() {
    openHelp(m_platform, this);
}

void pixaform::Command6_Click() {
    m_ahead->clear();
    m_photo.endApplication(m_platform);
}

void pixaform::watchDesktopLock() {
    m_lockTriggers->watchDesktop(QDBusConnection::sessionBus(), QDBusConnection::systemBus());
}

void pixaform::openAfterLogin(const QString& path) {
    if (ownerPresent()) {
        openByName(path);
        return;
    }
    m_openAfterLogin = path;
}

void pixaform::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool across = event->key() == Qt::Key_Left || event->key() == Qt::Key_Right;
    // Left and Right step while the photo's width fits the frame, and scroll otherwise.
    if (mods == Qt::NoModifier && across && m_viewport->fitsAcross()) {
        step(event->key() == Qt::Key_Right);
        event->accept();
        return;
    }
    if (mods == Qt::NoModifier && m_viewport->scrollByKey(event->key())) {
        event->accept();
        return;
    }
    if (mods == Qt::NoModifier && event->key() == Qt::Key_Escape && isFullScreen()) {
        toggleFullScreen();
        event->accept();
        return;
    }
    WindowBase::keyPressEvent(event);
}

namespace {

QString droppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().isEmpty()) return {};
    const QUrl url = data->urls().constFirst();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

} // namespace

void pixaform::dragEnterEvent(QDragEnterEvent* event) {
    if (ownerPresent() && !running() && !droppedFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void pixaform::dropEvent(QDropEvent* event) {
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    // After the drop has finished: the file manager waits for it, and opening may ask things.
    QTimer::singleShot(0, this, [this, path] { openByName(path); });
}

// MainWindowLink.

void pixaform::heldChanged(bool) {
    updateEnabled();
}

void pixaform::updateEnabled() {
    setEnabled(!held() && !m_waitsForOwner);
}

void pixaform::ownerChanged() {
    m_waitsForOwner = false;
    updateEnabled();
    setWindowTitle(ownerCaption(m_session.currentOwner()));
    if (m_openAfterLogin.isEmpty()) return;
    const QString path = std::exchange(m_openAfterLogin, QString());
    // Once the login or registration window has finished.
    QTimer::singleShot(0, this, [this, path] { openByName(path); });
}

QString pixaform::captionText() const {
    return Text1->text();
}

PhotoDescription pixaform::description() const {
    const auto shownText = [](const QLabel* label) {
        return label->isHidden() ? QString() : label->text();
    };
    return {Text1->text(), shownText(Label5), shownText(Label2), shownText(Label3),
            shownText(Label4)};
}

void pixaform::describe(const PhotoDescription& description) {
    Text1->setText(description.caption);
    setInfoLabel(*Label5, description.owner);
    setInfoLabel(*Label2, description.fileType);
    setInfoLabel(*Label3, description.date);
    setInfoLabel(*Label4, description.time);
    placeStatus();
}

void pixaform::placeStatus() {
    // In the information panel while it describes nothing, under it otherwise.
    const bool panelFree = Label5->isHidden() && Label2->isHidden();
    m_status->setGeometry(panelFree ? QRect(kInfoLeft, 22, kInfoWidth, 30)
                                    : QRect(596, 92, 196, 16));
    m_status->setFont(panelFree ? Label5->font() : Label4->font());
    m_status->setPalette(panelFree ? Label5->palette() : Label4->palette());
    // Under the panel, on the zoom's line.
    m_status->setAlignment(Qt::AlignLeft | (panelFree ? Qt::AlignTop : Qt::AlignVCenter));
}

void pixaform::setInfoLabel(QLabel& label, const QString& text) {
    label.setText(text);
    if (text.isEmpty()) {
        label.hide();
        return;
    }
    // An owner's name of wide letters may still need a smaller size than the others.
    label.setFont(fittingFont(infoFont(font()), text, kInfoWidth));
    label.show();
}

void pixaform::showProgress(int maximum) {
    // A picture too small for one block still gets a bar, not a busy animation.
    ProgressBar1->setRange(0, std::max(1, maximum));
    ProgressBar1->setValue(0);
    ProgressBar1->show();
}

void pixaform::setProgress(int value) {
    ProgressBar1->setValue(std::min(value, ProgressBar1->maximum()));
}

void pixaform::hideProgress() {
    ProgressBar1->hide();
}

QImage pixaform::decodeUnwrapped(const QString& path) {
    return ui::loadPicture(path);
}

void pixaform::placePhoto(QImage photo, bool scrollBarAtWindowEdge) {
    m_viewport->setPhoto(std::move(photo));
    m_viewport->showPicture();
    m_viewport->reset(scrollBarAtWindowEdge);
    keepView();
}

QImage pixaform::shownPicture() const {
    return m_viewport->shownPicture();
}

void pixaform::shownChanged(const ShownPhoto& photo, bool pictureLoaded) {
    photo.savable() ? Command4->Enable() : Command4->Disable();
    if (!pictureLoaded) return;
    // A photo fitted or zoomed while it decoded keeps that view once loaded.
    zoomChanged();
    setStatus({});
    m_aheadTimer->start(0);
}

} // namespace pixa::ui
