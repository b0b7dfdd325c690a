#pragma once
// Control identifiers of the dialog templates, and how code finds them.
//
// The templates are Qt Designer files, dialogs/APPABOUT.ui and
// dialogs/WAVSELECT.ui, embedded in tamboro.qrc (see resource_names.h).
// Every control that code talks to by number carries that number twice:
//   - its objectName is "control" followed by the number ("control1002"),
//   - its dynamic property "controlId" holds the number as an int.
// Static texts without a number have descriptive object names and
// controlId -1. findDialogControl() below looks a control up by number.
//
// Geometry: the templates were laid out in dialog units for an 8-point
// sans-serif dialog font whose average character is 6 x 13 pixels, so one
// horizontal unit is 1.5 px and one vertical unit 1.625 px. Positions and
// sizes are converted separately, each rounded to the nearest pixel with
// halves rounded up (e.g. 67 DU across -> 100.5 -> 101 px). The dialog's
// own size is its client area. Both dialogs open at 0, 0 of the owner's
// client area and have a fixed size.
//
// The templates carry layout only: no signal connections. The code that
// runs a dialog wires its buttons (OK is the default button, so Enter
// clicks it).

#include <QObject>
#include <QString>

namespace tamboro {

namespace DialogControl {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int DeviceList = 1002;   // WAVSELECT's list box
inline constexpr int None = -1;           // static texts
}  // namespace DialogControl

inline constexpr const char* ControlIdProperty = "controlId";

// Object name of the control with identifier `id` ("control1002").
inline QString dialogControlName(int id) {
    return QStringLiteral("control%1").arg(id);
}

// The child of `dialog` with identifier `id`, as W (QPushButton,
// QListWidget...), or nullptr when there is none of that type.
template <class W>
W* findDialogControl(const QObject* dialog, int id) {
    return dialog->findChild<W*>(dialogControlName(id));
}

}  // namespace tamboro
