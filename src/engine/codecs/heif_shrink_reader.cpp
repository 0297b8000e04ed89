#include "heif_shrink_reader.h"

#include "codec_internal.h"
#include "heif_input.h"
#include "picture_decoder.h"

#include <array>
#include <vector>

namespace kalvimo {

// The averagers and the row outlive each picture, so a batch allocates them once.
struct HeifShrinkReader::State {
    codecs::HeifPicture picture;
    std::string path;
    Rgb back;
    std::vector<AreaAverager> averagers;
    std::vector<std::uint8_t> row;
};

HeifShrinkReader::HeifShrinkReader() : state_(std::make_unique<State>()) {}
HeifShrinkReader::~HeifShrinkReader() = default;

int HeifShrinkReader::Width() const {
    return state_->picture.Width();
}
int HeifShrinkReader::Height() const {
    return state_->picture.Height();
}

bool HeifShrinkReader::Open(const std::string& path, Colour backColour) {
    State& s = *state_;
    if (s.picture.Width() > 0 && s.path == path && ToRgb(backColour) == s.back) {
        return true;
    }
    s.picture.Clear();
    s.path.clear();
    std::int64_t size = 0;
    std::string reason;
    const codecs::FilePtr file = codecs::OpenPictureOf(PictureFormat::Heif, path, size);
    if (!file) {
        return false;
    }
    if (!s.picture.Decode(file.get(), size, reason)) {
        return false;
    }
    s.path = path;
    s.back = ToRgb(backColour);
    return true;
}

bool HeifShrinkReader::ReadEighth(Canvas& target, std::string& error) {
    const std::optional<PixelRect> from = ResizeToEighth(target, Width(), Height());
    if (!from) {
        error = kCannotShrink;
        return false;
    }
    const ShrinkTarget only{target, *from};
    return Average({&only, 1}, error);
}

bool HeifShrinkReader::ReadRegions(std::span<const ShrinkTarget> targets, std::string& error) {
    const bool done = Average(targets, error);
    Close();
    return done;
}

void HeifShrinkReader::Close() {
    state_->picture.Clear();
    state_->path.clear();
}

bool HeifShrinkReader::Average(std::span<const ShrinkTarget> targets, std::string& error) {
    State& s = *state_;
    const bool usable = TargetsUsable(targets);
    if (Width() == 0 || !usable) {
        error = kCannotShrink;
        return false;
    }
    if (s.averagers.size() < targets.size()) {
        s.averagers.resize(targets.size());
    }
    const std::span<AreaAverager> averagers = std::span(s.averagers).first(targets.size());
    const PixelRect needed = ResetAveragers(averagers, targets, Width(), Height(), 3);
    s.row.resize(static_cast<std::size_t>(Width()) * 3);
    for (int y = needed.y; y < needed.y + needed.height; ++y) {
        s.picture.Row(y, needed.x, needed.x + needed.width, s.back,
                      s.row.data() + std::ptrdiff_t{3} * needed.x);
        AddRowToAveragers(averagers, y, s.row.data());
    }
    for (AreaAverager& averager : averagers) {
        averager.Finish();
    }
    for (const ShrinkTarget& target : targets) {
        target.canvas.SetIccProfile(s.picture.IccProfile());
    }
    return true;
}

} // namespace kalvimo
