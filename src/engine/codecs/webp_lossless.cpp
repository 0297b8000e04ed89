#include "webp_lossless.h"

#include "../memory_budget.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace kalvimo::codecs {

namespace {

constexpr const char* kCutShort = "the lossless picture data ends too early";
constexpr const char* kCodesTooLarge = "the lossless picture's prefix codes are too large";
constexpr const char* kBadCode =
    "the lossless picture data is damaged: a prefix code is incomplete or over-subscribed";
constexpr const char* kBadLengths =
    "the lossless picture data is damaged: code lengths run past their alphabet";
constexpr const char* kBadReference =
    "the lossless picture data is damaged: a backward reference reaches outside the picture";

// Reads the bitstream from the least significant bit of each byte up. Past the end it reads
// zeros: libwebp's reader always holds at least 8 bytes, and a picture that needs more bits than
// that and than the data holds is damaged.
class BitReader {
public:
    void Reset(std::span<const std::uint8_t> bytes) {
        data_ = bytes.data();
        size_ = bytes.size();
        position_ = 0;
        limit_ = std::max<std::uint64_t>(size_, 8) * 8;
    }

    // At least the next 56 bits, the next one lowest, without taking them.
    [[nodiscard]] std::uint64_t Peek() const {
        const std::uint64_t byte = position_ >> 3;
        std::uint64_t word = 0;
        if (byte + 8 <= size_) {
            std::memcpy(&word, data_ + byte, 8);
            if constexpr (std::endian::native == std::endian::big) {
                word = __builtin_bswap64(word);
            }
        } else {
            for (std::uint64_t i = byte; i < size_ && i < byte + 8; ++i) {
                word |= std::uint64_t{data_[i]} << (8 * (i - byte));
            }
        }
        return word >> (position_ & 7);
    }

    void Skip(int count) { position_ += static_cast<unsigned>(count); }

    // count is at most 24.
    std::uint32_t Read(int count) {
        const auto value = static_cast<std::uint32_t>(Peek() & ((std::uint64_t{1} << count) - 1));
        position_ += static_cast<unsigned>(count);
        return value;
    }

