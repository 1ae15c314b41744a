// Text-to-number conversions of the option handlers.
//
// StrToInt / StrToInt64 / StrToFloat follow the platform conversion the
// options were designed for: decimal or hexadecimal with "$" or "0x", an
// optional sign, no trailing characters; failures raise EConvertError with
// "'%s' is not a valid integer value" or "'%s' is not a valid floating point
// value". CStrToL / CStrToD read a number prefix as the C library does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vidmorph {

std::optional<int64_t> TryStrToInt64(std::string_view text);
std::optional<int32_t> TryStrToInt(std::string_view text);
// Accepts "." and the decimal separator of the user's locale; no "inf"/"nan".
std::optional<double> TryStrToFloat(std::string_view text);

int32_t StrToInt(std::string_view text);
int64_t StrToInt64(std::string_view text);
double StrToFloat(std::string_view text);

// strtol with base 0 (decimal, "0x" hexadecimal, leading-zero octal) from
// `pos`; `pos` moves past what was read. No digits read gives 0.
long CStrToL(const std::string& text, std::size_t& pos);
// strtod in the "C" locale from `pos`; `pos` moves past what was read.
double CStrToD(const std::string& text, std::size_t& pos);

// Removes blanks and control characters at both ends.
std::string Trim(std::string_view text);

}  // namespace vidmorph
