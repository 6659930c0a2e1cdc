#include "windows/main/photo_grid.h"

#include "core/photo_sequence.h"
#include "windows/main/main_backdrop.h"
#include "windows/main/thumbnail_maker.h"
#include "windows/main/tile_delegate.h"
#include "windows/main/tile_model.h"

#include <QEvent>
#include <QListView>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <iterator>

namespace pixa::ui {

namespace {

constexpr int kStartEdge = 128;
// Of the rows around those in sight, these many lie ahead in the scrolling's direction for each
// one behind.
constexpr int kAheadPerBehind = 2;

QListView* makeView(QWidget* window, QAbstractItemModel* model, TileDelegate* delegate) {
    auto* view = new QListView(window);
    view->setObjectName(QStringLiteral("photoGrid"));
    view->setAccessibleName(QStringLiteral("Photos"));
    view->setModel(model);
    view->setItemDelegate(delegate);
    view->setViewMode(QListView::ListMode);
    view->setFlow(QListView::LeftToRight);
    view->setWrapping(true);
    view->setResizeMode(QListView::Adjust);
    view->setMovement(QListView::Static);
    view->setUniformItemSizes(true);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setGridSize(delegate->cellSize());
    view->setFrameShape(QFrame::NoFrame);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, QColor(58, 58, 62));
    view->setPalette(palette);
    view->hide();
    return view;
}

} // namespace

int PhotoGrid::defaultThreads() {
    return ThumbnailMaker::threadsForMachine();
}

PhotoGrid::PhotoGrid(QWidget* window, Platform& platform, Opens opens, int threads)
    : QObject(window), m_window(window), m_opens(std::move(opens)),
      m_tiles(new TileModel(this)), m_delegate(new TileDelegate(*m_tiles, this)),
      m_view(makeView(window, m_tiles, m_delegate)), m_scheduling(new QTimer(this)) {
    m_delegate->setEdge(kStartEdge);
    m_view->setGridSize(m_delegate->cellSize());
    m_maker = new ThumbnailMaker(
        platform, threads,
        [this](std::vector<ThumbnailMaker::Made>& made) {
            // The jobs asked for stay right, but for a wrapped photo a remembered password opens,
            // whose picture is asked for now, and for a tile made at a size since left.
            const bool more = std::any_of(made.begin(), made.end(), [this](const auto& one) {
                return (one.info && m_opens(*one.info)) || one.edge != deviceEdge();
            });
            m_tiles->take(made, m_view->devicePixelRatioF());
            taken(more);
        },
        this);
    // Scrolls, resizes and deliveries of one turn of the event loop ask once.
    m_scheduling->setSingleShot(true);
    m_scheduling->setInterval(0);
    connect(m_scheduling, &QTimer::timeout, this, &PhotoGrid::schedule);
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this, &PhotoGrid::scrolled);
    connect(m_view, &QListView::activated, this, [this](const QModelIndex& index) {
        emit photoChosen(QString::fromStdString(m_tiles->tile(index.row()).file.string()));
    });
    m_view->viewport()->installEventFilter(this);
    window->installEventFilter(this);
}

PhotoGrid::~PhotoGrid() {
    // The workers end first, then the view, which paints from the tiles and their delegate.
    delete m_maker;
    m_window->removeEventFilter(this);
    m_view->viewport()->removeEventFilter(this);
    delete m_view;
}

void PhotoGrid::show(std::vector<std::filesystem::path> photos, const QString& selected) {
    if (photos != m_tiles->files()) {
        m_maker->clear();
        m_tiles->setPhotos(std::move(photos));
    }
    place();
    m_view->show();
    m_view->raise();
    const int row = std::max(0, m_tiles->rowOf(selected));
    if (row < m_tiles->count()) {
        const QModelIndex index = m_tiles->index(row);
        m_view->setCurrentIndex(index);
        m_view->scrollTo(index, QAbstractItemView::PositionAtCenter);
    }
    m_view->setFocus(Qt::OtherFocusReason);
    m_scheduling->start();
}

void PhotoGrid::hide() {
    m_maker->want({});
    m_view->hide();
}

bool PhotoGrid::shown() const {
    return m_view->isVisible();
}

std::vector<std::filesystem::path> PhotoGrid::photos() const {
    return m_tiles->files();
}

int PhotoGrid::edge() const {
    return m_delegate->edge();
}

void PhotoGrid::zoomTiles(bool larger) {
    const auto* at = std::find(std::begin(kEdges), std::end(kEdges), edge());
    if (larger && at + 1 < std::end(kEdges)) setEdge(*(at + 1));
    if (!larger && at != std::begin(kEdges)) setEdge(*(at - 1));
}

