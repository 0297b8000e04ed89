#pragma once

#include "canvas.h"
#include "shrink_frame.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kalvimo {

// Draws the frames of the next pictures on other threads while the run writes the current one.
// A frame is handed over only for the same file, unchanged since it was read, and the same
// recipe, so using one never changes what the run does: it only comes sooner.
class FramePrefetcher {
public:
    explicit FramePrefetcher(int threads);
    ~FramePrefetcher();
    FramePrefetcher(const FramePrefetcher&) = delete;
    FramePrefetcher& operator=(const FramePrefetcher&) = delete;

    // Replaces what is waiting to start with these pictures, in this order.
    void Schedule(const std::vector<std::string>& paths, const FrameRecipe& recipe);

    // The frame for path and recipe once it is drawn (pictureArea: the pixels that show the
    // picture), or nothing when it was not scheduled, the file changed or the picture needs the
    // full path. Frames drawn for other pictures are dropped when they can no longer be asked
    // for.
    std::optional<Canvas> Take(const std::string& path, const FrameRecipe& recipe,
                               bool& pictureTurned, PixelRect& pictureArea);

    // Forgets every picture; work under way finishes unseen.
    void Clear();

    // Hands back a canvas no longer needed, so later frames reuse its memory.
    void Recycle(Canvas&& canvas);

private:
    struct FileStamp {
        long long size = -1;
        long long modified = 0;
        long long changed = 0;
        friend bool operator==(const FileStamp&, const FileStamp&) = default;
    };
    struct Job {
        std::string path;
        FrameRecipe recipe;
        bool started = false;
        bool finished = false;
        bool drawn = false;
        bool pictureTurned = false;
        PixelRect pictureArea;
        FileStamp stamp;
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
    std::vector<std::thread> threads_;
};

} // namespace kalvimo
