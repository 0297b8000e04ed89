#include "codec_internal.h"

#include <array>
#include <bit>
#include <climits>
#include <sys/types.h>
#include <vector>

namespace kalvimo::codecs {

namespace {

constexpr std::int64_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kLargestHeaderSize = 124;

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
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

// One colour channel of a 16- or 32-bit pixel, scaled from its mask's width to 8 bits.
class Channel {
public:
    // False for a mask whose bits are not contiguous.
    bool SetMask(std::uint32_t mask) {
        mask_ = mask;
        if (mask == 0) {
            return true;
        }
        shift_ = std::countr_zero(mask);
        max_ = mask >> shift_;
        return std::has_single_bit(std::uint64_t{max_} + 1);
    }
    std::uint8_t Get(std::uint32_t pixel) const {
        if (max_ == 0) {
            return 0;
        }
        const std::uint64_t value = (pixel & mask_) >> shift_;
        return static_cast<std::uint8_t>((value * 255 + max_ / 2) / max_);
    }

private:
    std::uint32_t mask_ = 0;
    int shift_ = 0;
    std::uint32_t max_ = 0;
};

struct BmpLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::int64_t dataOffset = 0;
    std::array<Rgb, 256> palette{}; // indices past the file's palette show black
    Channel red, green, blue, alpha;
    bool hasAlpha = false;
    Rgb back{}; // what shows through where alpha is below full
};

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

// Reads and checks everything before the pixels; nothing here allocates by the header's word.
bool ReadLayout(std::FILE* file, std::int64_t fileSize, BmpLayout& layout, std::string& reason) {
    std::array<std::uint8_t, kFileHeaderSize + kLargestHeaderSize> head{};
    if (fileSize < kFileHeaderSize + kCoreHeaderSize || !ReadAt(file, 0, head.data(), 18)) {
        return Refuse(reason, "the file is truncated");
    }
    const std::uint32_t headerSize = U32(&head[14]);
    const bool core = headerSize == kCoreHeaderSize;
    if (!core && (headerSize < 16 || headerSize > kLargestHeaderSize)) {
        return Refuse(reason, "the header is not valid");
    }
    // The 16..64 byte headers other than Windows' own are OS/2 2.x, whose codes 3 and 4 mean
    // other compressions than Windows' bit fields.
    const bool os2 = !core && headerSize != kInfoHeaderSize && headerSize != 52 &&
                     headerSize != 56 && headerSize != 108 && headerSize != 124;
    if (kFileHeaderSize + headerSize > fileSize ||
        !ReadAt(file, kFileHeaderSize, &head[kFileHeaderSize], headerSize)) {
        return Refuse(reason, "the file is truncated");
    }
    const std::uint8_t* info = &head[kFileHeaderSize];
    std::uint32_t coloursUsed = 0;
    std::int64_t entrySize = 4;
    if (core) {
        layout.width = U16(info + 4);
        layout.height = U16(info + 6);
        layout.bitCount = U16(info + 10);
        entrySize = 3;
    } else {
        layout.width = I32(info + 4);
        layout.height = I32(info + 8);
        layout.bitCount = U16(info + 14);
        layout.compression = headerSize >= 20 ? U32(info + 16) : kBiRgb;
        coloursUsed = headerSize >= 36 ? U32(info + 32) : 0;
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

    std::int64_t paletteStart = kFileHeaderSize + headerSize;
    const std::uint32_t compression = layout.compression;
    const bool fields = !os2 && (compression == kBiBitFields || compression == kBiAlphaBitFields);
    if (!(compression == kBiRgb || (compression == kBiRle8 && bits == 8) ||
          (compression == kBiRle4 && bits == 4) || (fields && (bits == 16 || bits == 32)))) {
        return Refuse(reason, "the compression is not supported");
    }
    if (fields) {
        if (headerSize >= 52) {
            if (!ReadMasks(layout, info + kInfoHeaderSize, headerSize >= 56, reason)) {
                return false;
            }
        } else {
            // A 40-byte header is followed by the masks.
            const std::int64_t maskBytes = compression == kBiAlphaBitFields ? 16 : 12;
            std::array<std::uint8_t, 16> masks{};
            if (paletteStart + maskBytes > fileSize ||
                !ReadAt(file, paletteStart, masks.data(), static_cast<std::size_t>(maskBytes))) {
                return Refuse(reason, "the file is truncated");
            }
            if (!ReadMasks(layout, masks.data(), compression == kBiAlphaBitFields, reason)) {
                return false;
            }
            paletteStart += maskBytes;
        }
    } else if (bits == 16) {
        layout.red.SetMask(0x7C00);
        layout.green.SetMask(0x03E0);
        layout.blue.SetMask(0x001F);
    } else if (bits == 32) {
        layout.red.SetMask(0x00FF0000);
        layout.green.SetMask(0x0000FF00);
        layout.blue.SetMask(0x000000FF);
    }

    std::int64_t paletteEnd = paletteStart;
    if (bits <= 8) {
        const std::int64_t most = std::int64_t{1} << bits;
        const std::int64_t count =
            coloursUsed == 0 ? most : std::min<std::int64_t>(coloursUsed, most);
        paletteEnd = paletteStart + count * entrySize;
        std::array<std::uint8_t, 256 * 4> entries{};
        if (paletteEnd > fileSize || !ReadAt(file, paletteStart, entries.data(),
                                             static_cast<std::size_t>(count * entrySize))) {
            return Refuse(reason, "the colour table runs past the end of the file");
        }
        for (std::int64_t i = 0; i < count; ++i) {
            const std::uint8_t* e = &entries[static_cast<std::size_t>(i * entrySize)];
            layout.palette[static_cast<std::size_t>(i)] = Rgb{e[2], e[1], e[0]};
        }
    }

    layout.dataOffset = U32(&head[10]);
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

// Hands each row of the pixel data, in file order, to use; false when one cannot be read.
template <typename Use> bool ForEachRow(std::FILE* file, const BmpLayout& layout, Use use) {
    const std::int64_t usedBytes = (layout.width * layout.bitCount + 7) / 8;
    const std::int64_t rowBytes = (layout.width * layout.bitCount + 31) / 32 * 4;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(rowBytes));
    if (::fseeko(file, static_cast<off_t>(layout.dataOffset), SEEK_SET) != 0) {
        return false;
    }
    const auto height = static_cast<int>(layout.height);
    for (int i = 0; i < height; ++i) {
        const auto want = static_cast<std::size_t>(i + 1 < height ? rowBytes : usedBytes);
        if (std::fread(row.data(), 1, want, file) != want) {
            return false;
        }
        use(i, row.data());
    }
    return true;
}

// Many writers leave the alpha bits 0 throughout, meaning no transparency at all.
bool AnyAlpha(std::FILE* file, const BmpLayout& layout, bool& any) {
    const auto width = static_cast<std::size_t>(layout.width);
    const std::size_t step = layout.bitCount == 16 ? 2 : 4;
    any = false;
    return ForEachRow(file, layout, [&](int, const std::uint8_t* in) {
        for (std::size_t x = 0; x < width && !any; ++x) {
            const std::uint32_t v = step == 2 ? U16(in + 2 * x) : U32(in + 4 * x);
            any = layout.alpha.Get(v) != 0;
        }
    });
}

bool ReadPlain(std::FILE* file, std::int64_t fileSize, BmpLayout& layout, Canvas& canvas,
               std::string& reason) {
    const std::int64_t usedBytes = (layout.width * layout.bitCount + 7) / 8;
    const std::int64_t rowBytes = (layout.width * layout.bitCount + 31) / 32 * 4;
    // The last row's padding is often left out.
    if (layout.dataOffset + rowBytes * (layout.height - 1) + usedBytes > fileSize) {
        return Refuse(reason, "the pixel data is truncated");
    }
    if (layout.hasAlpha && !AnyAlpha(file, layout, layout.hasAlpha)) {
        return Refuse(reason, "the pixel data could not be read");
    }
    if (!canvas.Resize(static_cast<int>(layout.width), static_cast<int>(layout.height))) {
        reason = TooLargeReason(layout.width, layout.height);
        return false;
    }
    const int height = canvas.Height();
    const bool read = ForEachRow(file, layout, [&](int i, const std::uint8_t* row) {
        ConvertRow(layout, row, canvas.Row(layout.topDown ? i : height - 1 - i));
    });
    return read || Refuse(reason, "the pixel data could not be read");
}

// Run-length data draws pixel runs and may skip places, which stay the background colour.
class RleReader {
public:
    RleReader(const BmpLayout& layout, Canvas& canvas, std::vector<std::uint8_t> data)
        : layout_(layout), canvas_(canvas), data_(std::move(data)) {}

    bool Run(std::string& reason) {
        const bool four = layout_.compression == kBiRle4;
        while (pos_ + 2 <= data_.size()) {
            const int count = data_[pos_];
            const int value = data_[pos_ + 1];
            pos_ += 2;
            if (count > 0) {
                if (line_ >= layout_.height) {
                    return Refuse(reason, "a run lies past the last row");
                }
                for (int i = 0; i < count; ++i) {
                    Put(four ? ((i & 1) != 0 ? value & 0x0F : value >> 4) : value);
                }
            } else if (value == 0) {
                x_ = 0;
                ++line_;
            } else if (value == 1) {
                return true;
            } else if (value == 2) {
                if (pos_ + 2 > data_.size()) {
                    break;
                }
                x_ += data_[pos_];
                line_ += data_[pos_ + 1];
                pos_ += 2;
                if (x_ > layout_.width || line_ > layout_.height) {
                    return Refuse(reason, "a jump leaves the picture");
                }
            } else {
                const std::size_t bytes = four ? (value + 3) / 4 * 2 : (value + 1) / 2 * 2;
                if (pos_ + bytes > data_.size()) {
                    break;
                }
                if (line_ >= layout_.height) {
                    return Refuse(reason, "a run lies past the last row");
                }
                for (int i = 0; i < value; ++i) {
                    const int byte = data_[pos_ + static_cast<std::size_t>(four ? i / 2 : i)];
                    Put(four ? ((i & 1) != 0 ? byte & 0x0F : byte >> 4) : byte);
                }
                pos_ += bytes;
            }
        }
        // Some writers stop after the last line without an end marker.
        return line_ >= layout_.height || Refuse(reason, "the pixel data is truncated");
    }

private:
    // Pixels of a run past the end of its row are dropped, as other readers do.
    void Put(int index) {
        if (x_ < layout_.width) {
            const std::int64_t y = layout_.topDown ? line_ : layout_.height - 1 - line_;
            canvas_.SetPixel(static_cast<int>(x_), static_cast<int>(y),
                             layout_.palette[static_cast<std::size_t>(index)]);
            ++x_;
        }
    }

    const BmpLayout& layout_;
    Canvas& canvas_;
    std::vector<std::uint8_t> data_;
    std::size_t pos_ = 0;
    std::int64_t x_ = 0;
    std::int64_t line_ = 0;
};

bool ReadRle(std::FILE* file, std::int64_t fileSize, const BmpLayout& layout, Canvas& canvas,
             Colour backColour, std::string& reason) {
    const std::int64_t pixels = layout.width * layout.height;
    if (pixels > kRleSmallPicture &&
        !SizeIsPlausible(layout.width, layout.height, kMaxDecodedPixels,
                         fileSize - layout.dataOffset, kRlePixelsPerByte, reason)) {
        return false;
    }
    if (!canvas.Resize(static_cast<int>(layout.width), static_cast<int>(layout.height))) {
        reason = TooLargeReason(layout.width, layout.height);
        return false;
    }
    canvas.FillRect(0, 0, canvas.Width(), canvas.Height(), backColour);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(fileSize - layout.dataOffset));
    if (!ReadAt(file, layout.dataOffset, data.data(), data.size())) {
        return Refuse(reason, "the pixel data could not be read");
    }
    return RleReader(layout, canvas, std::move(data)).Run(reason);
}

} // namespace

bool DecodeBmp(std::FILE* file, std::int64_t fileSize, Canvas& canvas, Colour backColour,
               std::string& reason) {
    BmpLayout layout;
    if (!ReadLayout(file, fileSize, layout, reason)) {
        return false;
    }
    layout.back = ToRgb(backColour);
    if (layout.width > INT_MAX || layout.height > INT_MAX ||
        layout.width * layout.height > kMaxDecodedPixels) {
        reason = TooLargeReason(layout.width, layout.height);
        return false;
    }
    if (layout.compression == kBiRle8 || layout.compression == kBiRle4) {
        return ReadRle(file, fileSize, layout, canvas, backColour, reason);
    }
    return ReadPlain(file, fileSize, layout, canvas, reason);
}

} // namespace kalvimo::codecs
