#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

namespace kalvimo::fuzz {

// The readers take a path, as the batch gives them; each input is written to one file of this
// process, with the format's signature put in front when the input lacks it, so that the
// fuzzer spends its time inside the reader rather than in format sniffing.
inline const std::string& InputFile(const std::uint8_t* data, std::size_t size,
                                    std::string_view signature) {
    static const std::string path = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kalvimo-fuzz-XXXXXX").string();
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) {
            std::abort();
        }
        ::close(fd);
        return pattern;
    }();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string bytes;
    if (input.substr(0, signature.size()) != signature) {
        bytes = signature;
    }
    bytes += input;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
        std::abort();
    }
    std::fclose(out);
    return path;
}

} // namespace kalvimo::fuzz
