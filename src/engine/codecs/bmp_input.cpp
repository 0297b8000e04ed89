#include "bmp_input.h"

#include "codec_internal.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <optional>
#include <sys/types.h>

namespace kalvimo::codecs {

namespace {

// The file header: "BM", the file size, two reserved words, then where the pixels start.
constexpr std::int64_t kFileHeaderSize = 14;
constexpr std::size_t kDataOffsetField = 10;

// The header after it comes in versions named by their size, its first field. Each version
// from the info header on starts with the info header's fields and adds its own after them.
enum class HeaderVersion {
    Core, // 12 bytes: 16-bit width and height, planes, bits per pixel; 3-byte palette entries
    Os2,  // 16 to 64 bytes (OS/2 2.x): the info header's fields, cut off after any of them
    Info, // 40 bytes: compression, image size, resolution, colours used and important
    V2,   // 52 bytes: + red, green and blue masks
    V3,   // 56 bytes: + alpha mask
    V4,   // 108 bytes: + colour space, end points and gamma
    V5,   // 124 bytes: + rendering intent and an ICC profile
};

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kOs2SmallestHeaderSize = 16;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kV2HeaderSize = 52;
constexpr std::uint32_t kV3HeaderSize = 56;
constexpr std::uint32_t kV4HeaderSize = 108;
constexpr std::uint32_t kV5HeaderSize = 124;

// Where the fields lie from the start of the header, its size field included.
namespace core_field {
constexpr std::size_t kWidth = 4; // 16 bits, like the height
constexpr std::size_t kHeight = 6;
constexpr std::size_t kBitCount = 10;
} // namespace core_field
namespace info_field {
constexpr std::size_t kWidth = 4;
constexpr std::size_t kHeight = 8; // negative: rows stored top-down
constexpr std::size_t kBitCount = 14;
constexpr std::size_t kCompression = 16;
constexpr std::size_t kColoursUsed = 32;
constexpr std::size_t kMasks = 40; // red, green, blue, then from V3 on alpha
} // namespace info_field

constexpr std::uint32_t kBiBitFields = 3;
constexpr std::uint32_t kBiAlphaBitFields = 6;

// A run of two bytes draws at most 255 pixels. Line ends and jumps skip more, but a picture
// made mostly of skipped places is no picture; beyond a small one the file must hold at least
// one byte for every 128 pixels.
constexpr std::int64_t kRlePixelsPerByte = 128;
constexpr std::int64_t kRleSmallPicture = 1 << 20;

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int32_t I32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(U32(p));
}

bool ReadAt(std::FILE* file, std::int64_t offset, void* buffer, std::size_t size) {
    return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0 &&
           std::fread(buffer, 1, size, file) == size;
}

bool Refuse(std::string& reason, const char* why) {
    reason = why;
    return false;
}

bool ReadMasks(BmpLayout& layout, const std::uint8_t* masks, bool withAlpha, std::string& reason) {
    const std::uint32_t alphaMask = withAlpha ? U32(masks + 12) : 0;
    if (!layout.red.SetMask(U32(masks)) || !layout.green.SetMask(U32(masks + 4)) ||
        !layout.blue.SetMask(U32(masks + 8)) || !layout.alpha.SetMask(alphaMask)) {
        return Refuse(reason, "the colour masks are not valid");
    }
    layout.hasAlpha = alphaMask != 0;
    return true;
}

std::optional<HeaderVersion> VersionOf(std::uint32_t headerSize) {
    switch (headerSize) {
    case kCoreHeaderSize:
        return HeaderVersion::Core;
    case kInfoHeaderSize:
        return HeaderVersion::Info;
    case kV2HeaderSize:
        return HeaderVersion::V2;
    case kV3HeaderSize:
        return HeaderVersion::V3;
    case kV4HeaderSize:
        return HeaderVersion::V4;
    case kV5HeaderSize:
        return HeaderVersion::V5;
    default:
        // Sizes past OS/2's 64 that no version has are read the same way: the fields a file
        // holds are where the info header has them.
        if (headerSize >= kOs2SmallestHeaderSize && headerSize <= kV5HeaderSize) {
            return HeaderVersion::Os2;
        }
        return std::nullopt;
    }
}

// The header after the file header, as read.
struct InfoHeader {
    std::uint32_t size = 0;
    HeaderVersion version = HeaderVersion::Core;
    const std::uint8_t* fields = nullptr; // from its size field on
    std::uint32_t coloursUsed = 0;        // 0: as many as the bit count can name
};

bool ReadHeaders(std::FILE* file, std::int64_t fileSize, std::uint8_t* head, InfoHeader& header,
                 std::string& reason) {
    if (fileSize < kFileHeaderSize + kCoreHeaderSize || !ReadAt(file, 0, head, 18)) {
        return Refuse(reason, "the file is truncated");
    }
    header.size = U32(&head[kFileHeaderSize]);
    const std::optional<HeaderVersion> version = VersionOf(header.size);
    if (!version) {
        return Refuse(reason, "the header is not valid");
    }
    header.version = *version;
    if (kFileHeaderSize + header.size > fileSize ||
        !ReadAt(file, kFileHeaderSize, &head[kFileHeaderSize], header.size)) {
        return Refuse(reason, "the file is truncated");
    }
    header.fields = &head[kFileHeaderSize];
    return true;
}

bool ReadSizeAndFormat(InfoHeader& header, BmpLayout& layout, std::string& reason) {
    const std::uint8_t* fields = header.fields;
    if (header.version == HeaderVersion::Core) {
        layout.width = U16(fields + core_field::kWidth);
        layout.height = U16(fields + core_field::kHeight);
        layout.bitCount = U16(fields + core_field::kBitCount);
    } else {
        layout.width = I32(fields + info_field::kWidth);
        layout.height = I32(fields + info_field::kHeight);
        layout.bitCount = U16(fields + info_field::kBitCount);
        // A shortened OS/2 header may end before either field.
        if (header.size >= info_field::kCompression + 4) {
            layout.compression = U32(fields + info_field::kCompression);
        }
        if (header.size >= info_field::kColoursUsed + 4) {
            header.coloursUsed = U32(fields + info_field::kColoursUsed);
        }
    }
    if (layout.height < 0) {
        layout.topDown = true;
        layout.height = -layout.height;
    }
    if (layout.width <= 0 || layout.height <= 0) {
        return Refuse(reason, "the picture size is not valid");
    }
    const int bits = layout.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        return Refuse(reason, "the number of bits per pixel is not supported");
    }
    return true;
}

