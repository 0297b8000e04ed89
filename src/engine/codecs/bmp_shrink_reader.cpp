#include "bmp_shrink_reader.h"

#include "bmp_input.h"
#include "codec_internal.h"
#include "picture_decoder.h"

#include <array>
#include <vector>

namespace kalvimo {

namespace {

// One file being read; made anew for each picture.
struct Session {
    codecs::FilePtr file;
    codecs::BmpInput input;
};

} // namespace

// The averagers and the row outlive each picture, so a batch allocates them once.
struct BmpShrinkReader::State {
    std::unique_ptr<Session> session;
    std::vector<AreaAverager> averagers;
    std::vector<std::uint8_t> row;
};

BmpShrinkReader::BmpShrinkReader() : state_(std::make_unique<State>()) {}
BmpShrinkReader::~BmpShrinkReader() = default;

int BmpShrinkReader::Width() const {
    return state_->session ? state_->session->input.Width() : 0;
}
int BmpShrinkReader::Height() const {
    return state_->session ? state_->session->input.Height() : 0;
}

bool BmpShrinkReader::Open(const std::string& path, Colour backColour) {
    State& s = *state_;
    s.session.reset();
    std::int64_t size = 0;
    std::string reason;
    codecs::FilePtr file = codecs::OpenRegularFile(path, size, reason);
    std::array<std::uint8_t, 12> head{};
    if (!file || std::fread(head.data(), 1, head.size(), file.get()) != head.size() ||
        SniffFormat(head) != PictureFormat::Bmp) {
        return false;
    }
    auto session = std::make_unique<Session>();
    session->file = std::move(file);
    // Held a row at a time, a picture may be as large as a canvas could be.
    if (!session->input.Begin(session->file.get(), size, Canvas::kMaxPixels, backColour, reason) ||
        session->input.Layout().RunLength()) {
        return false;
    }
    s.session = std::move(session);
    return true;
}

bool BmpShrinkReader::ReadEighth(Canvas& target, std::string& error) {
    const std::optional<PixelRect> from =
        state_->session ? ResizeToEighth(target, Width(), Height()) : std::nullopt;
    if (!from) {
        error = kCannotShrink;
        return false;
    }
    return ReadRegion(target, *from, error);
}

bool BmpShrinkReader::ReadRegion(Canvas& target, PixelRect from, std::string& error) {
    const ShrinkTarget only{target, from};
    return ReadRegions({&only, 1}, error);
}

bool BmpShrinkReader::ReadRegions(std::span<const ShrinkTarget> targets, std::string& error) {
    State& s = *state_;
    const bool usable = TargetsUsable(targets);
    if (!s.session || !usable) {
        error = kCannotShrink;
        return false;
    }
    const std::unique_ptr<Session> session = std::move(s.session);
    codecs::BmpInput& input = session->input;
    if (s.averagers.size() < targets.size()) {
        s.averagers.resize(targets.size());
    }
    const std::span<AreaAverager> averagers = std::span(s.averagers).first(targets.size());
    const PixelRect needed = ResetAveragers(averagers, targets, input.Width(), input.Height(), 3);
    s.row.resize(static_cast<std::size_t>(input.Width()) * 3);
    // Only the rows under some cell are read; a bottom-up picture's from its end backwards.
    for (int y = needed.y; y < needed.y + needed.height; ++y) {
        if (!input.ReadRow(input.PictureRow(y), s.row.data())) {
            error = "the pixel data could not be read";
            for (const ShrinkTarget& target : targets) {
                target.canvas.Clear();
            }
            return false;
        }
        AddRowToAveragers(averagers, y, s.row.data());
    }
    for (AreaAverager& averager : averagers) {
        averager.Finish();
    }
    for (const ShrinkTarget& target : targets) {
        target.canvas.SetIccProfile({});
    }
    return true;
}

} // namespace kalvimo
