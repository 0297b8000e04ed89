#include "text_helpers.h"

#include <algorithm>
#include <cctype>
#include <sys/stat.h>

namespace kalvimo {

std::string AddBackslash(std::string_view path) {
    std::string result(path);
    if (result.empty() || result.back() != kPathSeparator) {
        result += kPathSeparator;
    }
    return result;
}

int CountOf(std::string_view text, std::string_view sought) {
    if (sought.empty()) {
        return 0;
    }
    int count = 0;
    for (std::size_t p = text.find(sought); p != std::string_view::npos;
         p = text.find(sought, p + 1)) {
        ++count;
    }
    return count;
}

namespace {

bool ContainsIgnoringCase(std::string_view text, std::string_view sought) {
    const auto equal = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    return std::search(text.begin(), text.end(), sought.begin(), sought.end(), equal) != text.end();
}

} // namespace

std::string GetField(std::string_view text, std::string_view delimiter, int n) {
    if (delimiter.empty() || !ContainsIgnoringCase(text, delimiter)) {
        return {};
    }
    std::string work(text);
    work += delimiter;
    std::size_t start = 0;
    for (int field = 1;; ++field) {
        const std::size_t end = work.find(delimiter, start);
        if (end == std::string::npos) {
            return {};
        }
        if (field == n) {
            return work.substr(start, end - start);
        }
        start = end + delimiter.size();
    }
}

std::string ExtensionWithDot(std::string_view name) {
    return "." + GetField(name, ".", CountOf(name, ".") + 1);
}

std::string FileNameOf(std::string_view path) {
    const std::string separator(1, kPathSeparator);
    return GetField(path, separator, CountOf(path, separator) + 1);
}

std::string NextSuffix(std::string_view s) {
    std::string head(s.empty() ? std::string_view{} : s.substr(0, s.size() - 1));
    char last = s.empty() ? 'a' : static_cast<char>(s.back() + 1);
    if (last == 'z' || last == 'Z') {
        head = head.empty() ? "a" : NextSuffix(head);
        last = 'a';
    }
    return head + last;
}

bool EntryExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::string ShownName(std::string_view name) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            shown += "\\\\";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            shown += "\\x";
            shown += kDigits[byte >> 4];
            shown += kDigits[byte & 0x0F];
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string UniqueFileName(const std::string& path,
                           const std::function<bool(const std::string&)>& usable) {
    // The extension is looked for in the file name only: a dot in a folder name must not send
    // the suffix into the folder, and a name without a dot keeps all its letters.
    const std::size_t slash = path.rfind(kPathSeparator);
    const std::string_view name =
        std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
    const std::string ext = name.find('.') == std::string_view::npos ? "" : ExtensionWithDot(name);
    const std::string base = path.substr(0, path.size() - ext.size());
    std::string candidate = path;
    std::string suffix;
    while (EntryExists(candidate) && !(usable && usable(candidate))) {
        suffix = NextSuffix(suffix);
        candidate = base + suffix + ext;
    }
    return candidate;
}

} // namespace kalvimo
