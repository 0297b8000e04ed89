#include "webp_input.h"

#include "codec_internal.h"

namespace kalvimo::codecs {

namespace {

// Lossless WebP can spend almost nothing on a picture of one colour; this many pixels a byte is
// far beyond any picture with something to show, and keeps a few bytes from asking for gigabytes.
constexpr std::int64_t kPixelsPerByte = std::int64_t{1} << 14;

} // namespace

const char* WebpStatusText(VP8StatusCode status) {
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
        return "not enough memory";
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return kEndsEarly;
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return "the picture uses a feature this program cannot read";
    default:
        return "the picture data is damaged";
    }
}

WebpFile::~WebpFile() {
    Clear();
}

void WebpFile::Clear() {
    if (frame_.fragment.bytes != nullptr) {
        WebPDemuxReleaseIterator(&frame_);
    }
    frame_ = {};
    demux_.reset();
    bytes_.clear();
    bytes_.shrink_to_fit();
    width_ = 0;
    height_ = 0;
}

bool WebpFile::Read(std::FILE* file, std::int64_t fileSize, std::string& reason) {
    Clear();
    bytes_.resize(static_cast<std::size_t>(fileSize));
    bytes_.resize(std::fread(bytes_.data(), 1, bytes_.size(), file));
    const WebPData data{bytes_.data(), bytes_.size()};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    demux_.reset(WebPDemuxPartial(&data, &state));
    if (!demux_ || state != WEBP_DEMUX_DONE) {
        reason = state == WEBP_DEMUX_PARSE_ERROR ? "the file is damaged" : kEndsEarly;
        Clear();
        return false;
    }
    const std::int64_t width = WebPDemuxGetI(demux_.get(), WEBP_FF_CANVAS_WIDTH);
    const std::int64_t height = WebPDemuxGetI(demux_.get(), WEBP_FF_CANVAS_HEIGHT);
    if (!SizeIsPlausible(width, height, kMaxDecodedPixels, fileSize, kPixelsPerByte, reason)) {
        Clear();
        return false;
    }
    if (WebPDemuxGetFrame(demux_.get(), 1, &frame_) == 0) {
        reason = "the file holds no picture";
        Clear();
        return false;
    }
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    return true;
}

int WebpFile::FrameCount() const {
    return demux_ ? static_cast<int>(WebPDemuxGetI(demux_.get(), WEBP_FF_FRAME_COUNT)) : 0;
}

std::vector<std::uint8_t> WebpFile::IccProfile() const {
    std::vector<std::uint8_t> profile;
    WebPChunkIterator chunk{};
    if (demux_ && WebPDemuxGetChunk(demux_.get(), "ICCP", 1, &chunk) != 0) {
        profile.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    return profile;
}

} // namespace kalvimo::codecs
