#include "common/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "common/error.h"
#include "common/file_names.h"

namespace vexalith {
namespace {

std::string folder_of(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

[[noreturn]] void fail(const std::string& file, const std::string& what, int error)
{
    throw InputOutputError(file, 0, what + ": " + std::strerror(error));
}

// Mode bits for the new file: those of the file it replaces, or what a plain
// creation would give under the current umask.
mode_t target_mode(const std::string& destination)
{
    struct stat st {};
    if (::stat(destination.c_str(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

AtomicFile::AtomicFile(std::string destination) : destination_(std::move(destination))
{
    struct stat st {};
    if (::stat(destination_.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw InputOutputError(destination_, 0, "is a folder, not a file");
    std::string name = file_name_part(destination_);
    std::string pattern = folder_of(destination_) + "/." + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    fd_ = ::mkstemp(buffer.data());
    if (fd_ < 0)
        fail(destination_, "cannot create a file in its folder", errno);
    temporary_.assign(buffer.data());
    ::fchmod(fd_, target_mode(destination_));
}

AtomicFile::~AtomicFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_ && !temporary_.empty())
        ::unlink(temporary_.c_str());
}

void AtomicFile::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(destination_, "cannot write", errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void AtomicFile::commit()
{
    if (::fsync(fd_) != 0 && errno != EINVAL)
        fail(destination_, "cannot write", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail(destination_, "cannot write", errno);
    if (::rename(temporary_.c_str(), destination_.c_str()) != 0)
        fail(destination_, "cannot replace the file", errno);
    committed_ = true;
}

void copy_file_atomically(const std::string& source, const std::string& destination)
{
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        fail(source, "cannot open", errno);
    try {
        AtomicFile out(destination);
        std::vector<char> buffer(1 << 20);
        for (;;) {
            const ssize_t n = ::read(in, buffer.data(), buffer.size());
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                fail(source, "cannot read", errno);
            }
            if (n == 0)
                break;
            out.write(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
        }
        out.commit();
    } catch (...) {
        ::close(in);
        throw;
    }
    ::close(in);
}

}  // namespace vexalith
