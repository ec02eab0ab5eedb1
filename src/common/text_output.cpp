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
    // The buffer keeps its room for the next text; what could not be written
    // is dropped all the same.
    try {
        sink_.write(buffer_);
    } catch (...) {
        buffer_.clear();
        throw;
    }
    written_ += buffer_.size();
    buffer_.clear();
}

void TextOutput::write_through(std::string_view text)
{
    flush();
    sink_.write(text);
    written_ += text.size();
}

}  // namespace vexalith
