#include "windows/main/thumbnail_maker.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/file_content.h"
#include "imaging/thumbnail_decode.h"
#include "ui/platform.h"

#include <QByteArray>
#include <QMetaObject>

#include <algorithm>
#include <cstring>
#include <new>

namespace pixa::ui {

namespace {

// Why a tile shows no photo, short enough for a tile.
QString briefReason(const Failure& failure) {
    switch (failure.number()) {
    case err::FileNotFound:
    case err::PathNotFound:
        return QStringLiteral("File not found");
    case err::PermissionDenied:
    case err::PathFileAccess:
        return QStringLiteral("Cannot be read");
    case err::Overflow:
        return QStringLiteral("Too large to show");
    case err::OutOfMemory:
        return QStringLiteral("Out of memory");
    case err::InvalidPicture:
        return QStringLiteral("Damaged or not a photo");
    default:
        return QString::fromStdString(failure.description());
    }
}

QString fromBytes(const std::string& bytes) {
    return QString::fromStdString(fromCodePage(bytes)).trimmed();
}

// The wrapped photo's own picture, restored into memory that is overwritten once decoded.
QImage unwrappedThumbnail(const std::filesystem::path& file, int edge, std::stop_token stop) {
    const PffReader reader(file);
    QByteArray bytes;
    bytes.reserve(qsizetype(std::max<int64_t>(0, reader.info().pictureSize())));
    const auto wipe = [&bytes] {
        std::memset(bytes.data(), 0, size_t(bytes.size()));
        bytes.clear();
    };
    try {
        reader.readPicture(
            [&bytes](const char* data, size_t count) {
                bytes.append(data, qsizetype(count));
                return true;
            },
            {}, std::move(stop));
        QImage thumbnail = decodeThumbnail(bytes, edge);
        wipe();
        return thumbnail;
    } catch (...) {
        wipe();
        throw;
    }
}

void describe(const ThumbnailMaker::Job& job, ThumbnailMaker::Made& made) {
    switch (fileContentOf(job.file)) {
    case FileContent::WrappedPhoto: {
        const PffReader reader(job.file);
        made.found = ThumbnailMaker::Found::Wrapped;
        made.caption = fromBytes(reader.info().tag);
        try {
            made.owner = fromBytes(reader.info().ownerName());
        } catch (const Failure&) {
            made.owner.clear(); // a damaged owner field leaves the caption to tell
        }
        made.info = reader.info();
        return;
    }
    case FileContent::Picture:
        made.thumbnail = decodeThumbnail(QString::fromStdString(job.file.string()), job.edge);
        return;
    case FileContent::Other:
        made.found = ThumbnailMaker::Found::Broken;
        made.failure = QStringLiteral("Not a photo");
        return;
    }
}

} // namespace

ThumbnailMaker::Made makeTile(const ThumbnailMaker::Job& job, std::stop_token stop) {
    ThumbnailMaker::Made made;
    made.tile = job.tile;
    made.task = job.task;
    made.edge = job.edge;
    try {
        switch (job.task) {
        case ThumbnailMaker::Task::Describe:
            describe(job, made);
            break;
        case ThumbnailMaker::Task::Thumbnail:
            made.thumbnail = decodeThumbnail(QString::fromStdString(job.file.string()), job.edge);
            break;
        case ThumbnailMaker::Task::UnwrappedThumbnail:
            made.found = ThumbnailMaker::Found::Wrapped;
            made.thumbnail = unwrappedThumbnail(job.file, job.edge, std::move(stop));
            break;
        }
    } catch (const Failure& failure) {
        made.found = ThumbnailMaker::Found::Broken;
        made.failure = briefReason(failure);
    } catch (const std::bad_alloc&) {
        made.found = ThumbnailMaker::Found::Broken;
        made.failure = briefReason(Failure(err::OutOfMemory));
    } catch (const std::exception&) {
        made.found = ThumbnailMaker::Found::Broken;
        made.failure = QStringLiteral("Cannot be shown");
    }
    return made;
}

ThumbnailMaker::ThumbnailMaker(Platform& platform, int threads, Delivery deliver, QObject* parent)
    : QObject(parent), m_platform(platform), m_deliver(std::move(deliver)) {
    for (int i = 0; i < std::max(1, threads); ++i)
        m_workers.emplace_back([this](std::stop_token stop) { work(std::move(stop)); });
}

ThumbnailMaker::~ThumbnailMaker() {
    clear();
    for (std::jthread& worker : m_workers)
        worker.request_stop();
    m_workers.clear(); // joins: a worker ends with the job it runs
    if (m_listed) m_platform.work().remove(this);
}

int ThumbnailMaker::threadsForMachine() {
    return std::max(1, int(std::thread::hardware_concurrency()) - 1);
}

void ThumbnailMaker::want(std::vector<Job> jobs) {
    if (m_platform.ending()) return;
    bool waiting = false;
    {
        const std::lock_guard lock(m_mutex);
        m_waiting.clear();
        for (Job& job : jobs)
            if (!m_running.contains({job.tile, job.task})) m_waiting.push_back(std::move(job));
        waiting = !m_waiting.empty();
    }
    m_wake.notify_all();
    if (waiting) enterWorkList();
}

void ThumbnailMaker::clear() {
    const std::lock_guard lock(m_mutex);
    m_waiting.clear();
    m_made.clear();
    ++m_generation;
    // The work list is left from the event loop: this may run inside its stop of every work.
    if (m_listed && !std::exchange(m_deliveryPosted, true))
        QMetaObject::invokeMethod(this, &ThumbnailMaker::deliver, Qt::QueuedConnection);
}

bool ThumbnailMaker::busy() const {
    const std::lock_guard lock(m_mutex);
    return !m_waiting.empty() || !m_running.empty() || !m_made.empty();
}

void ThumbnailMaker::work(std::stop_token stop) {
    while (true) {
        Job job;
        unsigned generation = 0;
        {
            std::unique_lock lock(m_mutex);
            if (!m_wake.wait(lock, stop, [this] { return !m_waiting.empty(); })) return;
            job = std::move(m_waiting.front());
            m_waiting.pop_front();
            m_running.insert({job.tile, job.task});
            generation = m_generation;
        }
        Made made = makeTile(job, stop);
        const std::lock_guard lock(m_mutex);
        m_running.erase({job.tile, job.task});
        if (generation == m_generation) m_made.push_back(std::move(made));
        // One delivery takes all that is made until it runs: a batch per turn of the event loop.
        // It is posted for a dropped job too, to leave the work list once all is done.
        if (!std::exchange(m_deliveryPosted, true))
            QMetaObject::invokeMethod(this, &ThumbnailMaker::deliver, Qt::QueuedConnection);
    }
}

void ThumbnailMaker::deliver() {
    std::vector<Made> made;
    {
        const std::lock_guard lock(m_mutex);
        made.swap(m_made);
        m_deliveryPosted = false;
    }
    if (!made.empty()) m_deliver(made);
    leaveWorkListWhenIdle();
}

void ThumbnailMaker::enterWorkList() {
    if (m_listed) return;
    m_listed.emplace();
    m_onStop.emplace(m_listed->get_token(), std::function<void()>([this] { clear(); }));
    m_platform.work().add(this, *m_listed);
}

void ThumbnailMaker::leaveWorkListWhenIdle() {
    if (!m_listed || busy()) return;
    m_platform.work().remove(this);
    m_onStop.reset();
    m_listed.reset();
}

} // namespace pixa::ui
