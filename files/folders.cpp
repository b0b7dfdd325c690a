#include "files/folders.h"

#include <system_error>

namespace tamboro {

void enterFolder(FileFolders& folders, std::string_view name) {
    const std::filesystem::path folder = folders.startFolder / name;
    std::error_code error;
    folders.currentFolder = std::filesystem::is_directory(folder, error) ? folder : folders.startFolder;
    folders.dialogFolder = folder.string();
}

std::string withExtensionWhereMissing(std::string path, std::string_view extension) {
    if (path.find(extension) == std::string::npos)
        path += extension;
    return path;
}

}  // namespace tamboro
