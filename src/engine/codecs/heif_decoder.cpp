#include "codec_internal.h"
#include "codec_table.h"
#include "heif_input.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

namespace kalvimo::codecs {

namespace {

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

bool DecodeHeif(std::FILE* file, std::int64_t fileSize, Canvas& canvas, Colour backColour,
                std::string& reason) {
    HeifPicture picture;
    if (!picture.Decode(file, fileSize, reason)) {
        return false;
    }
    if (!canvas.Resize(picture.Width(), picture.Height())) {
        reason = TooLargeReason(picture.Width(), picture.Height());
        return false;
    }
    canvas.SetIccProfile(picture.IccProfile());
    const Rgb back = ToRgb(backColour);
    for (int y = 0; y < picture.Height(); ++y) {
        picture.Row(y, 0, picture.Width(), back, canvas.Row(y));
    }
    return true;
}

} // namespace

constinit const PictureReader kHeifReader{.format = PictureFormat::Heif,
                                          .name = "HEIF",
                                          .matches = IsHeif,
                                          .extensions = "*.heic;*.heif;*.avif",
                                          .decode = DecodeHeif};

} // namespace kalvimo::codecs
