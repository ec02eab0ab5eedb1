// Numbers in scene files: the scale from angstrom to model units and the two
// number formats.  Every number written to a scene file goes through these;
// none depends on the process locale.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "options/model_options.h"
#include "structure/structure.h"

namespace vexalith {

// What the scale depends on: the print size, the length unit and the
// structure's largest coordinate.
struct ModelScale {
    int32_t ModelSize = 100;      // millimetres
    int32_t VrmlUnit = 1;         // 1 millimetre, 1000 metre
    long double ModelExtent = 1;  // angstrom, at least 1
};

ModelScale model_scale(const ModelOptions& options, const Structure& structure);

// Angstrom to model units: the largest coordinate becomes ModelSize / 2
// millimetres, rounded (half to even) to 0.01 mm, expressed in the unit.
// Throws RangeError when the value does not fit the rounding.
long double ToModelUnits(long double x, const ModelScale& scale);

// A number's text, held in place: writing it allocates nothing.
class NumberText {
public:
    static constexpr std::size_t kCapacity = 48;

    std::string_view view() const { return {data_.data(), size_}; }
    operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }

    char* data() { return data_.data(); }
    void resize(std::size_t size) { size_ = size; }

private:
    std::array<char, kCapacity> data_{};
    std::size_t size_ = 0;
};

// The general number format: at most 15 significant digits, no trailing
// zeros; fixed notation from 0.0001 up to below 1e15, otherwise d.dddE-n.
NumberText general_text(long double value);
std::string general_number(long double value);

// The same format made from the correctly rounded 15 digits of every value.
// general_text() writes whole multiples of 0.00001 (model units, rounded
// angles) straight from their integer instead; the two always agree.
std::string general_number_from_digits(long double value);

// general_text(ToModelUnits(x, scale)), made from the whole number of
// 0.01 mm steps without dividing.
NumberText model_units_text(long double x, const ModelScale& scale);

// general_text(steps / 10^decimals) for a whole number of steps (decimals
// 0 to 5), written from the steps.
NumberText decimal_steps_text(long double steps, int decimals);

// The radius format: 5 decimals, right-aligned in 7 characters.  The text
// form takes values below 1e30 in size (throws RangeError beyond);
// radius_number() makes it from the correctly rounded digits of any value.
NumberText radius_text(long double value);
std::string radius_number(long double value);

}  // namespace vexalith
