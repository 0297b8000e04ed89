#include "heif_coded_size.h"

#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

namespace kalvimo::codecs {

namespace {

using Bytes = std::span<const std::uint8_t>;

std::uint64_t BigEndian(Bytes bytes) {
    std::uint64_t value = 0;
    for (const std::uint8_t byte : bytes) {
        value = value << 8 | byte;
    }
    return value;
}

// Calls visit(type, payload) for each whole box in bytes; stops at the first that overruns.
void ForEachBox(Bytes bytes, const std::function<void(std::string_view, Bytes)>& visit) {
    while (bytes.size() >= 8) {
        std::uint64_t size = BigEndian(bytes.first(4));
        const std::string_view type(reinterpret_cast<const char*>(bytes.data() + 4), 4);
        std::size_t header = 8;
        if (size == 1) {
            if (bytes.size() < 16) {
                return;
            }
            size = BigEndian(bytes.subspan(8, 8));
            header = 16;
        } else if (size == 0) {
            size = bytes.size();
        }
        if (size < header || size > bytes.size()) {
            return;
        }
        visit(type, bytes.subspan(header, size - header));
        bytes = bytes.subspan(size);
    }
}

// Reads bits most significant first; reading past the end sets failed and gives zeros.
class BitReader {
public:
    explicit BitReader(Bytes bytes) : bytes_(bytes) {}

    std::uint64_t Bits(int count) {
        std::uint64_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (bit_ >= bytes_.size() * 8) {
                failed = true;
                return 0;
            }
            value = value << 1 | ((bytes_[bit_ / 8] >> (7 - bit_ % 8)) & 1U);
            ++bit_;
        }
        return value;
    }

    void Skip(int count) { Bits(count), void(); }

    // An Exp-Golomb code: as many zeros as value bits, a one, then the bits.
    std::uint64_t Golomb() {
        int zeros = 0;
        while (!failed && Bits(1) == 0) {
            if (++zeros > 32) {
                failed = true;
            }
        }
        return failed ? 0 : (std::uint64_t{1} << zeros) - 1 + Bits(zeros);
    }

