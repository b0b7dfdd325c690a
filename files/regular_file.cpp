#include "files/regular_file.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tamboro {

FileKind fileKindOf(mode_t mode) {
    if (S_ISDIR(mode))
        return FileKind::Folder;
    if (S_ISFIFO(mode))
        return FileKind::NamedPipe;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return FileKind::Device;
    if (S_ISSOCK(mode))
        return FileKind::Socket;
    return FileKind::Regular;
}

FileKind fileKindAt(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? fileKindOf(info.st_mode) : FileKind::Regular;
}

OpenedFile openRegularFile(const std::filesystem::path& path) {
    OpenedFile opened;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        opened.systemError = errno;
        // A socket cannot be opened at all; say what it is rather than why.
        if (opened.systemError == ENXIO && fileKindAt(path) != FileKind::Regular) {
            opened.kind = fileKindAt(path);
            opened.systemError = 0;
        }
        return opened;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        opened.systemError = errno;
    } else if (!S_ISREG(info.st_mode)) {
        opened.kind = fileKindOf(info.st_mode);
    } else {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) {
            opened.fd = fd;
            return opened;
        }
        opened.systemError = errno;
    }
    ::close(fd);
    return opened;
}

}  // namespace tamboro
