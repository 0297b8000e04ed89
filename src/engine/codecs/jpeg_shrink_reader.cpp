#include "jpeg_shrink_reader.h"

#include "../area_averager.h"
#include "../memory_budget.h"
#include "codec_internal.h"
#include "jpeg_errors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace kalvimo {

namespace {

// One file being read; made anew for each picture.
struct Session {
    jpeg_decompress_struct info{};
    codecs::JpegErrors errors;
    jpeg_progress_mgr progress{};
    codecs::FilePtr file;
    std::int64_t fileSize = 0;
    codecs::JpegIccProfile icc;
    codecs::JpegFileSource source;

    Session(codecs::FilePtr opened, std::int64_t size) : file(std::move(opened)), fileSize(size) {
        info.err = codecs::UseJpegErrors(errors);
        jpeg_create_decompress(&info);
        codecs::UseJpegReadingRules(info, errors, progress);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() { jpeg_destroy_decompress(&info); }
};

} // namespace

// The averagers and row buffers outlive each picture, so a batch allocates them once.
struct JpegShrinkReader::State {
    std::unique_ptr<Session> session;
    // Taken at the first picture, as the run's own reader may never read one, and kept, so that
    // its pages are not faulted in afresh for each picture.
    std::unique_ptr<JOCTET[]> readBuffer;
    std::vector<AreaAverager> averagers;
    // The rows libjpeg hands out at a time.
    std::vector<JSAMPLE> rows;
};

JpegShrinkReader::JpegShrinkReader() : state_(std::make_unique<State>()) {}
JpegShrinkReader::~JpegShrinkReader() = default;

int JpegShrinkReader::Width() const {
    return state_->session ? static_cast<int>(state_->session->info.image_width) : 0;
}
int JpegShrinkReader::Height() const {
    return state_->session ? static_cast<int>(state_->session->info.image_height) : 0;
}

namespace {

// Only trivially destructible locals here: libjpeg leaves by longjmp.
bool ReadHeader(Session& session, JOCTET* buffer, std::string& reason) {
    jpeg_decompress_struct& info = session.info;
    if (setjmp(session.errors.jump) != 0) {
        return false;
    }
    codecs::UseJpegFileSource(info, session.source, session.file.get(), buffer);
    jpeg_read_header(&info, TRUE);
    const bool colour = (info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_RGB) &&
                        info.num_components == 3;
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE && info.num_components == 1;
    if (!(colour || grey) ||
        !codecs::JpegSizeIsPlausible(info, session.fileSize, Canvas::kMaxPixels, reason)) {
        return false;
    }
    if (jpeg_has_multiple_scans(&info)) {
        // Its scans are held whole as coefficients, 2 bytes a sample.
        MemoryBudget::Reserve(std::int64_t{info.image_width} * info.image_height * 2 *
                              info.num_components);
    }
    session.icc.Read(info);
    return true;
}

} // namespace

bool JpegShrinkReader::Open(const std::string& path) {
    State& s = *state_;
    s.session.reset();
    std::int64_t size = 0;
    std::string reason;
    codecs::FilePtr file = codecs::OpenRegularFile(path, size, reason);
    if (!file) {
        return false;
    }
    if (!s.readBuffer) {
        s.readBuffer = std::make_unique_for_overwrite<JOCTET[]>(codecs::kJpegReadSize);
    }
    s.session = std::make_unique<Session>(std::move(file), size);
    if (!ReadHeader(*s.session, s.readBuffer.get(), reason)) {
        s.session.reset();
        return false;
    }
    return true;
}

namespace {

// The picture is decoded as the full decoder decodes it (the same upsampling, the same colour
// conversion and its clamping) and averaged row by row as it comes, so the result is the full
// path's to the last bit, while only a few rows are ever held.
// Rows above and below the region are skipped rather than decoded, and columns outside it too,
// but for a margin wider than any upsampling reaches, so the kept pixels are decoded as in full.
constexpr int kColumnMargin = 32;

bool Decode(jpeg_decompress_struct& info, codecs::JpegErrors& errors,
            std::span<AreaAverager> averagers, std::span<const ShrinkTarget> targets,
            std::vector<JSAMPLE>& buffer) {
    if (setjmp(errors.jump) != 0) {
        return false;
    }
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    info.out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&info);
    if (!codecs::HasAllJpegData(info, errors.sawEnd)) {
        std::snprintf(errors.message, sizeof errors.message, "%s", codecs::kEndsEarly);
        return false;
    }
    const int width = static_cast<int>(info.output_width);
    const int height = static_cast<int>(info.output_height);
    const int channels = grey ? 1 : 3;
    const std::span<AreaAverager> used = averagers.first(targets.size());
    const PixelRect needed = ResetAveragers(used, targets, width, height, channels);
    const int firstRow = needed.y;
    const int endRow = needed.y + needed.height;
    if (endRow > firstRow) {
        auto left = static_cast<JDIMENSION>(std::max(needed.x - kColumnMargin, 0));
        auto kept =
            static_cast<JDIMENSION>(std::min(needed.x + needed.width + kColumnMargin, width)) -
            left;
        if (static_cast<int>(kept) < width) {
            jpeg_crop_scanline(&info, &left, &kept);
            for (std::size_t i = 0; i < targets.size(); ++i) {
                PixelRect from = targets[i].from;
                from.x -= static_cast<int>(left);
                Canvas& target = targets[i].canvas;
                averagers[i].Reset(static_cast<int>(kept), height, channels, from, target,
                                   {0, 0, target.Width(), target.Height()});
            }
        }
        // libjpeg hands out one row at a time or two; the averagers take pairs faster.
        constexpr int batch = 4;
        const auto stride = static_cast<std::size_t>(kept) * static_cast<std::size_t>(channels);
        buffer.resize(stride * static_cast<std::size_t>(batch));
        JSAMPROW rows[batch] = {};
        for (int i = 0; i < batch; ++i) {
            rows[i] = buffer.data() + stride * static_cast<std::size_t>(i);
        }
        while (info.output_scanline < static_cast<JDIMENSION>(firstRow)) {
            jpeg_skip_scanlines(&info, static_cast<JDIMENSION>(firstRow) - info.output_scanline);
        }
        while (info.output_scanline < static_cast<JDIMENSION>(endRow)) {
            const auto first = static_cast<int>(info.output_scanline);
            JDIMENSION got = 0;
            while (got < batch && info.output_scanline < static_cast<JDIMENSION>(endRow)) {
                got += jpeg_read_scanlines(&info, rows + got, batch - got);
            }
            AddRowsToAveragers(used, first, {rows, got});
        }
        // Below the regions nothing is read: the picture is dropped as it stands.
        if (info.output_scanline == info.output_height) {
            jpeg_finish_decompress(&info);
        }
    }
    for (AreaAverager& averager : used) {
        averager.Finish();
    }
    return true;
}

} // namespace

