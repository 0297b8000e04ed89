#pragma once

#include "canvas.h"
#include "frame_drawer.h"
#include "memory_budget.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kalvimo {

// Draws the frames of the next pictures on other threads while the run writes the current one.
// A frame is handed over only for the same file, unchanged since it was read, and the same order,
// so using one never changes what the run does: it only comes sooner. One thread, the run's,
// drives it: Schedule, Take, Clear and Recycle are never called from two threads at once.
class FramePrefetcher {
public:
    // Its pictures share memoryBytes.
    FramePrefetcher(int threads, std::int64_t memoryBytes);
    ~FramePrefetcher();
    FramePrefetcher(const FramePrefetcher&) = delete;
    FramePrefetcher& operator=(const FramePrefetcher&) = delete;

    // Replaces what is waiting to start with these pictures, in this order.
    void Schedule(const std::vector<std::string>& paths, const FrameOrder& order);

    // What came of path and order once a worker is done with it: Drawn (frame swapped in),
    // Failed (with the reason), or NotDrawn when it was not scheduled or the file changed since.
    // While waiting, whileWaiting is called now and then, so the caller's events go on. Jobs
    // for other pictures are dropped when they can no longer be asked for.
    FrameResult Take(const std::string& path, const FrameOrder& order, Canvas& frame,
                     const std::function<void()>& whileWaiting);

    // Forgets every picture; work under way finishes unseen.
    void Clear();

    // Hands back a canvas no longer needed, so later frames reuse its memory.
    void Recycle(Canvas&& canvas);

    // What a picture drawn beside the prefetcher's keeps to.
    MemoryBudget& Budget() { return budget_; }

private:
    struct FileStamp {
        long long size = -1;
        long long modified = 0;
        long long changed = 0;
        friend bool operator==(const FileStamp&, const FileStamp&) = default;
    };
    // One picture, shared by the run that asks for it and the worker that draws it.
    struct Job {
        std::string path;
        FrameOrder order;
        bool started = false;
        bool finished = false;
        FileStamp stamp;
        FrameResult result;
        Canvas frame;
    };

    static FileStamp StampOf(const std::string& path);
    void Work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<std::shared_ptr<Job>> jobs_;
    std::vector<Canvas> spare_;
    bool stopping_ = false;
    MemoryBudget budget_;
    // What a worker keeps of a picture for the next, its two canvases together: at most a quarter
    // of the budget between all workers.
    const std::int64_t keptBytes_;
    std::vector<std::thread> threads_;
};

} // namespace kalvimo
