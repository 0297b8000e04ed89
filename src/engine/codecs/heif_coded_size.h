#pragma once

#include <cstdint>
#include <span>

namespace kalvimo::codecs {

// The largest picture, in pixels, that the HEVC and AV1 decoder configurations of a HEIF file
// declare (the sequence parameter sets of its 'hvcC' boxes, the sequence headers of its 'av1C'
// boxes); 0 when it declares none that can be read. The decoders size their buffers by these
// and not by the sizes the file states elsewhere, so a file that states a small picture and
// configures a huge one must be refused before it is decoded.
std::int64_t LargestConfiguredPicture(std::span<const std::uint8_t> file);

} // namespace kalvimo::codecs
