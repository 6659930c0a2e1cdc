#include "windows/main/tile_model.h"

#include <algorithm>
#include <cstdlib>

namespace pixa::ui {

void TileModel::setPhotos(std::vector<std::filesystem::path> files) {
    beginResetModel();
    m_tiles.clear();
    m_bytes = 0;
    m_tiles.reserve(files.size());
    for (std::filesystem::path& file : files) {
        Tile tile;
        tile.name = QString::fromStdString(file.filename().string());
        tile.file = std::move(file);
        m_tiles.push_back(std::move(tile));
    }
    endResetModel();
}

std::vector<std::filesystem::path> TileModel::files() const {
    std::vector<std::filesystem::path> files;
    files.reserve(m_tiles.size());
    for (const Tile& tile : m_tiles)
        files.push_back(tile.file);
    return files;
}

int TileModel::rowOf(const QString& file) const {
    const std::filesystem::path wanted(file.toStdString());
    const auto found = std::find_if(m_tiles.begin(), m_tiles.end(),
                                    [&](const Tile& tile) { return tile.file == wanted; });
    return found == m_tiles.end() ? -1 : int(found - m_tiles.begin());
}

void TileModel::take(std::vector<ThumbnailMaker::Made>& made, double ratio) {
    int first = count();
    int last = -1;
    for (ThumbnailMaker::Made& one : made) {
        if (one.tile < 0 || one.tile >= count()) continue;
        Tile& tile = m_tiles[size_t(one.tile)];
        switch (one.found) {
        case ThumbnailMaker::Found::Picture:
            tile.state = Tile::State::Picture;
            break;
        case ThumbnailMaker::Found::Wrapped:
            tile.state = Tile::State::Wrapped;
            if (one.info) {
                tile.info = std::move(one.info);
                tile.caption = one.caption;
                tile.owner = one.owner;
            }
            break;
        case ThumbnailMaker::Found::Broken:
            // A wrapped photo whose picture cannot be restored keeps its lock tile, and is not
            // tried again.
            if (one.task == ThumbnailMaker::Task::UnwrappedThumbnail) {
                tile.failure = one.failure;
                break;
            }
            tile.state = Tile::State::Broken;
            tile.failure = one.failure;
            setThumbnail(tile, {}, 0, false);
            break;
        }
        if (!one.thumbnail.isNull()) {
            one.thumbnail.setDevicePixelRatio(ratio);
            setThumbnail(tile, std::move(one.thumbnail), one.edge,
                         one.task == ThumbnailMaker::Task::UnwrappedThumbnail);
        }
        first = std::min(first, one.tile);
        last = std::max(last, one.tile);
    }
    if (last >= first) emit dataChanged(index(first), index(last));
}

void TileModel::dropUnwrapped() {
    for (int row = 0; row < count(); ++row) {
        Tile& tile = m_tiles[size_t(row)];
        if (!tile.unwrapped) continue;
        setThumbnail(tile, {}, 0, false);
        emit dataChanged(index(row), index(row));
    }
}

bool TileModel::keepWithin(qint64 budget, int centre) {
    if (m_bytes <= budget) return false;
    std::vector<int> held;
    for (int row = 0; row < count(); ++row)
        if (!m_tiles[size_t(row)].thumbnail.isNull()) held.push_back(row);
    std::sort(held.begin(), held.end(), [centre](int a, int b) {
        return std::abs(a - centre) > std::abs(b - centre);
    });
    for (const int row : held) {
        if (m_bytes <= budget) break;
        setThumbnail(m_tiles[size_t(row)], {}, 0, false);
        emit dataChanged(index(row), index(row));
    }
    return true;
}

void TileModel::setThumbnail(Tile& tile, QImage thumbnail, int edge, bool unwrapped) {
    m_bytes -= tile.thumbnail.sizeInBytes();
    tile.thumbnail = std::move(thumbnail);
    tile.edge = edge;
    tile.unwrapped = unwrapped;
    m_bytes += tile.thumbnail.sizeInBytes();
}

int TileModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant TileModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) return {};
    const Tile& tile = m_tiles[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return tile.name;
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return QString::fromStdString(tile.file.string());
    case Qt::AccessibleTextRole:
        switch (tile.state) {
        case Tile::State::Wrapped:
            return tile.name + QStringLiteral(", ") + tile.caption +
                   (tile.unwrapped ? QString() : QStringLiteral(", locked"));
        case Tile::State::Broken:
            return tile.name + QStringLiteral(", ") + tile.failure;
        default:
            return tile.name;
        }
    default:
        return {};
    }
}

} // namespace pixa::ui
