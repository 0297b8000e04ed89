// Runs the engine over a folder of generated 12-megapixel JPEGs, fitting each into 800 x 600 by
// letterbox and writing JPEG quality 85, and reports throughput, time per stage and peak memory,
// for the shrinking path that JPEG batches take and for the full path.
//
//   batch_bench [PICTURES [WORK_FOLDER]]

#include "canvas.h"
#include "codecs/picture_decoder.h"
#include "gdiplus.h"
#include "geometry.h"
#include "shrink_frame.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
using kalvimo::Canvas;

// A photograph-like picture: smooth gradients with fine noise, so the codec has real work.
Canvas MakePhoto(int width, int height, unsigned seed) {
    Canvas c(width, height);
    std::minstd_rand noise(seed);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = c.Row(y);
        for (int x = 0; x < width; ++x) {
            const auto n = static_cast<int>(noise() % 16);
            row[3 * x] = static_cast<std::uint8_t>((x * 255 / width + n) & 0xFF);
            row[3 * x + 1] = static_cast<std::uint8_t>((y * 255 / height + n) & 0xFF);
            row[3 * x + 2] = static_cast<std::uint8_t>(((x + y) * 127 / (width + height) + 64 + n));
        }
    }
    return c;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const fs::path work =
        argc > 2 ? fs::path(argv[2])
                 : fs::temp_directory_path() / ("kalvimo-bench-" + std::to_string(::getpid()));
    const fs::path source = work / "source";
    const fs::path target = work / "target";
    fs::create_directories(source);
    fs::create_directories(target);

    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back("photo" + std::to_string(i) + ".jpg");
    }
    // The set is made in a child process, so its memory does not count in the run's peak.
    const pid_t child = ::fork();
    if (child == 0) {
        kalvimo::cGdiPlus writer;
        const Canvas landscape = MakePhoto(4000, 3000, 1);
        const Canvas portrait = MakePhoto(3000, 4000, 2);
        for (int i = 0; i < count; ++i) {
            const fs::path path = source / names[static_cast<std::size_t>(i)];
            if (!fs::exists(path) &&
                !writer.PictureBoxToFile(i % 2 ? portrait : landscape, path.string(), 92)) {
                std::fprintf(stderr, "could not write %s\n", path.c_str());
                ::_exit(1);
            }
        }
        ::_exit(0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || status != 0) {
        return 1;
    }

    kalvimo::cGdiPlus gdip;
    kalvimo::JobOptions options;
    options.newWidth = 800;
    options.newHeight = 600;
    options.fitting = kalvimo::Fitting::Letterbox;
    options.autoRotate = false;
    const kalvimo::FrameOrder order = kalvimo::FrameOrderOf(options, {}, 15);
    Canvas picture;
    Canvas frame;
    std::printf("pictures: %d (4000x3000 and 3000x4000 JPEG -> 800x600 letterbox, quality 85), "
                "one thread\n",
                count);

    // The path a batch takes for JPEGs: decoding and fitting in one pass. Measured first, so
    // that the peak memory it reports is its own.
    {
        kalvimo::ShrinkScratch scratch;
        std::vector<double> draw, encode;
        const auto start = Clock::now();
        for (const std::string& name : names) {
            bool turned = false;
            const auto t0 = Clock::now();
            if (!kalvimo::ShrinkFrame((source / name).string(), order, frame, turned, scratch)) {
                return 1;
            }
            const auto t1 = Clock::now();
            if (!gdip.PictureBoxToFile(frame, (target / name).string(), 85)) {
                return 1;
            }
            draw.push_back(Seconds(t1 - t0));
            encode.push_back(Seconds(Clock::now() - t1));
        }
        const double total = Seconds(Clock::now() - start);
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        std::printf("shrinking path: %.2f pictures per second; median per picture: decode and fit "
                    "%.1f ms, encode %.1f ms; peak resident memory %.1f MB\n",
                    count / total, 1000 * Median(draw), 1000 * Median(encode),
                    usage.ru_maxrss / 1024.0);
    }

    // The full path, which every other fitting and format takes.
    std::vector<double> decode, fit, encode;
    const auto start = Clock::now();
    for (const std::string& name : names) {
        std::string error;
        const auto t0 = Clock::now();
        if (!kalvimo::DecodePictureFile((source / name).string(), picture, 0, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        const auto t1 = Clock::now();
        if (!kalvimo::RenderFrame(picture, frame, order)) {
            return 1;
        }
        const auto t2 = Clock::now();
        if (!gdip.PictureBoxToFile(frame, (target / name).string(), 85)) {
            return 1;
        }
        const auto t3 = Clock::now();
        decode.push_back(Seconds(t1 - t0));
        fit.push_back(Seconds(t2 - t1));
        encode.push_back(Seconds(t3 - t2));
    }
    const double total = Seconds(Clock::now() - start);
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    std::printf("full path: %.2f pictures per second; median per picture: decode %.1f ms, fit "
                "%.1f ms, encode %.1f ms; peak resident memory %.1f MB\n",
                count / total, 1000 * Median(decode), 1000 * Median(fit), 1000 * Median(encode),
                after.ru_maxrss / 1024.0);
    if (argc <= 2) {
        fs::remove_all(work);
    }
    return 0;
}
