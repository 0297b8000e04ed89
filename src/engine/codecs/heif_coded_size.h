#pragma once

#include <cstdint>
#include <span>

namespace kalvimo::codecs {

// The largest picture, in pixels, that a HEIF file's HEVC and AV1 parameter sets declare (in its
// decoder configurations and its picture data) or that its grids and overlays are assembled
// into; 0 when it declares none that can be read. The decoders size their buffers by these
// and not by the sizes the file states elsewhere, so a file that states a small picture and
// configures a huge one must be refused before it is decoded.
std::int64_t LargestConfiguredPicture(std::span<const std::uint8_t> file);

} // namespace kalvimo::codecs
