#include "bmp_input.h"
#include "codec_internal.h"
#include "codec_table.h"

#include <sys/types.h>
#include <vector>

namespace kalvimo::codecs {

namespace {

bool Refuse(std::string& reason, const char* why) {
    reason = why;
    return false;
}

// Rows come in file order, the fastest way through the file.
bool ReadPlain(BmpInput& input, Canvas& canvas, std::string& reason) {
    ReserveWholePicture(input.Width(), input.Height());
    if (!canvas.Resize(input.Width(), input.Height())) {
        reason = TooLargeReason(input.Width(), input.Height());
        return false;
    }
    for (int i = 0; i < input.Height(); ++i) {
        if (!input.ReadRow(i, canvas.Row(input.PictureRow(i)))) {
            reason = "the pixel data could not be read";
            return false;
        }
    }
    return true;
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
    ReserveWholePicture(layout.width, layout.height);
    if (!canvas.Resize(static_cast<int>(layout.width), static_cast<int>(layout.height))) {
        reason = TooLargeReason(layout.width, layout.height);
        return false;
    }
    canvas.FillRect(0, 0, canvas.Width(), canvas.Height(), backColour);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(fileSize - layout.dataOffset));
    if (::fseeko(file, static_cast<off_t>(layout.dataOffset), SEEK_SET) != 0 ||
        std::fread(data.data(), 1, data.size(), file) != data.size()) {
        return Refuse(reason, "the pixel data could not be read");
    }
    return RleReader(layout, canvas, std::move(data)).Run(reason);
}

bool IsBmp(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kSignature[] = {'B', 'M'};
    return StartsWith(head, kSignature);
}

bool DecodeBmp(std::FILE* file, std::int64_t fileSize, Canvas& canvas, Colour backColour,
               std::string& reason) {
    BmpInput input;
    if (!input.Begin(file, fileSize, kMaxDecodedPixels, backColour, reason)) {
        return false;
    }
    if (input.Layout().RunLength()) {
        return ReadRle(file, fileSize, input.Layout(), canvas, backColour, reason);
    }
    return ReadPlain(input, canvas, reason);
}

} // namespace

constinit const PictureReader kBmpReader{.format = PictureFormat::Bmp,
                                         .name = "BMP",
                                         .matches = IsBmp,
                                         .extensions = "*.bmp",
                                         .decode = DecodeBmp};

} // namespace kalvimo::codecs
