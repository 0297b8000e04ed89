#include "png_shrink_reader.h"

#include "codec_internal.h"
#include "picture_decoder.h"
#include "png_input.h"

#include <array>
#include <vector>

namespace kalvimo {

namespace {

// One file being read; made anew for each picture.
struct Session {
    codecs::FilePtr file;
    codecs::PngInput input;
};

} // namespace

// The averagers and the rows outlive each picture, so a batch allocates them once.
struct PngShrinkReader::State {
    std::unique_ptr<Session> session;
    Rgb back;
    std::vector<AreaAverager> averagers;
    std::vector<std::uint8_t> read;
    std::vector<std::uint8_t> row;
};

PngShrinkReader::PngShrinkReader() : state_(std::make_unique<State>()) {}
PngShrinkReader::~PngShrinkReader() = default;

int PngShrinkReader::Width() const {
    return state_->session ? state_->session->input.Width() : 0;
}
int PngShrinkReader::Height() const {
    return state_->session ? state_->session->input.Height() : 0;
}

bool PngShrinkReader::Open(const std::string& path, Colour backColour) {
    State& s = *state_;
    s.session.reset();
    std::int64_t size = 0;
    std::string reason;
    codecs::FilePtr file = codecs::OpenPictureOf(PictureFormat::Png, path, size);
    if (!file) {
        return false;
    }
    auto session = std::make_unique<Session>();
    session->file = std::move(file);
    if (!session->input.Begin(session->file.get(), size, reason) || session->input.Interlaced()) {
        return false;
    }
    s.session = std::move(session);
    s.back = ToRgb(backColour);
    return true;
}

bool PngShrinkReader::ReadRegions(std::span<const ShrinkTarget> targets, std::string& error) {
    State& s = *state_;
    const bool usable = TargetsUsable(targets);
    if (!s.session || !usable) {
        error = kCannotShrink;
        return false;
    }
    const std::unique_ptr<Session> session = std::move(s.session);
    codecs::PngInput& input = session->input;
    if (s.averagers.size() < targets.size()) {
        s.averagers.resize(targets.size());
    }
    const std::span<AreaAverager> averagers = std::span(s.averagers).first(targets.size());
    const PixelRect needed = ResetAveragers(averagers, targets, input.Width(), input.Height(), 3);
    s.read.resize(static_cast<std::size_t>(input.RowBytes()));
    s.row.resize(static_cast<std::size_t>(input.Width()) * 3);
    // Rows come from the top; those under no cell are decoded and passed over, the rest of the
    // file is not read.
    for (int y = 0; y < needed.y + needed.height; ++y) {
        if (!input.ReadRow(s.read.data(), error)) {
            for (const ShrinkTarget& target : targets) {
                target.canvas.Clear();
            }
            return false;
        }
        if (y < needed.y) {
            continue;
        }
        const std::uint8_t* row = s.read.data();
        if (input.Alpha()) {
            codecs::CompositePngRow(row, s.row.data(), input.Width(), s.back);
            row = s.row.data();
        }
        AddRowToAveragers(averagers, y, row);
    }
    for (AreaAverager& averager : averagers) {
        averager.Finish();
    }
    const std::vector<std::uint8_t> profile = input.IccProfile();
    for (const ShrinkTarget& target : targets) {
        target.canvas.SetIccProfile(profile);
    }
    return true;
}

} // namespace kalvimo