// Reads the colour masks of 16- and 32-bit pixels, which follow an info header and are part
// of the later versions; paletteStart moves past masks that follow the header.
bool ReadColourMasks(std::FILE* file, std::int64_t fileSize, const InfoHeader& header,
                     BmpLayout& layout, std::int64_t& paletteStart, std::string& reason) {
    const int bits = layout.bitCount;
    const std::uint32_t compression = layout.compression;
    // OS/2 uses codes 3 and 4 for compressions of its own, not for bit fields.
    const bool fields = header.version != HeaderVersion::Os2 &&
                        (compression == kBiBitFields || compression == kBiAlphaBitFields);
    if (!(compression == kBiRgb || (compression == kBiRle8 && bits == 8) ||
          (compression == kBiRle4 && bits == 4) || (fields && (bits == 16 || bits == 32)))) {
        return Refuse(reason, "the compression is not supported");
    }
    if (!fields) {
        // Without masks, 16 bits are 5-5-5 and 32 bits are 8-8-8 with an unused top byte.
        if (bits == 16) {
            layout.red.SetMask(0x7C00);
            layout.green.SetMask(0x03E0);
            layout.blue.SetMask(0x001F);
        } else if (bits == 32) {
            layout.red.SetMask(0x00FF0000);
            layout.green.SetMask(0x0000FF00);
            layout.blue.SetMask(0x000000FF);
        }
        return true;
    }
    if (header.version != HeaderVersion::Info) {
        return ReadMasks(layout, header.fields + info_field::kMasks,
                         header.version != HeaderVersion::V2, reason);
    }
    const std::int64_t maskBytes = compression == kBiAlphaBitFields ? 16 : 12;
    std::array<std::uint8_t, 16> masks{};
    if (paletteStart + maskBytes > fileSize ||
        !ReadAt(file, paletteStart, masks.data(), static_cast<std::size_t>(maskBytes))) {
        return Refuse(reason, "the file is truncated");
    }
    paletteStart += maskBytes;
    return ReadMasks(layout, masks.data(), compression == kBiAlphaBitFields, reason);
}

