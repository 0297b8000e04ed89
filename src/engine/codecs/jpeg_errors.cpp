#include "jpeg_errors.h"

#include "codec_internal.h"

#include <cstdlib>
#include <jerror.h>

namespace kalvimo::codecs {

namespace {

// libjpeg's ceiling for its working memory; a picture needing more is refused.
constexpr long kMaxJpegMemory = 1L << 30;
// A progressive file of thousands of tiny scans takes minutes to decode; no real one has this many.
constexpr int kMaxScans = 1000;
// A few damaged spots are decoded past, as other readers do; a file damaged throughout is not a
// picture worth writing out.
constexpr long kMaxDamageWarnings = 100;
// Huffman coding spends at least one bit on every 8 x 8 block (its DC code, in the first scan of
// a progressive file too), so such a file holds at most 512 pixels a byte. Arithmetic coding can
// spend next to nothing on a flat block, so only the pixel ceiling bounds it.
constexpr std::int64_t kHuffmanPixelsPerByte = 64 * 8;

[[noreturn]] void FailWith(j_common_ptr info, const char* text) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    std::snprintf(errors->message, sizeof errors->message, "%s", text);
    std::longjmp(errors->jump, 1);
}

// libjpeg makes up data that is missing or broken and only warns. The end of the file is only
// noted: the decoder reads ahead, so it also meets the end of a file that lacks nothing but its
// end marker. Running into the end inside the picture data means the rest is missing.
void OnMessage(j_common_ptr info, int level) {
    if (level >= 0) {
        return;
    }
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (info->err->msg_code == JWRN_JPEG_EOF) {
        errors->sawEnd = true;
        return;
    }
    if (info->err->msg_code == JWRN_HIT_MARKER && decompress->unread_marker == JPEG_EOI) {
        FailWith(info, kEndsEarly);
    }
    if (++info->err->num_warnings > kMaxDamageWarnings) {
        FailWith(info, "the picture data is damaged throughout");
    }
}

void OnProgress(j_common_ptr info) {
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
        FailWith(info, "too many scans");
    }
}

JpegFileSource& SourceOf(j_decompress_ptr info) {
    // The manager is the source's first member.
    return *reinterpret_cast<JpegFileSource*>(info->src);
}

boolean FillFromFile(j_decompress_ptr info) {
    JpegFileSource& source = SourceOf(info);
    std::size_t got = std::fread(source.buffer, 1, kJpegReadSize, source.file);
    if (got == 0) {
        if (source.atStart) {
            ERREXIT(info, JERR_INPUT_EMPTY);
        }
        WARNMS(info, JWRN_JPEG_EOF);
        source.buffer[0] = 0xFF;
        source.buffer[1] = JPEG_EOI;
        got = 2;
    }
    source.manager.next_input_byte = source.buffer;
    source.manager.bytes_in_buffer = got;
    source.atStart = false;
    return TRUE;
}

void SkipInFile(j_decompress_ptr info, long count) {
    if (count <= 0) {
        return;
    }
    jpeg_source_mgr& manager = SourceOf(info).manager;
    auto left = static_cast<std::size_t>(count);
    while (left > manager.bytes_in_buffer) {
        left -= manager.bytes_in_buffer;
        FillFromFile(info);
    }
    manager.next_input_byte += left;
    manager.bytes_in_buffer -= left;
}

} // namespace

void UseJpegFileSource(jpeg_decompress_struct& info, JpegFileSource& source, std::FILE* file,
                       JOCTET* buffer) {
    source.manager.init_source = [](j_decompress_ptr decompress) {
        SourceOf(decompress).atStart = true;
    };
    source.manager.fill_input_buffer = FillFromFile;
    source.manager.skip_input_data = SkipInFile;
    source.manager.resync_to_restart = jpeg_resync_to_restart;
    source.manager.term_source = [](j_decompress_ptr) {};
    source.manager.next_input_byte = nullptr;
    source.manager.bytes_in_buffer = 0;
    source.file = file;
    source.buffer = buffer;
    info.src = &source.manager;
}

jpeg_error_mgr* UseJpegErrors(JpegErrors& errors) {
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = FailJpeg;
    errors.manager.output_message = [](j_common_ptr) {};
    return &errors.manager;
}

void FailJpeg(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    const int code = info->err->msg_code;
    // Going over the memory ceiling shows up as a want of backing store, which says little.
    if (code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE) {
        std::snprintf(errors->message, sizeof errors->message, "not enough memory");
    } else {
        (*info->err->format_message)(info, errors->message);
    }
    std::longjmp(errors->jump, 1);
}

void UseJpegReadingRules(jpeg_decompress_struct& info, JpegErrors& errors,
                         jpeg_progress_mgr& progress) {
    errors.manager.emit_message = OnMessage;
    info.mem->max_memory_to_use = kMaxJpegMemory;
    jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
    progress.progress_monitor = OnProgress;
    info.progress = &progress;
}

JpegIccProfile::~JpegIccProfile() {
    std::free(data);
}

void JpegIccProfile::Read(jpeg_decompress_struct& info) {
    if (jpeg_read_icc_profile(&info, &data, &length) == FALSE) {
        data = nullptr;
        length = 0;
    }
}

std::vector<std::uint8_t> JpegIccProfile::Bytes() const {
    return data == nullptr ? std::vector<std::uint8_t>{}
                           : std::vector<std::uint8_t>(data, data + length);
}

bool JpegSizeIsPlausible(const jpeg_decompress_struct& info, std::int64_t fileSize,
                         std::int64_t maxPixels, std::string& reason) {
    return SizeIsPlausible(info.image_width, info.image_height, maxPixels, fileSize,
                           info.arith_code != 0 ? maxPixels : kHuffmanPixelsPerByte, reason);
}

bool HasAllJpegData(const jpeg_decompress_struct& info, bool sawEnd) {
    if (!sawEnd) {
        return true;
    }
    if (!info.progressive_mode) {
        return jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(&info)) == FALSE;
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

} // namespace kalvimo::codecs
