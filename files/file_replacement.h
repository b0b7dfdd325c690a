#pragma once
// Replacing a file so that its previous content survives every failure: the
// new bytes go into a temporary file created beside the target, which is
// synced, closed and renamed over the target only once it is complete. On
// any failure the temporary file is removed and the target is untouched.
// Song files and rendered WAV files are both written this way. Main thread.
//
// A target that is a link is followed: the file it leads to is replaced and
// the link stays. A target that exists and is not a regular file (a device
// such as /dev/null) has no content to keep and must not be swapped for a
// file, so it is written in place.

#include <filesystem>

namespace tamboro {

class FileReplacement {
public:
    FileReplacement() = default;
    ~FileReplacement();  // discards an unfinished replacement
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Opens the temporary file (read and write) beside `target`. An existing
    // target that we may not write to is refused, as writing it in place
    // would be. Returns 0 or the errno of the failure.
    int begin(const std::filesystem::path& target);

    // The open descriptor, or -1. It stays owned by this object.
    int descriptor() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }

    // Syncs and closes the file and renames it over the target. Returns 0 or
    // the errno of the step that failed; then nothing of it remains.
    int commit();

    // Closes and removes the temporary file; the target stays as it was.
    void discard();

private:
    int fd_ = -1;
    bool inPlace_ = false;
    std::filesystem::path target_;
    std::filesystem::path temporary_;
};

// The file that writing to `path` would change: `path` itself, or where its
// links lead.
std::filesystem::path followLinks(const std::filesystem::path& path);

// Whether a file can be created beside `target` (and an existing target be
// replaced), tried by creating and removing a temporary file there. Returns 0
// or the errno that writing would meet: a missing folder, a folder that is
// a file, no permission, a read-only file system, a name too long, or a
// target that is a folder.
int probeReplacement(const std::filesystem::path& target);

}  // namespace tamboro
