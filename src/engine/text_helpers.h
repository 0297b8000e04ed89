#pragma once

#include <string>
#include <string_view>

namespace kalvimo {

// The folder separator of this platform; the helpers below keep their historical names.
inline constexpr char kPathSeparator = '/';

// path + separator unless path already ends with one.
std::string AddBackslash(std::string_view path);

// Occurrences of sought in text, overlapping ones included; case-sensitive.
int CountOf(std::string_view text, std::string_view sought);

// The n-th field (from 1) of text split at delimiter; "" when the delimiter (compared without
// regard to letter case) does not occur in text at all.
std::string GetField(std::string_view text, std::string_view delimiter, int n);

// "." + the text after the last "."; a lone "." when name has none.
std::string ExtensionWithDot(std::string_view name);

// The text after the last separator; "" when path has none.
std::string FileNameOf(std::string_view path);

// The letter suffix after s in the sequence a .. y, aa .. ay, ba .. yy, aaa ...
std::string NextSuffix(std::string_view s);

// The first of path, base + "a" + ext, base + "b" + ext, ... that names no existing ordinary file.
std::string UniqueFileName(const std::string& path);

// True when path names an existing ordinary file (folders and special files do not count).
bool OrdinaryFileExists(const std::string& path);

} // namespace kalvimo