    // Whether more bits were taken than there are.
    [[nodiscard]] bool Overrun() const { return position_ > limit_; }

private:
    const std::uint8_t* data_ = nullptr;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
    std::uint64_t limit_ = 0;
};

// ---- Prefix codes

constexpr int kMaxCodeLength = 15;
// The first bits of a code are looked up at once, the rest in small tables after them.
constexpr int kMaxRootBits = 8;
constexpr int kLiteralCodes = 256;
constexpr int kLengthCodes = 24;
constexpr int kDistanceCodes = 40;
constexpr int kMaxCacheBits = 11;
constexpr int kMaxAlphabet = kLiteralCodes + kLengthCodes + (1 << kMaxCacheBits);
// Legitimate encoders stay far below: a few thousand groups of tables of a few thousand entries.
constexpr std::size_t kMaxTableEntries = std::size_t{1} << 24;

struct CodeEntry {
    std::uint16_t value = 0; // the symbol, or where a second-level table starts
    std::uint8_t bits = 0;   // its length; above the root bits, a link to a second-level table
};

// The five codes of a group, in the order they are stored.
enum CodeKind { kGreen, kRed, kBlue, kAlpha, kDistance, kCodesPerGroup };

struct Group {
    std::array<std::uint32_t, kCodesPerGroup> start{}; // into the tables
    std::array<int, kCodesPerGroup> rootBits{};
    // Red, blue and alpha take no bits: a literal is its green alone.
    bool onlyGreen = false;
    std::uint32_t fixedArgb = 0;
};

int ReadSymbol(const CodeEntry* table, int rootBits, BitReader& bits) {
    const std::uint64_t next = bits.Peek();
    CodeEntry entry = table[next & ((1U << rootBits) - 1)];
    if (entry.bits > rootBits) {
        const int more = entry.bits - rootBits;
        entry = table[entry.value + ((next >> rootBits) & ((1U << more) - 1))];
        bits.Skip(rootBits);
    }
    bits.Skip(entry.bits);
    return entry.value;
}

// The code after `key` (bit-reversed) among codes of `length` bits.
int NextKey(int key, int length) {
    int step = 1 << (length - 1);
    while ((key & step) != 0) {
        step >>= 1;
    }
    return step != 0 ? (key & (step - 1)) + step : key;
}

void Replicate(CodeEntry* table, int step, int end, CodeEntry entry) {
    do {
        end -= step;
        table[end] = entry;
    } while (end > 0);
}

// The length of the second-level table that starts with a code of `length` bits.
int SubTableBits(const std::array<int, kMaxCodeLength + 1>& left, int length, int rootBits) {
    int open = 1 << (length - rootBits);
    while (length < kMaxCodeLength) {
        open -= left[length];
        if (open <= 0) {
            break;
        }
        ++length;
        open <<= 1;
    }
    return length - rootBits;
}

// Builds the lookup tables of prefix codes, appending them to one array.
class CodeBuilder {
public:
    // Appends the code of these lengths; false when they make none: no symbol, or more than one
    // whose lengths over-subscribe or leave part of the code unused. A single symbol takes no
    // bits, whatever its length.
    bool Build(std::span<const std::uint8_t> lengths, std::vector<CodeEntry>& tables,
               std::uint32_t& start, int& rootBits) {
        std::array<int, kMaxCodeLength + 1> count{};
        for (const std::uint8_t length : lengths) {
            ++count[length];
        }
        const int used = static_cast<int>(lengths.size()) - count[0];
        if (used == 0) {
            return false;
        }
        std::array<int, kMaxCodeLength + 2> offset{};
        for (int length = 1; length <= kMaxCodeLength; ++length) {
            offset[length + 1] = offset[length] + count[length];
        }
        sorted_.resize(static_cast<std::size_t>(used));
        for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
            if (lengths[symbol] != 0) {
                sorted_[offset[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);
            }
        }
        start = static_cast<std::uint32_t>(tables.size());
        if (used == 1) {
            rootBits = 0;
            tables.push_back({sorted_[0], 0});
            return true;
        }
        int open = 1;
        int longest = 0;
        for (int length = 1; length <= kMaxCodeLength; ++length) {
            open = 2 * open - count[length];
            if (open < 0) {
                return false;
            }
            longest = count[length] != 0 ? length : longest;
        }
        if (open != 0) {
            return false;
        }
        rootBits = std::min(longest, kMaxRootBits);
        Fill(count, rootBits, tables);
        return true;
    }

private:
    void Fill(std::array<int, kMaxCodeLength + 1> left, int rootBits,
              std::vector<CodeEntry>& tables) {
        const std::size_t start = tables.size();
        const int rootSize = 1 << rootBits;
        tables.resize(start + static_cast<std::size_t>(rootSize));
        int key = 0;
        std::size_t symbol = 0;
        for (int length = 1; length <= rootBits; ++length) {
            for (; left[length] > 0; --left[length]) {
                Replicate(&tables[start + static_cast<std::size_t>(key)], 1 << length, rootSize,
                          {sorted_[symbol++], static_cast<std::uint8_t>(length)});
                key = NextKey(key, length);
            }
        }
        const int mask = rootSize - 1;
        int low = -1;
        std::size_t sub = start;
        int subSize = rootSize;
        for (int length = rootBits + 1; length <= kMaxCodeLength; ++length) {
            for (; left[length] > 0; --left[length]) {
                if ((key & mask) != low) {
                    sub += static_cast<std::size_t>(subSize);
                    const int subBits = SubTableBits(left, length, rootBits);
                    subSize = 1 << subBits;
                    tables.resize(sub + static_cast<std::size_t>(subSize));
                    low = key & mask;
                    tables[start + static_cast<std::size_t>(low)] = {
                        static_cast<std::uint16_t>(sub - start),
                        static_cast<std::uint8_t>(subBits + rootBits)};
                }
                Replicate(&tables[sub + static_cast<std::size_t>(key >> rootBits)],
                          1 << (length - rootBits), subSize,
                          {sorted_[symbol++], static_cast<std::uint8_t>(length - rootBits)});
                key = NextKey(key, length);
            }
        }
    }

