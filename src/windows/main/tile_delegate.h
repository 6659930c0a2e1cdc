// Paints the grid's tiles: the thumbnail in a square box, or a lock for a wrapped photo, or why
// the file cannot be shown, with the file's name and a wrapped photo's caption and owner below.
#pragma once

#include <QStyledItemDelegate>

namespace pixa::ui {

class TileModel;

class TileDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    TileDelegate(const TileModel& tiles, QObject* parent);

    // The thumbnail's box, in pixels of the window.
    void setEdge(int edge) { m_edge = edge; }
    int edge() const { return m_edge; }
    // A tile's whole cell at the box's edge.
    QSize cellSize() const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const TileModel& m_tiles;
    int m_edge = 128;
};

} // namespace pixa::ui
