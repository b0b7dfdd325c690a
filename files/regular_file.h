#pragma once
// Opening a song or a sample for reading. Only a regular file is read: a
// named pipe with no writer, or a device, would make a plain open or read
// wait for ever, and a folder holds nothing to read. Main thread.

#include <sys/types.h>

#include <filesystem>

namespace tamboro {

// What a path that exists is.
enum class FileKind { Regular, Folder, NamedPipe, Device, Socket };

FileKind fileKindOf(mode_t mode);

// The kind of what `path` names (links followed); Regular when it names
// nothing the system can describe.
FileKind fileKindAt(const std::filesystem::path& path);

struct OpenedFile {
    int fd = -1;                        // a regular file, open for reading; -1 otherwise
    int systemError = 0;                // the errno when the open itself failed
    FileKind kind = FileKind::Regular;  // what the path is when it is not a regular file
};

// Opens `path` for reading without waiting on whatever it is (O_NONBLOCK),
// refuses anything but a regular file and gives that one back blocking, with
// close-on-exec. The caller closes the descriptor.
OpenedFile openRegularFile(const std::filesystem::path& path);

}  // namespace tamboro