    std::vector<std::uint16_t> sorted_;
};

// ---- Entropy-coded images

constexpr std::uint32_t kOpaqueBlack = 0xFF000000U;
constexpr int kPlaneCodes = 120;
// The farthest a backward reference reaches: the largest distance code less the plane codes.
// Those say at most 7 rows and 8 pixels back, less than this for any width the format allows.
constexpr int kMaxDistance = (3 << 18) + (1 << 18) - kPlaneCodes;

// Distance codes up to kPlaneCodes name nearby pixels as (rows up, pixels left + 8).
constexpr std::array<std::uint8_t, kPlaneCodes> kPlaneCode = {
    0x18, 0x07, 0x17, 0x19, 0x28, 0x06, 0x27, 0x29, 0x16, 0x1a, 0x26, 0x2a, 0x38, 0x05, 0x37,
    0x39, 0x15, 0x1b, 0x36, 0x3a, 0x25, 0x2b, 0x48, 0x04, 0x47, 0x49, 0x14, 0x1c, 0x35, 0x3b,
    0x46, 0x4a, 0x24, 0x2c, 0x58, 0x45, 0x4b, 0x34, 0x3c, 0x03, 0x57, 0x59, 0x13, 0x1d, 0x56,
    0x5a, 0x23, 0x2d, 0x44, 0x4c, 0x55, 0x5b, 0x33, 0x3d, 0x68, 0x02, 0x67, 0x69, 0x12, 0x1e,
    0x66, 0x6a, 0x22, 0x2e, 0x54, 0x5c, 0x43, 0x4d, 0x65, 0x6b, 0x32, 0x3e, 0x78, 0x01, 0x77,
    0x79, 0x53, 0x5d, 0x11, 0x1f, 0x64, 0x6c, 0x42, 0x4e, 0x76, 0x7a, 0x21, 0x2f, 0x75, 0x7b,
    0x31, 0x3f, 0x63, 0x6d, 0x52, 0x5e, 0x00, 0x74, 0x7c, 0x41, 0x4f, 0x10, 0x20, 0x62, 0x6e,
    0x30, 0x73, 0x7d, 0x51, 0x5f, 0x40, 0x72, 0x7e, 0x61, 0x6f, 0x50, 0x71, 0x7f, 0x60, 0x70};

// The order in which the lengths of the code-length code are stored.
constexpr std::array<std::uint8_t, 19> kLengthCodeOrder = {17, 18, 0, 1,  2,  3,  4,  5,  16, 6,
                                                           7,  8,  9, 10, 11, 12, 13, 14, 15};

int DivRoundUp(int value, int bits) {
    return (value + (1 << bits) - 1) >> bits;
}

// A length or distance from its prefix symbol and the extra bits after it.
int PrefixValue(int symbol, BitReader& bits) {
    if (symbol < 4) {
        return symbol + 1;
    }
    const int extra = (symbol - 2) >> 1;
    const int offset = (2 + (symbol & 1)) << extra;
    return offset + static_cast<int>(bits.Read(extra)) + 1;
}

int PlaneDistance(int width, int code) {
    if (code > kPlaneCodes) {
        return code - kPlaneCodes;
    }
    const int plane = kPlaneCode[static_cast<std::size_t>(code - 1)];
    return std::max(1, (plane >> 4) * width + 8 - (plane & 0xF));
}

// One image coded with prefix codes, LZ77 and a colour cache: the picture itself, or one of its
// sub-images. Rows come from the top, the last ones kept in a ring for backward references.
class CodedImage {
public:
    // Reads the image's codes; the picture itself may have a sub-image choosing among groups of
    // them by area.
    bool Begin(BitReader& bits, int width, int height, bool picture, std::string& reason);

    // The next row, valid until the next call, or null with the reason.
    const std::uint32_t* NextRow(std::string& reason);

private:
    bool ReadGroups(int count, std::span<const std::int32_t> keep, std::string& reason);
    bool ReadCode(int alphabet, std::uint32_t& start, int& rootBits, std::string& reason);
    bool ReadCodeLengths(std::span<const std::uint8_t, 19> lengthLengths, int alphabet,
                         std::string& reason);
    void CopyPending(std::uint32_t* row, int& x);
    void Remember(std::uint32_t argb) {
        if (cacheShift_ < 32) {
            cache_[(argb * 0x1E35A7BDU) >> cacheShift_] = argb;
        }
    }

    BitReader* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int cacheShift_ = 32;
    std::vector<std::uint32_t> cache_;
    // The group of codes of each area of 1 << groupBits_ pixels square; when groupBits_ is 0,
    // there is one group for the whole image.
    int groupBits_ = 0;
    int groupsAcross_ = 0;
    std::vector<std::uint16_t> groupImage_;
    std::vector<Group> groups_;
    std::vector<CodeEntry> tables_;
    CodeBuilder builder_;
    std::vector<std::uint8_t> lengths_;
    std::vector<CodeEntry> lengthTable_;
    // The last ringRows_ rows, row y in place y % ringRows_.
    std::vector<std::uint32_t> ring_;
    int ringRows_ = 0;
    int y_ = 0;
    // What is left of a backward reference that runs past the end of a row.
    int pendingLength_ = 0;
    int pendingDistance_ = 0;
};

// Reads a whole sub-image of width x height, handing each row to store(y, row).
template <typename Store>
bool ReadSubImage(BitReader& bits, int width, int height, std::string& reason, Store store) {
    CodedImage image;
    if (!image.Begin(bits, width, height, false, reason)) {
        return false;
    }
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = image.NextRow(reason);
        if (row == nullptr) {
            return false;
        }
        store(y, row);
    }
    return true;
}

