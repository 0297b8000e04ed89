#include "file_writing.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <signal.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace kalvimo {

namespace {

// ".kalvimo-<pid>-XXXXXX": the writer's process, so that a later run can tell an ended writer's
// leftover from a running one's.
constexpr std::string_view kTemporaryPrefix = ".kalvimo-";

mode_t NewFileMode() {
    // umask can only be read by setting it; do it once, before any other thread may write files.
    static const mode_t mode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

int Rename(const std::string& from, const std::string& to, ExistingEntry existing) {
    if (existing == ExistingEntry::Replace) {
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // File systems without the flag (FAT on a memory card): the nearest check there is.
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0) {
        return EEXIST;
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// The writer's process of a temporary's name, or 0 when the name is not one of ours.
pid_t WriterOf(std::string_view name) {
    if (!name.starts_with(kTemporaryPrefix)) {
        return 0;
    }
    name.remove_prefix(kTemporaryPrefix.size());
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (error != std::errc() || end == name.data() + name.size() || *end != '-' || pid <= 0) {
        return 0;
    }
    return pid;
}

struct DirectoryCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

} // namespace

int WriteFileInPlace(const std::string& path, ExistingEntry existing,
                     const std::function<bool(int descriptor)>& write) {
    std::string temporary =
        FolderOf(path) + std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    // Held until the descriptor closes: tells a cleaning run that this writer is alive.
    ::flock(fd, LOCK_EX);

    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    int error = ::fchmod(fd, replacing ? old.st_mode & 07777 : NewFileMode()) == 0 ? 0 : errno;
    if (error == 0 && !write(fd)) {
        error = ECANCELED;
    }
    if (error == 0 && replacing && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0) {
        error = Rename(temporary, path, existing);
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
    }
    return error;
}

void RemoveAbandonedTemporaries(const std::string& folder) {
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    const std::unique_ptr<DIR, DirectoryCloser> dir(
        ::opendir(prefix.empty() ? "." : prefix.c_str()));
    if (!dir) {
        return;
    }
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(dir.get())) {
        const pid_t writer = WriterOf(entry->d_name);
        if (writer == 0 || writer == self || ::kill(writer, 0) == 0 || errno != ESRCH) {
            continue;
        }
        const std::string path = prefix + entry->d_name;
        // The lock also covers a live writer that this process cannot see (another PID space).
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) {
            continue;
        }
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlink(path.c_str());
        }
        ::close(fd);
    }
}

std::optional<FolderIdentity> IdentityOf(const std::string& folder) {
    struct statx info {};
    if (::statx(AT_FDCWD, folder.c_str(), 0, STATX_TYPE | STATX_INO | STATX_BTIME, &info) != 0 ||
        !S_ISDIR(info.stx_mode)) {
        return std::nullopt;
    }
    FolderIdentity identity{makedev(info.stx_dev_major, info.stx_dev_minor), info.stx_ino};
    // Without a birth time, device and inode are all there is.
    if ((info.stx_mask & STATX_BTIME) != 0) {
        identity.bornSeconds = info.stx_btime.tv_sec;
        identity.bornNanoseconds = info.stx_btime.tv_nsec;
    }
    return identity;
}

} // namespace kalvimo