bool JpegShrinkReader::ReadInto(Canvas& target, int targetWidth, int targetHeight,
                                std::string& error) {
    if (!state_->session || !target.Resize(targetWidth, targetHeight)) {
        error = kCannotShrink;
        return false;
    }
    return ReadRegion(target, {0, 0, Width(), Height()}, error);
}

bool JpegShrinkReader::ReadEighth(Canvas& target, std::string& error) {
    constexpr int kEighth = 8;
    const int width = (Width() + kEighth - 1) / kEighth;
    const int height = (Height() + kEighth - 1) / kEighth;
    if (!state_->session || !target.Resize(width, height)) {
        error = kCannotShrink;
        return false;
    }
    // libjpeg rounds the scaled sizes up, as above.
    state_->session->info.scale_num = 1;
    state_->session->info.scale_denom = kEighth;
    return ReadRegion(target, {0, 0, width, height}, error);
}

bool JpegShrinkReader::ReadRegions(std::span<const ShrinkTarget> targets, std::string& error) {
    State& s = *state_;
    const bool usable = TargetsUsable(targets);
    if (!s.session || !usable) {
        error = kCannotShrink;
        return false;
    }
    if (s.averagers.size() < targets.size()) {
        s.averagers.resize(targets.size());
    }
    Session& session = *s.session;
    // A file of several scans is held whole as coefficients while it is read (some 36 MB for
    // 12 megapixels), so such files are read one at a time however many threads read.
    static std::mutex wholeFileReads;
    std::unique_lock<std::mutex> oneAtATime(wholeFileReads, std::defer_lock);
    if (jpeg_has_multiple_scans(&session.info) != FALSE) {
        oneAtATime.lock();
    }
    if (!Decode(session.info, session.errors, s.averagers, targets, s.rows)) {
        error = session.errors.message;
        s.session.reset();
        for (const ShrinkTarget& target : targets) {
            target.canvas.Clear();
        }
        return false;
    }
    for (const ShrinkTarget& target : targets) {
        target.canvas.SetIccProfile(session.icc.Bytes());
    }
    s.session.reset();
    if (oneAtATime.owns_lock()) {
        // Hand the coefficients' memory back at once, or each thread would keep its own copy.
        ::malloc_trim(0);
        oneAtATime.unlock();
    }
    return true;
}

} // namespace kalvimo
