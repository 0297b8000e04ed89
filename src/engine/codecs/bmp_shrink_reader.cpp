#include "bmp_shrink_reader.h"

#include "bmp_input.h"
#include "codec_internal.h"
#include "picture_decoder.h"

#include <algorithm>
#include <array>
#include <vector>

namespace kalvimo {

namespace {

void TurnUpsideDown(Canvas& canvas) {
    for (int top = 0, bottom = canvas.Height() - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(canvas.Row(top), canvas.Row(top) + canvas.Stride(), canvas.Row(bottom));
    }
}

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
    codecs::FilePtr file = codecs::OpenPictureOf(PictureFormat::Bmp, path, size);
    if (!file) {
        return false;
    }
    auto session = std::make_unique<Session>();
    session->file = std::move(file);
    // Held a row at a time, a picture may be as large as a canvas could be.
    if (!session->input.Begin(session->file.get(), size, Canvas::kMaxPixels, backColour, reason)) {
        return false;
    }
    s.session = std::move(session);
    return true;
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
    const int height = input.Height();
    // Runs come only in file order, a bottom-up picture's bottom row first: the picture is then
    // averaged upside down into its targets turned upside down, and they are turned back after.
    const bool runs = input.Layout().RunLength();
    const bool upsideDown = runs && !input.Layout().topDown;
    std::vector<ShrinkTarget> averaged(targets.begin(), targets.end());
    if (upsideDown) {
        averaged.clear();
        for (const ShrinkTarget& target : targets) {
            TurnUpsideDown(target.canvas);
            const PixelRect& from = target.from;
            averaged.push_back(
                {target.canvas, {from.x, height - from.y - from.height, from.width, from.height}});
        }
    }
    if (s.averagers.size() < targets.size()) {
        s.averagers.resize(targets.size());
    }
    const std::span<AreaAverager> averagers = std::span(s.averagers).first(targets.size());
    const PixelRect needed = ResetAveragers(averagers, averaged, input.Width(), height, 3);
    s.row.resize(static_cast<std::size_t>(input.Width()) * 3);
    // Only the rows under some cell are read, and of the runs those before them; an
    // uncompressed bottom-up picture's from the end of the file backwards.
    bool read = true;
    for (int y = runs ? 0 : needed.y; y < needed.y + needed.height && read; ++y) {
        read = input.ReadRow(runs ? y : input.PictureRow(y), s.row.data(), error);
        if (read && y >= needed.y) {
            AddRowToAveragers(averagers, y, s.row.data());
        }
    }
    // The rest of the runs is checked, so that a picture the full decoder refuses is not drawn.
    if (!read || !input.Finish(error)) {
        for (const ShrinkTarget& target : targets) {
            target.canvas.Clear();
        }
        return false;
    }
    for (AreaAverager& averager : averagers) {
        averager.Finish();
    }
    for (const ShrinkTarget& target : targets) {
        if (upsideDown) {
            TurnUpsideDown(target.canvas);
        }
        target.canvas.SetIccProfile({});
    }
    return true;
}

} // namespace kalvimo
