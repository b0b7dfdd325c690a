#pragma once
// Turning a sample name from a song (relative to the Samples folder, with a
// backslash before a sub-folder) into a file on this system. Main thread.

#include <filesystem>
#include <optional>
#include <string_view>

#include "files/regular_file.h"

namespace tamboro {

// The existing file that `name` names inside `folder`. Each backslash (or
// slash) separates a sub-folder; every part but the last must name a folder
// and the last a regular file (a link to one counts as one). Each part is
// looked up:
//   1. as it stands, when an entry of that exact name and kind exists;
//   2. otherwise without regard to case (letters of Latin, Greek and
//      Cyrillic scripts are folded, see case_folding.h), so that songs made
//      on systems that ignore case still load. When several entries match,
//      the one whose name comes first in byte order is taken: "KICK.WAV"
//      before "Kick.wav" before "kick.wav". The choice does not depend on
//      the order in which the system lists the folder.
// A name that is not valid UTF-8 and is not found so is then looked up once
// more converted from Windows-1252 to UTF-8, as older systems stored names
// ("Caf\xE9.wav" finds "Café.wav").
// Names that would leave the folder (an absolute name, a "." or ".." part)
// and names that match nothing give no path. Any other character, ':'
// included, is part of the name. May throw std::bad_alloc.
std::optional<std::filesystem::path> resolveSampleName(const std::filesystem::path& folder,
                                                       std::string_view name);

// What a sample name gives that is not a regular file.
struct OtherEntry {
    std::filesystem::path path;
    FileKind kind = FileKind::Folder;
};

// For a name resolveSampleName finds no file for: the folder, named pipe,
// device or socket it gives instead, found by the same rules with any kind
// for its last part (exactly first, then without regard to case, the first
// in byte order), so that a sample can be reported as what it is rather than
// as missing. Nothing when the name gives nothing at all. May throw
// std::bad_alloc.
std::optional<OtherEntry> findOtherEntry(const std::filesystem::path& folder, std::string_view name);

}  // namespace tamboro