// Reads the colour table of a picture of 8 bits or fewer; paletteEnd is where it ends.
bool ReadPalette(std::FILE* file, std::int64_t fileSize, const InfoHeader& header,
                 BmpLayout& layout, std::int64_t paletteStart, std::int64_t& paletteEnd,
                 std::string& reason) {
    paletteEnd = paletteStart;
    if (layout.bitCount > 8) {
        return true;
    }
    const std::int64_t entrySize = header.version == HeaderVersion::Core ? 3 : 4;
    const std::int64_t most = std::int64_t{1} << layout.bitCount;
    const std::int64_t count =
        header.coloursUsed == 0 ? most : std::min<std::int64_t>(header.coloursUsed, most);
    paletteEnd = paletteStart + count * entrySize;
    std::array<std::uint8_t, 256 * 4> entries{};
    if (paletteEnd > fileSize ||
        !ReadAt(file, paletteStart, entries.data(), static_cast<std::size_t>(count * entrySize))) {
        return Refuse(reason, "the colour table runs past the end of the file");
    }
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint8_t* e = &entries[static_cast<std::size_t>(i * entrySize)];
        layout.palette[static_cast<std::size_t>(i)] = Rgb{e[2], e[1], e[0]};
    }
    return true;
}

bool FindPixelData(const std::uint8_t* head, std::int64_t fileSize, std::int64_t paletteStart,
                   std::int64_t paletteEnd, BmpLayout& layout, std::string& reason) {
    layout.dataOffset = U32(head + kDataOffsetField);
    if (layout.dataOffset == 0) {
        layout.dataOffset = paletteEnd;
    }
    // Pixels that begin inside a colour table longer than the picture needs are read from
    // where the offset says, as other readers do.
    if (layout.dataOffset < paletteStart) {
        return Refuse(reason, "the pixel data overlaps the header");
    }
    if (layout.dataOffset >= fileSize) {
        return Refuse(reason, "the pixel data lies beyond the end of the file");
    }
    return true;
}

// Reads and checks everything before the pixels; nothing here allocates by the header's word.
bool ReadLayout(std::FILE* file, std::int64_t fileSize, BmpLayout& layout, std::string& reason) {
    std::array<std::uint8_t, kFileHeaderSize + kV5HeaderSize> head{};
    InfoHeader header;
    if (!ReadHeaders(file, fileSize, head.data(), header, reason) ||
        !ReadSizeAndFormat(header, layout, reason)) {
        return false;
    }
    std::int64_t paletteStart = kFileHeaderSize + header.size;
    std::int64_t paletteEnd = paletteStart;
    return ReadColourMasks(file, fileSize, header, layout, paletteStart, reason) &&
           ReadPalette(file, fileSize, header, layout, paletteStart, paletteEnd, reason) &&
           FindPixelData(head.data(), fileSize, paletteStart, paletteEnd, layout, reason);
}

Rgb MaskedPixel(const BmpLayout& layout, std::uint32_t v) {
    const Rgb rgb{layout.red.Get(v), layout.green.Get(v), layout.blue.Get(v)};
    return layout.hasAlpha ? OverBackground(rgb, layout.alpha.Get(v), layout.back) : rgb;
}

void ConvertRow(const BmpLayout& layout, const std::uint8_t* in, std::uint8_t* out) {
    const auto width = static_cast<int>(layout.width);
    const auto put = [&out](Rgb rgb) {
        out[0] = rgb.r;
        out[1] = rgb.g;
        out[2] = rgb.b;
        out += 3;
    };
    switch (layout.bitCount) {
    case 1:
        for (int x = 0; x < width; ++x) {
            put(layout.palette[(in[x >> 3] >> (7 - (x & 7))) & 1]);
        }
        break;
    case 4:
        for (int x = 0; x < width; ++x) {
            put(layout.palette[(in[x >> 1] >> ((x & 1) != 0 ? 0 : 4)) & 0x0F]);
        }
        break;
    case 8:
        for (int x = 0; x < width; ++x) {
            put(layout.palette[in[x]]);
        }
        break;
    case 16:
        for (int x = 0; x < width; ++x, in += 2) {
            put(MaskedPixel(layout, U16(in)));
        }
        break;
    case 24:
        for (int x = 0; x < width; ++x, in += 3) {
            put({in[2], in[1], in[0]});
        }
        break;
    default:
        for (int x = 0; x < width; ++x, in += 4) {
            put(MaskedPixel(layout, U32(in)));
        }
        break;
    }
}

} // namespace

