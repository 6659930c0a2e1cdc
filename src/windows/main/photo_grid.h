// The grid of a folder's or list's photos, plain and wrapped, in place of the photo: tiles made on
// worker threads around what is in sight, kept in memory only, and chosen to be shown.
#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

class QListView;
class QTimer;

namespace pixa {
struct PffInfo;
}

namespace pixa::ui {

class Platform;
class ThumbnailMaker;
class TileDelegate;
class TileModel;

class PhotoGrid final : public QObject {
    Q_OBJECT
public:
    // Whether a password remembered in this run opens the wrapped photo `info` was read from.
    using Opens = std::function<bool(const PffInfo& info)>;
    // The thumbnails together stay within this.
    static constexpr qint64 kMemoryBudget = 256LL << 20;
    // The thumbnail box's edges that Ctrl and the wheel or plus and minus go through.
    static constexpr int kEdges[] = {96, 128, 160, 192, 256, 320, 384};

    // The grid's view on `window`, hidden; its tiles made by `threads` workers, as long work of
    // `platform`.
    PhotoGrid(QWidget* window, Platform& platform, Opens opens,
              int threads = defaultThreads());
    ~PhotoGrid() override;
    static int defaultThreads();

    // Shows the grid of `photos`, in their order, `selected` selected and in sight. The tiles
    // made for the same photos before are kept.
    void show(std::vector<std::filesystem::path> photos, const QString& selected);
    // Back to the photo: nothing more is made, what was made is kept.
    void hide();
    bool shown() const;
    QListView& view() const { return *m_view; }
    const TileModel& tiles() const { return *m_tiles; }
    std::vector<std::filesystem::path> photos() const;
    // The thumbnails one step larger or smaller.
    void zoomTiles(bool larger);
    int edge() const;
    // Every wrapped photo's picture goes and its work stops: its tile shows the lock again.
    void lock();
    // Nothing more is made (the application ends).
    void stop();
    // Tiles are being made, or wait to be.
    bool working() const;

signals:
    // Enter or a double click on a tile.
    void photoChosen(const QString& file);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    void scrolled(int value);
    // The jobs for what is in sight first, then outward, the farther side of the scrolling last.
    void schedule();
    // The first tile in sight and the one after the last.
    std::pair<int, int> rowsInSight() const;
    std::vector<int> rowsByNearness() const;
    // After what the workers made is taken: the farthest thumbnails go beyond the budget, and
    // the jobs are asked again when `moreWanted` or some went.
    void taken(bool moreWanted);
    void setEdge(int edge);
    int deviceEdge() const;

    QWidget* m_window;
    Opens m_opens;
    TileModel* m_tiles;
    TileDelegate* m_delegate;
    QListView* m_view;
    ThumbnailMaker* m_maker;
    QTimer* m_scheduling;
    int m_lastScroll = 0;
    bool m_scrollingDown = true;
};

} // namespace pixa::ui
