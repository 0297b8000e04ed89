#include "exif_date.h"

#include "codecs/codec_internal.h"
#include "codecs/heif_input.h"
#include "codecs/picture_decoder.h"
#include "metadata_file.h"

#include <algorithm>
#include <array>
#include <exiv2/exiv2.hpp>
#include <libheif/heif.h>
#include <memory>
#include <mutex>
#include <optional>
#include <strings.h>
#include <sys/stat.h>
#include <vector>

namespace kalvimo {

namespace {

// The XMP toolkit under the library is not safe on several threads unless given a lock.
void LockXmp(void* mutex, bool lock) {
    if (lock) {
        static_cast<std::mutex*>(mutex)->lock();
    } else {
        static_cast<std::mutex*>(mutex)->unlock();
    }
}

} // namespace

void PrepareMetadataReader() {
    static std::mutex xmpMutex;
    static const bool prepared = [] {
        // A malformed file is an ordinary event of a run, not something to write to the terminal.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(LockXmp, &xmpMutex);
        return true;
    }();
    (void)prepared;
}

namespace {

bool IsHeif(std::FILE* file) {
    std::array<std::uint8_t, 12> head{};
    const std::size_t got = std::fread(head.data(), 1, head.size(), file);
    std::rewind(file);
    return SniffFormat(std::span(head.data(), got)) == PictureFormat::Heif;
}

// libheif reads the boxes it needs straight from the open file.
const heif_reader kHeifFileReader = {
    1,
    [](void* file) -> std::int64_t { return ::ftello(static_cast<std::FILE*>(file)); },
    [](void* data, std::size_t size, void* file) {
        return std::fread(data, 1, size, static_cast<std::FILE*>(file)) == size ? 0 : 1;
    },
    [](std::int64_t position, void* file) {
        return ::fseeko(static_cast<std::FILE*>(file), static_cast<off_t>(position), SEEK_SET);
    },
    [](std::int64_t size, void* file) {
        struct stat info {};
        return ::fstat(::fileno(static_cast<std::FILE*>(file)), &info) == 0 && size <= info.st_size
                   ? heif_reader_grow_status_size_reached
                   : heif_reader_grow_status_size_beyond_eof;
    },
};

// The EXIF block of a HEIF picture's primary image: four bytes giving the offset of the TIFF
// header, then the block.
std::optional<ExifBlock> HeifExif(std::FILE* file) {
    if (!codecs::StartHeif()) {
        return std::nullopt;
    }
    std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(),
                                                                   heif_context_free);
    heif_image_handle* rawHandle = nullptr;
    if (!context ||
        heif_context_read_from_reader(context.get(), &kHeifFileReader, file, nullptr).code !=
            heif_error_Ok ||
        heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok) {
        return std::nullopt;
    }
    const std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle*)> handle(
        rawHandle, heif_image_handle_release);
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle.get(), "Exif", &id, 1) < 1) {
        return std::nullopt;
    }
    const std::size_t size = heif_image_handle_get_metadata_size(handle.get(), id);
    // A camera's EXIF, thumbnail and maker notes included, stays far below this.
    if (size < 4 || size > (std::size_t{4} << 20)) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> block(size);
    if (heif_image_handle_get_metadata(handle.get(), id, block.data()).code != heif_error_Ok) {
        return std::nullopt;
    }
    const std::uint32_t offset = std::uint32_t{block[0]} << 24 | std::uint32_t{block[1]} << 16 |
                                 std::uint32_t{block[2]} << 8 | block[3];
    if (offset >= size - 4) {
        return std::nullopt;
    }
    ExifBlock exif;
    exif.order = Exiv2::ExifParser::decode(exif.data, block.data() + 4 + offset,
                                           static_cast<std::uint32_t>(size - 4 - offset));
    return exif;
}

} // namespace

// The library's interface is written in std::auto_ptr, which some compilers flag at every use.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
// The file's EXIF properties in the file's order; nothing when the file is not a picture with
// readable metadata. Only regular files are opened, so that a named pipe cannot stall the run; a
// FileIo of our own keeps the library from taking a name such as "http:..." for an address.
// HEIF pictures are read by their own library, which knows every way they store the block.
std::optional<ExifBlock> ReadExif(const std::string& path) {
    PrepareMetadataReader();
    std::int64_t size = 0;
    std::string ignored;
    const codecs::FilePtr file = codecs::OpenRegularFile(path, size, ignored);
    if (!file) {
        return std::nullopt;
    }
    if (IsHeif(file.get())) {
        return HeifExif(file.get());
    }
    Exiv2::BasicIo::AutoPtr io(new Exiv2::FileIo(path));
    // This build of the library hands out std::auto_ptr; own the result the modern way at once.
    std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(io).release());
    if (!image) {
        return std::nullopt;
    }
    image->readMetadata();
    return ExifBlock{image->exifData(), image->byteOrder() == Exiv2::bigEndian
                                            ? Exiv2::bigEndian
                                            : Exiv2::littleEndian};
}
#pragma GCC diagnostic pop

namespace {

// The text of a DateTime property, up to its NUL; nothing when the value cannot be a date that
// is safe in a file name: not of the text type, or holding bytes that are not printable ASCII.
std::optional<std::string> UsableText(const Exiv2::Exifdatum& datum) {
    if (datum.typeId() != Exiv2::asciiString) {
        return std::nullopt;
    }
    std::vector<Exiv2::byte> bytes(datum.size());
    datum.copy(bytes.data(), Exiv2::littleEndian);
    std::string text(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0));
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
        return std::nullopt;
    }
    return text;
}

// A path separator cannot lead out of the destination folder.
std::string StampFromText(std::string value) {
    value.erase(std::remove(value.begin(), value.end(), ':'), value.end());
    if (value == "00000000 000000") {
        return {};
    }
    std::replace(value.begin(), value.end(), ' ', '_');
    std::replace(value.begin(), value.end(), '/', '_');
    return value;
}

} // namespace

std::string ReadExifDate(const std::string& path) {
    try {
        const std::optional<ExifBlock> exif = ReadExif(path);
        if (!exif) {
            return {};
        }
        // After an unusable value only the main directory's next DateTime is worth a try.
        bool passedOver = false;
        for (const Exiv2::Exifdatum& datum : exif->data) {
            if (::strcasecmp(datum.tagName().c_str(), "DateTime") != 0 ||
                (passedOver && datum.groupName() != "Image")) {
                continue;
            }
            if (const std::optional<std::string> text = UsableText(datum)) {
                return StampFromText(*text);
            }
            passedOver = true;
        }
    } catch (...) {
        // Any failure of the reader means the picture has no usable date.
    }
    return {};
}

int ReadExifOrientation(const std::string& path) {
    try {
        std::int64_t size = 0;
        std::string ignored;
        const codecs::FilePtr file = codecs::OpenRegularFile(path, size, ignored);
        // HEIF and AVIF pictures come out of their reader already turned by the file's own
        // transformations; the EXIF value there only repeats them.
        if (!file || IsHeif(file.get())) {
            return 1;
        }
        const std::optional<ExifBlock> exif = ReadExif(path);
        if (!exif) {
            return 1;
        }
        const auto found = exif->data.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (found == exif->data.end() || found->count() < 1) {
            return 1;
        }
        const long value = found->toLong(0);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    } catch (...) {
        return 1;
    }
}

} // namespace kalvimo
