// The face symbols, each a few shapes in a small design grid centred on the tile.
#include "ui/face_symbols.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace pixa::ui::detail {
namespace {

const QColor kInk(28, 34, 96);       // text and line symbols
const QColor kOutline(40, 28, 8);    // edges of filled shapes
const QColor kPaper(255, 255, 250);  // pages and labels
const QColor kDiskBlue(38, 62, 138); // the floppy disk's shell

QFont symbolFont(int pixelSize, bool bold = true) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// Text as a filled outline centred on `centre`, so it sits the same with any font metrics.
void drawCentredText(QPainter& p, const QString& text, const QFont& font, QPointF centre,
                     const QColor& fill, const QColor& edge = Qt::transparent,
                     double edgeWidth = 0) {
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF box = path.boundingRect();
    path.translate(centre - box.center());
    if (edgeWidth > 0)
        p.strokePath(path, QPen(edge, edgeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.fillPath(path, fill);
}

// A stroke drawn twice, dark and wide under bright and narrow: it stays crisp on any tile.
void drawOutlinedStroke(QPainter& p, const QPainterPath& path, const QColor& edge,
                        const QColor& fill, double width) {
    p.strokePath(path, QPen(edge, width + 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.strokePath(path, QPen(fill, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void fillOutlined(QPainter& p, const QPainterPath& path, const QColor& fill,
                  const QColor& edge = kOutline, double width = 1.0) {
    p.fillPath(path, fill);
    p.strokePath(path, QPen(edge, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
}

void checkMark(QPainter& p, QPointF c) {
    QPainterPath path;
    path.moveTo(c + QPointF(-9, 0));
    path.lineTo(c + QPointF(-3, 7));
    path.lineTo(c + QPointF(10, -8));
    drawOutlinedStroke(p, path, QColor(0, 70, 0), QColor(30, 170, 40), 4.4);
}

void redCross(QPainter& p, QPointF c, double arm) {
    QPainterPath path;
    path.moveTo(c + QPointF(-arm, -arm));
    path.lineTo(c + QPointF(arm, arm));
    path.moveTo(c + QPointF(-arm, arm));
    path.lineTo(c + QPointF(arm, -arm));
    drawOutlinedStroke(p, path, QColor(110, 0, 0), QColor(225, 30, 30), 4.2);
}

// A page with a folded corner and a few lines of text, top left at `at`.
void page(QPainter& p, QPointF at, QSizeF size, int lines) {
    const double fold = 4;
    QPainterPath sheet;
    sheet.moveTo(at);
    sheet.lineTo(at + QPointF(size.width() - fold, 0));
    sheet.lineTo(at + QPointF(size.width(), fold));
    sheet.lineTo(at + QPointF(size.width(), size.height()));
    sheet.lineTo(at + QPointF(0, size.height()));
    sheet.closeSubpath();
    fillOutlined(p, sheet, kPaper);
    QPainterPath corner;
    corner.moveTo(at + QPointF(size.width() - fold, 0));
    corner.lineTo(at + QPointF(size.width() - fold, fold));
    corner.lineTo(at + QPointF(size.width(), fold));
    p.strokePath(corner, QPen(kOutline, 1.0));
    p.setPen(QPen(QColor(120, 130, 150), 1.0));
    for (int i = 0; i < lines; ++i) {
        const double y = at.y() + 5.5 + i * 3;
        if (y > at.y() + size.height() - 2) break;
        const double right = at.x() + size.width() - (i % 3 == 2 ? 5 : 2.5);
        p.drawLine(QPointF(at.x() + 2.5, y), QPointF(right, y));
    }
}

// A floppy disk of `size`, top left at `at`, with its metal shutter and a label.
QRectF floppy(QPainter& p, QPointF at, double size) {
    const double clip = size * 0.14;
    QPainterPath shell;
    shell.moveTo(at);
    shell.lineTo(at + QPointF(size - clip, 0));
    shell.lineTo(at + QPointF(size, clip));
    shell.lineTo(at + QPointF(size, size));
    shell.lineTo(at + QPointF(0, size));
    shell.closeSubpath();
    fillOutlined(p, shell, kDiskBlue, QColor(10, 16, 40));

    const QRectF shutter(at.x() + size * 0.24, at.y(), size * 0.5, size * 0.36);
    QPainterPath metal;
    metal.addRect(shutter);
    fillOutlined(p, metal, QColor(205, 210, 220), QColor(60, 64, 80), 0.8);
    p.fillRect(QRectF(shutter.x() + shutter.width() * 0.6, shutter.y() + 1.5, shutter.width() * 0.2,
                      shutter.height() - 3),
               QColor(50, 56, 80));

    const QRectF label(at.x() + size * 0.1, at.y() + size * 0.5, size * 0.8, size * 0.44);
    QPainterPath sticker;
    sticker.addRect(label);
    fillOutlined(p, sticker, kPaper, QColor(20, 30, 70), 0.8);
    return label;
}

void key(QPainter& p, QPointF bowCentre, double length) {
    const QColor steel(176, 180, 194);
    const QColor edge(30, 32, 44);
    QPainterPath shape;
    shape.setFillRule(Qt::WindingFill); // overlapping parts add up, they do not cut holes
    shape.addEllipse(bowCentre, 6.5, 6.5);
    shape.addRect(QRectF(bowCentre.x() + 5, bowCentre.y() - 1.7, length, 3.4));
    // The bit under the far end of the shaft, with one notch.
    const double end = bowCentre.x() + 5 + length;
    shape.addRect(QRectF(end - 8, bowCentre.y(), 8, 6));
    shape = shape.simplified();
    QPainterPath cuts;
    cuts.addEllipse(bowCentre, 2.6, 2.6);
    cuts.addRect(QRectF(end - 5.4, bowCentre.y() + 3, 2.4, 4));
    shape = shape.subtracted(cuts);
    fillOutlined(p, shape, steel, edge, 1.1);
}

// A round paper tag on a short string, lettered NEW.
void tag(QPainter& p, QPointF centre, double radius, QPointF tiedTo) {
    p.setPen(QPen(QColor(90, 60, 30), 1.0));
    p.drawLine(tiedTo, centre - QPointF(radius * 0.8, radius * 0.6));
    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    fillOutlined(p, disc, kPaper, QColor(170, 0, 0), 1.6);
    drawCentredText(p, QStringLiteral("NEW"), symbolFont(8), centre, QColor(200, 0, 0));
}

void openingFolder(QPainter& p, QRectF a) {
    const QPointF o = a.topLeft() + QPointF((a.width() - 28) / 2, (a.height() - 24) / 2);
    QPainterPath back;
    back.moveTo(o + QPointF(1, 3));
    back.lineTo(o + QPointF(9, 3));
    back.lineTo(o + QPointF(11, 6));
    back.lineTo(o + QPointF(23, 6));
    back.lineTo(o + QPointF(23, 23));
    back.lineTo(o + QPointF(1, 23));
    back.closeSubpath();
    fillOutlined(p, back, QColor(196, 120, 24));
    QPainterPath sheet;
    sheet.addRect(QRectF(o + QPointF(4, 1), QSizeF(15, 12)));
    fillOutlined(p, sheet, kPaper, QColor(110, 110, 110), 0.8);
    // The front cover swings open towards the viewer.
    QPainterPath front;
    front.moveTo(o + QPointF(5, 11));
    front.lineTo(o + QPointF(27.5, 11));
    front.lineTo(o + QPointF(23, 23));
    front.lineTo(o + QPointF(1, 23));
    front.closeSubpath();
    fillOutlined(p, front, QColor(250, 196, 84));
}

void framedSquare(QPainter& p, QPointF c) {
    const QRectF frame(c.x() - 10, c.y() - 10, 20, 20);
    p.fillRect(frame, QColor(236, 244, 255));
    p.setPen(QPen(kInk, 1.3));
    p.drawLine(frame.topLeft(), frame.bottomRight());
    p.drawLine(frame.topRight(), frame.bottomLeft());
    p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRect(frame);
}

void magnifier(QPainter& p, QPointF lens, double radius) {
    QPainterPath handle;
    handle.moveTo(lens + QPointF(radius * 0.7, radius * 0.7));
    handle.lineTo(lens + QPointF(radius * 1.7, radius * 1.7));
    drawOutlinedStroke(p, handle, QColor(40, 20, 0), QColor(150, 80, 20), 2.6);
    QPainterPath glass;
    glass.addEllipse(lens, radius, radius);
    p.fillPath(glass, QColor(170, 215, 255, 200));
    p.strokePath(glass, QPen(QColor(30, 30, 40), 2.0));
}

void questionMark(QPainter& p, QPointF c) {
    drawCentredText(p, QStringLiteral("?"), symbolFont(24), c, QColor(30, 60, 190),
                    QColor(255, 255, 255, 200), 2.0);
}

void openHand(QPainter& p, QPointF c) {
    constexpr double kFinger = 3.4;
    const double palmTop = c.y() - 1.5;
    const double palmLeft = c.x() - 6.0;
    QPainterPath hand;
    hand.setFillRule(Qt::WindingFill); // overlapping parts add up, they do not cut holes
    hand.addRoundedRect(QRectF(palmLeft, palmTop, 4 * kFinger, 13), 4, 4);
    // Index to little finger, tips stepped like a raised hand.
    const double tips[] = {-10, -11.5, -10.5, -7.5};
    for (int i = 0; i < 4; ++i) {
        // Square-ended at the palm and a little wider than the pitch, so neighbours overlap.
        const double left = palmLeft + i * kFinger - 0.3;
        const double top = c.y() + tips[i];
        const double width = kFinger + 0.6;
        hand.addEllipse(QRectF(left, top, width, width));
        hand.addRect(QRectF(left, top + width / 2, width, palmTop + 5 - top - width / 2));
    }
    QPainterPath thumb;
    thumb.addRoundedRect(QRectF(-1.8, -9, 3.6, 11), 1.8, 1.8);
    QTransform turn;
    turn.translate(palmLeft + 0.5, c.y() + 5);
    turn.rotate(-40);
    hand.addPath(turn.map(thumb));
    hand = hand.simplified();
    const QColor edge(100, 16, 0);
    fillOutlined(p, hand, QColor(228, 70, 40), edge, 1.2);
    // The gaps between the fingers, down to the palm.
    p.setPen(QPen(edge, 0.9));
    for (int i = 1; i < 4; ++i) {
        const double x = palmLeft + i * kFinger;
        const double top = c.y() + std::max(tips[i - 1], tips[i]) + 2;
        p.drawLine(QPointF(x, top), QPointF(x, palmTop + 2));
    }
}

// Three rows of three small photos: a folder at a glance.
void tiles(QPainter& p, QPointF c) {
    const double side = 6;
    const double gap = 2;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRectF tile(c.x() - 1.5 * side - gap + column * (side + gap),
                              c.y() - 1.5 * side - gap + row * (side + gap), side, side);
            QPainterPath path;
            path.addRect(tile);
            fillOutlined(p, path, kPaper, kInk);
            p.fillRect(tile.adjusted(1, 1 + side / 2, -1, -1), QColor(60, 140, 70));
            p.fillRect(tile.adjusted(1, 1, -1, -side / 2), QColor(90, 150, 220));
        }
    }
}

} // namespace

void paintFaceSymbol(QPainter& p, int faceNumber, const QRectF& area) {
    const QPointF c = area.center();
    switch (faceNumber) {
    case 1:
        checkMark(p, c);
        break;
    case 2:
        key(p, QPointF(area.left() + 8, c.y() + 1), 19);
        tag(p, QPointF(area.right() - 11.5, c.y()), 11.5, QPointF(area.left() + 11, c.y() - 3.5));
        break;
    case 3:
        openingFolder(p, area);
        break;
    case 4:
        floppy(p, c - QPointF(11.5, 11.5), 23);
        break;
    case 5:
        drawCentredText(p, QStringLiteral("1:1"), symbolFont(15), c, kInk);
        break;
    case 6:
        framedSquare(p, c);
        break;
    case 7:
        redCross(p, c, 7.5);
        break;
    case 8:
        page(p, QPointF(area.left() + 2, c.y() - 11), QSizeF(15, 21), 6);
        magnifier(p, QPointF(area.left() + 15, c.y() + 1), 5.5);
        drawCentredText(p, QStringLiteral("FIND"), symbolFont(10),
                        QPointF(area.right() - 14.5, c.y()), kInk);
        break;
    case 9:
        questionMark(p, c);
        break;
    case 10:
        openHand(p, c);
        break;
    case 11: {
        for (int i = 0; i < 3; ++i)
            page(p, QPointF(area.left() + 1 + i * 3.5, c.y() - 8 + i * -1.5 + 3), QSizeF(15, 18),
                 i == 2 ? 5 : 0);
        const QRectF label = floppy(p, QPointF(area.right() - 28, c.y() - 13), 26);
        drawCentredText(p, QStringLiteral("*.pff"), symbolFont(8, false), label.center(),
                        QColor(20, 20, 60));
        break;
    }
    case 12:
        redCross(p, c, 6.5);
        break;
    case 13:
        tiles(p, c);
        break;
    default:
        break;
    }
}

} // namespace pixa::ui::detail
