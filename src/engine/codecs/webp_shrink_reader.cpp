#include "webp_shrink_reader.h"

#include "../memory_budget.h"
#include "codec_internal.h"
#include "picture_decoder.h"
#include "webp_input.h"
#include "webp_lossless.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace kalvimo {

namespace {

// A frame's data starts with the header of its chunk: its name and its size.
constexpr std::size_t kChunkHeader = 8;

// A crop libwebp decodes at full size is widened by this much on each side, so that its kept
// pixels take their colour from the same neighbours as in a full decoding.
constexpr int kUpsamplingMargin = 2;

// One axis of a decoding: the picture's pixels [start, start + length), cropped and scaled by
// libwebp to `scaled` pixels, in which the region is [from, from + fromLength).
struct AxisPlan {
    int start = 0;
    int length = 0;
    int scaled = 0;
    int from = 0;
    int fromLength = 0;
};

// libwebp crops from even pixels only and grows by interpolation, so an axis is scaled only when
// the region starts at an even pixel, lies inside the picture and has more pixels than the cells
// it is given; it is then scaled straight to the cells. (Two pixels a cell, averaged here, came
// 1 dB nearer the exact average on photographs, at 49 dB already, for a third more time.) Nothing
// when the region misses the picture.
std::optional<AxisPlan> PlanAxis(int from, int length, int cells, int limit) {
    const std::int64_t end = std::int64_t{from} + length;
    if (from >= 0 && end <= limit && from % 2 == 0 && cells < length) {
        return AxisPlan{from, length, cells, 0, cells};
    }
    const std::int64_t first = std::max<std::int64_t>(from, 0);
    const std::int64_t last = std::min<std::int64_t>(end, limit);
    if (last <= first) {
        return std::nullopt;
    }
    const int start = static_cast<int>(std::max<std::int64_t>(first - kUpsamplingMargin, 0) & ~1);
    const int stop = static_cast<int>(std::min<std::int64_t>(last + kUpsamplingMargin, limit));
    return AxisPlan{start, stop - start, stop - start, from - start, length};
}

} // namespace

struct WebpShrinkReader::State {
    codecs::WebpFile file;
    Canvas decoded;
    // A lossless picture is decoded here a row at a time; a lossy one by libwebp.
    bool lossless = false;
    std::optional<codecs::WebpLosslessDecoder> rowDecoder;
    Rgb back;
    // The averagers and the row outlive each picture, so a batch allocates them once.
    std::vector<AreaAverager> averagers;
    std::vector<std::uint8_t> row;

    bool ReadLossless(std::span<const ShrinkTarget> targets, std::string& error);
};

WebpShrinkReader::WebpShrinkReader() : state_(std::make_unique<State>()) {}
WebpShrinkReader::~WebpShrinkReader() = default;

int WebpShrinkReader::Width() const {
    return state_->file.Width();
}
int WebpShrinkReader::Height() const {
    return state_->file.Height();
}

bool WebpShrinkReader::Open(const std::string& path, Colour backColour) {
    codecs::WebpFile& webp = state_->file;
    webp.Clear();
    std::int64_t size = 0;
    std::string reason;
    const codecs::FilePtr file = codecs::OpenPictureOf(PictureFormat::Webp, path, size);
    if (!file) {
        return false;
    }
    if (!webp.Read(file.get(), size, reason)) {
        return false;
    }
    // A lossy picture with transparent parts is left to the full decoder, as libwebp scales colour
    // and transparency apart where the frame needs colour weighted by transparency; an
    // animation's first frame may leave parts of the canvas to the background.
    const WebPIterator& frame = webp.FirstFrame();
    static constexpr std::uint8_t kLossless[] = {'V', 'P', '8', 'L'};
    state_->lossless = codecs::StartsWith({frame.fragment.bytes, frame.fragment.size}, kLossless) &&
                       frame.fragment.size > kChunkHeader;
    if (webp.FrameCount() != 1 || (frame.has_alpha != 0 && !state_->lossless) ||
        frame.x_offset != 0 || frame.y_offset != 0 || frame.width != webp.Width() ||
        frame.height != webp.Height()) {
        webp.Clear();
        return false;
    }
    state_->back = ToRgb(backColour);
    return true;
}

namespace {

// Decodes the crop of across and down, scaled as they say, into `out`.
bool DecodeScaled(const WebPData& data, const AxisPlan& across, const AxisPlan& down, Canvas& out,
                  std::string& error) {
    MemoryBudget::Reserve(std::int64_t{across.scaled} * down.scaled * 3);
    if (!out.Resize(across.scaled, down.scaled)) {
        error = codecs::TooLargeReason(across.scaled, down.scaled);
        return false;
    }
    WebPDecoderConfig config{};
    if (WebPInitDecoderConfig(&config) == 0) {
        error = "the WebP library does not match";
        return false;
    }
    WebPDecoderOptions& options = config.options;
    options.use_cropping = 1;
    options.crop_left = across.start;
    options.crop_top = down.start;
    options.crop_width = across.length;
    options.crop_height = down.length;
    options.use_scaling = across.scaled != across.length || down.scaled != down.length ? 1 : 0;
    options.scaled_width = across.scaled;
    options.scaled_height = down.scaled;
    // Parsing and reconstructing on one thread, scaling and colour conversion on another.
    options.use_threads = 1;
    config.output.colorspace = MODE_RGB;
    config.output.is_external_memory = 1;
    WebPRGBABuffer& rgb = config.output.u.RGBA;
    rgb.rgba = out.Data();
    rgb.stride = static_cast<int>(out.Stride());
    rgb.size = out.Stride() * static_cast<std::size_t>(out.Height());
    const VP8StatusCode status = WebPDecode(data.bytes, data.size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) {
        error = codecs::WebpStatusText(status);
        return false;
    }
    return true;
}

} // namespace