void PhotoGrid::setEdge(int edge) {
    m_delegate->setEdge(edge);
    m_view->setGridSize(m_delegate->cellSize());
    m_view->scrollTo(m_view->currentIndex(), QAbstractItemView::PositionAtCenter);
    m_scheduling->start();
}

int PhotoGrid::deviceEdge() const {
    return int(edge() * m_view->devicePixelRatioF() + 0.5);
}

void PhotoGrid::lock() {
    m_maker->clear();
    m_tiles->dropUnwrapped();
    m_scheduling->start();
}

void PhotoGrid::stop() {
    m_maker->clear();
    m_scheduling->stop();
}

bool PhotoGrid::working() const {
    return m_scheduling->isActive() || m_maker->busy();
}

void PhotoGrid::place() {
    // All of the window below the controls, the photo's scroll bars included; all of it in full
    // screen.
    const int top = m_window->isFullScreen() ? 0 : viewportFrame(m_window->size()).top();
    m_view->setGeometry(0, top, m_window->width(), m_window->height() - top);
}

void PhotoGrid::scrolled(int value) {
    if (value != m_lastScroll) m_scrollingDown = value > m_lastScroll;
    m_lastScroll = value;
    m_scheduling->start();
}

bool PhotoGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Resize) {
        place();
        m_scheduling->start();
    }
    if (watched == m_view->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            if (wheel->angleDelta().y() != 0) zoomTiles(wheel->angleDelta().y() > 0);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

std::pair<int, int> PhotoGrid::rowsInSight() const {
    const int count = m_tiles->count();
    const QSize cell = m_delegate->cellSize();
    const QSize seen = m_view->viewport()->size();
    const int columns = std::max(1, seen.width() / cell.width());
    const int top = m_view->verticalScrollBar()->value();
    return {std::min(count, top / cell.height() * columns),
            std::min(count, ((top + seen.height() - 1) / cell.height() + 1) * columns)};
}

std::vector<int> PhotoGrid::rowsByNearness() const {
    const int count = m_tiles->count();
    const auto [first, last] = rowsInSight();
    std::vector<int> rows;
    rows.reserve(size_t(count));
    for (int row = first; row < last; ++row)
        rows.push_back(row);
    int ahead = m_scrollingDown ? last : first - 1;
    int behind = m_scrollingDown ? first - 1 : last;
    const int step = m_scrollingDown ? 1 : -1;
    const auto inside = [count](int row) { return row >= 0 && row < count; };
    while (inside(ahead) || inside(behind)) {
        for (int i = 0; i < kAheadPerBehind && inside(ahead); ++i, ahead += step)
            rows.push_back(ahead);
        if (inside(behind)) {
            rows.push_back(behind);
            behind -= step;
        }
    }
    return rows;
}

void PhotoGrid::schedule() {
    if (!shown()) return;
    const int box = deviceEdge();
    const std::vector<int> rows = rowsByNearness();
    // Pixels for as many tiles as the budget holds at this size, nearest first.
    const size_t withPixels = size_t(kMemoryBudget / (qint64(box) * box * 4));
    std::vector<ThumbnailMaker::Job> jobs;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Tile& tile = m_tiles->tile(rows[i]);
        const bool pixels = i < withPixels;
        using Task = ThumbnailMaker::Task;
        std::optional<Task> task;
        switch (tile.state) {
        case Tile::State::Unknown:
            // A wrapped photo's caption is cheap to read: every one is, whatever the budget.
            if (pixels || namedAsWrapped(tile.file))
                task = Task::Describe;
            break;
        case Tile::State::Picture:
            if (pixels && tile.edge < box) task = Task::Thumbnail;
            break;
        case Tile::State::Wrapped:
            if (pixels && !tile.unwrapped && tile.failure.isEmpty() && tile.info &&
                m_opens(*tile.info))
                task = Task::UnwrappedThumbnail;
            break;
        case Tile::State::Broken:
            break;
        }
        if (task) jobs.push_back({rows[i], tile.file, *task, box});
    }
    m_maker->want(std::move(jobs));
}

void PhotoGrid::taken(bool moreWanted) {
    // Thumbnails dropped near the view would be wanted again.
    if (m_tiles->keepWithin(kMemoryBudget, rowsInSight().first)) moreWanted = true;
    if (moreWanted) m_scheduling->start();
}

} // namespace pixa::ui
