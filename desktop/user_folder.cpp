#include "desktop/user_folder.h"

#include <cstdlib>
#include <system_error>

namespace tamboro {

std::optional<std::filesystem::path> userFolder() {
    if (const char* dataHome = std::getenv("XDG_DATA_HOME"); dataHome && dataHome[0] == '/')
        return std::filesystem::path(dataHome) / "tamboro";
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return std::filesystem::path(home) / ".local" / "share" / "tamboro";
    return std::nullopt;
}

std::filesystem::path installedDataFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        return (program.parent_path() / TAMBORO_DATA_FROM_DESKTOP).lexically_normal();
    return std::filesystem::path(TAMBORO_INSTALL_DATADIR);
}

std::string prepareUserFolder(const std::filesystem::path& folder, const std::filesystem::path& installed) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        return folder.string() + ": " + error.message();
    for (const char* name : {"Samples", "Songs"}) {
        const std::filesystem::path mine = folder / name;
        if (std::filesystem::exists(mine, error))
            continue;
        // Copied under another name first, so that an interrupted copy is
        // made again at the next start instead of being taken as complete.
        const std::filesystem::path partial = folder / (std::string(".") + name + ".copying");
        std::filesystem::remove_all(partial, error);
        const std::filesystem::path theirs = installed / name;
        if (std::filesystem::is_directory(theirs, error))
            std::filesystem::copy(theirs, partial, std::filesystem::copy_options::recursive, error);
        else
            std::filesystem::create_directory(partial, error);
        if (!error)
            std::filesystem::rename(partial, mine, error);
        if (error) {
            std::error_code ignored;
            std::filesystem::remove_all(partial, ignored);
            return mine.string() + ": " + error.message();
        }
    }
    return {};
}

}  // namespace tamboro
