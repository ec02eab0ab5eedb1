// Decimal separators.  Files always carry a full stop; a number read from a
// file may carry a full stop or a comma.  Nothing here depends on the
// process locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexalith {

// With to_comma every "." becomes ","; without, every "," becomes ".".
// Nothing else changes.
void replacedecimalsymbol(std::string& text, bool to_comma);

// The number conversion of every reader.  A reader normalises the text with
// replacedecimalsymbol(text, DecimalComma) and converts it with the separator
// that flag selects; under either flag a full stop and a comma are therefore
// both read as the decimal separator, which is what this function does
// directly.  Blanks around the number are ignored; a sign and an exponent are
// accepted.  Texts that are not a finite number ("?", "NaN", "Inf", "",
// "1.2.3", "1,234.5", 1e5000) give nothing.
std::optional<long double> text_to_float(std::string_view text);

// A whole decimal number in the 32-bit range, optional sign, blanks around
// ignored; anything else gives nothing.
std::optional<int32_t> text_to_int(std::string_view text);

}  // namespace vexalith
