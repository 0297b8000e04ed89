#include "frame_prefetcher.h"

#include "exif_date.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <sys/stat.h>

namespace kalvimo {

FramePrefetcher::FramePrefetcher(int threads, std::int64_t memoryBytes)
    : budget_(memoryBytes), keptBytes_(memoryBytes / (4 * std::int64_t{std::max(threads, 1)})) {
    PrepareMetadataReader();
    for (int i = 0; i < threads; ++i) {
        threads_.emplace_back([this] { Work(); });
    }
}

FramePrefetcher::~FramePrefetcher() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) {
        t.join();
    }
}

FramePrefetcher::FileStamp FramePrefetcher::StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    return {static_cast<long long>(info.st_size),
            static_cast<long long>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
            static_cast<long long>(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec};
}

void FramePrefetcher::Schedule(const std::vector<std::string>& paths, const FrameOrder& order) {
    {
        const std::lock_guard lock(mutex_);
        // Work under way or done is kept; only what has not started is replaced.
        std::erase_if(jobs_, [](const std::shared_ptr<Job>& job) { return !job->started; });
        for (const std::string& path : paths) {
            const bool known = std::any_of(jobs_.begin(), jobs_.end(), [&](const auto& job) {
                return job->path == path && job->order == order;
            });
            if (!known) {
                auto job = std::make_shared<Job>();
                job->path = path;
                job->order = order;
                jobs_.push_back(std::move(job));
            }
        }
    }
    wake_.notify_all();
}

FrameResult FramePrefetcher::Take(const std::string& path, const FrameOrder& order, Canvas& frame,
                                  const std::function<void()>& whileWaiting) {
    std::unique_lock lock(mutex_);
    const auto found = std::find_if(jobs_.begin(), jobs_.end(), [&](const auto& job) {
        return job->path == path && job->order == order;
    });
    if (found == jobs_.end()) {
        return {};
    }
    const std::shared_ptr<Job> job = *found;
    // Workers take jobs in order, so one not begun yet is next in line. A large picture takes
    // seconds; the caller's events are not held up that long.
    constexpr auto kPatience = std::chrono::milliseconds(20);
    while (!done_.wait_for(lock, kPatience, [&] { return job->finished; })) {
        lock.unlock();
        whileWaiting();
        lock.lock();
    }
    // Everything scheduled before this picture is past.
    const auto position = std::find(jobs_.begin(), jobs_.end(), job);
    if (position != jobs_.end()) {
        jobs_.erase(jobs_.begin(), position + 1);
    }
    lock.unlock();
    if (job->result.kind == FrameResult::Kind::NotDrawn || !(StampOf(path) == job->stamp)) {
        return {};
    }
    if (job->result.kind == FrameResult::Kind::Drawn) {
        frame.Swap(job->frame);
        Recycle(std::move(job->frame));
    }
    return job->result;
}

void FramePrefetcher::Clear() {
    const std::lock_guard lock(mutex_);
    jobs_.clear();
}

void FramePrefetcher::Recycle(Canvas&& canvas) {
    const std::lock_guard lock(mutex_);
    // One spare per thread is all that can be in use at once.
    if (spare_.size() < threads_.size()) {
        spare_.push_back(std::move(canvas));
    }
}

void FramePrefetcher::Work() {
    FrameScratch scratch;
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] {
                return stopping_ || std::any_of(jobs_.begin(), jobs_.end(),
                                                [](const auto& j) { return !j->started; });
            });
            if (stopping_) {
                return;
            }
            job = *std::find_if(jobs_.begin(), jobs_.end(),
                                [](const auto& j) { return !j->started; });
            job->started = true;
            if (!spare_.empty()) {
                job->frame.Swap(spare_.back());
                spare_.pop_back();
            }
        }
        // The stamp is taken before reading, so a change during the read is noticed too.
        job->stamp = StampOf(job->path);
        {
            const MemoryBudget::Drawing drawing(budget_);
            try {
                job->result = DrawFrame(job->path, job->order, job->frame, scratch);
            } catch (const std::exception&) {
                // Out of memory here is no failure yet: the run's own thread tries again.
                job->result = {};
            }
            // The pictures of a batch are much alike, so a whole picture's memory serves the
            // next one while it is small beside the budget; a larger one is given back at once.
            const auto bytes = [](const Canvas& c) {
                return static_cast<std::int64_t>(c.Stride()) * c.Height();
            };
            if (bytes(scratch.picture) + bytes(scratch.buffer) > keptBytes_) {
                scratch.picture.Clear();
                scratch.buffer.Clear();
            }
        }
        {
            const std::lock_guard lock(mutex_);
            job->finished = true;
        }
        done_.notify_all();
    }
}

} // namespace kalvimo
