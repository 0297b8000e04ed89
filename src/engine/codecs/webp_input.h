#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>
#include <webp/decode.h>
#include <webp/demux.h>

namespace kalvimo::codecs {

// The refusal text for what libwebp says of a picture it could not decode.
const char* WebpStatusText(VP8StatusCode status);

// A WebP file read whole and taken apart: the size of its canvas, checked as every reader checks
// a size before anything that large is allocated, and its first frame.
class WebpFile {
public:
    WebpFile() = default;
    ~WebpFile();
    WebpFile(const WebpFile&) = delete;
    WebpFile& operator=(const WebpFile&) = delete;

    // False, with the reason, when the file is no WebP picture of a size it could hold.
    bool Read(std::FILE* file, std::int64_t fileSize, std::string& reason);
    void Clear();

    [[nodiscard]] int Width() const { return width_; }
    [[nodiscard]] int Height() const { return height_; }
    [[nodiscard]] int FrameCount() const;
    [[nodiscard]] const WebPIterator& FirstFrame() const { return frame_; }
    [[nodiscard]] std::vector<std::uint8_t> IccProfile() const;

private:
    struct DemuxDelete {
        void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
    };

    std::vector<std::uint8_t> bytes_;
    std::unique_ptr<WebPDemuxer, DemuxDelete> demux_;
    WebPIterator frame_{};
    int width_ = 0;
    int height_ = 0;
};

} // namespace kalvimo::codecs
