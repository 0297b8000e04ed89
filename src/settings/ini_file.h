#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kalvimo {

// One key of an INI file, read and written one at a time.
//
// Section and key names match without regard to ASCII letter case; a value is the text after the
// first "=", without surrounding blanks. Lines end in LF or CR LF. Entries before the first
// section header are ignored, and of duplicated sections or keys the first one counts. Text is
// UTF-8; a leading byte order mark is allowed and kept.

// The value, whole; "" when the file, the section or the key is missing.
std::string ReadIniValue(std::string_view section, std::string_view key,
                         const std::filesystem::path& file);

// Replaces the value of an existing entry in place, adds a missing entry after the last entry of
// its section and a missing section (and the file) at the end; every other byte stays as it was.
// The file is replaced atomically, so a failed write leaves the old file whole. False when the
// file cannot be read or written, or when a name or the value could not be stored on one line
// (a line break anywhere, "=" in the key, "]" in the section, an empty name).
bool WriteIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const std::filesystem::path& file);

} // namespace kalvimo
