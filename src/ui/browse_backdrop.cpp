#include "ui/browse_backdrop.h"

#include "ui/artwork.h"

#include <QLabel>
#include <QPainter>

namespace pixa::ui {

namespace {

void sunken(QPainter& p, const QRect& r, int depth) {
    for (int i = 0; i < depth; ++i) {
        const QRect edge = r.adjusted(-i - 1, -i - 1, i, i);
        p.setPen(QColor(60, 62, 68));
        p.drawLine(edge.topLeft(), edge.topRight());
        p.drawLine(edge.topLeft(), edge.bottomLeft());
        p.setPen(QColor(200, 202, 208));
        p.drawLine(edge.bottomLeft(), edge.bottomRight());
        p.drawLine(edge.topRight(), edge.bottomRight());
    }
}

} // namespace

QPixmap browseBackdrop(const QSize& size, const QString& banner, const BrowseBackdropParts& parts) {
    QImage image = windowBackground(size, banner, BackgroundStyle::Hatched);
    if (image.isNull()) return {};
    QPainter p(&image);
    for (const QRect& well : parts.wells) {
        p.fillRect(well.adjusted(-3, -3, 3, 3), QColor(84, 88, 96));
        sunken(p, well.adjusted(-3, -3, 3, 3), 1);
    }
    for (const QRect& frame : parts.frames)
        sunken(p, frame, 2);
    for (const QRect& bar : parts.blackBars)
        p.fillRect(bar, Qt::black);
    p.end();
    return QPixmap::fromImage(image);
}

QLabel* addBrowseLabel(QWidget* window, const char* name, const QString& text, QPoint at) {
    auto* label = new QLabel(text, window);
    label->setObjectName(QString::fromLatin1(name));
    label->setStyleSheet(QStringLiteral("color: white;"));
    label->move(at);
    label->adjustSize();
    return label;
}

} // namespace pixa::ui
