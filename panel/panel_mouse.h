#pragma once
// Turning left-button presses and drags on the panel into edits of the song
// state, each followed at once by the redraw of what it changed, and the
// pointer shape for moves without the button. Main thread only.

#include <cstdint>

#include "engine/song_state.h"
#include "panel/panel_host.h"
#include "panel/panel_surface.h"

namespace tamboro {

// The PCH knob drag, all zero at start.
struct PanelDrag {
    int32_t pitchDrag = 0;            // a knob is being turned
    int32_t pitchDragChannel = 0;     // whose knob, 0..7
    int32_t pitchDragAnchorY = 0;     // y of the drag's previous event
};

// What one mouse event works on.
struct PanelInput {
    SongState& song;
    PanelHost& host;
    PanelDrag& drag;
};

enum class PanelPointer { Arrow, Resize, Sample };

// A left-button press (dragging false) or a move with the left button down
// (dragging true) at panel pixel (x, y), x and y never negative. Edits go
// straight into the song; their redraws go onto `surface`.
void handlePanelMouse(PanelInput& input, PanelSurface& surface, int x, int y, bool dragging);

// The pointer shape for a move without the button at (x, y).
PanelPointer updatePanelCursor(const SongState& song, int x, int y);

// A left-button release: ends a knob drag and lets the panel answer again
// after a dialog.
void endPanelDrag(SongState& song, PanelDrag& drag);

}  // namespace tamboro
