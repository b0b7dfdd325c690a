#include "cli/audio_module.h"

#include <dlfcn.h>

#include "cli/program_paths.h"

namespace tamboro {

std::unique_ptr<AudioSystems> loadAudioSystems(std::string& error) {
    const std::string path = audioModulePath().string();
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* reason = dlerror();
        error = reason ? reason : path + ": cannot be loaded";
        return nullptr;
    }
    auto make = reinterpret_cast<MakeAudioSystems>(dlsym(module, MakeAudioSystemsSymbol));
    if (!make) {
        error = path + ": not Tamboro's audio module";
        return nullptr;
    }
    return std::unique_ptr<AudioSystems>(make());
}

}  // namespace tamboro
