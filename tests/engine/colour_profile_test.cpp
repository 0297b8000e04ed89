#include "codecs/picture_decoder.h"
#include "run_fixture.h"

#include <algorithm>
#include <cmath>

namespace kalvimo {
namespace {

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

class ColourProfileTest : public test::RunFixture {};

TEST_F(ColourProfileTest, EmbeddedProfilesBecomeSrgbOnEveryPathAndOthersAreLeftAlone) {
    // The files hold four flat quarters of a 64 x 32 picture, on the blocks of both the source's
    // and the output's JPEG coding, with a Display P3 profile, none or 600 bytes of garbage.
    const struct {
        const char* name;
        const char* file;
        Fitting fit;
        int jobs;
    } cases[] = {
        {"shrunk.jpg", "profile-display-p3.jpg", Fitting::Stretch, 1},
        {"prefetched.jpg", "profile-display-p3.jpg", Fitting::Stretch, 2},
        {"decoded.jpg", "profile-display-p3.jpg", Fitting::AutoCrop, 1},
        {"letterboxed.png", "profile-display-p3.png", Fitting::Letterbox, 1},
        {"plain.jpg", "profile-none.jpg", Fitting::Stretch, 1},
        {"plain.png", "profile-none.png", Fitting::AutoCrop, 1},
        {"garbage-shrunk.jpg", "profile-garbage.jpg", Fitting::Stretch, 1},
        {"phone.heic", "profile-display-p3.heic", Fitting::Stretch, 1},
        {"web.webp", "profile-display-p3.webp", Fitting::AutoCrop, 2},
        {"scan.tif", "profile-display-p3.tif", Fitting::Stretch, 1},
    };
    const Colour back = PackColour({60, 160, 100});
    host_.options.newWidth = 48;
    host_.options.newHeight = 32;
    host_.options.backColour = back;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = c.name;
        const bool p3 = std::string(c.file).find("p3") != std::string::npos;
        host_.files.clear();
        AddData(c.file, name);
        // Formats the program does not write come out as JPEG.
        const std::string extension = name.substr(name.rfind('.'));
        const bool png = extension == ".png";
        const bool written = png || extension == ".jpg";
        Canvas stored;
        Canvas out;
        std::string error;
        ASSERT_TRUE(DecodePictureFile(Src(name), stored, 0, error));
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
            const Rgb want = p3 ? P3ToSrgb(source) : source;
            const Rgb got = out.Pixel(i % 2 == 0 ? 8 : 36, i / 2 == 0 ? 8 : 20);
            EXPECT_LE(test::Distance(got, want), png ? 1 : 4) << "quarter " << i;
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
