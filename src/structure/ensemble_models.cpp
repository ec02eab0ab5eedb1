#include "structure/ensemble_models.h"

#include <algorithm>

namespace vexalith {

EnsembleModels::EnsembleModels(const std::vector<ColumnCode>& codes)
{
    const auto it = std::find(codes.begin(), codes.end(), ColumnCode::ModelNumber);
    if (it != codes.end())
        column_ = static_cast<std::size_t>(it - codes.begin());
}

int32_t EnsembleModels::model_of(const std::vector<std::string_view>& values)
{
    if (column_ >= values.size())
        return current_;
    const std::string_view id = values[column_];
    // Models come in runs of rows: the row before's model is the likely one.
    if (!ids_.empty() && ids_[static_cast<std::size_t>(current_ - 1)] == id)
        return current_;
    const auto it = std::find(ids_.begin(), ids_.end(), id);
    if (it == ids_.end()) {
        ids_.emplace_back(id);
        current_ = static_cast<int32_t>(ids_.size());
    } else {
        current_ = static_cast<int32_t>(it - ids_.begin()) + 1;
    }
    return current_;
}

}  // namespace vexalith
