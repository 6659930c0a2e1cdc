// The backdrop of the browsing windows (batch and search): the hatched surface with recessed
// frames where the lists sit, button wells, and black heading bars.
#pragma once

#include <QList>
#include <QPixmap>
#include <QRect>
#include <QString>

namespace pixa::ui {

struct BrowseBackdropParts {
    QList<QRect> frames;    // sunken frames around lists, selectors and the status
    QList<QRect> wells;     // darker wells under the image buttons
    QList<QRect> blackBars; // bars behind headings
};

QPixmap browseBackdrop(const QSize& size, const QString& banner, const BrowseBackdropParts& parts);

} // namespace pixa::ui
