#include "files/file_replacement.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tamboro {

namespace {

// Leaves room for the suffix within the usual 255-byte limit of a name.
constexpr size_t MaxBaseBytes = 200;

std::string temporaryName(const std::string& targetName, int attempt) {
    std::string name = ".";
    name.append(targetName, 0, std::min(targetName.size(), MaxBaseBytes));
    name += ".partial-";
    name += std::to_string(::getpid());
    name += '-';
    name += std::to_string(attempt);
    return name;
}

// Makes the rename itself durable; a failure here loses nothing that the
// rename has not already made visible, so it goes unreported.
void syncFolder(const std::filesystem::path& folder) {
    const std::filesystem::path name = folder.empty() ? std::filesystem::path(".") : folder;
    const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

int closeDescriptor(int fd) {
    // On Linux the descriptor is gone even when close reports EINTR.
    if (::close(fd) != 0 && errno != EINTR)
        return errno;
    return 0;
}

}  // namespace

std::filesystem::path followLinks(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error)))
        return path;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    return error ? path : resolved;
}

FileReplacement::~FileReplacement() {
    discard();
}

int FileReplacement::begin(const std::filesystem::path& target) {
    discard();
    target_ = followLinks(target);
    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT)
        return errno;  // a folder on the way that is a file, a name too long, ...
    if (exists && S_ISDIR(existing.st_mode))
        return EISDIR;
    if (exists && !S_ISREG(existing.st_mode)) {
        const int fd = ::open(target_.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            return errno;
        fd_ = fd;
        inPlace_ = true;
        return 0;
    }
    // A file we may not write to stays protected, as it would be in place.
    if (exists && ::access(target_.c_str(), W_OK) != 0)
        return errno;

    const std::filesystem::path folder = target_.parent_path();
    const std::string name = target_.filename().string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_ = folder / temporaryName(name, attempt);
        const int fd = ::open(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // The replacement keeps the permissions of the file it replaces.
            if (exists)
                ::fchmod(fd, existing.st_mode & 07777);
            fd_ = fd;
            return 0;
        }
        if (errno != EEXIST) {
            const int error = errno;
            temporary_.clear();
            return error;
        }
    }
    temporary_.clear();
    return EEXIST;
}

int FileReplacement::commit() {
    if (fd_ < 0)
        return EBADF;
    int error = 0;
    if (!inPlace_ && ::fsync(fd_) != 0)
        error = errno;
    const int closed = closeDescriptor(fd_);
    fd_ = -1;
    if (error == 0)
        error = closed;
    if (inPlace_) {
        inPlace_ = false;
        return error;
    }
    if (error == 0 && ::rename(temporary_.c_str(), target_.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary_.c_str());
    } else {
        syncFolder(target_.parent_path());
    }
    temporary_.clear();
    return error;
}

void FileReplacement::discard() {
    if (fd_ >= 0) {
        closeDescriptor(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    inPlace_ = false;
}

int probeReplacement(const std::filesystem::path& target) {
    FileReplacement probe;
    const int error = probe.begin(target);
    probe.discard();
    return error;
}

}  // namespace tamboro
