#include "codecs/picture_decoder.h"
#include "exif_maker.h"
#include "phone_pictures.h"
#include "run_fixture.h"

#include <algorithm>
#include <cmath>
#include <lcms2.h>
#include <zlib.h>

namespace kalvimo {
namespace {

// Display P3: the primaries of DCI-P3, D65 white and the sRGB tone curve.
std::string DisplayP3Profile() {
    const cmsCIExyY white = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {
        {0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    const cmsFloat64Number srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::string bytes(size, '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(curve);
    return bytes;
}

// The sRGB colour of a Display P3 colour, worked out with the published matrix between the two.
Rgb P3ToSrgb(Rgb p3) {
    const auto linear = [](std::uint8_t v) {
        const double c = v / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const auto coded = [](double c) {
        c = std::clamp(c, 0.0, 1.0);
        c = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
        return static_cast<std::uint8_t>(std::lround(c * 255));
    };
    const double r = linear(p3.r), g = linear(p3.g), b = linear(p3.b);
    return {coded(1.2249401 * r - 0.2249404 * g), coded(-0.0420569 * r + 1.0420571 * g),
            coded(-0.0196376 * r - 0.0786361 * g + 1.0982735 * b)};
}

std::string BigEndian32(std::size_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

// The file's bytes with the profile embedded right after the header, as cameras and editors do.
std::string WithProfile(const std::string& file, const std::string& profile, bool png) {
    if (!png) {
        const std::string body = std::string("ICC_PROFILE\0\x01\x01", 14) + profile;
        const std::size_t length = body.size() + 2;
        return file.substr(0, 2) + "\xFF\xE2" + static_cast<char>(length >> 8) +
               static_cast<char>(length & 0xFF) + body + file.substr(2);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(profile.size()));
    std::string packed(packedSize, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
             reinterpret_cast<const Bytef*>(profile.data()), static_cast<uLong>(profile.size()));
    const std::string chunk =
        std::string("iCCPP3\0\0", 8) + packed.substr(0, static_cast<std::size_t>(packedSize));
    const uLong crc =
        crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), static_cast<uInt>(chunk.size()));
    // After the signature (8 bytes) and the header chunk (25).
    return file.substr(0, 33) + BigEndian32(chunk.size() - 4) + chunk + BigEndian32(crc) +
           file.substr(33);
}

class ColourProfileTest : public test::RunFixture {};

TEST_F(ColourProfileTest, EmbeddedProfilesBecomeSrgbOnEveryPathAndOthersAreLeftAlone) {
    // Four flat quarters, on the blocks of both the source's and the output's JPEG coding.
    const Rgb quarters[4] = {{200, 60, 40}, {40, 180, 90}, {70, 100, 180}, {235, 220, 60}};
    const Canvas picture =
        test::Painted(64, 32, [&](int x, int y) { return quarters[x / 32 + y / 16 * 2]; });
    enum class Profile { DisplayP3, None, Garbage };
    const struct {
        const char* name;
        Fitting fit;
        Profile profile;
        int jobs;
    } cases[] = {
        {"shrunk.jpg", Fitting::Stretch, Profile::DisplayP3, 1},
        {"prefetched.jpg", Fitting::Stretch, Profile::DisplayP3, 2},
        {"decoded.jpg", Fitting::AutoCrop, Profile::DisplayP3, 1},
        {"letterboxed.png", Fitting::Letterbox, Profile::DisplayP3, 1},
        {"plain.jpg", Fitting::Stretch, Profile::None, 1},
        {"plain.png", Fitting::AutoCrop, Profile::None, 1},
        {"garbage-shrunk.jpg", Fitting::Stretch, Profile::Garbage, 1},
        {"phone.heic", Fitting::Stretch, Profile::DisplayP3, 1},
        {"web.webp", Fitting::AutoCrop, Profile::DisplayP3, 2},
        {"scan.tif", Fitting::Stretch, Profile::DisplayP3, 1},
    };
    const Colour back = PackColour({60, 160, 100});
    host_.options.newWidth = 48;
    host_.options.newHeight = 32;
    host_.options.backColour = back;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = c.name;
        const std::string path = Src(name);
        const std::string profile = c.profile == Profile::DisplayP3 ? DisplayP3Profile()
                                    : c.profile == Profile::Garbage ? std::string(600, '\x5A')
                                                                    : std::string();
        // Formats the program does not write carry their profile in their own way and come
        // out as JPEG.
        const std::string extension = name.substr(name.rfind('.'));
        if (extension == ".heic") {
            test::WriteHeif(path, picture, {.iccProfile = profile});
        } else if (extension == ".webp") {
            test::WriteWebp(path, picture, {.iccProfile = profile});
        } else if (extension == ".tif") {
            test::WriteTiff(path, picture, {.iccProfile = profile});
        } else {
            ASSERT_TRUE(gdip_.PictureBoxToFile(picture, path, 100));
        }
        const bool png = extension == ".png";
        const bool written = png || extension == ".jpg";
        Canvas stored;
        Canvas out;
        std::string error;
        ASSERT_TRUE(DecodePictureFile(path, stored, 0, error));
        if (!profile.empty() && written) {
            test::WriteBytes(path, WithProfile(test::ReadBytes(path), profile, png));
        }
        host_.files = {{c.name}};
        host_.options.fitting = c.fit;
        run_.SetJobs(c.jobs);
        run_.PressProcess();
        const std::string output = written ? name : name.substr(0, name.rfind('.')) + ".jpg";
        ASSERT_TRUE(DecodePictureFile(Dst(output), out, 0, error)) << error;
        EXPECT_TRUE(out.IccProfile().empty());
        // Writing a JPEG at quality 85 moves flat colours by up to 4 levels; a PNG keeps them.
        // Converted or not differs by 10 levels or more in every quarter. One point inside each
        // quarter is compared, whichever way the picture was fitted.
        for (int i = 0; i < 4; ++i) {
            const Rgb source = stored.Pixel(i % 2 * 32 + 8, i / 2 * 16 + 8);
            const Rgb want = c.profile == Profile::DisplayP3 ? P3ToSrgb(source) : source;
            const Rgb got = out.Pixel(i % 2 == 0 ? 8 : 36, i / 2 == 0 ? 8 : 20);
            EXPECT_LE(std::max({std::abs(got.r - want.r), std::abs(got.g - want.g),
                                std::abs(got.b - want.b)}),
                      png ? 1 : 4)
                << "quarter " << i;
        }
        if (png && c.fit == Fitting::Letterbox) {
            // The bars are the chosen colour, not a converted one.
            EXPECT_EQ(out.Pixel(0, 0), ToRgb(back));
            EXPECT_EQ(out.Pixel(47, 31), ToRgb(back));
        }
    }
}

} // namespace
} // namespace kalvimo
