// Makes what the grid's tiles show on worker threads, the most wanted first: what each file is,
// a wrapped photo's caption and owner, and thumbnails, none of them written anywhere.
#pragma once

#include "core/pff_file.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

namespace pixa::ui {

class Platform;

class ThumbnailMaker final : public QObject {
    Q_OBJECT
public:
    enum class Task {
        // What the file holds; a picture's thumbnail, a wrapped photo's caption and owner.
        Describe,
        // A picture's thumbnail again, at another size.
        Thumbnail,
        // A wrapped photo's own picture, restored in memory only, as a thumbnail.
        UnwrappedThumbnail,
    };
    struct Job {
        int tile = 0;
        std::filesystem::path file;
        Task task = Task::Describe;
        int edge = 0; // the thumbnail's box, in device pixels
    };
    enum class Found { Picture, Wrapped, Broken };
    struct Made {
        int tile = 0;
        Task task = Task::Describe;
        int edge = 0;
        Found found = Found::Picture;
        QImage thumbnail;
        // A wrapped photo's: its fields, to be checked against the remembered passwords.
        std::optional<PffInfo> info;
        QString caption;
        QString owner;
        QString failure; // why a file is Broken, in a few words
    };
    using Delivery = std::function<void(std::vector<Made>&)>;

    // Runs `threads` workers; what they make reaches `deliver` on the window's thread, in batches.
    // While jobs wait or run, they are long work of `platform`'s list, which stops them.
    ThumbnailMaker(Platform& platform, int threads, Delivery deliver, QObject* parent = nullptr);
    ~ThumbnailMaker() override;

    // The workers the machine gives the grid: one fewer than its cores, at least one.
    static int threadsForMachine();

    // Replaces the jobs that wait with `jobs`, in the order they are to be done; a job for a tile
    // that a worker is busy with already is left out.
    void want(std::vector<Job> jobs);
    // Drops every job that waits and everything made and not yet delivered; what the workers
    // make now is dropped as it ends.
    void clear();
    // Jobs wait or run.
    bool busy() const;

private:
    void work(std::stop_token stop);
    void deliver();
    void enterWorkList();
    void leaveWorkListWhenIdle();

    Platform& m_platform;
    Delivery m_deliver;
    mutable std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::deque<Job> m_waiting;
    std::set<std::pair<int, Task>> m_running;
    std::vector<Made> m_made;
    // Raised by clear(): what a worker makes under an older one is dropped.
    unsigned m_generation = 0;
    bool m_deliveryPosted = false;
    // While in the platform's work list: its stop clears the jobs.
    std::optional<std::stop_source> m_listed;
    std::optional<std::stop_callback<std::function<void()>>> m_onStop;
    std::vector<std::jthread> m_workers;
};

// What a worker makes of `job`; a failure makes the file Broken, with its reason.
ThumbnailMaker::Made makeTile(const ThumbnailMaker::Job& job, std::stop_token stop);

} // namespace pixa::ui