bool CodedImage::Begin(BitReader& bits, int width, int height, bool picture, std::string& reason) {
    bits_ = &bits;
    width_ = width;
    height_ = height;
    y_ = 0;
    pendingLength_ = 0;
    cacheShift_ = 32;
    if (bits.Read(1) != 0) {
        const int cacheBits = static_cast<int>(bits.Read(4));
        if (cacheBits < 1 || cacheBits > kMaxCacheBits) {
            reason = "the lossless picture data is damaged: a colour cache of " +
                     std::to_string(cacheBits) + " bits";
            return false;
        }
        cacheShift_ = 32 - cacheBits;
        cache_.assign(std::size_t{1} << cacheBits, 0);
    }
    groupBits_ = 0;
    int groupCount = 1;
    // The group numbers used, mapped to the groups kept; the others are read and checked only.
    std::vector<std::int32_t> keep(1, 0);
    if (picture && bits.Read(1) != 0) {
        groupBits_ = static_cast<int>(bits.Read(3)) + 2;
        groupsAcross_ = DivRoundUp(width, groupBits_);
        const int down = DivRoundUp(height, groupBits_);
        MemoryBudget::Reserve(std::int64_t{groupsAcross_} * down * 2 + (1 << 18));
        groupImage_.resize(static_cast<std::size_t>(groupsAcross_) * down);
        keep.assign(1 << 16, -1);
        int kept = 0;
        groupCount = 0;
        const bool read =
            ReadSubImage(bits, groupsAcross_, down, reason, [&](int y, const std::uint32_t* row) {
                std::uint16_t* out = &groupImage_[static_cast<std::size_t>(y) * groupsAcross_];
                for (int x = 0; x < groupsAcross_; ++x) {
                    const int group = static_cast<int>((row[x] >> 8) & 0xFFFF);
                    if (keep[group] < 0) {
                        keep[group] = kept++;
                    }
                    groupCount = std::max(groupCount, group + 1);
                    out[x] = static_cast<std::uint16_t>(keep[group]);
                }
            });
        if (!read) {
            return false;
        }
        keep.resize(static_cast<std::size_t>(groupCount));
    }
    if (bits.Overrun()) {
        reason = kCutShort;
        return false;
    }
    if (!ReadGroups(groupCount, keep, reason)) {
        return false;
    }
    // As many rows as a backward reference can reach back, or the whole image if it is smaller.
    ringRows_ = std::min(height, (kMaxDistance + width - 1) / width);
    const std::size_t ringPixels = static_cast<std::size_t>(ringRows_) * width;
    MemoryBudget::Reserve(static_cast<std::int64_t>(ringPixels) * 4);
    ring_.assign(ringPixels, 0);
    return true;
}

bool CodedImage::ReadGroups(int count, std::span<const std::int32_t> keep, std::string& reason) {
    const int cacheSize = cacheShift_ < 32 ? 1 << (32 - cacheShift_) : 0;
    const std::array<int, kCodesPerGroup> alphabets = {kLiteralCodes + kLengthCodes + cacheSize,
                                                       kLiteralCodes, kLiteralCodes, kLiteralCodes,
                                                       kDistanceCodes};
    lengths_.resize(kMaxAlphabet);
    tables_.clear();
    groups_.assign(static_cast<std::size_t>(
                       std::count_if(keep.begin(), keep.end(), [](int k) { return k >= 0; })),
                   Group{});
    for (int i = 0; i < count; ++i) {
        const bool kept = keep[static_cast<std::size_t>(i)] >= 0;
        Group scratch;
        Group& group =
            kept ? groups_[static_cast<std::size_t>(keep[static_cast<std::size_t>(i)])] : scratch;
        const std::size_t before = tables_.size();
        for (int kind = 0; kind < kCodesPerGroup; ++kind) {
            if (!ReadCode(alphabets[static_cast<std::size_t>(kind)],
                          group.start[static_cast<std::size_t>(kind)],
                          group.rootBits[static_cast<std::size_t>(kind)], reason)) {
                return false;
            }
        }
        if (!kept) {
            tables_.resize(before);
            continue;
        }
        if (tables_.size() > kMaxTableEntries) {
            reason = kCodesTooLarge;
            return false;
        }
        group.onlyGreen =
            group.rootBits[kRed] == 0 && group.rootBits[kBlue] == 0 && group.rootBits[kAlpha] == 0;
        group.fixedArgb = std::uint32_t{tables_[group.start[kAlpha]].value} << 24 |
                          std::uint32_t{tables_[group.start[kRed]].value} << 16 |
                          tables_[group.start[kBlue]].value;
    }
    MemoryBudget::Reserve(static_cast<std::int64_t>(tables_.size() * sizeof(CodeEntry)));
    return true;
}

bool CodedImage::ReadCode(int alphabet, std::uint32_t& start, int& rootBits, std::string& reason) {
    BitReader& bits = *bits_;
    std::fill_n(lengths_.begin(), alphabet, 0);
    if (bits.Read(1) != 0) {
        // One or two symbols of 8 bits at most; those outside the alphabet count for nothing.
        const bool two = bits.Read(1) != 0;
        lengths_[bits.Read(bits.Read(1) == 0 ? 1 : 8)] = 1;
        if (two) {
            lengths_[bits.Read(8)] = 1;
        }
    } else {
        std::array<std::uint8_t, 19> lengthLengths{};
        const int stored = static_cast<int>(bits.Read(4)) + 4;
        for (int i = 0; i < stored; ++i) {
            lengthLengths[kLengthCodeOrder[static_cast<std::size_t>(i)]] =
                static_cast<std::uint8_t>(bits.Read(3));
        }
        if (!ReadCodeLengths(lengthLengths, alphabet, reason)) {
            return false;
        }
    }
    if (bits.Overrun()) {
        reason = kCutShort;
        return false;
    }
    if (!builder_.Build(std::span(lengths_).first(static_cast<std::size_t>(alphabet)), tables_,
                        start, rootBits)) {
        reason = kBadCode;
        return false;
    }
    return true;
}

