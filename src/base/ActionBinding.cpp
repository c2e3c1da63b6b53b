#include "base/ActionBinding.h"

#include <QSizePolicy>

namespace pxr {

const char* const kActionProperty = "pxrAction";

void bindButton(QAbstractButton* button, QAction* action)
{
    button->setProperty(kActionProperty, action->property(kActionProperty));
    button->setStatusTip(action->statusTip());
    button->setToolTip(action->toolTip());
    button->setFocusPolicy(Qt::NoFocus); // a command must not take the focus from the terminal
    QSizePolicy policy = button->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    button->setSizePolicy(policy);
    const auto follow = [button, action] {
        button->setEnabled(action->isEnabled());
        button->setVisible(action->isVisible());
        button->setCheckable(action->isCheckable());
        if (action->isCheckable())
            button->setChecked(action->isChecked());
    };
    follow();
    QObject::connect(action, &QAction::changed, button, follow);
    QObject::connect(button, &QAbstractButton::clicked, action, [action] { action->trigger(); });
}

QAction* makeProxyAction(QAction* action, const QString& caption, const QString& hint, QObject* parent)
{
    auto* proxy = new QAction(caption.isEmpty() ? action->text() : caption, parent);
    proxy->setObjectName(action->objectName() + QStringLiteral("_entry"));
    proxy->setProperty(kActionProperty, action->property(kActionProperty));
    const QString tip = hint.isEmpty() ? action->statusTip() : hint;
    proxy->setStatusTip(tip);
    proxy->setToolTip(tip);
    const auto follow = [proxy, action] {
        proxy->setEnabled(action->isEnabled());
        proxy->setVisible(action->isVisible());
        proxy->setCheckable(action->isCheckable());
        proxy->setChecked(action->isChecked());
    };
    follow();
    QObject::connect(action, &QAction::changed, proxy, follow);
    // A checkable proxy toggles itself on trigger; the action decides.
    QObject::connect(proxy, &QAction::triggered, action, [proxy, action] {
        proxy->setChecked(action->isChecked());
        action->trigger();
    });
    return proxy;
}

} // namespace pxr
