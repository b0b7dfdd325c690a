#include "cli/program_paths.h"

#include <system_error>

namespace tamboro {

namespace {

std::filesystem::path besideThisProgram(const char* relative) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::path(".") : self.parent_path()) / relative;
}

}  // namespace

std::filesystem::path desktopProgramPath() {
    return besideThisProgram(TAMBORO_DESKTOP_FROM_BIN "/tamboro-desktop");
}

std::filesystem::path audioModulePath() {
    return besideThisProgram(TAMBORO_MODULE_FROM_BIN "/tamboro-audio.so");
}

}  // namespace tamboro
