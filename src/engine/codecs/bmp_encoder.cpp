#include "codec_internal.h"
#include "codec_table.h"
#include "picture_encoder.h"

#include <array>
#include <cerrno>
#include <vector>

namespace kalvimo {

namespace {

constexpr std::uint32_t kHeadersSize = 14 + 40;
// 96 dots per inch, the usual screen resolution.
constexpr std::uint32_t kPixelsPerMetre = 3780;

void Put16(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t value) {
    Put16(p, value & 0xFFFF);
    Put16(p + 2, value >> 16);
}

} // namespace

bool WriteBmp(const Canvas& canvas, std::FILE* out, std::string& error) {
    if (canvas.Empty()) {
        error = "there is no picture to write";
        return false;
    }
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(canvas.Width()) * 3 + 3) / 4 * 4;
    const std::uint64_t imageBytes = rowBytes * static_cast<std::uint64_t>(canvas.Height());
    if (kHeadersSize + imageBytes > 0xFFFFFFFFU) {
        error = "the picture is too large for a BMP file";
        return false;
    }
    std::array<std::uint8_t, kHeadersSize> head{};
    head[0] = 'B';
    head[1] = 'M';
    Put32(&head[2], static_cast<std::uint32_t>(kHeadersSize + imageBytes));
    Put32(&head[10], kHeadersSize);
    std::uint8_t* info = &head[14];
    Put32(info, 40);
    Put32(info + 4, static_cast<std::uint32_t>(canvas.Width()));
    Put32(info + 8, static_cast<std::uint32_t>(canvas.Height()));
    Put16(info + 12, 1);
    Put16(info + 14, 24);
    Put32(info + 20, static_cast<std::uint32_t>(imageBytes));
    Put32(info + 24, kPixelsPerMetre);
    Put32(info + 28, kPixelsPerMetre);
    bool ok = std::fwrite(head.data(), 1, head.size(), out) == head.size();

    std::vector<std::uint8_t> row(static_cast<std::size_t>(rowBytes));
    for (int y = canvas.Height() - 1; ok && y >= 0; --y) {
        const std::uint8_t* in = canvas.Row(y);
        std::uint8_t* bgr = row.data();
        for (int x = 0; x < canvas.Width(); ++x, in += 3, bgr += 3) {
            bgr[0] = in[2];
            bgr[1] = in[1];
            bgr[2] = in[0];
        }
        ok = std::fwrite(row.data(), 1, row.size(), out) == row.size();
    }
    if (!ok) {
        error = std::string("could not write the file: ") + codecs::ErrnoText(errno);
        return false;
    }
    return codecs::FlushOutput(out, error);
}

constinit const codecs::PictureWriter codecs::kBmpWriter{
    .extensions = "*.BMP;*.DIB;*.RLE",
    .encode = [](const Canvas& canvas, std::FILE* out, const codecs::WriteSettings&,
                 std::string& error) { return WriteBmp(canvas, out, error); }};

} // namespace kalvimo
