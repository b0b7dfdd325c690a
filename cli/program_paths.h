#pragma once
// Where the command finds the desktop program and the audio module: beside
// itself, by the same relative paths in the build tree and where it is
// installed (CMakeLists.txt lays them out so). Main thread.

#include <filesystem>

namespace tamboro {

std::filesystem::path desktopProgramPath();
std::filesystem::path audioModulePath();

}  // namespace tamboro
