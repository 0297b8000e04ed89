#include "picture_decoder.h"

#include "codec_internal.h"

#include <array>
#include <cstring>
#include <new>

namespace kalvimo {

namespace {

bool StartsWith(std::span<const std::uint8_t> head, std::span<const std::uint8_t> signature) {
    return head.size() >= signature.size() &&
           std::memcmp(head.data(), signature.data(), signature.size()) == 0;
}

bool DecodeOpenFile(std::FILE* file, std::int64_t size, Canvas& canvas, Colour backColour,
                    std::string& reason) {
    std::array<std::uint8_t, 8> head{};
    const std::size_t got = std::fread(head.data(), 1, head.size(), file);
    std::rewind(file);
    std::string why;
    bool ok = false;
    const char* format = "";
    // A reader sets the profile only when the file has one; the canvas may hold the last one's.
    canvas.SetIccProfile({});
    switch (SniffFormat(std::span(head.data(), got))) {
    case PictureFormat::Jpeg:
        format = "JPEG";
        ok = codecs::DecodeJpeg(file, size, canvas, why);
        break;
    case PictureFormat::Bmp:
        format = "BMP";
        ok = codecs::DecodeBmp(file, size, canvas, backColour, why);
        break;
    case PictureFormat::Gif:
        format = "GIF";
        ok = codecs::DecodeGif(file, size, canvas, backColour, why);
        break;
    case PictureFormat::Png:
        format = "PNG";
        ok = codecs::DecodePng(file, size, canvas, backColour, why);
        break;
    case PictureFormat::Unknown:
        reason = "is not a picture file this program can read";
        return false;
    }
    if (!ok) {
        reason = std::string("could not be read as ") + format + ": " + why;
    }
    return ok;
}

} // namespace

PictureFormat SniffFormat(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kJpeg[] = {0xFF, 0xD8, 0xFF};
    static constexpr std::uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    static constexpr std::uint8_t kGif87[] = {'G', 'I', 'F', '8', '7', 'a'};
    static constexpr std::uint8_t kGif89[] = {'G', 'I', 'F', '8', '9', 'a'};
    static constexpr std::uint8_t kBmp[] = {'B', 'M'};
    if (StartsWith(head, kJpeg)) {
        return PictureFormat::Jpeg;
    }
    if (StartsWith(head, kPng)) {
        return PictureFormat::Png;
    }
    if (StartsWith(head, kGif87) || StartsWith(head, kGif89)) {
        return PictureFormat::Gif;
    }
    if (StartsWith(head, kBmp)) {
        return PictureFormat::Bmp;
    }
    return PictureFormat::Unknown;
}

bool DecodePictureFile(const std::string& path, Canvas& canvas, Colour backColour,
                       std::string& error) {
    std::string reason;
    bool ok = false;
    try {
        std::int64_t size = 0;
        const codecs::FilePtr file = codecs::OpenRegularFile(path, size, reason);
        ok = file && DecodeOpenFile(file.get(), size, canvas, backColour, reason);
    } catch (const std::bad_alloc&) {
        reason = "could not be read: not enough memory";
    } catch (const std::exception& e) {
        reason = std::string("could not be read: ") + e.what();
    }
    if (!ok) {
        canvas.Clear();
        error = "\"" + path + "\" " + reason;
    }
    return ok;
}

} // namespace kalvimo
