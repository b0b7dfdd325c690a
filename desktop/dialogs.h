#pragma once
// The program's dialog boxes, built from the templates in the resources:
// the About box and the device list (Select WAV Device, Select MIDI Device).
// Both open at the top-left corner of the owner's client area. Main thread.

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QDialog;

namespace tamboro {

// The dialog template called `name` (matched without regard to case), or
// nullptr when the resources do not hold it.
std::unique_ptr<QDialog> loadDialogTemplate(QStringView name, QWidget* owner);

// Runs the About box modally; its OK button (also Enter) ends it with 1,
// Escape and the close box with 0. Returns that result.
int runAboutBox(QWidget* owner);

// Runs the device list modally with `entries` in order and none selected.
// OK calls `onOk` with the selected row (-1 for none) while the box is still
// up, then closes it; Cancel, Escape and the close box just close it.
// Returns true for OK.
bool runDeviceListDialog(QWidget* owner, const QString& caption, const QStringList& entries,
                         const std::function<void(int selected)>& onOk);

}  // namespace tamboro
