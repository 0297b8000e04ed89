#include "attention.h"
#include "geometry.h"
#include "picture_maker.h"

#include <cstdint>
#include <gtest/gtest.h>

namespace kalvimo {
namespace {

enum class Subject { Texture, Skin, None, TextureAllOver };

// A smooth gradient with a subject a fifth of each side in size: grey squares of 16 pixels at
// random, or a flat face colour. None and TextureAllOver are the pictures with nothing standing
// out.
Canvas Scene(int w, int h, PixelRect at, Subject subject) {
    return test::Painted(w, h, [=](int x, int y) {
        const bool inside = subject == Subject::TextureAllOver ||
                            (x >= at.x && x < at.x + at.width && y >= at.y && y < at.y + at.height);
        if (subject == Subject::None) {
            return Rgb{120, 130, 140};
        }
        if (inside) {
            if (subject == Subject::Skin) {
                return Rgb{224, 172, 140};
            }
            auto hash = static_cast<std::uint32_t>((y / 16) * 1000 + x / 16) * 2654435761U;
            hash = (hash ^ (hash >> 15)) * 2246822519U;
            const auto v = static_cast<std::uint8_t>(hash >> 24);
            return Rgb{v, v, v};
        }
        return Rgb{static_cast<std::uint8_t>(60 + 80 * x / w),
                   static_cast<std::uint8_t>(90 + 60 * y / h), 140};
    });
}

FrameOrder ByContent(int w, int h, Fitting fitting) {
    return {w, h, fitting, kAnchorByContent, false, 0, {}};
}

// The kept region holds the whole subject wherever it is, for landscape and portrait pictures
// and frames of three proportions, filled or cut at the frame's size.
TEST(ByContent, KeepsTheSubjectWhole) {
    for (const auto& [w, h] : {std::pair{1200, 800}, std::pair{800, 1200}}) {
        const int sw = w / 5;
        const int sh = h / 5;
        const PixelRect places[] = {{w / 20, (h - sh) / 2, sw, sh},
                                    {w - w / 20 - sw, (h - sh) / 2, sw, sh},
                                    {(w - sw) / 2, h / 20, sw, sh},
                                    {(w - sw) / 2, h - h / 20 - sh, sw, sh}};
        for (const PixelRect& at : places) {
            for (const Subject subject : {Subject::Texture, Subject::Skin}) {
                const Canvas scene = Scene(w, h, at, subject);
                const Attention attention = FindAttention(ShrunkForAttention(scene));
                for (const auto& [fw, fh] :
                     {std::pair{640, 360}, std::pair{640, 480}, std::pair{500, 500}}) {
                    for (const Fitting fitting : {Fitting::Fill, Fitting::AutoCrop}) {
                        SCOPED_TRACE(::testing::Message()
                                     << w << "x" << h << " subject at " << at.x << "," << at.y
                                     << " kind " << static_cast<int>(subject) << " frame " << fw
                                     << "x" << fh << " fitting " << static_cast<int>(fitting));
                        const auto place = PlaceFrame(ByContent(fw, fh, fitting), w, h, &attention);
                        ASSERT_TRUE(place);
                        const PixelRect& r = place->from;
                        EXPECT_LE(r.x, at.x);
                        EXPECT_LE(r.y, at.y);
                        EXPECT_GE(r.x + r.width, at.x + at.width);
                        EXPECT_GE(r.y + r.height, at.y + at.height);
                    }
                }
            }
        }
    }
}

// With nothing standing out the cut is the centred one, through the frame drawing too.
TEST(ByContent, PlainOrEvenlyDetailedPicturesAreCentred) {
    for (const Subject subject : {Subject::None, Subject::TextureAllOver}) {
        const Canvas scene = Scene(1200, 800, {}, subject);
        for (const Fitting fitting : {Fitting::Fill, Fitting::AutoCrop}) {
            FrameOrder order = ByContent(500, 500, fitting);
            Canvas byContent;
            Canvas centred;
            ASSERT_TRUE(RenderFrame(scene, byContent, order));
            order.anchor = 4;
            ASSERT_TRUE(RenderFrame(scene, centred, order));
            EXPECT_EQ(test::LargestDifference(centred, byContent), 0)
                << static_cast<int>(subject) << " " << static_cast<int>(fitting);
        }
    }
}

} // namespace
} // namespace kalvimo
