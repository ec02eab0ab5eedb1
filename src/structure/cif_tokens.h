// Splitting one row of a CIF loop into its values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexalith {

// Splits rows into tokens.  Tabs count as blanks.  Every parenthesised group
// outside quotes is dropped first ("0.1234(5)" gives "0.1234", "Ru(1)" gives
// "Ru").  A value in single or double quotes is one token without its quotes;
// the quote closes only where it is followed by a blank or the line end, so
// "H5' " and 'N A' stay whole.  The views stay valid until the next split().
class RowSplitter {
public:
    const std::vector<std::string_view>& split(std::string_view line);

    // Only the first `wanted` tokens (fewer when the row has fewer), for a
    // reader that uses no later column: they are the same as split() gives.
    const std::vector<std::string_view>& split_first(std::string_view line, std::size_t wanted);

    // The same split done the general way, copying the row with its tabs
    // made blanks and its parenthesised groups dropped.  split() hands the
    // rows it cannot take as views to this.  It stops after `most` tokens,
    // so that a huge row keeps no view of every value.
    const std::vector<std::string_view>& split_general(std::string_view line,
                                                       std::size_t most = static_cast<std::size_t>(-1));

private:
    const std::vector<std::string_view>& first_of_general(std::string_view line, std::size_t wanted);

    std::string scratch_;
    std::vector<std::string_view> tokens_;
};

// The first blank-separated word of a line (a tag on a tag line).
std::string_view first_word(std::string_view line);

// The line without its leading blanks and tabs.
std::string_view trim_left(std::string_view line);

}  // namespace vexalith
