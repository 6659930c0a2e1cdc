// The grid's tiles, one a photo of the folder or list: what each file was found to be and its
// thumbnail, kept in memory within a budget, as an item model for the grid's view.
#pragma once

#include "core/pff_file.h"
#include "windows/main/thumbnail_maker.h"

#include <QAbstractListModel>
#include <QImage>
#include <QString>

#include <filesystem>
#include <optional>
#include <vector>

namespace pixa::ui {

struct Tile {
    enum class State { Unknown, Picture, Wrapped, Broken };
    std::filesystem::path file;
    QString name;
    State state = State::Unknown;
    QString caption;
    QString owner;
    QString failure;
    // A wrapped photo's fields, against which the remembered passwords are checked.
    std::optional<PffInfo> info;
    QImage thumbnail;
    int edge = 0;           // the box `thumbnail` was made for, in device pixels
    bool unwrapped = false; // `thumbnail` is a wrapped photo's own picture
};

class TileModel final : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // A tile for each of `files`, none made yet.
    void setPhotos(std::vector<std::filesystem::path> files);
    const Tile& tile(int row) const { return m_tiles[size_t(row)]; }
    int count() const { return int(m_tiles.size()); }
    std::vector<std::filesystem::path> files() const;
    // The row of `file`; -1 when it has none.
    int rowOf(const QString& file) const;

    // Takes what the workers made, each shown at `ratio` device pixels per pixel.
    void take(std::vector<ThumbnailMaker::Made>& made, double ratio);
    // Every wrapped photo's picture goes, its memory freed: its tile shows the lock again.
    void dropUnwrapped();
    // The memory the thumbnails hold.
    qint64 thumbnailBytes() const { return m_bytes; }
    // Drops the thumbnails of the tiles farthest from `centre` until they hold at most `budget`;
    // whether any went.
    bool keepWithin(qint64 budget, int centre);

    int rowCount(const QModelIndex& parent = {}) const override;
    // The file's name; for assistive technology, the name with the caption or why it cannot be
    // shown, and whether it is locked.
    QVariant data(const QModelIndex& index, int role) const override;

private:
    void setThumbnail(Tile& tile, QImage thumbnail, int edge, bool unwrapped);

    std::vector<Tile> m_tiles;
    qint64 m_bytes = 0;
};

} // namespace pixa::ui