    bool failed = false;

private:
    Bytes bytes_;
    std::size_t bit_ = 0;
};

// An HEVC sequence parameter set (its two-byte NAL header first): the coded picture's size.
std::int64_t HevcPicture(Bytes nal) {
    // The payload without its emulation-prevention bytes (a 3 after two zeros).
    std::vector<std::uint8_t> payload;
    int zeros = 0;
    for (const std::uint8_t byte : nal.subspan(2)) {
        if (zeros >= 2 && byte == 3) {
            zeros = 0;
            continue;
        }
        zeros = byte == 0 ? zeros + 1 : 0;
        payload.push_back(byte);
    }
    BitReader bits(payload);
    bits.Skip(4);
    const int subLayers = static_cast<int>(bits.Bits(3));
    bits.Skip(1 + 88 + 8); // the general profile, tier and level
    std::array<bool, 8> profile{};
    std::array<bool, 8> level{};
    for (int i = 0; i < subLayers; ++i) {
        profile[i] = bits.Bits(1) != 0;
        level[i] = bits.Bits(1) != 0;
    }
    if (subLayers > 0) {
        bits.Skip(2 * (8 - subLayers));
    }
    for (int i = 0; i < subLayers; ++i) {
        bits.Skip((profile[i] ? 88 : 0) + (level[i] ? 8 : 0));
    }
    bits.Golomb();
    if (bits.Golomb() == 3) {
        bits.Skip(1);
    }
    const std::uint64_t width = bits.Golomb();
    const std::uint64_t height = bits.Golomb();
    if (width > std::uint64_t{1} << 31 || height > std::uint64_t{1} << 31) {
        return std::numeric_limits<std::int64_t>::max();
    }
    return bits.failed ? 0 : static_cast<std::int64_t>(width * height);
}

std::int64_t HevcUnit(Bytes nal) {
    constexpr int kSequenceParameterSet = 33;
    return nal.size() > 2 && (nal[0] >> 1 & 0x3F) == kSequenceParameterSet ? HevcPicture(nal) : 0;
}

// HEVC picture data: NAL units each after its length in four bytes, as the decoder takes them.
std::int64_t HevcStream(Bytes data) {
    std::int64_t largest = 0;
    while (data.size() >= 4) {
        const std::uint64_t length = BigEndian(data.first(4));
        if (length > data.size() - 4) {
            break;
        }
        largest = std::max(largest, HevcUnit(data.subspan(4, length)));
        data = data.subspan(4 + length);
    }
    return largest;
}

// An 'hvcC' box's payload: the largest picture of its sequence parameter sets.
std::int64_t HevcConfiguration(Bytes config) {
    std::int64_t largest = 0;
    if (config.size() < 23) {
        return 0;
    }
    std::size_t at = 23;
    for (int arrays = config[22]; arrays > 0 && at + 3 <= config.size(); --arrays) {
        std::uint64_t units = BigEndian(config.subspan(at + 1, 2));
        at += 3;
        for (; units > 0 && at + 2 <= config.size(); --units) {
            const std::size_t length = BigEndian(config.subspan(at, 2));
            at += 2;
            if (length > config.size() - at) {
                return largest;
            }
            largest = std::max(largest, HevcUnit(config.subspan(at, length)));
            at += length;
        }
    }
    return largest;
}

// An AV1 sequence header: the largest frame it allows.
std::int64_t Av1Picture(Bytes header) {
    BitReader bits(header);
    bits.Skip(4);
    if (bits.Bits(1) != 0) { // a reduced still-picture header
        bits.Skip(5);
    } else {
        bool decoderModel = false;
        int delayBits = 0;
        if (bits.Bits(1) != 0) { // timing information
            bits.Skip(64);
            if (bits.Bits(1) != 0) {
                bits.Golomb();
            }
            decoderModel = bits.Bits(1) != 0;
            if (decoderModel) {
                delayBits = static_cast<int>(bits.Bits(5)) + 1;
                bits.Skip(32 + 5 + 5);
            }
        }
        const bool displayDelay = bits.Bits(1) != 0;
        for (int points = static_cast<int>(bits.Bits(5)) + 1; points > 0 && !bits.failed;
             --points) {
            bits.Skip(12);
            if (bits.Bits(5) > 7) {
                bits.Skip(1);
            }
            if (decoderModel && bits.Bits(1) != 0) {
                bits.Skip(2 * delayBits + 1);
            }
            if (displayDelay && bits.Bits(1) != 0) {
                bits.Skip(4);
            }
        }
    }
    const int widthBits = static_cast<int>(bits.Bits(4)) + 1;
    const int heightBits = static_cast<int>(bits.Bits(4)) + 1;
    const std::uint64_t width = bits.Bits(widthBits) + 1;
    const std::uint64_t height = bits.Bits(heightBits) + 1;
    return bits.failed ? 0 : static_cast<std::int64_t>(width * height);
}

// A run of AV1 OBUs: the largest frame its sequence headers allow.
std::int64_t Av1Stream(Bytes obus) {
    constexpr int kSequenceHeader = 1;
    std::int64_t largest = 0;
    while (!obus.empty()) {
        const std::uint8_t header = obus[0];
        std::size_t at = (header & 0x04) != 0 ? 2 : 1;
        std::uint64_t size = obus.size() - std::min(at, obus.size());
        if ((header & 0x02) != 0) { // a size field, little-endian base 128
            size = 0;
            for (int shift = 0;; shift += 7) {
                if (at >= obus.size() || shift > 56) {
                    return largest;
                }
                size |= std::uint64_t{obus[at] & 0x7FU} << shift;
                if ((obus[at++] & 0x80) == 0) {
                    break;
                }
            }
        }
        if (at > obus.size() || size > obus.size() - at) {
            return largest;
        }
        if ((header >> 3 & 0x0F) == kSequenceHeader) {
            largest = std::max(largest, Av1Picture(obus.subspan(at, size)));
        }
        obus = obus.subspan(at + size);
    }
    return largest;
}

// A grid or overlay item's description: the size of the picture it is assembled into, which the
// decoder allocates before it decodes any tile.
std::int64_t DerivedPicture(Bytes description, bool overlay) {
    if (description.size() < 2) {
        return 0;
    }
    const std::size_t field = (description[1] & 1) != 0 ? 4 : 2;
    // A grid's rows and columns, or an overlay's four fill values, come before the size.
    const std::size_t at = overlay ? 2 + 4 * 2 : 2 + 2;
    if (description.size() < at + 2 * field) {
        return 0;
    }
    const std::uint64_t width = BigEndian(description.subspan(at, field));
    const std::uint64_t height = BigEndian(description.subspan(at + field, field));
    if (width > std::uint64_t{1} << 31 || height > std::uint64_t{1} << 31) {
        return std::numeric_limits<std::int64_t>::max();
    }
    return static_cast<std::int64_t>(width * height);
}

// Reads fixed-size big-endian fields from the front of a box; past the end it reads zeros and
// sets failed.
class FieldReader {
public:
    explicit FieldReader(Bytes bytes) : bytes_(bytes) {}

