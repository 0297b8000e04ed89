// Compares BMP frames written by kalvimo-batch (800 x 600 unless --size says otherwise; with
// --turn, turned where the picture's sides call for it, as "Auto rotate" does) with the exact area
// average of the region each fitting keeps of the full-size picture, and prints the lowest and the
// median PSNR.
//
//   psnr_check [--turn] [--size WIDTHxHEIGHT]
//              [--fitting letterbox|auto:ANCHOR|fill:ANCHOR|custom:L,T,R,B] BMP_FOLDER PICTURE...
//
// The custom rectangle is in twips, as in the settings file.

#include "canvas.h"
#include "codecs/picture_decoder.h"
#include "geometry.h"
#include "rotation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

bool ReadFitting(const std::string& text, kalvimo::JobOptions& options, kalvimo::CropBox& crop) {
    using kalvimo::Fitting;
    if (text == "letterbox") {
        options.fitting = Fitting::Letterbox;
        return true;
    }
    for (const auto& [prefix, anchored] :
         {std::pair{"auto:", Fitting::AutoCrop}, std::pair{"fill:", Fitting::Fill}}) {
        if (text.starts_with(prefix)) {
            options.fitting = anchored;
            options.anchor = static_cast<std::int16_t>(std::stoi(text.substr(5)));
            return true;
        }
    }
    options.fitting = Fitting::CustomCrop;
    return text.starts_with("custom:") && std::sscanf(text.c_str() + 7, "%d,%d,%d,%d", &crop.left,
                                                      &crop.top, &crop.right, &crop.bottom) == 4;
}

} // namespace

int main(int argc, char** argv) {
    int first = 1;
    bool autoRotate = false;
    if (argc > first && std::string(argv[first]) == "--turn") {
        autoRotate = true;
        ++first;
    }
    int width = 800;
    int height = 600;
    if (argc > first + 1 && std::string(argv[first]) == "--size") {
        if (std::sscanf(argv[first + 1], "%dx%d", &width, &height) != 2) {
            width = 0;
        }
        first += 2;
    }
    std::string fitting = "letterbox";
    if (argc > first + 1 && std::string(argv[first]) == "--fitting") {
        fitting = argv[first + 1];
        first += 2;
    }
    kalvimo::JobOptions options;
    kalvimo::CropBox crop;
    options.newWidth = width;
    options.newHeight = height;
    options.autoRotate = autoRotate;
    if (argc < first + 2 || width <= 0 || height <= 0 || !ReadFitting(fitting, options, crop)) {
        std::fputs("usage: psnr_check [--turn] [--size WIDTHxHEIGHT] [--fitting "
                   "letterbox|auto:ANCHOR|fill:ANCHOR|custom:L,T,R,B] "
                   "BMP_FOLDER PICTURE...\n",
                   stderr);
        return 2;
    }
    std::vector<double> results;
    for (int i = first + 1; i < argc; ++i) {
        const std::filesystem::path photo = argv[i];
        const std::string written =
            (std::filesystem::path(argv[first]) / photo.stem()).string() + ".bmp";
        kalvimo::Canvas full;
        kalvimo::Canvas turned;
        kalvimo::Canvas exact;
        kalvimo::Canvas frame;
        std::string error;
        if (!kalvimo::DecodePictureFile(photo.string(), full, 0, error)) {
            std::fprintf(stderr, "psnr_check: %s: %s\n", photo.c_str(), error.c_str());
            return 1;
        }
        const kalvimo::FrameOrder order = kalvimo::FrameOrderOf(options, crop, 15);
        const bool turn = order.Turns(full.Width(), full.Height());
        if ((turn && !kalvimo::RotatePicture(turned, full)) ||
            !kalvimo::RenderFrame(turn ? turned : full, exact, order) ||
            !kalvimo::DecodePictureFile(written, frame, 0, error) ||
            frame.Width() != exact.Width() || frame.Height() != exact.Height()) {
            std::fprintf(stderr, "psnr_check: %s: %s\n", written.c_str(), error.c_str());
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
