#include "codec_internal.h"
#include "jpeg_errors.h"

#include <algorithm>
#include <jerror.h>
#include <vector>

namespace kalvimo::codecs {

namespace {

// libjpeg's own ceiling for its working memory; a picture needing more is refused.
constexpr long kMaxJpegMemory = 1L << 30;
// A progressive file of thousands of tiny scans takes minutes to decode; no real one has this many.
constexpr int kMaxScans = 1000;
constexpr int kRowsPerRead = 16;

// libjpeg fills a picture whose data is broken or missing with grey and only warns; a picture
// damaged like that is refused rather than written out with grey parts. The end of the file is
// only noted: the decoder reads ahead, so it also meets the end of a file that lacks nothing
// but its end marker.
void OnMessage(j_common_ptr info, int level) {
    if (level >= 0) {
        return;
    }
    switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
        *static_cast<bool*>(info->client_data) = true;
        break;
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
        FailJpeg(info);
    default:
        break;
    }
    ++info->err->num_warnings;
}

// Once a file of several scans is read in: whether all its coefficients arrived even though the
// file ended early. (A scan short of data warns of it; one cut between scans lacks
// refinement bits.)
bool HasAllData(jpeg_decompress_struct& info, bool sawEnd) {
    if (!sawEnd) {
        return true;
    }
    if (!info.progressive_mode) {
        return jpeg_has_multiple_scans(&info) == FALSE;
    }
    for (int c = 0; c < info.num_components; ++c) {
        for (int k = 0; k < DCTSIZE2; ++k) {
            if (info.coef_bits[c][k] != 0) {
                return false;
            }
        }
    }
    return true;
}

void OnProgress(j_common_ptr info) {
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxScans) {
        auto* errors = reinterpret_cast<JpegErrors*>(info->err);
        std::snprintf(errors->message, sizeof errors->message, "too many scans");
        std::longjmp(errors->jump, 1);
    }
}

// Owns everything with a destructor, so that the function holding setjmp has none.
struct JpegReader {
    jpeg_decompress_struct info{};
    JpegErrors errors;
    jpeg_progress_mgr progress{};
    std::vector<JSAMPLE> inkRow;
    std::string reason;
    bool sawEnd = false;

    JpegReader() {
        info.err = UseJpegErrors(errors);
        info.client_data = &sawEnd;
        errors.manager.emit_message = OnMessage;
        progress.progress_monitor = OnProgress;
    }
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;
    ~JpegReader() { jpeg_destroy_decompress(&info); }
};

// Adobe applications store CMYK inverted (0 = full ink) and say so with their marker.
void InkRowToRgb(const JSAMPLE* ink, std::uint8_t* rgb, int width, bool inverted) {
    for (int x = 0; x < width; ++x, ink += 4, rgb += 3) {
        const int k = inverted ? ink[3] : 255 - ink[3];
        for (int c = 0; c < 3; ++c) {
            const int paper = inverted ? ink[c] : 255 - ink[c];
            rgb[c] = static_cast<std::uint8_t>((paper * k + 127) / 255);
        }
    }
}

void ReadRows(JpegReader& reader, Canvas& canvas) {
    jpeg_decompress_struct& info = reader.info;
    const bool ink = info.out_color_space == JCS_CMYK;
    if (ink) {
        reader.inkRow.resize(static_cast<std::size_t>(info.output_width) * 4);
    }
    JSAMPROW rows[kRowsPerRead];
    while (info.output_scanline < info.output_height) {
        const int first = static_cast<int>(info.output_scanline);
        if (ink) {
            rows[0] = reader.inkRow.data();
            jpeg_read_scanlines(&info, rows, 1);
            InkRowToRgb(reader.inkRow.data(), canvas.Row(first), canvas.Width(),
                        info.saw_Adobe_marker != 0);
            continue;
        }
        const int count = std::min(kRowsPerRead, canvas.Height() - first);
        for (int i = 0; i < count; ++i) {
            rows[i] = canvas.Row(first + i);
        }
        jpeg_read_scanlines(&info, rows, static_cast<JDIMENSION>(count));
    }
}

// Holds only trivially destructible locals: libjpeg leaves it by longjmp.
bool Decode(JpegReader& reader, std::FILE* file, Canvas& canvas) {
    jpeg_decompress_struct& info = reader.info;
    if (setjmp(reader.errors.jump) != 0) {
        reader.reason = reader.sawEnd ? kEndsEarly : reader.errors.message;
        return false;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kMaxJpegMemory;
    info.progress = &reader.progress;
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        info.out_color_space = JCS_CMYK;
    } else {
        info.out_color_space = JCS_RGB;
    }
    jpeg_calc_output_dimensions(&info);
    const std::int64_t width = info.output_width;
    const std::int64_t height = info.output_height;
    if (width * height > Canvas::kMaxPixels) {
        reader.reason = TooLargeReason(width, height);
        return false;
    }
    // A file of several scans is read whole here, so damage shows before the canvas is allocated.
    jpeg_start_decompress(&info);
    if (!HasAllData(info, reader.sawEnd)) {
        reader.reason = kEndsEarly;
        return false;
    }
    if (!canvas.Resize(static_cast<int>(width), static_cast<int>(height))) {
        reader.reason = TooLargeReason(width, height);
        return false;
    }
    ReadRows(reader, canvas);
    // Not finishing: what follows the last row (often a missing end marker) cannot spoil it.
    return true;
}

} // namespace

bool DecodeJpeg(std::FILE* file, Canvas& canvas, std::string& reason) {
    JpegReader reader;
    const bool ok = Decode(reader, file, canvas);
    if (!ok) {
        reason = reader.reason;
    }
    return ok;
}

} // namespace kalvimo::codecs