    std::uint64_t Field(std::size_t size) {
        // The decoder reads fields of these sizes only; any other reads as nothing.
        if (size != 1 && size != 2 && size != 4 && size != 8) {
            return 0;
        }
        if (size > bytes_.size()) {
            failed = true;
            bytes_ = {};
            return 0;
        }
        const std::uint64_t value = BigEndian(bytes_.first(size));
        bytes_ = bytes_.subspan(size);
        return value;
    }
    [[nodiscard]] Bytes Rest() const { return bytes_; }

    bool failed = false;

private:
    Bytes bytes_;
};

// A picture item whose data tells the size of what is decoded or assembled: coded HEVC or AV1,
// a grid or an overlay.
struct PictureItem {
    std::string_view type;
    std::vector<std::uint8_t> data;
};

// The size its data declares.
std::int64_t DeclaredPicture(const PictureItem& item) {
    if (item.type == "hvc1") {
        return HevcStream(item.data);
    }
    if (item.type == "av01") {
        return Av1Stream(item.data);
    }
    return DerivedPicture(item.data, item.type == "iovl");
}

// The picture items of an 'iinf' box (item information entries of version 2 or 3), by number.
void ReadPictureItems(Bytes iinf, std::map<std::uint64_t, PictureItem>& items) {
    FieldReader fields(iinf);
    const std::uint64_t version = fields.Field(4) >> 24;
    fields.Field(version == 0 ? 2 : 4);
    ForEachBox(fields.Rest(), [&items](std::string_view type, Bytes infe) {
        FieldReader entry(infe);
        const std::uint64_t entryVersion = entry.Field(4) >> 24;
        if (type != "infe" || entryVersion < 2) {
            return;
        }
        const std::uint64_t id = entry.Field(entryVersion == 2 ? 2 : 4);
        entry.Field(2);
        const Bytes bytes = entry.Rest().first(std::min<std::size_t>(4, entry.Rest().size()));
        if (entry.failed || bytes.size() != 4) {
            return;
        }
        const std::string_view itemType(reinterpret_cast<const char*>(bytes.data()), 4);
        if (itemType == "hvc1" || itemType == "av01" || itemType == "grid" || itemType == "iovl") {
            items[id] = PictureItem{itemType, {}};
        }
    });
}

// The data of each picture item, gathered from its extents in 'iloc', in the file or in 'idat'. A
// file's pictures hold no more bytes than the file, so no more are gathered: extents listed again
// and again must not take memory or time beyond the file's size. Version 1 locations state an
// index size that the decoder reads only from version 2 on: the larger of both readings counts.
void ReadItemData(Bytes iloc, Bytes file, Bytes idat, bool indexFromVersion1,
                  std::map<std::uint64_t, PictureItem>& items) {
    std::uint64_t budget = file.size();
    FieldReader fields(iloc);
    const std::uint64_t version = fields.Field(4) >> 24;
    const std::uint64_t sizes = fields.Field(2);
    const std::size_t offsetSize = sizes >> 12;
    const std::size_t lengthSize = sizes >> 8 & 0xF;
    const std::size_t baseSize = sizes >> 4 & 0xF;
    const std::size_t indexSize = version > (indexFromVersion1 ? 0 : 1) ? sizes & 0xF : 0;
    const std::size_t idSize = version < 2 ? 2 : 4;
    for (std::uint64_t count = fields.Field(idSize); count > 0 && !fields.failed; --count) {
        const std::uint64_t id = fields.Field(idSize);
        const std::uint64_t method = version == 0 ? 0 : fields.Field(2) & 0xF;
        fields.Field(2);
        const std::uint64_t base = fields.Field(baseSize);
        const auto item = items.find(id);
        const Bytes from = method == 0 ? file : method == 1 ? idat : Bytes();
        for (std::uint64_t extents = fields.Field(2); extents > 0 && !fields.failed; --extents) {
            fields.Field(indexSize);
            const std::uint64_t offset = base + fields.Field(offsetSize);
            std::uint64_t length = fields.Field(lengthSize);
            if (item == items.end() || offset > from.size()) {
                continue;
            }
            length = length == 0 ? from.size() - offset : std::min(length, from.size() - offset);
            if (length > budget) {
                return;
            }
            budget -= length;
            std::vector<std::uint8_t>& bytes = item->second.data;
            bytes.insert(bytes.end(), from.begin() + static_cast<std::ptrdiff_t>(offset),
                         from.begin() + static_cast<std::ptrdiff_t>(offset + length));
        }
    }
}

} // namespace

