#include "structure/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

    std::string text;
    if (S_ISREG(info.st_mode))
        text.reserve(static_cast<std::size_t>(info.st_size));
    char chunk[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            fail(path, "cannot read the file", errno);
        }
        if (got == 0)
            break;
        text.append(chunk, static_cast<std::size_t>(got));
    }
    return text;
}

}  // namespace vexalith
