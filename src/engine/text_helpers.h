#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kalvimo {

// The folder separator of this platform; AddBackslash adds this one, whatever its name says.
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

// The first of path, base + "a" + ext, base + "b" + ext, ... that names nothing at all (a folder,
// a link, even a dangling one, counts), or that usable accepts.
std::string UniqueFileName(const std::string& path,
                           const std::function<bool(const std::string&)>& usable = nullptr);

// True when something, of any kind, has the name path; a link is not followed.
bool EntryExists(const std::string& path);

// The name as one line of printable text: control characters and the backslash in C's escapes
// (\n, \t, \r, \\, else \xHH); every other byte as it is.
std::string ShownName(std::string_view name);

} // namespace kalvimo
