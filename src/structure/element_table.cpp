#include "structure/element_table.h"

#include <cstdint>
#include <stdexcept>

#include "structure/decimal_symbol.h"

namespace vexalith {

// Colour texts keep their exact spacing: it is part of the scene files.
const std::array<ElementRow, 109> ElementTable{{
    {"H", "1  1  1", "0.38", "1.2"},
    {"HE", "0.439  0.859  0.577", "0.32", "1.4"},
    {"LI", "0.75  0.75  0.75", "1.34", "1.82"},
    {"BE", "0.75  0.75  0.75", "1.12", "1.53"},
    {"B", "0.737  0.561  0.561", "0.82", "1.92"},
    {"C", "0.45  0.45  0.45", "0.77", "1.70"},
    {"N", "0.2  0.2  0.8", "0.75", "1.55"},
    {"O", "1 0  0", "0.73", "1.52"},
    {"F", "0.6  0.8  0.196", "0.71", "1.47"},
    {"NE", "0.439  0.859  0.577", "0.69", "1.54"},
    {"NA", "1  1  0", "1.54", "2.27"},
    {"MG", "0.75  0.75  0.75", "1.30", "1.73"},
    {"AL", "0.75  0.75  0.75", "1.18", "1.84"},
    {"SI", "0.737  0.561  0.561", "1.11", "2.1"},
    {"P", "1 0.5  0", "1.06", "1.8"},
    {"S", "1  1  0", "1.02", "1.8"},
    {"CL", "0.439  0.859  0.576", "0.99", "1.75"},
    {"AR", "0.439  0.859  0.576", "0.97", "1.88"},
    {"K", "0.6  0.196 0.8", "1.96", "2.75"},
    {"CA", "0.75  0.75  0.75", "1.74", "2.31"},
    {"SC", "0.75  0.75  0.75", "1.44", "2.11"},
    {"TI", "0.9  0.91  0.98", "1.36", "2.27"},
    {"V", "0.749  0.8471  0.8471", "1.25", "2.13"},
    {"CR", "0  1  0", "1.27", "2.15"},
    {"MN", "0.859  0.439  0.859", "1.39", "2.15"},
    {"FE", "1  0.5  0", "1.25", "2.14"},
    {"CO", "0.439  0.859  0.577", "1.26", "2.03"},
    {"NI", "0.196  0.8  0.6", "1.21", "1.63"},
    {"CU", "0.85  0.53  0.1", "1.38", "1.40"},
    {"ZN", "0.647  0.165  0.165", "1.31", "1.39"},
    {"GA", "0.737  0.561  0.561", "1.26", "1.87"},
    {"GE", "0.737  0.561  0.561", "1.22", "2.11"},
    {"AS", "0.737  0.561  0.561", "1.19", "1.85"},
    {"SE", "0.82  0.57  0.46", "1.16", "1.9"},
    {"BR", "0.647  0.165  0.165", "1.14", "1.85"},
    {"KR", "0.737  0.561  0.561", "1.10", "2.02"},
    {"RB", "0.75  0.75  0.75", "2.11", "3.03"},
    {"SR", "0.75  0.75  0.75", "1.92", "2.49"},
    {"Y", "0.75  0.75  0.75", "1.80", "2.58"},
    {"ZR", "0.75  0.75  0.75", "1.60", "2.36"},
    {"NB", "0.75  0.75  0.75", "1.47", "2.28"},
    {"MO", "0.75  0.75  0.75", "1.4", "2.27"},
    {"TC", "0.75  0.75  0.75", "1.35", "2.15"},
    {"RU", "0.859  0.439  0.859", "1.45", "2.3"},
    {"RH", "0.737  0.561  0.561", "1.45", "2.25"},
    {"PD", "0.859  0.859  0.439", "1.5", "2.3"},
    {"AG", "0.9  0.91  0.98", "1.44", "2.39"},
    {"CD", "0.75  0.75  0.75", "1.52", "2.49"},
    {"IN", "0.737  0.561  0.561", "1.67", "2.43"},
    {"SN", "0.9  0.91  0.98", "1.58", "2.26"},
    {"SB", "0.918  0.678  0.918", "1.41", "2.26"},
    {"TE", "0.81  0.71  0.23", "1.37", "2.06"},
    {"I", "0.624  0.373  0.624", "1.33", "1.98"},
    {"XE", "0.737  0.561  0.561", "1.5", "2.16"},
    {"CS", "0.75  0.75  0.75", "2.25", "3.43"},
    {"BA", "0.75  0.75  0.75", "1.98", "2.68"},
    {"LA", "0.75  0.75  0.75", "1.88", "2.67"},
    {"CE", "0.75  0.75  0.75", "1.85", "2.63"},
    {"PR", "0.75  0.75  0.75", "1.82", "2.62"},
    {"ND", "0.75  0.75  0.75", "1.81", "2.61"},
    {"PM", "0.75  0.75  0.75", "1.81", "2.6"},
    {"SM", "0.75  0.75  0.75", "1.80", "2.6"},
    {"EU", "0.75  0.75  0.75", "2.00", "2.79"},
    {"GD", "0.196  0.6  0.8", "1.75", "2.59"},
    {"TB", "0.75  0.75  0.75", "1.76", "2.56"},
    {"DY", "0.75  0.75  0.75", "1.75", "2.55"},
    {"HO", "0.75  0.75  0.75", "1.74", "2.54"},
    {"ER", "0.75  0.75  0.75", "1.73", "2.53"},
    {"TM", "0.75  0.75  0.75", "1.72", "2.52"},
    {"YB", "0.75  0.75  0.75", "1.94", "2.74"},
    {"LU", "0.75  0.75  0.75", "1.71", "2.52"},
    {"HF", "0.75  0.75  0.75", "1.57", "2.37"},
    {"TA", "0.75  0.75  0.75", "1.47", "2.23"},
    {"W", "0.75  0.75  0.75", "1.41", "2.17"},
    {"RE", "0.75  0.75  0.75", "1.37", "2.15"},
    {"OS", "0.918 0.678  0.919", "1.47", "2.17"},
    {"IR", "0.96 0.8  0.69", "1.42", "2.12"},
    {"PT", "0.918  0.678  0.918", "1.28", "1.75"},
    {"AU", "0.81  0.71 0.23", "1.44", "1.66"},
    {"HG", "1  0.498 0", "1.49", "1.55"},
    {"TL", "0.196  0.8  0.6", "1.48", "1.96"},
    {"PB", "0.75  0.75  0.75", "1.47", "2.02"},
    {"BI", "0.75  0.75  0.75", "1.46", "2.07"},
    {"PO", "0.737  0.561  0.561", "1.60", "1.97"},
    {"AT", "0.737  0.561  0.561", "1.60", "2.02"},
    {"RN", "0.737  0.561  0.561", "1.45", "2.20"},
    {"FR", "0.75  0.75  0.75", "2.7", "3.48"},
    {"RA", "0.75  0.75  0.75", "2.15", "2.83"},
    {"AC", "0.75  0.75  0.75", "1.8", "2.68"},
    {"TH", "0.75  0.75  0.75", "1.85", "2.59"},
    {"PA", "0.75  0.75  0.75", "1.8", "2.41"},
    {"U", "1  1  0", "1.8", "2.41"},
    {"NP", "0.75  0.75  0.75", "1.8", "2.38"},
    {"PU", "0.75  0.75  0.75", "1.8", "2.33"},
    {"AM", "0.75  0.75  0.75", "1.8", "2.33"},
    {"CM", "0.75  0.75  0.75", "1.8", "2.33"},
    {"BK", "0.75  0.75  0.75", "1.8", "2.33"},
    {"CF", "0.75  0.75  0.75", "1.8", "2.33"},
    {"ES", "0.75  0.75  0.75", "1.8", "2.33"},
    {"FM", "0.75  0.75  0.75", "1.8", "2.33"},
    {"MD", "0.75  0.75  0.75", "1.8", "2.33"},
    {"NO", "0.75  0.75  0.75", "1.8", "2.33"},
    {"LR", "0.75  0.75  0.75", "1.8", "2.33"},
    {"RF", "0.75  0.75  0.75", "1.8", "2.33"},
    {"HA", "0.75  0.75  0.75", "1.8", "2.33"},
    {"CT", "1  1  1", "0.77", "1.7"},
    {"D", "0.8  0.8  1", "0.40", "1.2"},
    {"HX", "0.2  0.4  0.6", "1.0", "1.0"},
    {"Q", "1  0.43  0.78", "0.5", "0.5"},
}};

const ElementRow& element_row(int row)
{
    if (row < 1 || row > static_cast<int>(ElementTable.size()))
        throw std::out_of_range("element row out of range");
    return ElementTable[static_cast<std::size_t>(row - 1)];
}

namespace {

// Every symbol of the table is one or two upper-case letters, so a symbol
// is looked up by its letters instead of comparing it with every row.
constexpr std::size_t kNoKey = 26 * 27;

std::size_t symbol_key(std::string_view symbol)
{
    const auto letter = [](char c) { return c >= 'A' && c <= 'Z'; };
    if (symbol.empty() || symbol.size() > 2 || !letter(symbol[0]) || (symbol.size() == 2 && !letter(symbol[1])))
        return kNoKey;
    const auto first = static_cast<std::size_t>(symbol[0] - 'A');
    const auto second = symbol.size() == 2 ? static_cast<std::size_t>(symbol[1] - 'A') + 1 : 0;
    return first * 27 + second;
}

// The first row of every key, 0 for none.
const std::array<uint8_t, kNoKey + 1>& rows_by_key()
{
    static const std::array<uint8_t, kNoKey + 1> rows = [] {
        std::array<uint8_t, kNoKey + 1> table{};
        for (std::size_t i = ElementTable.size(); i-- > 0;) {
            const std::size_t key = symbol_key(ElementTable[i].symbol);
            if (key == kNoKey)
                throw std::logic_error("element table symbol is not one or two capital letters");
            table[key] = static_cast<uint8_t>(i + 1);
        }
        return table;
    }();
    return rows;
}

}  // namespace

bool is_known_symbol(std::string_view symbol)
{
    const int row = GetElementIndex(symbol);
    return row >= 1 && row <= ElementCount;
}

int GetElementIndex(std::string_view symbol) { return rows_by_key()[symbol_key(symbol)]; }

namespace {

long double radius_value(std::string_view text)
{
    // The table's texts are valid numbers; a failure here is a broken table.
    const auto value = text_to_float(text);
    if (!value)
        throw std::logic_error("element table radius is not a number");
    return *value;
}

}  // namespace

long double ReadCovalentRadius(int row) { return radius_value(element_row(row).covalent_radius); }

long double ReadVanDerWaalsRadius(int row) { return radius_value(element_row(row).vdw_radius); }

}  // namespace vexalith
