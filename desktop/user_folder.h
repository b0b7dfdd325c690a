#pragma once
// Where the installed program runs when it is started from the desktop's
// launcher: a Tamboro folder in the user's data folder that holds Samples and
// Songs, so that the user can add samples and save songs there. The first
// start copies the installed kit and demo songs into it; later starts leave
// whatever the user keeps there as it is. Main thread, before the window.

#include <filesystem>
#include <optional>
#include <string>

namespace tamboro {

// $XDG_DATA_HOME/tamboro, or ~/.local/share/tamboro when XDG_DATA_HOME is
// not set to an absolute path. Nothing when neither can be found.
std::optional<std::filesystem::path> userFolder();

// The installed kit and demo songs: share/tamboro of the installation the
// program belongs to.
std::filesystem::path installedDataFolder();

// Creates `folder` with Samples and Songs, copying each of the two from
// `installed` when `folder` does not have it yet; files already there are
// never replaced. Returns an empty string on success, else why it failed.
std::string prepareUserFolder(const std::filesystem::path& folder, const std::filesystem::path& installed);

}  // namespace tamboro
