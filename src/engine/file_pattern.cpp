#include "file_pattern.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace kalvimo {

namespace {

char Fold(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool MatchesMask(std::string_view name, std::string_view mask) {
    // Iterative matching with one backtrack point: linear in practice, never exponential.
    std::size_t n = 0;
    std::size_t m = 0;
    std::size_t starMask = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || Fold(mask[m]) == Fold(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') {
        ++m;
    }
    // "name." masks and "*.*" also take names without a dot.
    if (m + 2 == mask.size() && mask.substr(m) == ".*") {
        return true;
    }
    return m == mask.size();
}

std::string_view Trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

} // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    std::size_t start = 0;
    while (start <= pattern.size()) {
        const std::size_t end = std::min(pattern.find(';', start), pattern.size());
        const std::string_view mask = Trimmed(pattern.substr(start, end - start));
        if (!mask.empty() && MatchesMask(name, mask)) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::vector<std::string> ListMatchingFiles(const std::string& folder, std::string_view pattern) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError)) {
            std::string name = it->path().filename().string();
            if (MatchesPattern(name, pattern)) {
                names.push_back(std::move(name));
            }
        }
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const auto folded = [](const std::string& s) {
            std::string f(s);
            std::transform(f.begin(), f.end(), f.begin(), Fold);
            return f;
        };
        const std::string fa = folded(a);
        const std::string fb = folded(b);
        return fa != fb ? fa < fb : a < b;
    });
    return names;
}

} // namespace kalvimo
