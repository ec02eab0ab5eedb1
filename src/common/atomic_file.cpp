#include "common/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "common/file_names.h"

namespace vexalith {
namespace {

constexpr uint64_t kWriteBackStep = 8 << 20;

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

// The "Umask:" line of Linux's /proc/self/status, if there is one.
std::optional<mode_t> umask_from_proc()
{
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string status;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        status.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    constexpr std::string_view kTag = "\nUmask:\t";
    const std::size_t at = status.find(kTag);
    if (at == std::string::npos)
        return std::nullopt;
    const char* first = status.data() + at + kTag.size();
    unsigned value = 0;
    const auto [end, error] = std::from_chars(first, status.data() + status.size(), value, 8);
    if (error != std::errc() || end == first)
        return std::nullopt;
    return static_cast<mode_t>(value & 0777);
}

// The file creation mask.  Setting it and putting it back, the only portable
// way to learn it, changes it for every thread for a moment (a converter
// writes several files at once), so it is read where the system shows it.
mode_t current_umask()
{
    if (const auto mask = umask_from_proc())
        return *mask;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Mode bits for the new file: those of the file it replaces, or what a plain
// creation would give under the current umask.
mode_t target_mode(const std::string& destination)
{
    struct stat st {};
    if (::stat(destination.c_str(), &st) == 0)
        return st.st_mode & 07777;
    return 0666 & ~current_umask();
}

// The file a name stands for: a symbolic link is followed, so that the
// link stays and the file it points to is replaced.
std::string resolved(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    std::vector<char> buffer(PATH_MAX + 1);
    if (::realpath(path.c_str(), buffer.data()) == nullptr)
        return path;  // a dangling link: replaced like a missing file
    return buffer.data();
}

}  // namespace

AtomicFile::AtomicFile(std::string destination) : destination_(std::move(destination))
{
    struct stat st {};
    if (::stat(destination_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throw InputOutputError(destination_, 0, "is a folder, not a file");
        if (!S_ISREG(st.st_mode)) {
            // A device or a pipe (/dev/null, /dev/stdout) is written directly.
            fd_ = ::open(destination_.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd_ < 0)
                fail(destination_, "cannot open for writing", errno);
            return;
        }
    }
    const std::string target = resolved(destination_);
    std::string name = file_name_part(target);
    std::string pattern = folder_of(target) + "/." + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    fd_ = ::mkstemp(buffer.data());
    if (fd_ < 0)
        fail(destination_, "cannot create a file in its folder", errno);
    temporary_.assign(buffer.data());
    target_ = target;
    ::fchmod(fd_, target_mode(target));
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
        written_ += static_cast<uint64_t>(n);
    }
#ifdef __linux__
    // The disk starts on a large file while the rest is being made, so that
    // commit() waits for the last part only.  A failure shows in commit().
    if (!temporary_.empty() && written_ - started_ >= kWriteBackStep) {
        ::sync_file_range(fd_, static_cast<off_t>(started_), static_cast<off_t>(written_ - started_),
                          SYNC_FILE_RANGE_WRITE);
        started_ = written_;
    }
#endif
}

void AtomicFile::commit()
{
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS)
        fail(destination_, "cannot write", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail(destination_, "cannot write", errno);
    if (temporary_.empty()) {  // written directly
        committed_ = true;
        return;
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
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
