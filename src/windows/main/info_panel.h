// The main window's words about the photo on screen: its caption box, the four information
// labels, and the lines under them (the zoom, and what happened last: a photo passed over, the
// end of a list, a lock).
#pragma once

#include "ui/main_window_rules.h"

#include <QString>

class QFont;
class QLabel;
class QLineEdit;
class QWidget;

namespace pixa::ui {

class InfoPanel {
public:
    // Creates the caption box, the labels (hidden while they say nothing) and the lines on
    // `band`, the band of controls at the window's top (TopControls).
    explicit InfoPanel(QWidget* band);

    QLineEdit* captionEdit() const { return m_captionEdit; }
    QString caption() const;
    PhotoDescription description() const;
    void describe(const PhotoDescription& description);
    // A line in the panel while it describes nothing, else under it; empty hides it. A screen
    // reader reads it out as it changes.
    void setStatus(const QString& text);
    // The zoom line, under the panel.
    void showZoom(const QString& text, bool visible);

private:
    void placeStatus();
    // Sets the label's text and shows it; an empty text hides it.
    void setLabel(QLabel& label, const QString& text);
    QFont labelFont() const;

    QWidget* m_band;
    QLineEdit* m_captionEdit;
    QLabel* m_ownerLabel;
    QLabel* m_fileTypeLabel;
    QLabel* m_dateLabel;
    QLabel* m_timeLabel;
    QLabel* m_zoomLabel;
    QLabel* m_statusLabel;
};

} // namespace pixa::ui
