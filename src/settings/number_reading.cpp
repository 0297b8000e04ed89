#include "number_reading.h"

#include "rounding.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kalvimo {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Walks text while skipping the blanks that may sit between the characters of a number.
class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) { SkipBlanks(); }

    char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

    void Advance() {
        ++pos_;
        SkipBlanks();
    }

    bool Take(char wanted) {
        if (Peek() != wanted) {
            return false;
        }
        Advance();
        return true;
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) {
            ++pos_;
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

int DigitValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return 99;
}

double ReadRadixDigits(Cursor& cursor, int radix) {
    double value = 0;
    for (int digit = DigitValue(cursor.Peek()); digit < radix; digit = DigitValue(cursor.Peek())) {
        value = value * radix + digit;
        cursor.Advance();
    }
    return value;
}

// Collects the decimal number without its blanks, then converts it locale-independently:
// the window toolkit sets the user's locale, under which strtod may expect a decimal comma.
double ReadDecimal(Cursor& cursor) {
    std::string number;
    while (IsDigit(cursor.Peek())) {
        number += cursor.Peek();
        cursor.Advance();
    }
    if (cursor.Take('.')) {
        number += '.';
        while (IsDigit(cursor.Peek())) {
            number += cursor.Peek();
            cursor.Advance();
        }
    }
    if (number.empty() || number == ".") {
        return 0;
    }
    bool negativeExponent = false;
    if (cursor.Peek() == 'e' || cursor.Peek() == 'E') {
        std::string exponent = "e";
        cursor.Advance();
        if (cursor.Peek() == '+' || cursor.Peek() == '-') {
            negativeExponent = cursor.Peek() == '-';
            exponent += cursor.Peek();
            cursor.Advance();
        }
        const std::size_t signLength = exponent.size();
        while (IsDigit(cursor.Peek())) {
            exponent += cursor.Peek();
            cursor.Advance();
        }
        // "1e" and "1e-" keep their mantissa: the exponent is simply absent.
        if (exponent.size() > signLength) {
            number += exponent;
        }
    }
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        return negativeExponent ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return value;
}

template <typename Int> Int RoundSaturating(double value) {
    constexpr auto kMin = static_cast<double>(std::numeric_limits<Int>::min());
    constexpr auto kMax = static_cast<double>(std::numeric_limits<Int>::max());
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<Int>(RoundHalfEven(std::clamp(value, kMin, kMax)));
}

} // namespace

double ReadLeadingNumber(std::string_view text) {
    Cursor cursor(text);
    bool negative = false;
    if (cursor.Peek() == '+' || cursor.Peek() == '-') {
        negative = cursor.Peek() == '-';
        cursor.Advance();
    }
    double value = 0;
    if (cursor.Take('&')) {
        if (cursor.Take('H') || cursor.Take('h')) {
            value = ReadRadixDigits(cursor, 16);
        } else if (cursor.Take('O') || cursor.Take('o')) {
            value = ReadRadixDigits(cursor, 8);
        }
    } else {
        value = ReadDecimal(cursor);
    }
    return negative ? -value : value;
}

std::int16_t RoundToInt16(double value) {
    return RoundSaturating<std::int16_t>(value);
}

std::int32_t RoundToInt32(double value) {
    return RoundSaturating<std::int32_t>(value);
}

} // namespace kalvimo
