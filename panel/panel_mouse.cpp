#include "panel/panel_mouse.h"

#include <algorithm>

#include "engine/mixer.h"
#include "panel/panel_geometry.h"
#include "panel/panel_renderer.h"

namespace tamboro {

namespace {

bool within(int value, int low, int high) { return value >= low && value <= high; }

bool inArrow(int x, int y, int arrowX, int arrowY) {
    return within(x, arrowX, arrowX + ArrowWidth - 1) && within(y, arrowY, arrowY + ArrowHeight - 1);
}

bool inBar(int x, int left) { return within(x, left, left + BarWidth); }

bool inLamp(int x, int y, int lampX) {
    return within(x, lampX, lampX + LampWidth - 1) && within(y, LampY, LampY + LampHeight - 1);
}

bool inSlider(int x, int y, int sliderY) {
    return within(x, SliderX, SliderX + SliderWidth - 1) && within(y, sliderY, sliderY + SliderHeight - 1);
}

// Pointer x to slider position 0..129.
int sliderPosition(int x) { return std::clamp(x - SliderZeroX, 0, SliderSteps); }

// Pointer x to level 0..64 inside a bar's zone.
int16_t barLevel(int x, int left) { return static_cast<int16_t>(((x - left) * MaxLevel) / BarWidth); }

void turnKnob(PanelInput& input, PanelSurface& surface, int y) {
    PanelDrag& drag = input.drag;
    const int channel = drag.pitchDragChannel;
    int16_t& pitch = input.song.pitch[static_cast<size_t>(channel)];
    const int diff = drag.pitchDragAnchorY - y;  // positive when the pointer moved up
    // The limit holds only in the direction of the movement.
    if (diff < 0)
        pitch = static_cast<int16_t>(std::max(pitch + diff, -static_cast<int>(MaxPitch)));
    else if (diff > 0)
        pitch = static_cast<int16_t>(std::min(pitch + diff, static_cast<int>(MaxPitch)));
    drawKnob(surface, channel, pitch);
    drag.pitchDragAnchorY = y;
}

// Returns true when an arrow was hit.
bool handleArrows(SongState& song, PanelSurface& surface, int x, int y) {
    const ArrowPair& pattern = arrowPairs[PatternArrows];
    const ArrowPair& total = arrowPairs[TotalArrows];
    bool patternHit = false;
    if (inArrow(x, y, pattern.leftX, pattern.y)) {
        if (song.currentPattern > 0)
            --song.currentPattern;
        patternHit = true;
    } else if (inArrow(x, y, pattern.rightX, pattern.y)) {
        if (song.currentPattern < PatternCount - 1)
            ++song.currentPattern;
        patternHit = true;
    } else if (inArrow(x, y, total.leftX, total.y)) {
        if (song.songLength > PatternSteps)
            song.songLength = static_cast<int16_t>(song.songLength - PatternSteps);
    } else if (inArrow(x, y, total.rightX, total.y)) {
        if (song.songLength < GridSteps)
            song.songLength = static_cast<int16_t>(song.songLength + PatternSteps);
    } else {
        return false;
    }
    // Redrawn also when the value stood at its limit.
    drawPatternTotal(surface, song);
    if (patternHit)
        for (int c = 0; c < ChannelCount; ++c)
            drawStepRow(surface, song, c);
    return true;
}

void handleHeader(PanelInput& input, PanelSurface& surface, int x, int y, bool dragging) {
    SongState& song = input.song;
    if (handleArrows(song, surface, x, y))
        return;
    if (inLamp(x, y, PlayLampX)) {
        if (song.midiSync != 0 || song.followJackTransport != 0) {
            input.host.playPressedInMidiSync();
        } else if (!dragging && !isPlaying(song)) {
            // The host sets `playing` only when the output really runs.
            input.host.startPlayback();
            drawLamps(surface, song);
        }
    } else if (inLamp(x, y, StopLampX)) {
        if (!dragging && isPlaying(song)) {
            input.host.stopPlayback();
            drawLamps(surface, song);
        }
    } else if (inSlider(x, y, TempoSliderY)) {
        // While the master's tempo is followed the slider is not moved.
        if (song.followedTempo == 0) {
            song.tempo = static_cast<int16_t>(2 * sliderPosition(x) + MinTempo);
            drawTempoShuffle(surface, song);
        }
    } else if (inSlider(x, y, ShuffleSliderY)) {
        song.shuffle = static_cast<int16_t>(sliderPosition(x));
        drawTempoShuffle(surface, song);
    }
}

void handleControlRow(PanelInput& input, PanelSurface& surface, int x, int y, int channel,
                      bool dragging) {
    SongState& song = input.song;
    const auto c = static_cast<size_t>(channel);
    if (inBar(x, VolumeBarX)) {
        song.volume[c] = barLevel(x, VolumeBarX);
        drawLevelBar(surface, VolumeBarX, channel, song.volume[c]);
    } else if (inBar(x, DistortionBarX)) {
        song.distortion[c] = barLevel(x, DistortionBarX);
        updateDistortionCurve(song, channel);
        drawLevelBar(surface, DistortionBarX, channel, song.distortion[c]);
    } else if (inBar(x, OverdriveBarX)) {
        song.overdrive[c] = barLevel(x, OverdriveBarX);
        drawLevelBar(surface, OverdriveBarX, channel, song.overdrive[c]);
    }
    if (dragging) {
        // A drag reaching the knob starts turning it from the next event on.
        if (within(x, KnobX, KnobHitRight)) {
            input.drag.pitchDragChannel = channel;
            input.drag.pitchDrag = 1;
        }
        input.drag.pitchDragAnchorY = y;
    }
    if (x >= NameX)
        input.host.chooseSample(channel);
}

}  // namespace

void handlePanelMouse(PanelInput& input, PanelSurface& surface, int x, int y, bool dragging) {
    if (input.song.modalActive != 0)
        return;
    if (input.drag.pitchDrag != 0) {
        turnKnob(input, surface, y);
        return;
    }
    if (y < HeaderHeight) {
        handleHeader(input, surface, x, y, dragging);
        return;
    }
    const int column = std::min(x / StepPitch, PatternSteps - 1);
    const int channel = std::min((y - HeaderHeight) / BandHeight, ChannelCount - 1);
    const int row = (y - HeaderHeight) - BandHeight * channel;
    if (row < StepRowHeight) {
        SongState& song = input.song;
        const int index = (PatternSteps * song.currentPattern + column) * ChannelCount + channel;
        if (!dragging && index >= 0 && index < GridCells) {
            uint8_t& cell = song.stepGrid[static_cast<size_t>(index)];
            cell = cell == 0 ? 1 : 0;
            drawStepButton(surface, song, column, channel);
        }
        return;
    }
    handleControlRow(input, surface, x, y, channel, dragging);
}

PanelPointer updatePanelCursor(const SongState& song, int x, int y) {
    if (y < HeaderHeight && x >= SliderX) {
        const int offset = x - SliderX;
        const int tempoThumb = (std::clamp(shownTempo(song), int{MinTempo}, int{MaxTempo}) - MinTempo) / 2;
        const int shuffleThumb = song.shuffle;
        if (inSlider(x, y, TempoSliderY) && within(offset, tempoThumb, tempoThumb + ThumbWidth - 1))
            return PanelPointer::Resize;
        if (inSlider(x, y, ShuffleSliderY) && within(offset, shuffleThumb, shuffleThumb + ThumbWidth - 1))
            return PanelPointer::Resize;
    }
    if (within(y, HeaderHeight, PanelHeight - 1)) {
        const int row = (y - HeaderHeight) % BandHeight;
        if (row >= StepRowHeight) {
            if (inBar(x, VolumeBarX) || inBar(x, DistortionBarX) || inBar(x, OverdriveBarX))
                return PanelPointer::Resize;
            if (x >= NameX)
                return PanelPointer::Sample;
        }
    }
    return PanelPointer::Arrow;
}

void endPanelDrag(SongState& song, PanelDrag& drag) {
    drag.pitchDrag = 0;
    song.modalActive = 0;
}

}  // namespace tamboro
