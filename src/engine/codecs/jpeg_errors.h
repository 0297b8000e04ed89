#pragma once

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace kalvimo::codecs {

// libjpeg's fatal errors must not return to it: they jump back to the setjmp that started the
// work, leaving the message here. Other messages are printed nowhere.
struct JpegErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
    // The file has run out; the decoder makes up whatever it still reads.
    bool sawEnd = false;
};

// A file as libjpeg's data source, read a large piece at a time: libjpeg decodes its Huffman
// codes on a faster path while a few kilobytes of data lie ready, which its own 4 KiB reads
// rarely leave. Like libjpeg's own, it warns of the file's end and makes up an end marker.
struct JpegFileSource {
    jpeg_source_mgr manager{};
    std::FILE* file = nullptr;
    JOCTET* buffer = nullptr;
    bool atStart = true;
};

// What a source reads at a time.
inline constexpr std::size_t kJpegReadSize = std::size_t{256} << 10;

// Reads info's data from file through source, into buffer of kJpegReadSize bytes.
void UseJpegFileSource(jpeg_decompress_struct& info, JpegFileSource& source, std::FILE* file,
                       JOCTET* buffer);

// Sets errors up and returns the manager for a compress or decompress struct's err.
jpeg_error_mgr* UseJpegErrors(JpegErrors& errors);

[[noreturn]] void FailJpeg(j_common_ptr info);

// The rules both JPEG readers follow, so that a file one reads the other reads too: the same
// ceiling on working memory, on scans and on damaged data. Call after jpeg_create_decompress;
// info.err must be errors' manager.
void UseJpegReadingRules(jpeg_decompress_struct& info, JpegErrors& errors,
                         jpeg_progress_mgr& progress);

// The ICC profile of a picture, gathered from its APP2 markers (the reading rules keep them).
struct JpegIccProfile {
    JOCTET* data = nullptr;
    unsigned int length = 0;

    JpegIccProfile() = default;
    JpegIccProfile(const JpegIccProfile&) = delete;
    JpegIccProfile& operator=(const JpegIccProfile&) = delete;
    ~JpegIccProfile();

    // After jpeg_read_header, within the read's setjmp: libjpeg leaves by longjmp when memory
    // runs out. A profile whose pieces do not fit together is no profile.
    void Read(jpeg_decompress_struct& info);
    [[nodiscard]] std::vector<std::uint8_t> Bytes() const;
};

// After jpeg_read_header: whether the picture is within maxPixels and within what a file of
// fileSize bytes can hold; false with the reason when not.
bool JpegSizeIsPlausible(const jpeg_decompress_struct& info, std::int64_t fileSize,
                         std::int64_t maxPixels, std::string& reason);

// Once a file of several scans is read in: whether all its coefficients arrived even though the
// file ended early. (A scan short of data warns of it; one cut between scans lacks
// refinement bits.)
bool HasAllJpegData(const jpeg_decompress_struct& info, bool sawEnd);

} // namespace kalvimo::codecs
