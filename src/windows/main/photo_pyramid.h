// Reduced copies of a photo at halving sizes (1/2, 1/4, 1/8, ...), made once on a thread of their
// own, so that a reduced view is painted from a copy less than twice its size instead of from
// every pixel of a large photo. Together they take at most a third of the photo's memory more.
#pragma once

#include <QImage>
#include <QObject>

#include <future>
#include <memory>
#include <stop_token>

namespace pixa::ui {

class WorkList;

class PhotoPyramid final : public QObject {
    Q_OBJECT
public:
    // The making runs as work of `work`, so that the application's end stops it.
    PhotoPyramid(WorkList& work, QObject* parent);
    ~PhotoPyramid() override;
    PhotoPyramid(const PhotoPyramid&) = delete;
    PhotoPyramid& operator=(const PhotoPyramid&) = delete;

    // Stops making the copies of the photo before and lets them go; starts making those of
    // `photo`, whole, unless it is null.
    void build(QImage photo);
    // The smallest copy made so far that is at least `size` across and down; null when none is.
    QImage levelFor(QSize size) const;
    // Whether every copy has been made.
    bool complete() const;

signals:
    // Another copy was made.
    void levelMade();

private:
    struct Levels;
    void stop();
    void made(int generation, bool last);

    WorkList& m_work;
    std::shared_ptr<Levels> m_levels;
    std::stop_source m_stop;
    std::future<void> m_making;
    // Tells a report of a making stopped since from one of the current photo.
    int m_generation = 0;
    bool m_complete = false;
};

} // namespace pixa::ui
