#pragma once
// What opening, priming or starting the output came to. The engine only
// reports; the program chooses the words and where to say them. Any thread.

#include <cstdint>
#include <string>

namespace tamboro {

enum class OutputProblem {
    None,
    NoMixBuffer,     // the MixBuffer was never allocated: nothing may be rendered
    DeviceFailed,    // the device could not be opened or started; systemText says why
    PeriodTooLong,   // the device plays more than MaxPeriodFrames at a time (periodFrames)
    NoTransport,     // following the JACK transport, but the device is not JACK's
};

struct OutputResult {
    OutputProblem problem = OutputProblem::None;
    std::string systemText;      // the audio system's own words, for DeviceFailed
    uint32_t periodFrames = 0;   // the device's period, for PeriodTooLong

    bool ok() const { return problem == OutputProblem::None; }
};

}  // namespace tamboro
