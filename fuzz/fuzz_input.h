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
// A folder of this process's own, for inputs that are found by their name beside others.
inline const std::filesystem::path& InputFolder() {
    static const std::filesystem::path folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kalvimo-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return std::filesystem::path(pattern);
    }();
    return folder;
}

inline void WriteInput(const std::filesystem::path& path, std::string_view bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
        std::abort();
    }
    std::fclose(out);
}

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
    WriteInput(path, bytes);
    return path;
}

} // namespace kalvimo::fuzz
