// The look of the browsing windows (batch and search): the hatched backdrop with recessed
// frames where the lists sit, button wells and black heading bars, and its white labels.
#pragma once

#include <QList>
#include <QPixmap>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace pixa::ui {

struct BrowseBackdropParts {
    QList<QRect> frames;    // sunken frames around lists, selectors and the status
    QList<QRect> wells;     // darker wells under the image buttons
    QList<QRect> blackBars; // bars behind headings
};

QPixmap browseBackdrop(const QSize& size, const QString& banner, const BrowseBackdropParts& parts);

// A white label named `name` at `at`, as large as its text.
QLabel* addBrowseLabel(QWidget* window, const char* name, const QString& text, QPoint at);

} // namespace pixa::ui
