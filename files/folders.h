#pragma once
// The two folders every file command works in, Samples and Songs, inside
// the folder the program was started from, and the state the open and save
// dialogs share: the folder they start in and the one file name they all
// start from. Main thread.

#include <filesystem>
#include <string>
#include <string_view>

namespace tamboro {

struct FileFolders {
    // The folder the program was started from; never changes afterwards.
    std::filesystem::path startFolder;
    // Where relative sample names are looked for: the last folder entered,
    // or startFolder when that folder did not exist.
    std::filesystem::path currentFolder;
    // The folder the next file dialog starts in; empty until a folder is entered.
    std::string dialogFolder;
    // What the last file dialog returned; the next dialog starts from it.
    std::string dialogPath;

    explicit FileFolders(std::filesystem::path start)
        : startFolder(std::move(start)), currentFolder(startFolder) {}
};

// Makes `name` (Samples or Songs) inside startFolder the current folder when
// it exists (else the current folder stays where it was) and the folder the
// next file dialog starts in.
void enterFolder(FileFolders& folders, std::string_view name);

// `path` with `extension` appended unless the extension already occurs
// somewhere in it (case-sensitively, anywhere, even in a folder's name):
// "beat" and "beat.SNG" get ".sng", "x.sng.old" and "a.sng/b" stay.
std::string withExtensionWhereMissing(std::string path, std::string_view extension);

}  // namespace tamboro
