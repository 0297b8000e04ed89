// Decodes each JPEG to RGB rows, four at a time, from the readers' own file source, and does
// nothing else with them: what an exact shrink that decodes every pixel cannot go below.
//
//   decode_floor PICTURE.jpg...

#include "codecs/jpeg_errors.h"

#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
    using namespace kalvimo::codecs;
    const auto buffer = std::make_unique_for_overwrite<JOCTET[]>(kJpegReadSize);
    std::vector<JSAMPLE> rows;
    for (int i = 1; i < argc; ++i) {
        std::FILE* file = std::fopen(argv[i], "rb");
        if (file == nullptr) {
            std::perror(argv[i]);
            return 1;
        }
        jpeg_decompress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        JpegFileSource source;
        UseJpegFileSource(info, source, file, buffer.get());
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
        const std::size_t stride = std::size_t{info.output_width} * 3;
        rows.resize(stride * 4);
        JSAMPROW pointers[4];
        for (std::size_t r = 0; r < 4; ++r) {
            pointers[r] = rows.data() + r * stride;
        }
        while (info.output_scanline < info.output_height) {
            jpeg_read_scanlines(&info, pointers, 4);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        std::fclose(file);
    }
    return 0;
}
