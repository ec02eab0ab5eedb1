#include "structure/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/error.h"

namespace vexalith {
namespace {

[[noreturn]] void fail(const std::string& path, const char* what, int error_number)
{
    std::string text = what;
    if (error_number != 0) {
        text += ": ";
        text += std::strerror(error_number);
    }
    throw InputOutputError(path, 0, text);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::string read_text_file(const std::string& path)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        fail(path, "cannot open the file", errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        fail(path, "cannot read the file", errno);
    if (S_ISDIR(info.st_mode))
        fail(path, "is a folder, not a file", 0);

    // A regular file is read straight into the text, without a bounce
    // buffer; a pipe or device is read in chunks until its end.  A file that
    // grows while it is read is read to its end all the same.
    std::string text;
    std::size_t filled = 0;
    if (S_ISREG(info.st_mode))
        text.resize(static_cast<std::size_t>(info.st_size) + 1);
    for (;;) {
        if (filled == text.size())
            text.resize(std::max<std::size_t>(2 * text.size(), 1 << 16));
        const ssize_t got = ::read(fd.get(), text.data() + filled, text.size() - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            fail(path, "cannot read the file", errno);
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    text.resize(filled);
    return text;
}

bool can_read_again(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode);
}

}  // namespace vexalith
