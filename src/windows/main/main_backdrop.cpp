#include "windows/main/main_backdrop.h"

#include "ui/artwork.h"

#include <QPainter>

namespace pixa::ui {

namespace {

// What the frame leaves of the client area: the buttons and panel above, the scroll bars and a
// margin right and below.
constexpr int kFrameLeft = 14;
constexpr int kFrameTop = 112;
constexpr int kFrameRightRoom = 16;
constexpr int kFrameBottomRoom = 24;
// The window's own frame, and the edge of the controls' band over a full screen photo.
const QColor kEdgeColour(90, 86, 66);

// A bevelled rectangle: light above and left, dark below and right when raised; the reverse
// when sunken.
void bevel(QPainter& p, const QRect& r, bool raised, int width = 2) {
    const QColor light(255, 255, 250);
    const QColor dark(120, 116, 96);
    for (int i = 0; i < width; ++i) {
        const QRect edge = r.adjusted(i, i, -i, -i);
        p.setPen(raised ? light : dark);
        p.drawLine(edge.topLeft(), edge.topRight());
        p.drawLine(edge.topLeft(), edge.bottomLeft());
        p.setPen(raised ? dark : light);
        p.drawLine(edge.bottomLeft(), edge.bottomRight());
        p.drawLine(edge.topRight(), edge.bottomRight());
    }
}

void strip(QPainter& p, const QRect& r) {
    QLinearGradient shade(r.topLeft(), r.bottomLeft());
    shade.setColorAt(0.0, QColor(250, 246, 214));
    shade.setColorAt(1.0, QColor(226, 220, 180));
    p.fillRect(r, shade);
    bevel(p, r, true);
}

} // namespace

QRect viewportFrame(QSize client) {
    return QRect(kFrameLeft, kFrameTop, client.width() - kFrameLeft - kFrameRightRoom,
                 client.height() - kFrameTop - kFrameBottomRoom);
}

QPixmap mainBackdrop(QSize client) {
    QImage image = windowBackground(client, QStringLiteral("Protected photos"));
    QPainter p(&image);

    // The buttons' strips: the command group, and the help, exit and view group.
    strip(p, QRect(202, 9, 306, 84));
    strip(p, QRect(699, 9, 92, 84));

    // The information panel.
    const QRect panel(511, 14, 183, 76);
    p.fillRect(panel, QColor(222, 222, 218));
    bevel(p, panel, false, 1);

    QFont captionFont(QStringLiteral("DejaVu Sans"));
    captionFont.setPixelSize(13);
    captionFont.setBold(true);
    p.setFont(captionFont);
    p.setPen(QColor(34, 44, 100));
    p.drawText(QRect(40, 69, 66, 20), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Caption"));

    // The viewport's well, scroll bars included, a shade darker where no bar is shown.
    const QRect well = viewportFrame(client).adjusted(-2, -2, 16, 18);
    p.fillRect(well.adjusted(2, 2, -2, -2), QColor(196, 192, 170));
    bevel(p, well, false);

    // The window's own frame.
    p.setPen(kEdgeColour);
    p.drawRect(QRect(QPoint(0, 0), client).adjusted(0, 0, -1, -1));
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap controlsBackdrop(int width) {
    QPixmap band =
        mainBackdrop(QSize(width, kMainClientSize.height())).copy(0, 0, width, kControlsHeight);
    QPainter p(&band);
    p.setPen(kEdgeColour);
    p.drawLine(0, kControlsHeight - 1, width - 1, kControlsHeight - 1);
    return band;
}

} // namespace pixa::ui
