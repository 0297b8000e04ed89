#include "picture_decoder.h"

#include "codec_internal.h"
#include "codec_table.h"

#include <array>
#include <new>

namespace kalvimo {

namespace {

const codecs::PictureReader* ReaderFor(std::span<const std::uint8_t> head) {
    for (const codecs::PictureReader* reader : codecs::kPictureReaders) {
        if (reader->matches(head)) {
            return reader;
        }
    }
    return nullptr;
}

bool DecodeOpenFile(std::FILE* file, std::int64_t size, Canvas& canvas, Colour backColour,
                    std::string& reason) {
    std::array<std::uint8_t, 12> head{};
    const std::size_t got = std::fread(head.data(), 1, head.size(), file);
    std::rewind(file);
    // A reader sets the profile only when the file has one; the canvas may hold the last one's.
    canvas.SetIccProfile({});
    const codecs::PictureReader* reader = ReaderFor(std::span(head.data(), got));
    if (reader == nullptr) {
        reason = "is not a picture file this program can read";
        return false;
    }
    std::string why;
    const bool ok = reader->decode(file, size, canvas, backColour, why);
    if (!ok) {
        reason = std::string("could not be read as ") + reader->name + ": " + why;
    }
    return ok;
}

} // namespace

PictureFormat SniffFormat(std::span<const std::uint8_t> head) {
    const codecs::PictureReader* reader = ReaderFor(head);
    return reader == nullptr ? PictureFormat::Unknown : reader->format;
}

PictureFormat SniffFile(const std::string& path) {
    std::int64_t size = 0;
    std::string reason;
    const codecs::FilePtr file = codecs::OpenRegularFile(path, size, reason);
    std::array<std::uint8_t, 12> head{};
    const std::size_t got = file ? std::fread(head.data(), 1, head.size(), file.get()) : 0;
    return SniffFormat(std::span(head.data(), got));
}

codecs::FilePtr codecs::OpenPictureOf(PictureFormat format, const std::string& path,
                                      std::int64_t& size) {
    std::string reason;
    FilePtr file = OpenRegularFile(path, size, reason);
    std::array<std::uint8_t, 12> head{};
    const std::size_t got = file ? std::fread(head.data(), 1, head.size(), file.get()) : 0;
    if (got == 0 || SniffFormat(std::span(head.data(), got)) != format) {
        return nullptr;
    }
    std::rewind(file.get());
    return file;
}

bool DecodePictureFile(const std::string& path, Canvas& canvas, Colour backColour,
                       std::string& error) {
    std::string reason;
    bool ok = false;
    try {
        std::int64_t size = 0;
        const codecs::FilePtr file = codecs::OpenRegularFile(path, size, reason);
        ok = file && DecodeOpenFile(file.get(), size, canvas, backColour, reason);
    } catch (const std::bad_alloc&) {
        reason = "could not be read: not enough memory";
    } catch (const std::exception& e) {
        reason = std::string("could not be read: ") + e.what();
    }
    if (!ok) {
        canvas.Clear();
        error = "\"" + path + "\" " + reason;
    }
    return ok;
}

} // namespace kalvimo
