#include "platform/system_output.h"

namespace tamboro {

int SystemOutput::deviceCount() {
    devices_.assign(1, Device{nullptr, 0, {}});
    found_.clear();
    for (OutputBackend* system : systems_) {
        size_t defaultDevice = 0;
        const std::vector<std::string> names = system->listDevices(defaultDevice);
        found_ += (found_.empty() ? "" : ", ") + system->found();
        if (!devices_[0].system && defaultDevice < names.size())
            devices_[0] = {system, defaultDevice, "Default output (" + names[defaultDevice] + ")"};
        for (size_t i = 0; i < names.size(); ++i)
            devices_.push_back({system, i, names[i]});
    }
    if (!devices_[0].system)
        devices_.clear();   // nothing to play on, not even a default
    return static_cast<int>(devices_.size());
}

std::string SystemOutput::deviceName(int index) {
    if (index < 0 || index >= static_cast<int>(devices_.size()))
        return {};
    return devices_[index].name;
}

bool SystemOutput::open(int index, LoopBuffer& loop, std::string& error) {
    close();
    if (devices_.empty())
        deviceCount();
    if (index < 0 || index >= static_cast<int>(devices_.size())) {
        error = "This output device is not available any more.";
        return false;
    }
    const Device& device = devices_[index];
    if (!device.system->open(device.index, loop, error))
        return false;
    open_ = device.system;
    loop_ = &loop;
    return true;
}

bool SystemOutput::start(std::string& error) {
    return open_ && open_->start(error);
}

void SystemOutput::close() {
    if (clockPortAttached_)
        clockPort_->detach();   // the Stop of a playback cut short goes before the sound ends
    clockPortAttached_ = false;
    if (open_)
        open_->close();
    open_ = nullptr;
    loop_ = nullptr;
}

bool SystemOutput::attachClockOutput(ClockOutput* output) {
    if (!open_)
        return false;
    if (clockPortAttached_)
        clockPort_->detach();
    clockPortAttached_ = false;
    const bool own = open_->attachClockOutput(output);
    if (own || !output || !clockPort_)
        return own;
    clockPortAttached_ = clockPort_->attach(*output, *loop_);
    return clockPortAttached_;
}

int SystemOutput::clockOutputListeners() {
    if (clockPortAttached_)
        return clockPort_->listeners();
    return open_ ? open_->clockOutputListeners() : -1;
}

std::string SystemOutput::clockOutputName() {
    if (clockPortAttached_)
        return clockPort_->name();
    return WaveOutput::clockOutputName();
}

}  // namespace tamboro
