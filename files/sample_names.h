#pragma once
// Turning a sample name from a song (relative to the Samples folder, with a
// backslash before a sub-folder) into a file on this system. Main thread.

#include <filesystem>
#include <optional>
#include <string_view>

namespace tamboro {

// The existing file that `name` names inside `folder`: each backslash (or
// slash) separates a sub-folder, and a part that does not exist with its
// exact case is matched without regard to case, so songs made on systems
// that ignore case still load. Names that would leave the folder ("..",
// absolute paths) and names that match nothing give no path.
std::optional<std::filesystem::path> resolveSampleName(const std::filesystem::path& folder,
                                                       std::string_view name);

}  // namespace tamboro
