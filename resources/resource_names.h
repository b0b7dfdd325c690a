#pragma once
// Named resources of the program, as the embedded resource file
// (tamboro.qrc.in) names them. Names are matched without regard to case,
// so "AppAbout" finds APPABOUT and "turnknob" finds TURNKNOB.
//
// Names: the fourteen panel bitmaps (TOP, CHANNEL, BUTTON1A, BUTTON1B,
// LBUTTON, RBUTTON, DIGZIFF1, PLAYA, PLAYB, STOPA, STOPB, SLIDER, SLBT,
// TURNKNOB), the pointer POINTERLOAD with its visible variant
// POINTERLOAD-VISIBLE, the icons TAMBOROICON and APPICON (the same image)
// and the dialog templates APPABOUT and WAVSELECT. Any thread.

#include <QString>
#include <QStringView>

namespace tamboro {

// The ":/..." path of the resource called `name`, or an empty string when
// no resource has that name.
QString resourcePath(QStringView name);

}  // namespace tamboro
