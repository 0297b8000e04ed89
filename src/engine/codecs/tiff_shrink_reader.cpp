#include "tiff_shrink_reader.h"

#include "codec_internal.h"
#include "picture_decoder.h"
#include "tiff_input.h"

#include <algorithm>
#include <array>
#include <vector>

namespace kalvimo {

namespace {

// A row of tiles is held whole while its rows are averaged; taller rows go to the full decoder.
constexpr std::int64_t kMaxTileRowPixels = std::int64_t{1} << 24;

// One file being read; made anew for each picture.
struct Session {
    codecs::FilePtr file;
    codecs::TiffInput input;
    std::vector<std::uint8_t> tileBuffer;
    codecs::TiffPtr tiff;
    TIFFRGBAImage image{};
    bool begun = false;
    Rgb back;
    // Grey pictures are averaged as one channel, a third of the work.
    bool grey = false;
    std::uint32_t rowsPerStrip = 0;
    // Zero for a picture in strips.
    std::uint32_t tileWidth = 0;
    std::uint32_t tileHeight = 0;

    Session(codecs::FilePtr opened, std::int64_t size, Rgb backColour)
        : file(std::move(opened)), input{file.get(), size, {}}, back(backColour) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() {
        if (begun) {
            TIFFRGBAImageEnd(&image);
        }
    }
};

// Strips are read row by row and tiles a row of tiles at a time, so each is decoded once; the
// layouts whose rows libtiff cannot put one at a time are left to the full decoder: colours
// subsampled in blocks of rows, planes stored apart.
bool CanShrink(Session& session) {
    TIFF* tiff = session.tiff.get();
    const TIFFRGBAImage& image = session.image;
    if (image.isContig == 0 || image.photometric == PHOTOMETRIC_YCBCR ||
        TIFFScanlineSize(tiff) <= 0) {
        return false;
    }
    session.grey = (image.photometric == PHOTOMETRIC_MINISBLACK ||
                    image.photometric == PHOTOMETRIC_MINISWHITE) &&
                   image.alpha == 0;
    if (TIFFIsTiled(tiff) == 0) {
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &session.rowsPerStrip);
        return session.rowsPerStrip > 0;
    }
    TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &session.tileWidth);
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &session.tileHeight);
    return session.tileWidth > 0 && session.tileHeight > 0 && TIFFTileSize(tiff) > 0 &&
           std::int64_t{image.width} * session.tileHeight <= kMaxTileRowPixels;
}

} // namespace

// The averagers and buffers outlive each picture, so a batch allocates them once.
struct TiffShrinkReader::State {
    std::unique_ptr<Session> session;
    std::vector<AreaAverager> averagers;
    // A row, or a tile, as stored.
    std::vector<std::uint8_t> stored;
    // A row, or a row of tiles, as libtiff puts it: packed RGBA.
    std::vector<std::uint32_t> rgba;
    // A row as averaged.
    std::vector<std::uint8_t> row;
};

TiffShrinkReader::TiffShrinkReader() : state_(std::make_unique<State>()) {}
TiffShrinkReader::~TiffShrinkReader() = default;

int TiffShrinkReader::Width() const {
    return state_->session ? static_cast<int>(state_->session->image.width) : 0;
}
int TiffShrinkReader::Height() const {
    return state_->session ? static_cast<int>(state_->session->image.height) : 0;
}

bool TiffShrinkReader::Open(const std::string& path, Colour backColour) {
    State& s = *state_;
    s.session.reset();
    std::int64_t size = 0;
    std::string reason;
    codecs::FilePtr file = codecs::OpenPictureOf(PictureFormat::Tiff, path, size);
    if (!file) {
        return false;
    }
    auto session = std::make_unique<Session>(std::move(file), size, ToRgb(backColour));
    session->tiff = codecs::OpenTiff(session->input);
    if (!session->tiff || !codecs::BeginTiffPage(session->tiff.get(), session->input,
                                                 session->image, session->tileBuffer, reason)) {
        return false;
    }
    session->begun = true;
    if (!CanShrink(*session)) {
        return false;
    }
    s.session = std::move(session);
    return true;
}