std::int64_t LargestConfiguredPicture(Bytes file) {
    std::int64_t largest = 0;
    const auto properties = [&largest](std::string_view type, Bytes box) {
        if (type == "hvcC") {
            largest = std::max(largest, HevcConfiguration(box));
        } else if (type == "av1C" && box.size() > 4) {
            largest = std::max(largest, Av1Stream(box.subspan(4)));
        }
    };
    // Only the first 'meta' box counts, as it does for the decoder.
    bool metaSeen = false;
    ForEachBox(file, [&](std::string_view type, Bytes meta) {
        if (type != "meta" || meta.size() < 4 || std::exchange(metaSeen, true)) {
            return;
        }
        Bytes iinf;
        Bytes iloc;
        Bytes idat;
        bool iinfSeen = false;
        bool ilocSeen = false;
        bool idatSeen = false;
        ForEachBox(meta.subspan(4), [&](std::string_view type, Bytes box) {
            if (type == "iprp") {
                ForEachBox(box, [&](std::string_view type, Bytes ipco) {
                    if (type == "ipco") {
                        ForEachBox(ipco, properties);
                    }
                });
            }
            // The decoder takes the first box of each kind; a second one must not hide it.
            if (type == "iinf" && !std::exchange(iinfSeen, true)) {
                iinf = box;
            } else if (type == "iloc" && !std::exchange(ilocSeen, true)) {
                iloc = box;
            } else if (type == "idat" && !std::exchange(idatSeen, true)) {
                // The decoder reads an item's extents from the start of 'idat' onwards, past its
                // end if they say so, so all the rest of the file is within their reach.
                idat = file.subspan(static_cast<std::size_t>(box.data() - file.data()));
            }
        });
        // Parameter sets travel with the picture data too, and grids and overlays give the size
        // they are assembled into in theirs.
        for (const bool indexFromVersion1 : {true, false}) {
            std::map<std::uint64_t, PictureItem> items;
            ReadPictureItems(iinf, items);
            ReadItemData(iloc, file, idat, indexFromVersion1, items);
            for (const auto& [id, item] : items) {
                largest = std::max(largest, DeclaredPicture(item));
            }
        }
    });
    return largest;
}

} // namespace kalvimo::codecs
