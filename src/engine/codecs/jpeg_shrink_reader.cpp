#include "jpeg_shrink_reader.h"

#include "../plane_averager.h"
#include "codec_internal.h"
#include "jpeg_errors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <malloc.h>
#include <mutex>
#include <vector>

namespace kalvimo {

namespace {

// libjpeg asks for 4 KiB at a time; a larger stream buffer saves most of the system calls.
constexpr std::size_t kReadBufferSize = std::size_t{1} << 20;

// One file being read; made anew for each picture.
struct Session {
    jpeg_decompress_struct info{};
    codecs::JpegErrors errors;
    jpeg_progress_mgr progress{};
    codecs::FilePtr file;
    std::int64_t fileSize = 0;
    codecs::JpegIccProfile icc;

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
    std::vector<char> readBuffer = std::vector<char>(kReadBufferSize);
    std::array<PlaneAverager, 3> planes;
    // One iMCU row of each component, as libjpeg hands them out.
    std::array<std::vector<JSAMPLE>, 3> sampleRows;
    std::array<std::vector<JSAMPROW>, 3> rowPointers;
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
bool ReadHeader(Session& session, std::string& reason) {
    jpeg_decompress_struct& info = session.info;
    if (setjmp(session.errors.jump) != 0) {
        return false;
    }
    jpeg_stdio_src(&info, session.file.get());
    jpeg_read_header(&info, TRUE);
    const bool colour = info.jpeg_color_space == JCS_YCbCr && info.num_components == 3;
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE && info.num_components == 1;
    if (!(colour || grey) ||
        !codecs::JpegSizeIsPlausible(info, session.fileSize, Canvas::kMaxPixels, reason)) {
        return false;
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
    if (!file || std::setvbuf(file.get(), s.readBuffer.data(), _IOFBF, s.readBuffer.size()) != 0) {
        return false;
    }
    s.session = std::make_unique<Session>(std::move(file), size);
    if (!ReadHeader(*s.session, reason)) {
        s.session.reset();
        return false;
    }
    return true;
}

namespace {

bool Decode(jpeg_decompress_struct& info, codecs::JpegErrors& errors,
            std::array<PlaneAverager, 3>& planes, std::array<std::vector<JSAMPROW>, 3>& rows,
            std::array<std::vector<JSAMPLE>, 3>& samples, int targetWidth, int targetHeight) {
    if (setjmp(errors.jump) != 0) {
        return false;
    }
    info.raw_data_out = TRUE;
    info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&info);
    if (!codecs::HasAllJpegData(info, errors.sawEnd)) {
        std::snprintf(errors.message, sizeof errors.message, "%s", codecs::kEndsEarly);
        return false;
    }
    const int components = info.num_components;
    const int maxH = info.max_h_samp_factor;
    const int maxV = info.max_v_samp_factor;
    JSAMPARRAY planeRows[3] = {};
    for (int c = 0; c < components; ++c) {
        const jpeg_component_info& comp = info.comp_info[c];
        const auto stride = static_cast<std::size_t>(comp.width_in_blocks) * DCTSIZE;
        const auto count = static_cast<std::size_t>(comp.v_samp_factor) * DCTSIZE;
        samples[static_cast<std::size_t>(c)].resize(stride * count);
        rows[static_cast<std::size_t>(c)].resize(count);
        for (std::size_t r = 0; r < count; ++r) {
            rows[static_cast<std::size_t>(c)][r] =
                samples[static_cast<std::size_t>(c)].data() + r * stride;
        }
        planeRows[c] = rows[static_cast<std::size_t>(c)].data();
        planes[static_cast<std::size_t>(c)].Reset(
            static_cast<int>(comp.downsampled_width), static_cast<int>(comp.downsampled_height),
            maxH / comp.h_samp_factor, maxV / comp.v_samp_factor,
            static_cast<int>(info.image_width), static_cast<int>(info.image_height), targetWidth,
            targetHeight);
    }
    int compRow[3] = {};
    while (info.output_scanline < info.output_height) {
        jpeg_read_raw_data(&info, planeRows, static_cast<JDIMENSION>(maxV * DCTSIZE));
        for (int c = 0; c < components; ++c) {
            const jpeg_component_info& comp = info.comp_info[c];
            const int count = comp.v_samp_factor * DCTSIZE;
            for (int r = 0; r < count; ++r, ++compRow[c]) {
                if (compRow[c] < static_cast<int>(comp.downsampled_height)) {
                    planes[static_cast<std::size_t>(c)].AddRow(planeRows[c][r]);
                }
            }
        }
    }
    jpeg_finish_decompress(&info);
    for (int c = 0; c < components; ++c) {
        planes[static_cast<std::size_t>(c)].Finish();
    }
    return true;
}

} // namespace

bool JpegShrinkReader::ReadInto(Canvas& target, int targetWidth, int targetHeight,
                                std::string& error) {
    State& s = *state_;
    if (!s.session || !target.Resize(targetWidth, targetHeight)) {
        error = "the picture cannot be shrunk to that size";
        return false;
    }
    Session& session = *s.session;
    // A file of several scans is held whole as coefficients while it is read (some 36 MB for
    // 12 megapixels), so such files are read one at a time however many threads read.
    static std::mutex wholeFileReads;
    std::unique_lock<std::mutex> oneAtATime(wholeFileReads, std::defer_lock);
    if (jpeg_has_multiple_scans(&session.info) != FALSE) {
        oneAtATime.lock();
    }
    if (!Decode(session.info, session.errors, s.planes, s.rowPointers, s.sampleRows, targetWidth,
                targetHeight)) {
        error = session.errors.message;
        s.session.reset();
        target.Clear();
        return false;
    }
    const bool grey = session.info.num_components == 1;
    target.SetIccProfile(session.icc.Bytes());
    s.session.reset();
    if (oneAtATime.owns_lock()) {
        // Hand the coefficients' memory back at once, or each thread would keep its own copy.
        ::malloc_trim(0);
        oneAtATime.unlock();
    }
    for (int y = 0; y < targetHeight; ++y) {
        MeansToRgb(s.planes[0].CellRow(y), grey ? nullptr : s.planes[1].CellRow(y),
                   grey ? nullptr : s.planes[2].CellRow(y), target.Row(y), targetWidth);
    }
    return true;
}

} // namespace kalvimo
