#include "panel/panel_renderer.h"

#include <algorithm>
#include <string>

#include "files/stored_names.h"
#include "panel/panel_geometry.h"
#include "panel/sample_name_text.h"

namespace tamboro {

namespace {

constexpr QRgb BarOutline = qRgb(100, 120, 120);
constexpr QRgb BarInside = qRgb(0, 0, 0);
constexpr QRgb NameColour = qRgb(150, 150, 50);

// Green through yellow to red; each component is kept to a byte.
QRgb litColumnColour(int k) {
    if (k <= 25)
        return qRgb(static_cast<uint8_t>(50 + 4 * k), 150, 0);
    return qRgb(150, static_cast<uint8_t>(250 - 4 * k), 0);
}

// A display's text: its fixed zeros, then the number in decimal.
std::string withZeros(int zeros, int value) {
    std::string text(static_cast<size_t>(zeros), '0');
    text += std::to_string(value);
    return text;
}
std::string patternText(int currentPattern) { return withZeros(1, currentPattern + 1); }
std::string totalText(int songLength) { return withZeros(1, songLength / 16); }
std::string tempoText(int tempo) { return withZeros(tempo < 10 ? 2 : tempo < 100 ? 1 : 0, tempo); }

// The TEMPO thumb's position for a tempo, inside the slider.
int tempoThumb(int tempo) {
    return (std::clamp(tempo, int{MinTempo}, int{MaxTempo}) - MinTempo) / 2;
}
std::string shuffleText(int shuffle) { return withZeros(shuffle < 10 ? 2 : shuffle < 100 ? 1 : 0, shuffle); }

void copyWhole(PanelSurface& surface, PanelBitmap bitmap, QPoint to, QSize size) {
    surface.copy(bitmap, QRect(QPoint(0, 0), size), to);
}

bool stepIsSet(const SongState& song, int step, int channel) {
    const long index = (16L * song.currentPattern + step) * ChannelCount + channel;
    return index >= 0 && index < GridCells && song.stepGrid[static_cast<size_t>(index)] != 0;
}

}  // namespace

void paintPanel(PanelSurface& surface, const SongState& song) {
    surface.selectFont(surface.resources().font);
    copyWhole(surface, PanelBitmap::Top, {0, 0}, {PanelWidth, HeaderHeight});
    for (int c = 0; c < ChannelCount; ++c) {
        copyWhole(surface, PanelBitmap::Channel, {0, bandTop(c)}, {PanelWidth, StripHeight});
        drawKnob(surface, c, song.pitch[c]);
        drawStepRow(surface, song, c);
        drawLevelBar(surface, VolumeBarX, c, song.volume[c]);
        drawLevelBar(surface, DistortionBarX, c, song.distortion[c]);
        drawLevelBar(surface, OverdriveBarX, c, song.overdrive[c]);
        drawSampleName(surface, song, c);
    }
    drawPatternTotal(surface, song);
    drawLamps(surface, song);
    drawTempoShuffle(surface, song);
}

void drawKnob(PanelSurface& surface, int channel, int value) {
    surface.copy(PanelBitmap::TurnKnob, QRect(KnobSize * (value + MaxPitch), 0, KnobSize, KnobSize),
                 {KnobX, controlTop(channel)});
}

void drawLamps(PanelSurface& surface, const SongState& song) {
    const bool playing = isPlaying(song);
    copyWhole(surface, playing ? PanelBitmap::PlayB : PanelBitmap::PlayA, {PlayLampX, LampY},
              {LampWidth, LampHeight});
    copyWhole(surface, playing ? PanelBitmap::StopA : PanelBitmap::StopB, {StopLampX, LampY},
              {LampWidth, LampHeight});
}

void drawSlider(PanelSurface& surface, int x, int y, int position) {
    copyWhole(surface, PanelBitmap::Slider, {x, y}, {SliderWidth, SliderHeight});
    copyWhole(surface, PanelBitmap::SliderThumb, {x + position + 2, y + 1}, {ThumbWidth, ThumbHeight});
}

void drawDigits(PanelSurface& surface, int x, int y, std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch < '0' || ch > '9')
            continue;
        surface.copy(PanelBitmap::Digits, QRect(DigitWidth * (ch - '0'), 0, DigitWidth, DigitHeight),
                     {x + DigitPitch * static_cast<int>(i), y});
    }
}

void drawTempoShuffle(PanelSurface& surface, const SongState& song) {
    drawDigits(surface, SliderNumberX, TempoNumberY, tempoText(shownTempo(song)));
    drawDigits(surface, SliderNumberX, ShuffleNumberY, shuffleText(song.shuffle));
    drawSlider(surface, SliderX, TempoSliderY, tempoThumb(shownTempo(song)));
    drawSlider(surface, SliderX, ShuffleSliderY, song.shuffle);
}

void drawPatternTotal(PanelSurface& surface, const SongState& song) {
    for (const ArrowPair& pair : arrowPairs) {
        copyWhole(surface, PanelBitmap::LButton, {pair.leftX, pair.y}, {ArrowWidth, ArrowHeight});
        copyWhole(surface, PanelBitmap::RButton, {pair.rightX, pair.y}, {ArrowWidth, ArrowHeight});
    }
    const ArrowPair& pattern = arrowPairs[PatternArrows];
    const ArrowPair& total = arrowPairs[TotalArrows];
    drawDigits(surface, pattern.leftX + StepperDigitsDx, pattern.y + StepperDigitsDy,
               patternText(song.currentPattern));
    drawDigits(surface, total.leftX + StepperDigitsDx, total.y + StepperDigitsDy,
               totalText(song.songLength));
}

void drawStepRow(PanelSurface& surface, const SongState& song, int channel) {
    for (int s = 0; s < PatternSteps; ++s)
        drawStepButton(surface, song, s, channel);
}

void drawStepButton(PanelSurface& surface, const SongState& song, int step, int channel) {
    surface.copy(stepIsSet(song, step, channel) ? PanelBitmap::Button1B : PanelBitmap::Button1A,
                 QRect(0, 0, StepWidth, StepRowHeight), {StepPitch * step, bandTop(channel)});
}

void drawLevelBar(PanelSurface& surface, int left, int channel, int value) {
    const int top = controlTop(channel);
    // The box: a 1-pixel outline in the bar pen's colour around a black inside.
    surface.fill(QRect(left, top, BarWidth, BarHeight), BarOutline);
    surface.fill(QRect(left + 1, top + 1, BarWidth - 2, BarHeight - 2), BarInside);
    // Every other column lit, outline rows included; W is not clamped, the
    // image's edge cuts what lies beyond it.
    const int lit = (100 * value) / 64;
    for (int k = 0; 2 * k < lit && left + 2 * k < PanelWidth; ++k)
        surface.fill(QRect(left + 2 * k, top, 1, BarHeight), litColumnColour(k));
}

void drawSampleName(PanelSurface& surface, const SongState& song, int channel) {
    surface.drawText({NameX, controlTop(channel)}, sampleNameText(storedSampleName(song, channel)),
                     NameColour);
}

}  // namespace tamboro