bool BmpChannel::SetMask(std::uint32_t mask) {
    mask_ = mask;
    if (mask == 0) {
        return true;
    }
    shift_ = std::countr_zero(mask);
    max_ = mask >> shift_;
    return std::has_single_bit(std::uint64_t{max_} + 1);
}

bool BmpInput::Begin(std::FILE* file, std::int64_t fileSize, std::int64_t maxPixels,
                     Colour backColour, std::string& reason) {
    file_ = file;
    next_ = -1;
    if (!ReadLayout(file, fileSize, layout_, reason)) {
        return false;
    }
    layout_.back = ToRgb(backColour);
    if (layout_.width > INT_MAX || layout_.height > INT_MAX ||
        layout_.width * layout_.height > maxPixels) {
        reason = TooLargeReason(layout_.width, layout_.height);
        return false;
    }
    if (!layout_.RunLength()) {
        return CheckPlainPixels(fileSize, reason);
    }
    if (layout_.width * layout_.height > kRleSmallPicture &&
        !SizeIsPlausible(layout_.width, layout_.height, maxPixels, fileSize - layout_.dataOffset,
                         kRlePixelsPerByte, reason)) {
        return false;
    }
    x_ = 0;
    line_ = 0;
    runRowLine_ = -1;
    runsEnded_ = false;
    runRow_.resize(static_cast<std::size_t>(layout_.width) * 3);
    return ::fseeko(file, static_cast<off_t>(layout_.dataOffset), SEEK_SET) == 0 ||
           Refuse(reason, "the pixel data could not be read");
}

bool BmpInput::CheckPlainPixels(std::int64_t fileSize, std::string& reason) {
    usedBytes_ = (layout_.width * layout_.bitCount + 7) / 8;
    rowBytes_ = (layout_.width * layout_.bitCount + 31) / 32 * 4;
    if (layout_.dataOffset + rowBytes_ * (layout_.height - 1) + usedBytes_ > fileSize) {
        return Refuse(reason, "the pixel data is truncated");
    }
    stored_.resize(static_cast<std::size_t>(rowBytes_));
    if (layout_.hasAlpha && !AnyAlpha(layout_.hasAlpha)) {
        return Refuse(reason, "the pixel data could not be read");
    }
    return true;
}

bool BmpInput::ReadStoredRow(int i) {
    if (i != next_ &&
        ::fseeko(file_, static_cast<off_t>(layout_.dataOffset + rowBytes_ * i), SEEK_SET) != 0) {
        next_ = -1;
        return false;
    }
    const auto want = static_cast<std::size_t>(i + 1 < Height() ? rowBytes_ : usedBytes_);
    next_ = std::fread(stored_.data(), 1, want, file_) == want ? i + 1 : -1;
    return next_ >= 0;
}

// Many writers leave the alpha bits 0 throughout, meaning no transparency at all.
bool BmpInput::AnyAlpha(bool& any) {
    const auto width = static_cast<std::size_t>(layout_.width);
    const std::size_t step = layout_.bitCount == 16 ? 2 : 4;
    any = false;
    for (int i = 0; i < Height() && !any; ++i) {
        if (!ReadStoredRow(i)) {
            return false;
        }
        const std::uint8_t* in = stored_.data();
        for (std::size_t x = 0; x < width && !any; ++x) {
            const std::uint32_t v = step == 2 ? U16(in + 2 * x) : U32(in + 4 * x);
            any = layout_.alpha.Get(v) != 0;
        }
    }
    return true;
}

