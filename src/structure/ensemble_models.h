// The models of an ensemble (an NMR structure, several models in one
// _atom_site loop), told apart by the loop's model column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "structure/cif_header.h"

namespace vexalith {

// Numbers the models of the rows of one loop, in the order their values
// first appear in the model column: the first value is model 1.  A row that
// lacks the column belongs to the model of the row before (model 1 at the
// start), as the other columns of a short row keep the row before's values.
class EnsembleModels {
public:
    explicit EnsembleModels(const std::vector<ColumnCode>& codes);

    // Whether the loop has a model column at all.
    bool has_column() const { return column_ != kNoColumn; }

    // How many leading values of a row model_of needs.
    std::size_t values_needed() const { return has_column() ? column_ + 1 : 0; }

    // The model (from 1) of the next row, given its leading values.
    int32_t model_of(const std::vector<std::string_view>& values);

    // The models met so far (at least 1).
    int32_t count() const { return ids_.empty() ? 1 : static_cast<int32_t>(ids_.size()); }

private:
    static constexpr std::size_t kNoColumn = std::numeric_limits<std::size_t>::max();

    std::size_t column_ = kNoColumn;
    std::vector<std::string> ids_;
    int32_t current_ = 1;
};

}  // namespace vexalith
