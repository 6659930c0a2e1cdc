#include "windows/main/tile_delegate.h"

#include "windows/main/tile_model.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace pixa::ui {

namespace {

constexpr int kPadding = 6;
constexpr int kLineHeight = 15;
constexpr int kLines = 3; // the name, a wrapped photo's caption and its owner

const QColor kText(236, 236, 236);
const QColor kQuietText(176, 180, 190);
const QColor kSelection(62, 98, 170);
const QColor kFocus(255, 214, 64);
const QColor kLockedBox(38, 42, 58);
const QColor kEmptyBox(50, 50, 54);

// A padlock filling `area`'s middle; open, a small mark on a restored wrapped photo.
void paintPadlock(QPainter& p, const QRectF& area, bool open) {
    const double side = std::min(area.width(), area.height());
    const QRectF body(area.center().x() - side * 0.32, area.center().y() - side * 0.05,
                      side * 0.64, side * 0.45);
    QPainterPath shackle;
    const double lift = open ? side * 0.12 : 0;
    shackle.moveTo(body.left() + side * 0.12, body.top());
    shackle.lineTo(body.left() + side * 0.12, body.top() - side * 0.15 - lift);
    shackle.arcTo(QRectF(body.left() + side * 0.12, body.top() - side * 0.35 - lift,
                         body.width() - side * 0.24, side * 0.40),
                  180, -180);
    if (!open) shackle.lineTo(body.right() - side * 0.12, body.top());
    p.setRenderHint(QPainter::Antialiasing);
    p.strokePath(shackle, QPen(QColor(200, 204, 214), side * 0.09, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(QColor(222, 170, 40));
    p.setPen(QPen(QColor(90, 60, 8), std::max(1.0, side * 0.02)));
    p.drawRoundedRect(body, side * 0.05, side * 0.05);
    p.setBrush(QColor(70, 45, 5));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(body.center().x(), body.center().y() - side * 0.03), side * 0.05,
                  side * 0.05);
}

// The thumbnail at its own size in the middle of `box`, or shrunk into it when made larger.
void paintThumbnail(QPainter& p, const QImage& thumbnail, const QRect& box) {
    QSizeF size = thumbnail.deviceIndependentSize();
    if (size.width() > box.width() || size.height() > box.height())
        size.scale(box.size(), Qt::KeepAspectRatio);
    QRectF target(QPointF(), size);
    target.moveCenter(QRectF(box).center());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, thumbnail);
}

// A file's name loses its middle, so that its type stays; a caption its end.
void paintLine(QPainter& p, const QRect& cell, int line, const QString& text, const QColor& colour,
               bool italic = false) {
    QFont font = p.font();
    font.setPixelSize(11);
    font.setItalic(italic);
    p.setFont(font);
    p.setPen(colour);
    const QRect place(cell.left() + kPadding, cell.top() + cell.width() + line * kLineHeight,
                      cell.width() - 2 * kPadding, kLineHeight);
    p.drawText(place, Qt::AlignHCenter | Qt::AlignVCenter,
               QFontMetrics(font).elidedText(text, line == 0 ? Qt::ElideMiddle : Qt::ElideRight,
                                             place.width()));
}

} // namespace

TileDelegate::TileDelegate(const TileModel& tiles, QObject* parent)
    : QStyledItemDelegate(parent), m_tiles(tiles) {}

QSize TileDelegate::cellSize() const {
    return {m_edge + 2 * kPadding, m_edge + 2 * kPadding + kLines * kLineHeight};
}

QSize TileDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return cellSize();
}

void TileDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    const Tile& tile = m_tiles.tile(index.row());
    QPainter& p = *painter;
    p.save();
    const QRect cell(option.rect.topLeft(), cellSize());
    if (option.state & QStyle::State_Selected) p.fillRect(cell.adjusted(1, 1, -1, -1), kSelection);
    // Focus is always visible: the current tile is ringed while the grid has the keyboard.
    if (option.state & QStyle::State_HasFocus) {
        p.setPen(QPen(kFocus, 2));
        p.drawRect(cell.adjusted(2, 2, -2, -2));
    }
    const QRect box(cell.left() + kPadding, cell.top() + kPadding, m_edge, m_edge);
    if (!tile.thumbnail.isNull()) {
        paintThumbnail(p, tile.thumbnail, box);
        if (tile.unwrapped)
            paintPadlock(p, QRectF(box.right() - 22, box.top() + 2, 20, 20), true);
    } else if (tile.state == Tile::State::Wrapped) {
        p.fillRect(box, kLockedBox);
        paintPadlock(p, QRectF(box).adjusted(m_edge / 4.0, m_edge / 4.0, -m_edge / 4.0,
                                             -m_edge / 4.0),
                     false);
    } else {
        p.fillRect(box, kEmptyBox);
        if (tile.state == Tile::State::Broken) {
            p.setPen(kQuietText);
            p.drawText(box.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap,
                       tile.failure);
        }
    }
    paintLine(p, cell, 0, tile.name, kText);
    if (tile.state == Tile::State::Wrapped) {
        paintLine(p, cell, 1, tile.caption, kText, true);
        paintLine(p, cell, 2, tile.owner, kQuietText);
    }
    p.restore();
}

} // namespace pixa::ui
