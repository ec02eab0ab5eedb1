#include "model/element_radii.h"

#include <array>

#include "structure/element_table.h"

namespace vexalith {
namespace {

struct RadiusColumns {
    std::array<long double, 110> covalent{};  // by 1-based row
    std::array<long double, 110> vdw{};
};

// The table's radius texts converted once; the table is constant.
const RadiusColumns& radius_columns()
{
    static const RadiusColumns columns = [] {
        RadiusColumns c;
        for (int row = 1; row <= static_cast<int>(ElementTable.size()); ++row) {
            c.covalent[static_cast<std::size_t>(row)] = ReadCovalentRadius(row);
            c.vdw[static_cast<std::size_t>(row)] = ReadVanDerWaalsRadius(row);
        }
        return c;
    }();
    return columns;
}

std::size_t row_or_carbon(std::string_view symbol)
{
    const int row = GetElementIndex(symbol);
    return static_cast<std::size_t>(row != 0 ? row : GetElementIndex("C"));
}

}  // namespace

long double GetCovalentRadius(std::string_view symbol) { return radius_columns().covalent[row_or_carbon(symbol)]; }

long double GetVanDerWaalsRadius(std::string_view symbol) { return radius_columns().vdw[row_or_carbon(symbol)]; }

bool occurs_in(std::string_view symbol, std::string_view text)
{
    return !symbol.empty() && text.find(symbol) != std::string_view::npos;
}

}  // namespace vexalith
