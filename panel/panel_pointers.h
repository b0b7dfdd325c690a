#pragma once
// The three pointer shapes of the panel: the horizontal resize pointer, the
// arrow and the program's LOAD pointer. Main thread only (needs a
// QGuiApplication).

#include <QCursor>

#include "panel/panel_mouse.h"

namespace tamboro {

struct PanelPointers {
    QCursor resize{Qt::SizeHorCursor};
    QCursor arrow{Qt::ArrowCursor};
    QCursor sample{Qt::ArrowCursor};   // the arrow when POINTERLOAD is missing

    const QCursor& shape(PanelPointer pointer) const;
};

// Loads POINTERLOAD with the hot spot stored in its PNG ("hotspot" text,
// "x,y"). The desktop cannot show its screen-inverting letters, so the
// pointer is made from the variant that draws them black on a white edge.
PanelPointers loadPanelPointers();

}  // namespace tamboro
