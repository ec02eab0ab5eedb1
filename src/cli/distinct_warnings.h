// The warnings of one conversion, each once: a file read again (for another
// structure, or for a change of helices) warns again of the same row.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace vexalith {

class DistinctWarnings {
public:
    // Keeps `message` and says true the first time it comes.
    bool add(std::string_view message)
    {
        if (std::find(messages_.begin(), messages_.end(), message) != messages_.end())
            return false;
        messages_.emplace_back(message);
        return true;
    }

    const std::vector<std::string>& messages() const { return messages_; }

private:
    std::vector<std::string> messages_;
};

}  // namespace vexalith
