#pragma once
// Where everything sits on the front panel, in panel pixels: (0, 0) is the
// top left corner, x grows to the right and y downward. The renderer and the
// mouse input both read these numbers. Any thread (constants only).

#include <array>
#include <cstdint>

namespace tamboro {

inline constexpr int PanelWidth = 640;
inline constexpr int PanelHeight = 460;

inline constexpr int HeaderHeight = 60;
inline constexpr int BandHeight = 50;        // one channel: strip plus 10 black rows
inline constexpr int StripHeight = 40;       // the CHANNEL bitmap
inline constexpr int StepRowHeight = 22;     // rows 0..21 of a band; controlRow below

// Top row of Channel c's band.
constexpr int bandTop(int channel) { return HeaderHeight + BandHeight * channel; }
// Top row of the bars, the knob and the name of Channel c.
constexpr int controlTop(int channel) { return bandTop(channel) + StepRowHeight; }

// Step buttons: 36 x 22, one every 38 pixels.
inline constexpr int StepPitch = 38;
inline constexpr int StepWidth = 36;

// The two steppers: x of the left arrow, x of the right arrow, y of both.
struct ArrowPair {
    int16_t leftX;
    int16_t rightX;
    int16_t y;
};
inline constexpr std::array<ArrowPair, 2> arrowPairs{{{80, 130, 5}, {80, 130, 32}}};
inline constexpr int PatternArrows = 0;
inline constexpr int TotalArrows = 1;
inline constexpr int ArrowWidth = 26;
inline constexpr int ArrowHeight = 24;
// A stepper's number sits right of its left arrow, 5 rows down.
inline constexpr int StepperDigitsDx = 28;
inline constexpr int StepperDigitsDy = 5;

// Digit cells of DIGZIFF1, drawn every 10 pixels.
inline constexpr int DigitWidth = 9;
inline constexpr int DigitHeight = 14;
inline constexpr int DigitPitch = 10;

// TEMPO and SHUFFLE: track, thumb and numbers.
inline constexpr int SliderX = 250;
inline constexpr int TempoSliderY = 3;
inline constexpr int ShuffleSliderY = 31;
inline constexpr int SliderWidth = 151;
inline constexpr int SliderHeight = 27;
inline constexpr int ThumbWidth = 20;
inline constexpr int ThumbHeight = 25;
inline constexpr int SliderNumberX = 406;
inline constexpr int TempoNumberY = 8;
inline constexpr int ShuffleNumberY = 36;
inline constexpr int SliderZeroX = 260;      // the pointer x that sets 0
inline constexpr int SliderSteps = 129;

// Lamps.
inline constexpr int PlayLampX = 470;
inline constexpr int StopLampX = 550;
inline constexpr int LampY = 13;
inline constexpr int LampWidth = 76;
inline constexpr int LampHeight = 37;

// Level bars: box 100 x 16 at these x, one lit column every 2 pixels.
inline constexpr int VolumeBarX = 30;
inline constexpr int DistortionBarX = 166;
inline constexpr int OverdriveBarX = 300;
inline constexpr int BarWidth = 100;
inline constexpr int BarHeight = 16;

// PCH knob: one 17 x 17 frame of TURNKNOB.
inline constexpr int KnobX = 440;
inline constexpr int KnobSize = 17;
inline constexpr int KnobHitRight = 457;

// Sample name: its text's top left corner.
inline constexpr int NameX = 466;

}  // namespace tamboro
