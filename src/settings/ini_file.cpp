#include "ini_file.h"

#include "file_writing.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace kalvimo {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// Where a key sits in the text, as byte offsets, so that a write can splice without touching
// anything else.
struct Location {
    bool sectionFound = false;
    bool keyFound = false;
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
    // End of the section's last entry line (or of its header), line break included.
    std::size_t sectionEnd = 0;
    bool sectionEndHasBreak = true;
};

Location Locate(std::string_view text, std::string_view section, std::string_view key) {
    Location location;
    bool inSection = false;
    std::size_t start = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    while (start < text.size()) {
        const std::size_t newline = text.find('\n', start);
        const bool hasBreak = newline != std::string_view::npos;
        const std::size_t end = hasBreak ? newline + 1 : text.size();
        std::size_t contentEnd = hasBreak ? newline : text.size();
        // No value holds a carriage return (none can be written), so every one before the line
        // feed is line end: a stray one left at the end of a file stays out of the value.
        while (contentEnd > start && text[contentEnd - 1] == '\r') {
            --contentEnd;
        }
        const std::string_view line = text.substr(start, contentEnd - start);
        const std::string_view trimmed = Trim(line);
        if (trimmed.starts_with('[')) {
            if (inSection) {
                break;
            }
            const std::string_view name = Trim(trimmed.substr(1, trimmed.find(']') - 1));
            if (EqualIgnoringCase(name, section)) {
                inSection = true;
                location.sectionFound = true;
                location.sectionEnd = end;
                location.sectionEndHasBreak = hasBreak;
            }
        } else if (const std::size_t equals = line.find('='); inSection && equals != line.npos) {
            location.sectionEnd = end;
            location.sectionEndHasBreak = hasBreak;
            if (EqualIgnoringCase(Trim(line.substr(0, equals)), key)) {
                const std::string_view rawValue = line.substr(equals + 1);
                const std::string_view value = Trim(rawValue);
                location.keyFound = true;
                location.valueBegin = start + equals + 1 + (value.data() - rawValue.data());
                location.valueEnd = location.valueBegin + value.size();
                return location;
            }
        }
        start = end;
    }
    return location;
}

std::optional<std::string> ReadFile(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        return std::nullopt;
    }
    std::ostringstream contents;
    contents << stream.rdbuf();
    if (stream.bad()) {
        return std::nullopt;
    }
    return std::move(contents).str();
}

// A new line takes the file's own line ending; a file without one gets LF.
std::string_view LineBreakOf(std::string_view text) {
    const std::size_t newline = text.find('\n');
    return newline != text.npos && newline > 0 && text[newline - 1] == '\r' ? "\r\n" : "\n";
}

bool WriteAll(int descriptor, std::string_view contents) {
    while (!contents.empty()) {
        const ssize_t written = ::write(descriptor, contents.data(), contents.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// text with the entry set, spliced in so that every other byte stays.
std::string WithValue(std::string text, std::string_view section, std::string_view key,
                      std::string_view value) {
    const std::string_view lineBreak = LineBreakOf(text);
    const std::string entry = std::string(key) + "=" + std::string(value);
    const Location location = Locate(text, section, key);
    if (location.keyFound) {
        text.replace(location.valueBegin, location.valueEnd - location.valueBegin, value);
    } else if (location.sectionFound) {
        std::string insertion = location.sectionEndHasBreak ? "" : std::string(lineBreak);
        insertion += entry;
        insertion += lineBreak;
        text.insert(location.sectionEnd, insertion);
    } else {
        const bool hasContent =
            text.size() > (text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0);
        if (hasContent && !text.ends_with('\n')) {
            text += lineBreak;
        }
        // A blank line keeps the sections apart for a human reader.
        if (hasContent && !text.ends_with(std::string(lineBreak) + std::string(lineBreak))) {
            text += lineBreak;
        }
        text += "[" + std::string(section) + "]";
        text += lineBreak;
        text += entry;
        text += lineBreak;
    }
    return text;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != text.npos;
}

} // namespace

std::string ReadIniValue(std::string_view section, std::string_view key, const fs::path& file) {
    const std::optional<std::string> text = ReadFile(file);
    if (!text) {
        return {};
    }
    const Location location = Locate(*text, Trim(section), Trim(key));
    if (!location.keyFound) {
        return {};
    }
    return text->substr(location.valueBegin, location.valueEnd - location.valueBegin);
}

bool WriteIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const fs::path& file) {
    section = Trim(section);
    key = Trim(key);
    if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) ||
        HasLineBreak(value) || section.find(']') != section.npos || key.find('=') != key.npos ||
        key.starts_with('[')) {
        return false;
    }

    // Through a symbolic link the link stays and its target is replaced.
    fs::path target = file;
    std::error_code error;
    if (fs::is_symlink(file, error)) {
        target = fs::canonical(file, error);
        if (error) {
            return false;
        }
    }

    std::string original;
    if (fs::exists(target, error)) {
        std::optional<std::string> existing = ReadFile(target);
        if (!existing || !fs::is_regular_file(target, error)) {
            return false;
        }
        original = std::move(*existing);
    } else if (error) {
        return false;
    }

    const std::string text = WithValue(original, section, key, value);
    // Most values are unchanged when the window closes; leave those files untouched.
    if (text == original) {
        return true;
    }
    // A crash or a full disk leaves either the old file or the new one, never a mix.
    return WriteFileInPlace(target.string(), ExistingEntry::Replace,
                            [&](int descriptor) { return WriteAll(descriptor, text); }) == 0;
}

} // namespace kalvimo
