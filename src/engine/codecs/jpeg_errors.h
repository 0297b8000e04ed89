#pragma once

#include <csetjmp>
#include <cstdio>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace kalvimo::codecs {

// libjpeg's fatal errors must not return to it: they jump back to the setjmp that started the
// work, leaving the message here. Other messages are printed nowhere.
struct JpegErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
};

// Sets errors up and returns the manager for a compress or decompress struct's err.
jpeg_error_mgr* UseJpegErrors(JpegErrors& errors);

[[noreturn]] void FailJpeg(j_common_ptr info);

} // namespace kalvimo::codecs
