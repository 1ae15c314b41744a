#include "conversions.h"

#include <cctype>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <locale.h>

#include "exceptions.h"

namespace vidmorph {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Reads [blanks] [sign] ("$" | "0x" | "x")? digits to the end of the text.
// Hexadecimal values may use the full unsigned width and wrap into the signed
// type, as the platform conversion does ("$FFFFFFFF" is -1).
template <typename T>
std::optional<T> ParseInteger(std::string_view s) {
    using U = std::make_unsigned_t<T>;
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    } else if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
        base = 16;
        ++i;
    }
    if (i >= s.size()) return std::nullopt;
    U value = 0;
    const auto [end, ec] = std::from_chars(s.data() + i, s.data() + s.size(), value, base);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    if (base == 10) {
        const U limit = negative ? U(std::numeric_limits<T>::max()) + 1 : U(std::numeric_limits<T>::max());
        if (value > limit) return std::nullopt;
    }
    const T signedValue = static_cast<T>(value);
    return negative ? static_cast<T>(U(0) - U(signedValue)) : signedValue;
}

}  // namespace

std::optional<int64_t> TryStrToInt64(std::string_view text) { return ParseInteger<int64_t>(text); }
std::optional<int32_t> TryStrToInt(std::string_view text) { return ParseInteger<int32_t>(text); }

std::optional<double> TryStrToFloat(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    const char* localeSep = std::localeconv()->decimal_point;
    const char sep = (localeSep && localeSep[0] && !localeSep[1]) ? localeSep[0] : '.';

    // [sign] digits [sep digits] [(e|E) [sign] digits], at least one mantissa digit.
    std::string normal;
    std::size_t i = b;
    if (i < e && (text[i] == '+' || text[i] == '-')) normal += text[i++];
    std::size_t digits = 0;
    while (i < e && std::isdigit(static_cast<unsigned char>(text[i]))) normal += text[i++], ++digits;
    if (i < e && (text[i] == '.' || text[i] == sep)) {
        normal += '.';
        ++i;
        while (i < e && std::isdigit(static_cast<unsigned char>(text[i]))) normal += text[i++], ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < e && (text[i] == 'e' || text[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < e && (text[i] == '+' || text[i] == '-')) normal += text[i++];
        std::size_t expDigits = 0;
        while (i < e && std::isdigit(static_cast<unsigned char>(text[i]))) normal += text[i++], ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (i != e) return std::nullopt;
    const char* first = normal.c_str();
    if (*first == '+') ++first;
    double value = 0;
    const auto [end, ec] = std::from_chars(first, normal.c_str() + normal.size(), value);
    if (ec != std::errc() || end != normal.c_str() + normal.size()) return std::nullopt;
    return value;
}

int32_t StrToInt(std::string_view text) {
    if (auto v = TryStrToInt(text)) return *v;
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

int64_t StrToInt64(std::string_view text) {
    if (auto v = TryStrToInt64(text)) return *v;
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

double StrToFloat(std::string_view text) {
    if (auto v = TryStrToFloat(text)) return *v;
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
}

long CStrToL(const std::string& text, std::size_t& pos) {
    if (pos >= text.size()) return 0;
    const char* start = text.c_str() + pos;
    char* end = nullptr;
    const long v = std::strtol(start, &end, 0);
    pos += static_cast<std::size_t>(end - start);
    return v;
}

double CStrToD(const std::string& text, std::size_t& pos) {
    if (pos >= text.size()) return 0.0;
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const char* start = text.c_str() + pos;
    char* end = nullptr;
    const double v = strtod_l(start, &end, cLocale);
    pos += static_cast<std::size_t>(end - start);
    return v;
}

std::string Trim(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return std::string(text.substr(b, e - b));
}

}  // namespace vidmorph
