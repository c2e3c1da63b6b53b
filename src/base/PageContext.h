#pragma once
// What the main window gives each of its feature pages besides the page's
// own Host: the UI hooks (status panels, busy cursor, message boxes), the
// printer of "Printer Setup" and the window itself, which owns the page and
// the page's dialogs.

class QPrinter;
class QWidget;

namespace pxr {

class UiHooks;

struct PageContext {
    UiHooks& ui;
    QPrinter& printer;
    QWidget* window;
};

} // namespace pxr
