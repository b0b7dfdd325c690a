#pragma once
// Drawing the front panel from the song state onto a surface: the full
// repaint and the elements that a mouse edit redraws on its own. Everything
// is read from the song at the moment of drawing; nothing is kept. Main
// thread only.

#include <string_view>

#include "engine/song_state.h"
#include "panel/panel_surface.h"

namespace tamboro {

// `playing` is read as a number so that an atomic flag reads the same.
inline bool isPlaying(const SongState& song) { return song.playing != 0; }

// The tempo TEMPO shows: the master's while a followed playback runs
// (followedTempo, up to 999), else the song's own.
inline int shownTempo(const SongState& song) {
    return song.followedTempo > 0 ? (song.followedTempo < 999 ? song.followedTempo : 999) : song.tempo;
}

// The whole panel: header, the eight channel strips with their knobs, steps,
// bars and names, the steppers, the lamps, then TEMPO and SHUFFLE.
void paintPanel(PanelSurface& surface, const SongState& song);

// The PCH knob of `channel` showing `value` (frame value + 12).
void drawKnob(PanelSurface& surface, int channel, int value);

// The Play lamp, then the Stop lamp, from `playing`.
void drawLamps(PanelSurface& surface, const SongState& song);

// A slider track at (x, y), then its thumb at (x + position + 2, y + 1).
void drawSlider(PanelSurface& surface, int x, int y, int position);

// Each character i of `text` as a digit cell at (x + 10i, y); anything but
// the digits 0 to 9 draws nothing.
void drawDigits(PanelSurface& surface, int x, int y, std::string_view text);

// TEMPO number, SHUFFLE number, TEMPO slider, SHUFFLE slider. TEMPO shows
// shownTempo, its thumb kept inside the slider's range.
void drawTempoShuffle(PanelSurface& surface, const SongState& song);

// Both steppers' arrows, then the PATTERN number, then the #TOTAL number.
void drawPatternTotal(PanelSurface& surface, const SongState& song);

// The 16 step buttons of `channel` in the shown Pattern.
void drawStepRow(PanelSurface& surface, const SongState& song, int channel);

// Step button `step` (0..15) of `channel`.
void drawStepButton(PanelSurface& surface, const SongState& song, int step, int channel);

// A level bar of `channel` with its box's left edge at `left`, showing `value`.
void drawLevelBar(PanelSurface& surface, int left, int channel, int value);

// The sample name of `channel`, in the font the full repaint selected.
void drawSampleName(PanelSurface& surface, const SongState& song, int channel);

}  // namespace tamboro
