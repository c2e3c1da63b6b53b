#pragma once

#include <QString>

class QFileDialog;

namespace pxr {

// Runs a file dialog and returns the first file chosen, or an empty text when
// the user cancelled. The dialog's name-completion list goes with it.
QString chosenFile(QFileDialog& dialog);

} // namespace pxr