// Rows come from the top, each averaged into the targets; those under no cell are decoded and
// passed over, as the rows below them depend on them, and the rest of the picture is not read.
bool WebpShrinkReader::State::ReadLossless(std::span<const ShrinkTarget> targets,
                                           std::string& error) {
    const WebPData& fragment = file.FirstFrame().fragment;
    if (!TargetsUsable(targets)) {
        error = kCannotShrink;
        return false;
    }
    codecs::WebpLosslessDecoder& decoder = rowDecoder.emplace();
    if (!decoder.Begin({fragment.bytes + kChunkHeader, fragment.size - kChunkHeader}, error)) {
        return false;
    }
    const int width = decoder.Width();
    if (averagers.size() < targets.size()) {
        averagers.resize(targets.size());
    }
    const std::span<AreaAverager> used = std::span(averagers).first(targets.size());
    const PixelRect needed = ResetAveragers(used, targets, width, decoder.Height(), 3);
    row.resize(static_cast<std::size_t>(width) * 3);
    // A picture that says it has no transparency is drawn opaque, whatever its alpha.
    const bool alpha = decoder.Alpha();
    for (int y = 0; y < needed.y + needed.height; ++y) {
        const std::uint32_t* argb = decoder.ReadRow(error);
        if (argb == nullptr) {
            for (const ShrinkTarget& target : targets) {
                target.canvas.Clear();
            }
            return false;
        }
        if (y < needed.y) {
            continue;
        }
        std::uint8_t* out = row.data();
        for (int x = 0; x < width; ++x, out += 3) {
            const std::uint32_t pixel = argb[x];
            Rgb rgb{static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
                    static_cast<std::uint8_t>(pixel)};
            if (alpha) {
                rgb = codecs::OverBackground(rgb, static_cast<int>(pixel >> 24), back);
            }
            out[0] = rgb.r;
            out[1] = rgb.g;
            out[2] = rgb.b;
        }
        AddRowToAveragers(used, y, row.data());
    }
    for (AreaAverager& averager : used) {
        averager.Finish();
    }
    const std::vector<std::uint8_t> profile = file.IccProfile();
    for (const ShrinkTarget& target : targets) {
        target.canvas.SetIccProfile(profile);
    }
    return true;
}

bool WebpShrinkReader::ReadEighth(Canvas& target, std::string& error) {
    State& s = *state_;
    const std::optional<PixelRect> from = ResizeToEighth(target, Width(), Height());
    if (!from) {
        error = kCannotShrink;
        return false;
    }
    if (s.lossless) {
        const ShrinkTarget only{target, *from};
        return s.ReadLossless({&only, 1}, error);
    }
    const AxisPlan across{0, Width(), target.Width(), 0, target.Width()};
    const AxisPlan down{0, Height(), target.Height(), 0, target.Height()};
    if (!DecodeScaled(s.file.FirstFrame().fragment, across, down, target, error)) {
        return false;
    }
    target.SetIccProfile(s.file.IccProfile());
    return true;
}

bool WebpShrinkReader::ReadRegions(std::span<const ShrinkTarget> targets, std::string& error) {
    State& s = *state_;
    if (s.lossless && Width() > 0) {
        const bool done = s.ReadLossless(targets, error);
        Close();
        return done;
    }
    bool done = Width() > 0 && TargetsUsable(targets);
    if (!done) {
        error = kCannotShrink;
    }
    // One decoding a target: each is cropped and scaled as its own cells need.
    for (const ShrinkTarget& target : targets) {
        if (!done) {
            break;
        }
        Canvas& canvas = target.canvas;
        const PixelRect& from = target.from;
        const std::optional<AxisPlan> across =
            PlanAxis(from.x, from.width, canvas.Width(), Width());
        const std::optional<AxisPlan> down =
            PlanAxis(from.y, from.height, canvas.Height(), Height());
        if (across && down) {
            done = DecodeScaled(s.file.FirstFrame().fragment, *across, *down, s.decoded, error);
            if (done) {
                ScaledCopy(s.decoded,
                           {across->from, down->from, across->fromLength, down->fromLength}, canvas,
                           {0, 0, canvas.Width(), canvas.Height()});
            }
        }
        canvas.SetIccProfile(s.file.IccProfile());
    }
    Close();
    return done;
}

void WebpShrinkReader::Close() {
    state_->file.Clear();
    // A region decoded at full size along an axis can be large, and so can what the lossless
    // decoder holds for a hostile file.
    state_->decoded.Clear();
    state_->rowDecoder.reset();
}

} // namespace kalvimo
