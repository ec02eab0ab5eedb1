// A file written in full or not at all: the bytes go to a temporary file in
// the destination's folder, which replaces the destination only when
// commit() succeeds.  A device or pipe (/dev/null) is written directly; a
// symbolic link keeps pointing to the file it names, which is replaced.  Until then an existing file of that name is
// untouched; a writer abandoned by an exception removes its temporary file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/text_output.h"

namespace vexalith {

class AtomicFile : public ByteSink {
public:
    // Creates the temporary file; throws InputOutputError when the folder
    // cannot take it.
    explicit AtomicFile(std::string destination);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile() override;

    void write(std::string_view bytes) override;

    // Flushes to disk and renames the temporary file over the destination.
    void commit();

    const std::string& destination() const { return destination_; }

private:
    std::string destination_;
    std::string target_;     // the file replaced: the destination, or where its link points
    std::string temporary_;  // empty when the destination is written directly
    int fd_ = -1;
    bool committed_ = false;
    uint64_t written_ = 0;  // bytes written
    uint64_t started_ = 0;  // bytes whose way to the disk has been started
};

// Copies a file byte for byte to `destination` through an AtomicFile.
void copy_file_atomically(const std::string& source, const std::string& destination);

}  // namespace vexalith
