#include "picture_decoder.h"

#include "codec_internal.h"

#include <algorithm>
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
    std::array<std::uint8_t, 12> head{};
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
    case PictureFormat::Heif:
        format = "HEIF";
        ok = codecs::DecodeHeif(file, size, canvas, backColour, why);
        break;
    case PictureFormat::Webp:
        format = "WebP";
        ok = codecs::DecodeWebp(file, size, canvas, backColour, why);
        break;
    case PictureFormat::Tiff:
        format = "TIFF";
        ok = codecs::DecodeTiff(file, size, canvas, backColour, why);
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

// An ISO media file whose major brand is one of the still-picture brands of HEIF or AVIF; a
// video with the same box layout is not a picture.
bool IsHeif(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kFtyp[] = {'f', 't', 'y', 'p'};
    static constexpr std::array<const char*, 12> kBrands = {"heic", "heix", "heim", "heis",
                                                            "hevc", "hevx", "hevm", "hevs",
                                                            "mif1", "msf1", "avif", "avis"};
    if (head.size() < 12 || !StartsWith(head.subspan(4), kFtyp)) {
        return false;
    }
    return std::any_of(kBrands.begin(), kBrands.end(), [&](const char* brand) {
        return std::memcmp(head.data() + 8, brand, 4) == 0;
    });
}

} // namespace

PictureFormat SniffFormat(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kJpeg[] = {0xFF, 0xD8, 0xFF};
    static constexpr std::uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    static constexpr std::uint8_t kGif87[] = {'G', 'I', 'F', '8', '7', 'a'};
    static constexpr std::uint8_t kGif89[] = {'G', 'I', 'F', '8', '9', 'a'};
    static constexpr std::uint8_t kBmp[] = {'B', 'M'};
    static constexpr std::uint8_t kRiff[] = {'R', 'I', 'F', 'F'};
    static constexpr std::uint8_t kWebp[] = {'W', 'E', 'B', 'P'};
    static constexpr std::uint8_t kTiffIntel[] = {'I', 'I', 42, 0};
    static constexpr std::uint8_t kTiffMotorola[] = {'M', 'M', 0, 42};
    static constexpr std::uint8_t kBigTiffIntel[] = {'I', 'I', 43, 0};
    static constexpr std::uint8_t kBigTiffMotorola[] = {'M', 'M', 0, 43};
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
    if (StartsWith(head, kRiff) && head.size() >= 12 &&
        StartsWith(head.subspan(8), std::span(kWebp))) {
        return PictureFormat::Webp;
    }
    if (StartsWith(head, kTiffIntel) || StartsWith(head, kTiffMotorola) ||
        StartsWith(head, kBigTiffIntel) || StartsWith(head, kBigTiffMotorola)) {
        return PictureFormat::Tiff;
    }
    if (IsHeif(head)) {
        return PictureFormat::Heif;
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
