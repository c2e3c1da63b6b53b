#include "dialogs/FileChoice.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QLineEdit>

namespace pxr {

QString chosenFile(QFileDialog& dialog)
{
    const bool accepted = dialog.exec() == QDialog::Accepted;
    // The completion list is a window of its own. Return in the name field
    // accepts the dialog while the list is up; on an X server without a
    // window manager nothing hides it then, and it takes the next key.
    for (QLineEdit* edit : dialog.findChildren<QLineEdit*>())
        if (QCompleter* completer = edit->completer())
            completer->popup()->hide();
    const QStringList files = dialog.selectedFiles();
    return accepted && !files.isEmpty() ? files.first() : QString();
}

} // namespace pxr
