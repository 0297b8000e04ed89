#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kalvimo {

// True when name matches one of the semicolon-separated wildcard masks of pattern ("*" any run
// of characters, "?" one character), without regard to letter case. "*.*" matches every name.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// The ordinary files of folder whose names match pattern, in name order (letter case ignored).
// Empty when the folder cannot be read.
std::vector<std::string> ListMatchingFiles(const std::string& folder, std::string_view pattern);

} // namespace kalvimo