namespace {

struct Buffers {
    std::vector<std::uint8_t>& stored;
    std::vector<std::uint32_t>& rgba;
    std::vector<std::uint8_t>& row;
};

// Feeds row y, as libtiff put it, to the averagers that take it; only the columns they read are
// converted. libtiff hands out colours already multiplied by their opacity.
void AddRow(const Session& session, int y, const std::uint32_t* rgba, int firstColumn,
            int endColumn, std::span<AreaAverager> averagers, std::vector<std::uint8_t>& row) {
    if (session.grey) {
        for (int x = firstColumn; x < endColumn; ++x) {
            row[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(TIFFGetR(rgba[x]));
        }
    } else {
        std::uint8_t* out = row.data() + std::ptrdiff_t{3} * firstColumn;
        const bool alpha = session.image.alpha != 0;
        for (int x = firstColumn; x < endColumn; ++x, out += 3) {
            const std::uint32_t pixel = rgba[x];
            Rgb rgb{static_cast<std::uint8_t>(TIFFGetR(pixel)),
                    static_cast<std::uint8_t>(TIFFGetG(pixel)),
                    static_cast<std::uint8_t>(TIFFGetB(pixel))};
            const auto opacity = static_cast<int>(TIFFGetA(pixel));
            // Opaque pictures are copied; the others blended as the full decoder blends them.
            if (alpha && opacity != 255) {
                rgb = codecs::PremultipliedOverBackground(rgb, opacity, session.back);
            }
            out[0] = rgb.r;
            out[1] = rgb.g;
            out[2] = rgb.b;
        }
    }
    AddRowToAveragers(averagers, y, row.data());
}

// Rows from the start of the strip that holds firstRow: libtiff cannot start a compressed strip
// in its middle.
bool ReadStrips(Session& session, int firstRow, int endRow, int firstColumn, int endColumn,
                std::span<AreaAverager> averagers, Buffers& buffers) {
    TIFF* tiff = session.tiff.get();
    TIFFRGBAImage& image = session.image;
    const auto width = static_cast<int>(image.width);
    buffers.stored.resize(static_cast<std::size_t>(TIFFScanlineSize(tiff)));
    buffers.rgba.resize(static_cast<std::size_t>(width));
    const auto start =
        static_cast<int>(static_cast<std::uint32_t>(firstRow) -
                         static_cast<std::uint32_t>(firstRow) % session.rowsPerStrip);
    for (int y = start; y < endRow; ++y) {
        if (TIFFReadScanline(tiff, buffers.stored.data(), static_cast<std::uint32_t>(y), 0) < 0) {
            return false;
        }
        if (y >= firstRow) {
            image.put.contig(&image, buffers.rgba.data(), 0, static_cast<std::uint32_t>(y),
                             static_cast<std::uint32_t>(width), 1, 0, 0, buffers.stored.data());
            AddRow(session, y, buffers.rgba.data(), firstColumn, endColumn, averagers, buffers.row);
        }
    }
    return true;
}

// A row of tiles at a time, only the tiles under the columns that count.
bool ReadTiles(Session& session, int firstRow, int endRow, int firstColumn, int endColumn,
               std::span<AreaAverager> averagers, Buffers& buffers) {
    TIFF* tiff = session.tiff.get();
    TIFFRGBAImage& image = session.image;
    const auto width = static_cast<int>(image.width);
    const auto height = static_cast<int>(image.height);
    const auto tileWidth = static_cast<int>(session.tileWidth);
    const auto tileHeight = static_cast<int>(session.tileHeight);
    buffers.stored.resize(static_cast<std::size_t>(TIFFTileSize(tiff)));
    buffers.rgba.resize(static_cast<std::size_t>(width) * session.tileHeight);
    const int firstTile = firstColumn - firstColumn % tileWidth;
    for (int top = firstRow - firstRow % tileHeight; top < endRow; top += tileHeight) {
        const int rows = std::min(tileHeight, height - top);
        for (int left = firstTile; left < endColumn; left += tileWidth) {
            if (TIFFReadTile(tiff, buffers.stored.data(), static_cast<std::uint32_t>(left),
                             static_cast<std::uint32_t>(top), 0, 0) < 0) {
                return false;
            }
            const int columns = std::min(tileWidth, width - left);
            image.put.contig(&image, buffers.rgba.data() + left, static_cast<std::uint32_t>(left),
                             static_cast<std::uint32_t>(top), static_cast<std::uint32_t>(columns),
                             static_cast<std::uint32_t>(rows), tileWidth - columns, width - columns,
                             buffers.stored.data());
        }
        for (int y = std::max(top, firstRow); y < std::min(top + rows, endRow); ++y) {
            AddRow(session, y, buffers.rgba.data() + static_cast<std::ptrdiff_t>(y - top) * width,
                   firstColumn, endColumn, averagers, buffers.row);
        }
    }
    return true;
}

bool Read(Session& session, std::span<AreaAverager> averagers,
          std::span<const ShrinkTarget> targets, Buffers& buffers) {
    const auto width = static_cast<int>(session.image.width);
    const auto height = static_cast<int>(session.image.height);
    const int channels = session.grey ? 1 : 3;
    const PixelRect needed = ResetAveragers(averagers, targets, width, height, channels);
    if (needed.height > 0) {
        buffers.row.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(channels));
        const int endRow = needed.y + needed.height;
        const int endColumn = needed.x + needed.width;
        const bool done =
            session.tileWidth == 0
                ? ReadStrips(session, needed.y, endRow, needed.x, endColumn, averagers, buffers)
                : ReadTiles(session, needed.y, endRow, needed.x, endColumn, averagers, buffers);
        if (!done) {
            return false;
        }
    }
    for (AreaAverager& averager : averagers) {
        averager.Finish();
    }
    return true;
}

} // namespace

bool TiffShrinkReader::ReadRegions(std::span<const ShrinkTarget> targets, std::string& error) {
    State& s = *state_;
    const bool usable = TargetsUsable(targets);
    if (!s.session || !usable) {
        error = kCannotShrink;
        return false;
    }
    if (s.averagers.size() < targets.size()) {
        s.averagers.resize(targets.size());
    }
    Session& session = *s.session;
    Buffers buffers{s.stored, s.rgba, s.row};
    if (!Read(session, std::span(s.averagers).first(targets.size()), targets, buffers)) {
        error = codecs::TiffReason(session.input, "the picture data is damaged");
        s.session.reset();
        for (const ShrinkTarget& target : targets) {
            target.canvas.Clear();
        }
        return false;
    }
    const std::vector<std::uint8_t> profile = codecs::TiffIccProfile(session.tiff.get());
    for (const ShrinkTarget& target : targets) {
        target.canvas.SetIccProfile(profile);
    }
    s.session.reset();
    return true;
}

} // namespace kalvimo
