#include "common/text_output.h"

namespace vexalith {

TextOutput::~TextOutput()
{
    try {
        flush();
    } catch (...) {
        // The owner reports write errors through flush(); a destructor must not throw.
    }
}

void TextOutput::flush()
{
    if (buffer_.empty())
        return;
    std::string pending;
    pending.swap(buffer_);
    sink_.write(pending);
    written_ += pending.size();
}

}  // namespace vexalith