bool CodedImage::ReadCodeLengths(std::span<const std::uint8_t, 19> lengthLengths, int alphabet,
                                 std::string& reason) {
    BitReader& bits = *bits_;
    lengthTable_.clear();
    std::uint32_t start = 0;
    int rootBits = 0;
    if (!builder_.Build(lengthLengths, lengthTable_, start, rootBits)) {
        reason = kBadCode;
        return false;
    }
    int left = alphabet;
    if (bits.Read(1) != 0) {
        const int lengthBits = 2 + 2 * static_cast<int>(bits.Read(3));
        left = 2 + static_cast<int>(bits.Read(lengthBits));
        if (left > alphabet) {
            reason = kBadLengths;
            return false;
        }
    }
    int previous = 8;
    for (int symbol = 0; symbol < alphabet && left-- > 0;) {
        const int code = ReadSymbol(lengthTable_.data(), rootBits, bits);
        if (code < 16) {
            lengths_[static_cast<std::size_t>(symbol++)] = static_cast<std::uint8_t>(code);
            previous = code != 0 ? code : previous;
            continue;
        }
        // 16 repeats the last length that was not zero, 17 and 18 repeat zero.
        static constexpr std::array<int, 3> kExtraBits = {2, 3, 7};
        static constexpr std::array<int, 3> kLeast = {3, 3, 11};
        const auto slot = static_cast<std::size_t>(code - 16);
        const int repeat = static_cast<int>(bits.Read(kExtraBits[slot])) + kLeast[slot];
        if (symbol + repeat > alphabet) {
            reason = kBadLengths;
            return false;
        }
        std::fill_n(lengths_.begin() + symbol, repeat,
                    static_cast<std::uint8_t>(code == 16 ? previous : 0));
        symbol += repeat;
    }
    return true;
}

const std::uint32_t* CodedImage::NextRow(std::string& reason) {
    if (y_ >= height_) {
        reason = "every row of the lossless picture has been read";
        return nullptr;
    }
    BitReader& bits = *bits_;
    std::uint32_t* row = ring_.data() + static_cast<std::size_t>(y_ % ringRows_) * width_;
    const std::uint16_t* groupRow =
        groupBits_ != 0 ? &groupImage_[static_cast<std::size_t>(y_ >> groupBits_) * groupsAcross_]
                        : nullptr;
    const CodeEntry* tables = tables_.data();
    const int cacheLimit = kLiteralCodes + kLengthCodes;
    int x = 0;
    while (x < width_) {
        if (pendingLength_ > 0) {
            CopyPending(row, x);
            continue;
        }
        const Group& group = groups_[groupRow != nullptr ? groupRow[x >> groupBits_] : 0];
        const int green = ReadSymbol(tables + group.start[kGreen], group.rootBits[kGreen], bits);
        std::uint32_t argb = 0;
        if (green < kLiteralCodes) {
            argb = group.fixedArgb | static_cast<std::uint32_t>(green) << 8;
            if (!group.onlyGreen) {
                const auto red = static_cast<std::uint32_t>(
                    ReadSymbol(tables + group.start[kRed], group.rootBits[kRed], bits));
                const auto blue = static_cast<std::uint32_t>(
                    ReadSymbol(tables + group.start[kBlue], group.rootBits[kBlue], bits));
                const auto alpha = static_cast<std::uint32_t>(
                    ReadSymbol(tables + group.start[kAlpha], group.rootBits[kAlpha], bits));
                argb = alpha << 24 | red << 16 | static_cast<std::uint32_t>(green) << 8 | blue;
            }
        } else if (green < cacheLimit) {
            const int length = PrefixValue(green - kLiteralCodes, bits);
            const int distanceSymbol =
                ReadSymbol(tables + group.start[kDistance], group.rootBits[kDistance], bits);
            const int distance = PlaneDistance(width_, PrefixValue(distanceSymbol, bits));
            const std::int64_t position = std::int64_t{y_} * width_ + x;
            if (bits.Overrun()) {
                reason = kCutShort;
                return nullptr;
            }
            if (distance > position || length > std::int64_t{width_} * height_ - position) {
                reason = kBadReference;
                return nullptr;
            }
            pendingLength_ = length;
            pendingDistance_ = distance;
            continue;
        } else {
            argb = cache_[static_cast<std::size_t>(green - cacheLimit)];
        }
        row[x++] = argb;
        Remember(argb);
    }
    if (bits.Overrun()) {
        reason = kCutShort;
        return nullptr;
    }
    ++y_;
    return row;
}

