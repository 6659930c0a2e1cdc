#include "windows/main/info_panel.h"

#include "ui/text_fit.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>

namespace pixa::ui {

namespace {

// The caption field of a wrapped photo.
constexpr int kCaptionLength = 64;
// The labels' room in their panel between the button strips.
constexpr int kInfoLeft = 516;
constexpr int kInfoWidth = 175;

} // namespace

InfoPanel::InfoPanel(QWidget* band) : m_band(band) {
    m_captionEdit = new QLineEdit(band);
    m_captionEdit->setObjectName(QStringLiteral("captionEdit"));
    m_captionEdit->setGeometry(111, 69, 391, 20);
    m_captionEdit->setMaxLength(kCaptionLength);
    // Its label is painted on the backdrop.
    m_captionEdit->setAccessibleName(QStringLiteral("Caption"));
    // A file dropped on the caption opens like one dropped anywhere else on the window.
    m_captionEdit->setAcceptDrops(false);
    m_captionEdit->setToolTip(
        QStringLiteral("The caption stored with the wrapped photo (at most 64 characters)"));

    // Kept inside their panel: a label running on under the view buttons would also take their
    // clicks.
    const auto label = [this, band](const char* name, int top) {
        auto* l = new QLabel(band);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(kInfoLeft, top, kInfoWidth, 15);
        l->setFont(labelFont());
        l->hide();
        return l;
    };
    m_ownerLabel = label("ownerLabel", 22);
    QPalette darkBlue = m_ownerLabel->palette();
    darkBlue.setColor(QPalette::WindowText, QColor(0, 0, 128));
    m_ownerLabel->setPalette(darkBlue);
    m_fileTypeLabel = label("fileTypeLabel", 37);
    m_dateLabel = label("dateLabel", 52);
    m_timeLabel = label("timeLabel", 68);

    m_zoomLabel = new QLabel(band);
    m_zoomLabel->setObjectName(QStringLiteral("ZoomLabel"));
    m_zoomLabel->setGeometry(516, 92, 175, 16);
    m_zoomLabel->setFont(m_timeLabel->font());
    m_zoomLabel->hide();
    m_statusLabel = new QLabel(band);
    m_statusLabel->setObjectName(QStringLiteral("StatusLabel"));
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setAccessibleName(QStringLiteral("Status"));
    m_statusLabel->hide();
}

QFont InfoPanel::labelFont() const {
    // The widest of the fixed texts the labels show fits.
    return fittingFont(m_band->font(), QStringLiteral("Original creation time :00:00:00 PM"),
                       kInfoWidth);
}

QString InfoPanel::caption() const {
    return m_captionEdit->text();
}

PhotoDescription InfoPanel::description() const {
    const auto shownText = [](const QLabel* label) {
        return label->isHidden() ? QString() : label->text();
    };
    return {m_captionEdit->text(), shownText(m_ownerLabel), shownText(m_fileTypeLabel),
            shownText(m_dateLabel), shownText(m_timeLabel)};
}

void InfoPanel::describe(const PhotoDescription& description) {
    m_captionEdit->setText(description.caption);
    setLabel(*m_ownerLabel, description.owner);
    setLabel(*m_fileTypeLabel, description.fileType);
    setLabel(*m_dateLabel, description.date);
    setLabel(*m_timeLabel, description.time);
    placeStatus();
}

void InfoPanel::setStatus(const QString& text) {
    m_statusLabel->setText(text);
    placeStatus();
    m_statusLabel->setVisible(!text.isEmpty());
    QAccessibleEvent changed(m_statusLabel, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void InfoPanel::showZoom(const QString& text, bool visible) {
    m_zoomLabel->setText(text);
    m_zoomLabel->setVisible(visible);
}

void InfoPanel::placeStatus() {
    const bool panelFree = m_ownerLabel->isHidden() && m_fileTypeLabel->isHidden();
    m_statusLabel->setGeometry(panelFree ? QRect(kInfoLeft, 22, kInfoWidth, 30)
                                         : QRect(596, 92, 196, 16));
    m_statusLabel->setFont(panelFree ? m_ownerLabel->font() : m_timeLabel->font());
    m_statusLabel->setPalette(panelFree ? m_ownerLabel->palette() : m_timeLabel->palette());
    // Under the panel, on the zoom's line.
    m_statusLabel->setAlignment(Qt::AlignLeft | (panelFree ? Qt::AlignTop : Qt::AlignVCenter));
}

void InfoPanel::setLabel(QLabel& label, const QString& text) {
    label.setText(text);
    if (text.isEmpty()) {
        label.hide();
        return;
    }
    // An owner's name of wide letters may still need a smaller size than the others.
    label.setFont(fittingFont(labelFont(), text, kInfoWidth));
    label.show();
}

} // namespace pixa::ui
