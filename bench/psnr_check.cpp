// Compares BMP frames written by kalvimo-batch (800 x 600 letterbox, no turning) with the exact
// area average of each full-size picture, and prints the lowest and the median PSNR.
//
//   psnr_check BMP_FOLDER PHOTO.jpg...

#include "canvas.h"
#include "codecs/picture_decoder.h"
#include "geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: psnr_check BMP_FOLDER PHOTO.jpg...\n", stderr);
        return 2;
    }
    kalvimo::JobOptions options;
    options.newWidth = 800;
    options.newHeight = 600;
    options.stretch = false;
    options.letterbox = true;
    std::vector<double> results;
    for (int i = 2; i < argc; ++i) {
        const std::filesystem::path photo = argv[i];
        const std::string written =
            (std::filesystem::path(argv[1]) / photo.stem()).string() + ".bmp";
        kalvimo::Canvas full;
        kalvimo::Canvas exact;
        kalvimo::Canvas frame;
        std::string error;
        if (!kalvimo::DecodePictureFile(photo.string(), full, 0, error) ||
            !kalvimo::RenderFrame(full, exact, options, {}, 15) ||
            !kalvimo::DecodePictureFile(written, frame, 0, error) ||
            frame.Width() != exact.Width() || frame.Height() != exact.Height()) {
            std::fprintf(stderr, "psnr_check: %s: %s\n", photo.c_str(), error.c_str());
            return 1;
        }
        double squares = 0;
        const std::size_t n = exact.Stride() * static_cast<std::size_t>(exact.Height());
        for (std::size_t k = 0; k < n; ++k) {
            const double d = static_cast<double>(exact.Data()[k]) - frame.Data()[k];
            squares += d * d;
        }
        results.push_back(squares == 0
                              ? 99.0
                              : 10 * std::log10(255.0 * 255.0 * static_cast<double>(n) / squares));
    }
    std::sort(results.begin(), results.end());
    std::printf("lowest %.1f dB, median %.1f dB PSNR over %zu pictures", results.front(),
                results[results.size() / 2], results.size());
    return 0;
}