// Copies what fits in this row of the pending backward reference; the ring holds every pixel
// it can reach, in at most two runs.
void CodedImage::CopyPending(std::uint32_t* row, int& x) {
    const auto capacity = static_cast<std::int64_t>(ring_.size());
    const std::int64_t rowStart = row - ring_.data();
    int count = std::min(pendingLength_, width_ - x);
    pendingLength_ -= count;
    while (count > 0) {
        const std::int64_t to = rowStart + x;
        std::int64_t from = to - pendingDistance_;
        from += from < 0 ? capacity : 0;
        const int run = static_cast<int>(std::min<std::int64_t>(count, capacity - from));
        std::uint32_t* out = ring_.data() + to;
        const std::uint32_t* in = ring_.data() + from;
        if (from + run <= to || to + run <= from) {
            std::memcpy(out, in, static_cast<std::size_t>(run) * 4);
        } else {
            // Overlapping: each pixel copied may be one just written.
            for (int i = 0; i < run; ++i) {
                out[i] = in[i];
            }
        }
        if (cacheShift_ < 32) {
            for (int i = 0; i < run; ++i) {
                Remember(out[i]);
            }
        }
        x += run;
        count -= run;
    }
}

// ---- Transforms, undone a row at a time

enum TransformKind { kPredictor, kCrossColour, kSubtractGreen, kColourIndexing };

struct Transform {
    TransformKind kind = kPredictor;
    int width = 0; // of the rows it gives
    int bits = 0;  // of its tiles, or of the indices bundled in a pixel
    int tilesAcross = 0;
    std::vector<std::uint8_t> modes;        // the predictor of each tile
    std::vector<std::uint32_t> multipliers; // the colour transform of each tile
    std::array<std::uint32_t, 256> palette{};
};

std::uint32_t AddPixels(std::uint32_t a, std::uint32_t b) {
    const std::uint32_t alphaGreen = (a & 0xFF00FF00U) + (b & 0xFF00FF00U);
    const std::uint32_t redBlue = (a & 0x00FF00FFU) + (b & 0x00FF00FFU);
    return (alphaGreen & 0xFF00FF00U) | (redBlue & 0x00FF00FFU);
}

std::uint32_t Average2(std::uint32_t a, std::uint32_t b) {
    return (((a ^ b) & 0xFEFEFEFEU) >> 1) + (a & b);
}

std::uint32_t Clip255(int value) {
    return static_cast<std::uint32_t>(std::clamp(value, 0, 255));
}

int Channel(std::uint32_t argb, int shift) {
    return static_cast<int>((argb >> shift) & 0xFF);
}

std::uint32_t ClampedAddSubtractFull(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        out |= Clip255(Channel(a, shift) + Channel(b, shift) - Channel(c, shift)) << shift;
    }
    return out;
}

std::uint32_t ClampedAddSubtractHalf(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    const std::uint32_t average = Average2(a, b);
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int mean = Channel(average, shift);
        out |= Clip255(mean + (mean - Channel(c, shift)) / 2) << shift;
    }
    return out;
}

// top, or left when it is farther from topLeft than top is.
std::uint32_t Select(std::uint32_t top, std::uint32_t left, std::uint32_t topLeft) {
    int leftFarther = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        leftFarther += std::abs(Channel(left, shift) - Channel(topLeft, shift)) -
                       std::abs(Channel(top, shift) - Channel(topLeft, shift));
    }
    return leftFarther <= 0 ? top : left;
}

// Adds to in[from, to) the prediction of each pixel from its left and the row above it.
template <typename Predict>
void AddPredicted(const std::uint32_t* in, const std::uint32_t* top, std::uint32_t* out, int from,
                  int to, Predict predict) {
    std::uint32_t left = out[from - 1];
    for (int x = from; x < to; ++x) {
        left = AddPixels(in[x], predict(left, top + x));
        out[x] = left;
    }
}

