#include "settings_values.h"

#include "job_options.h"
#include "number_reading.h"

#include <algorithm>
#include <cctype>

namespace kalvimo {

bool ReadCheckValue(std::string_view text) {
    return RoundToInt16(ReadLeadingNumber(text)) != 0;
}

std::int16_t ReadAnchorValue(std::string_view text) {
    const std::int16_t anchor = RoundToInt16(ReadLeadingNumber(text));
    return anchor >= 0 && anchor <= kAnchorByContent ? anchor : JobOptions{}.anchor;
}

std::uint32_t ReadColourValue(std::string_view text) {
    return static_cast<std::uint32_t>(RoundToInt32(ReadLeadingNumber(text)));
}

std::int32_t ReadWholeValue(std::string_view text) {
    return RoundToInt32(ReadLeadingNumber(text));
}

std::string ColourText(std::uint32_t colour) {
    return std::to_string(static_cast<std::int32_t>(colour));
}

std::optional<std::size_t> FindTextIgnoringCase(const std::vector<std::string>& entries,
                                                std::string_view text) {
    const auto equal = [text](const std::string& entry) {
        return std::equal(entry.begin(), entry.end(), text.begin(), text.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    };
    const auto found = std::find_if(entries.begin(), entries.end(), equal);
    if (found == entries.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - entries.begin());
}

} // namespace kalvimo
