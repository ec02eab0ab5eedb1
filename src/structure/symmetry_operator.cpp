#include "structure/symmetry_operator.h"

#include <cmath>
#include <cstdint>

namespace vexalith {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A non-negative number at text[pos]: digits with an optional decimal point,
// optionally "/ digits".  Exact for the fractions operations use.
std::optional<long double> read_number(std::string_view text, std::size_t& pos)
{
    const std::size_t start = pos;
    long double value = 0;
    bool digits = false;
    while (pos < text.size() && is_digit(text[pos])) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        digits = true;
    }
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        long double scale = 1;
        while (pos < text.size() && is_digit(text[pos])) {
            scale /= 10;
            value += (text[pos] - '0') * scale;
            ++pos;
            digits = true;
        }
    }
    if (!digits) {
        pos = start;
        return std::nullopt;
    }
    std::size_t p = pos;
    while (p < text.size() && text[p] == ' ')
        ++p;
    if (p < text.size() && text[p] == '/') {
        ++p;
        while (p < text.size() && text[p] == ' ')
            ++p;
        long double denominator = 0;
        bool denominator_digits = false;
        while (p < text.size() && is_digit(text[p])) {
            denominator = denominator * 10 + (text[p] - '0');
            ++p;
            denominator_digits = true;
        }
        if (!denominator_digits || denominator == 0)
            return std::nullopt;
        value /= denominator;
        pos = p;
    }
    return value;
}

int axis_of(char c)
{
    switch (c) {
    case 'x':
    case 'X':
        return 0;
    case 'y':
    case 'Y':
        return 1;
    case 'z':
    case 'Z':
        return 2;
    default:
        return -1;
    }
}

// One row of the operation: sum of terms "[+-] [number [*]] axis" or
// "[+-] number".
bool parse_row(std::string_view text, std::array<int, 3>& row, long double& constant, std::string& problem)
{
    row = {0, 0, 0};
    constant = 0;
    std::size_t pos = 0;
    bool any_term = false;
    const auto skip_blanks = [&] {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
            ++pos;
    };
    skip_blanks();
    while (pos < text.size()) {
        int sign = 1;
        bool signed_term = false;
        if (text[pos] == '+' || text[pos] == '-') {
            sign = text[pos] == '-' ? -1 : 1;
            signed_term = true;
            ++pos;
            skip_blanks();
        } else if (any_term) {
            problem = "'" + std::string(text.substr(pos, 1)) + "' where a + or - should join two terms";
            return false;
        }
        if (pos >= text.size()) {
            problem = "a sign without a term";
            return false;
        }
        const auto number = read_number(text, pos);
        skip_blanks();
        if (number && pos < text.size() && text[pos] == '*') {
            ++pos;
            skip_blanks();
        }
        if (pos < text.size() && axis_of(text[pos]) >= 0) {
            long double coefficient = number ? *number : 1;
            if (coefficient != std::floor(coefficient) || coefficient > 6) {
                problem = "a coefficient of " + std::string(1, text[pos]) + " that is not a small whole number";
                return false;
            }
            row[static_cast<std::size_t>(axis_of(text[pos]))] += sign * static_cast<int>(coefficient);
            ++pos;
        } else if (number) {
            constant += sign * *number;
        } else {
            problem = signed_term ? "a sign without a term"
                                  : "'" + std::string(text.substr(pos, 1)) + "' where x, y, z or a number should be";
            return false;
        }
        any_term = true;
        skip_blanks();
    }
    if (!any_term) {
        problem = "an empty coordinate";
        return false;
    }
    return true;
}

}  // namespace

Vec3 SymmetryOperator::apply(const Vec3& f) const
{
    Vec3 result = translation;
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t c = 0; c < 3; ++c)
            result[r] += rotation[r][c] * f[c];
    return result;
}

SymmetryOperator identity_operator()
{
    SymmetryOperator op;
    for (std::size_t i = 0; i < 3; ++i)
        op.rotation[i][i] = 1;
    return op;
}

std::optional<SymmetryOperator> parse_symmetry_operator(std::string_view text, std::string& problem)
{
    SymmetryOperator op;
    std::size_t start = 0;
    for (std::size_t row = 0; row < 3; ++row) {
        const std::size_t comma = text.find(',', start);
        if ((row < 2) != (comma != std::string_view::npos)) {
            problem = row < 2 ? "fewer than three coordinates" : "more than three coordinates";
            return std::nullopt;
        }
        const std::string_view part = text.substr(start, row < 2 ? comma - start : std::string_view::npos);
        if (!parse_row(part, op.rotation[row], op.translation[row], problem))
            return std::nullopt;
        start = comma + 1;
    }
    long double determinant = 0;
    const auto& m = op.rotation;
    determinant = static_cast<long double>(m[0][0]) * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                  static_cast<long double>(m[0][1]) * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                  static_cast<long double>(m[0][2]) * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (determinant != 1 && determinant != -1) {
        problem = "not a symmetry operation (its determinant is not 1 or -1)";
        return std::nullopt;
    }
    return op;
}

}  // namespace vexalith