// Row y of the predictor transform; `top` is its row above, one pixel longer: its last pixel,
// the top right of the row's last, is the row's first.
void UndoPredictor(const Transform& t, int y, const std::uint32_t* in, std::uint32_t* top,
                   std::uint32_t* out) {
    using P = const std::uint32_t*;
    if (y == 0) {
        out[0] = AddPixels(in[0], kOpaqueBlack);
        AddPredicted(in, top, out, 1, t.width, [](std::uint32_t l, P) { return l; });
        return;
    }
    out[0] = AddPixels(in[0], top[0]);
    top[t.width] = out[0];
    const std::uint8_t* modes = &t.modes[static_cast<std::size_t>(y >> t.bits) * t.tilesAcross];
    for (int x = 1; x < t.width;) {
        const int end = std::min(t.width, ((x >> t.bits) + 1) << t.bits);
        switch (modes[x >> t.bits]) {
        case 1:
            AddPredicted(in, top, out, x, end, [](std::uint32_t l, P) { return l; });
            break;
        case 2:
            AddPredicted(in, top, out, x, end, [](std::uint32_t, P p) { return p[0]; });
            break;
        case 3:
            AddPredicted(in, top, out, x, end, [](std::uint32_t, P p) { return p[1]; });
            break;
        case 4:
            AddPredicted(in, top, out, x, end, [](std::uint32_t, P p) { return p[-1]; });
            break;
        case 5:
            AddPredicted(in, top, out, x, end,
                         [](std::uint32_t l, P p) { return Average2(Average2(l, p[1]), p[0]); });
            break;
        case 6:
            AddPredicted(in, top, out, x, end,
                         [](std::uint32_t l, P p) { return Average2(l, p[-1]); });
            break;
        case 7:
            AddPredicted(in, top, out, x, end,
                         [](std::uint32_t l, P p) { return Average2(l, p[0]); });
            break;
        case 8:
            AddPredicted(in, top, out, x, end,
                         [](std::uint32_t, P p) { return Average2(p[-1], p[0]); });
            break;
        case 9:
            AddPredicted(in, top, out, x, end,
                         [](std::uint32_t, P p) { return Average2(p[0], p[1]); });
            break;
        case 10:
            AddPredicted(in, top, out, x, end, [](std::uint32_t l, P p) {
                return Average2(Average2(l, p[-1]), Average2(p[0], p[1]));
            });
            break;
        case 11:
            AddPredicted(in, top, out, x, end,
                         [](std::uint32_t l, P p) { return Select(p[0], l, p[-1]); });
            break;
        case 12:
            AddPredicted(in, top, out, x, end, [](std::uint32_t l, P p) {
                return ClampedAddSubtractFull(l, p[0], p[-1]);
            });
            break;
        case 13:
            AddPredicted(in, top, out, x, end, [](std::uint32_t l, P p) {
                return ClampedAddSubtractHalf(l, p[0], p[-1]);
            });
            break;
        default: // 0, and 14 and 15, which libwebp takes for 0
            AddPredicted(in, top, out, x, end, [](std::uint32_t, P) { return kOpaqueBlack; });
            break;
        }
        x = end;
    }
}

int ColourDelta(std::uint32_t multiplier, std::uint32_t colour) {
    return (static_cast<std::int8_t>(multiplier) * static_cast<std::int8_t>(colour)) >> 5;
}

void UndoCrossColour(const Transform& t, int y, const std::uint32_t* in, std::uint32_t* out) {
    const std::uint32_t* tiles =
        &t.multipliers[static_cast<std::size_t>(y >> t.bits) * t.tilesAcross];
    for (int x = 0; x < t.width; ++x) {
        const std::uint32_t m = tiles[x >> t.bits];
        const std::uint32_t argb = in[x];
        const std::uint32_t green = argb >> 8;
        const std::uint32_t red =
            ((argb >> 16) + static_cast<std::uint32_t>(ColourDelta(m, green))) & 0xFF;
        const std::uint32_t blue = (argb + static_cast<std::uint32_t>(ColourDelta(m >> 8, green)) +
                                    static_cast<std::uint32_t>(ColourDelta(m >> 16, red))) &
                                   0xFF;
        out[x] = (argb & 0xFF00FF00U) | red << 16 | blue;
    }
}

void UndoSubtractGreen(const Transform& t, const std::uint32_t* in, std::uint32_t* out) {
    for (int x = 0; x < t.width; ++x) {
        const std::uint32_t green = (in[x] >> 8) & 0xFF;
        out[x] =
            (in[x] & 0xFF00FF00U) | (((in[x] & 0x00FF00FFU) + (green << 16 | green)) & 0x00FF00FFU);
    }
}

void UndoColourIndexing(const Transform& t, const std::uint32_t* in, std::uint32_t* out) {
    const int perPixel = 1 << t.bits;
    const int indexBits = 8 >> t.bits;
    const std::uint32_t mask = (1U << indexBits) - 1;
    for (int x = 0; x < t.width; x += perPixel) {
        std::uint32_t indices = (in[x >> t.bits] >> 8) & 0xFF;
        for (int i = x; i < std::min(t.width, x + perPixel); ++i, indices >>= indexBits) {
            out[i] = t.palette[indices & mask];
        }
    }
}

} // namespace

struct WebpLosslessDecoder::State {
    BitReader bits;
    int width = 0;
    int height = 0;
    bool alpha = false;
    std::vector<Transform> transforms;
    CodedImage image;
    int y = 0;
    // Rows between transforms, and the predictor's own rows, this one and the one above.
    std::array<std::vector<std::uint32_t>, 2> rows;
    std::array<std::vector<std::uint32_t>, 2> predicted;

    bool ReadTransform(int& codedWidth, std::string& reason);
};

