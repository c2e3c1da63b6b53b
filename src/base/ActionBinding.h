#pragma once
// Entries bound to a QAction: a push button with its own caption ("DT",
// "Get") and a menu entry with its own caption or hint ("Clear Diagram",
// "Set Standard Parameter"). Both trigger the action and follow its
// visible, enabled and checked state, so that hiding or disabling the action
// hides or disables every entry of it.

#include <QAbstractButton>
#include <QAction>
#include <QString>

namespace pxr {

// Name of the action an entry stands for, set on every action, proxy and
// bound button ("acDT").
extern const char* const kActionProperty;

// The button keeps its place in its bar while hidden.
void bindButton(QAbstractButton* button, QAction* action);

// A menu entry standing for `action` with its own texts; an empty text
// means the action's.
QAction* makeProxyAction(QAction* action, const QString& caption, const QString& hint, QObject* parent);

} // namespace pxr
