#include "gif_shrink_reader.h"

#include "codec_internal.h"
#include "gif_input.h"
#include "picture_decoder.h"

#include <algorithm>
#include <array>
#include <vector>

namespace kalvimo {

namespace {

// One file being read; made anew for each picture.
struct Session {
    codecs::FilePtr file;
    codecs::GifInput input;
};

} // namespace

// The averagers and the row outlive each picture, so a batch allocates them once.
struct GifShrinkReader::State {
    std::unique_ptr<Session> session;
    std::vector<AreaAverager> averagers;
    std::vector<std::uint8_t> row;
};

GifShrinkReader::GifShrinkReader() : state_(std::make_unique<State>()) {}
GifShrinkReader::~GifShrinkReader() = default;

int GifShrinkReader::Width() const {
    return state_->session ? state_->session->input.Width() : 0;
}
int GifShrinkReader::Height() const {
    return state_->session ? state_->session->input.Height() : 0;
}

bool GifShrinkReader::Open(const std::string& path, Colour backColour) {
    State& s = *state_;
    s.session.reset();
    std::int64_t size = 0;
    std::string reason;
    codecs::FilePtr file = codecs::OpenPictureOf(PictureFormat::Gif, path, size);
    if (!file) {
        return false;
    }
    auto session = std::make_unique<Session>();
    session->file = std::move(file);
    // Held a row at a time, a picture may be as large as a canvas could be.
    if (!session->input.Begin(session->file.get(), size, Canvas::kMaxPixels, backColour, reason) ||
        session->input.Interlaced()) {
        return false;
    }
    s.session = std::move(session);
    return true;
}

bool GifShrinkReader::ReadRegions(std::span<const ShrinkTarget> targets, std::string& error) {
    State& s = *state_;
    const bool usable = TargetsUsable(targets);
    if (!s.session || !usable) {
        error = kCannotShrink;
        return false;
    }
    const std::unique_ptr<Session> session = std::move(s.session);
    codecs::GifInput& input = session->input;
    if (s.averagers.size() < targets.size()) {
        s.averagers.resize(targets.size());
    }
    const std::span<AreaAverager> averagers = std::span(s.averagers).first(targets.size());
    const PixelRect needed = ResetAveragers(averagers, targets, input.Width(), input.Height(), 3);
    s.row.resize(static_cast<std::size_t>(input.Width()) * 3);
    const Rgb back = input.Back();
    const auto fillBack = [&s, back](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; i += 3) {
            s.row[i] = back.r;
            s.row[i + 1] = back.g;
            s.row[i + 2] = back.b;
        }
    };
    fillBack(0, s.row.size());
    // Around the frame, and under the rows of a frame whose data stopped early, the picture is
    // the background.
    const auto frameStart = static_cast<std::size_t>(input.FrameLeft()) * 3;
    const std::size_t frameEnd = frameStart + static_cast<std::size_t>(input.FrameWidth()) * 3;
    const int frameBottom = input.FrameTop() + input.FrameHeight();
    bool stopped = false;
    // Rows come from the top; those under no cell are decoded and passed over, the rest of the
    // file is not read.
    for (int y = 0; y < needed.y + needed.height; ++y) {
        if (y >= input.FrameTop() && y < frameBottom && !stopped) {
            if (!input.ReadRow(s.row.data() + frameStart, stopped, error)) {
                for (const ShrinkTarget& target : targets) {
                    target.canvas.Clear();
                }
                return false;
            }
            if (stopped) {
                fillBack(frameStart, frameEnd);
            }
        } else if (y == frameBottom) {
            fillBack(frameStart, frameEnd);
        }
        if (y >= needed.y) {
            AddRowToAveragers(averagers, y, s.row.data());
        }
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