bool WebpLosslessDecoder::State::ReadTransform(int& codedWidth, std::string& reason) {
    Transform t;
    t.kind = static_cast<TransformKind>(bits.Read(2));
    t.width = codedWidth;
    if (std::any_of(transforms.begin(), transforms.end(),
                    [&t](const Transform& seen) { return seen.kind == t.kind; })) {
        reason = "the lossless picture data is damaged: a transform comes twice";
        return false;
    }
    if (t.kind == kPredictor || t.kind == kCrossColour) {
        t.bits = static_cast<int>(bits.Read(3)) + 2;
        t.tilesAcross = DivRoundUp(codedWidth, t.bits);
        const int down = DivRoundUp(height, t.bits);
        const auto tiles = static_cast<std::size_t>(t.tilesAcross) * down;
        const bool predictor = t.kind == kPredictor;
        MemoryBudget::Reserve(static_cast<std::int64_t>(tiles) * (predictor ? 1 : 4));
        if (predictor) {
            t.modes.resize(tiles);
        } else {
            t.multipliers.resize(tiles);
        }
        const bool read = ReadSubImage(
            bits, t.tilesAcross, down, reason, [&t, predictor](int y, const std::uint32_t* row) {
                const std::size_t first = static_cast<std::size_t>(y) * t.tilesAcross;
                for (int x = 0; x < t.tilesAcross; ++x) {
                    if (predictor) {
                        t.modes[first + x] = static_cast<std::uint8_t>((row[x] >> 8) & 0xF);
                    } else {
                        t.multipliers[first + x] = row[x];
                    }
                }
            });
        if (!read) {
            return false;
        }
    } else if (t.kind == kColourIndexing) {
        const int colours = static_cast<int>(bits.Read(8)) + 1;
        t.bits = colours > 16 ? 0 : colours > 4 ? 1 : colours > 2 ? 2 : 3;
        codedWidth = DivRoundUp(codedWidth, t.bits);
        // Each entry is stored as its difference from the one before; entries past them are
        // transparent black.
        const bool read =
            ReadSubImage(bits, colours, 1, reason, [&t, colours](int, const std::uint32_t* row) {
                std::uint32_t colour = 0;
                for (int i = 0; i < colours; ++i) {
                    colour = AddPixels(colour, row[i]);
                    t.palette[static_cast<std::size_t>(i)] = colour;
                }
            });
        if (!read) {
            return false;
        }
    }
    transforms.push_back(std::move(t));
    return true;
}

WebpLosslessDecoder::WebpLosslessDecoder() : state_(std::make_unique<State>()) {}
WebpLosslessDecoder::~WebpLosslessDecoder() = default;

int WebpLosslessDecoder::Width() const {
    return state_->width;
}
int WebpLosslessDecoder::Height() const {
    return state_->height;
}
bool WebpLosslessDecoder::Alpha() const {
    return state_->alpha;
}

bool WebpLosslessDecoder::Begin(std::span<const std::uint8_t> bytes, std::string& reason) {
    State& s = *state_;
    s.transforms.clear();
    s.y = 0;
    s.width = 0;
    s.height = 0;
    BitReader& bits = s.bits;
    bits.Reset(bytes);
    constexpr std::uint32_t kSignature = 0x2F;
    if (bytes.size() < 5 || bits.Read(8) != kSignature) {
        reason = "the lossless picture data does not start as it should";
        return false;
    }
    const int width = static_cast<int>(bits.Read(14)) + 1;
    const int height = static_cast<int>(bits.Read(14)) + 1;
    s.alpha = bits.Read(1) != 0;
    if (bits.Read(3) != 0) {
        reason = "the lossless picture is of a version this program cannot read";
        return false;
    }
    s.height = height;
    int codedWidth = width;
    while (bits.Read(1) != 0) {
        if (!s.ReadTransform(codedWidth, reason)) {
            return false;
        }
    }
    if (!s.image.Begin(bits, codedWidth, height, true, reason)) {
        return false;
    }
    MemoryBudget::Reserve(std::int64_t{width} * 4 * 4 + 16);
    for (std::vector<std::uint32_t>& row : s.rows) {
        row.assign(static_cast<std::size_t>(width), 0);
    }
    for (std::vector<std::uint32_t>& row : s.predicted) {
        row.assign(static_cast<std::size_t>(width) + 1, 0);
    }
    s.width = width;
    return true;
}

const std::uint32_t* WebpLosslessDecoder::ReadRow(std::string& reason) {
    State& s = *state_;
    if (s.width == 0) {
        reason = "the lossless picture has not been read";
        return nullptr;
    }
    const std::uint32_t* in = s.image.NextRow(reason);
    if (in == nullptr) {
        return nullptr;
    }
    // Undone in the reverse of the order they were read; each writes a row of its own, as the
    // ring's rows are what later backward references copy.
    for (auto t = s.transforms.rbegin(); t != s.transforms.rend(); ++t) {
        std::uint32_t* out = s.rows[in == s.rows[0].data() ? 1 : 0].data();
        switch (t->kind) {
        case kPredictor:
            out = s.predicted[static_cast<std::size_t>(s.y & 1)].data();
            UndoPredictor(*t, s.y, in, s.predicted[static_cast<std::size_t>(~s.y & 1)].data(), out);
            break;
        case kCrossColour:
            UndoCrossColour(*t, s.y, in, out);
            break;
        case kSubtractGreen:
            UndoSubtractGreen(*t, in, out);
            break;
        case kColourIndexing:
            UndoColourIndexing(*t, in, out);
            break;
        }
        in = out;
    }
    ++s.y;
    return in;
}

} // namespace kalvimo::codecs