bool BmpInput::ReadRow(int i, std::uint8_t* rgb, std::string& reason) {
    if (layout_.RunLength()) {
        return ReadRunRow(i, rgb, reason);
    }
    if (!ReadStoredRow(i)) {
        return Refuse(reason, "the pixel data could not be read");
    }
    ConvertRow(layout_, stored_.data(), rgb);
    return true;
}

// Row i is drawn while the runs stand on it; a jump past it or the end leaves it as it is.
bool BmpInput::ReadRunRow(int i, std::uint8_t* rgb, std::string& reason) {
    while (!runsEnded_ && line_ == i) {
        if (!NextRun(reason)) {
            return false;
        }
    }
    if (runRowLine_ == i) {
        std::copy(runRow_.begin(), runRow_.end(), rgb);
        return true;
    }
    for (int x = 0; x < Width(); ++x, rgb += 3) {
        rgb[0] = layout_.back.r;
        rgb[1] = layout_.back.g;
        rgb[2] = layout_.back.b;
    }
    return true;
}

bool BmpInput::Finish(std::string& reason) {
    while (layout_.RunLength() && !runsEnded_) {
        if (!NextRun(reason)) {
            return false;
        }
    }
    return true;
}

// Some writers stop after the last line without an end marker.
bool BmpInput::EndRuns(std::string& reason) {
    runsEnded_ = true;
    return line_ >= layout_.height || Refuse(reason, "the pixel data is truncated");
}

bool BmpInput::NextRun(std::string& reason) {
    const bool four = layout_.compression == kBiRle4;
    std::array<std::uint8_t, 2> code{};
    if (std::fread(code.data(), 1, code.size(), file_) != code.size()) {
        return EndRuns(reason);
    }
    const int count = code[0];
    const int value = code[1];
    if (count > 0) {
        if (line_ >= layout_.height) {
            return Refuse(reason, "a run lies past the last row");
        }
        for (int i = 0; i < count; ++i) {
            PutRunPixel(four ? ((i & 1) != 0 ? value & 0x0F : value >> 4) : value);
        }
        return true;
    }
    if (value == 0) {
        x_ = 0;
        ++line_;
        return true;
    }
    if (value == 1) {
        runsEnded_ = true;
        return true;
    }
    if (value == 2) {
        std::array<std::uint8_t, 2> jump{};
        if (std::fread(jump.data(), 1, jump.size(), file_) != jump.size()) {
            return EndRuns(reason);
        }
        x_ += jump[0];
        line_ += jump[1];
        return (x_ <= layout_.width && line_ <= layout_.height) ||
               Refuse(reason, "a jump leaves the picture");
    }
    // Pixels given one by one, padded to a whole number of 16-bit words.
    std::array<std::uint8_t, 256> literal{};
    const auto bytes = static_cast<std::size_t>(four ? (value + 3) / 4 * 2 : (value + 1) / 2 * 2);
    if (std::fread(literal.data(), 1, bytes, file_) != bytes) {
        return EndRuns(reason);
    }
    if (line_ >= layout_.height) {
        return Refuse(reason, "a run lies past the last row");
    }
    for (int i = 0; i < value; ++i) {
        const int byte = literal[static_cast<std::size_t>(four ? i / 2 : i)];
        PutRunPixel(four ? ((i & 1) != 0 ? byte & 0x0F : byte >> 4) : byte);
    }
    return true;
}

// Pixels of a run past the end of its row are dropped, as other readers do.
void BmpInput::PutRunPixel(int index) {
    if (x_ >= layout_.width) {
        return;
    }
    if (runRowLine_ != line_) {
        for (std::size_t i = 0; i < runRow_.size(); i += 3) {
            runRow_[i] = layout_.back.r;
            runRow_[i + 1] = layout_.back.g;
            runRow_[i + 2] = layout_.back.b;
        }
        runRowLine_ = line_;
    }
    const Rgb rgb = layout_.palette[static_cast<std::size_t>(index)];
    std::uint8_t* out = &runRow_[static_cast<std::size_t>(x_) * 3];
    out[0] = rgb.r;
    out[1] = rgb.g;
    out[2] = rgb.b;
    ++x_;
}

} // namespace kalvimo::codecs
