#include "platform/stacking.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {
bool shownTopLevel(const QWidget* w, const QWidget* dialog)
{
    return w && w != dialog && w->isWindow() && w->isVisible() && !w->isMinimized();
}

// A window that covers others: a stay-on-top window, not a tool tip, menu or other popup.
bool staysOnTop(const QWidget* w)
{
    const Qt::WindowType type = w->windowType();
    return w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && type != Qt::ToolTip && type != Qt::Popup;
}
} // namespace

QWidget* DialogOwner(const QWidget* dialog, QWidget* ourFront)
{
    for (QWidget* w : {QApplication::activeModalWidget(), QApplication::activeWindow()})
        if (shownTopLevel(w, dialog))
            return w;
    return shownTopLevel(ourFront, dialog) ? ourFront : nullptr;
}

bool StandAboveOwner(QWidget& dialog, QWidget* ourFront)
{
    bool onTop = false;
    if (!dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        for (const QWidget* w : QApplication::topLevelWidgets())
            if (shownTopLevel(w, &dialog) && staysOnTop(w)) {
                onTop = true;
                break;
            }
        if (onTop)
            dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    if (QWidget* owner = DialogOwner(&dialog, ourFront); owner && owner->windowHandle()) {
        dialog.winId(); // creates the dialog's window so that it can be made transient
        if (QWindow* window = dialog.windowHandle())
            window->setTransientParent(owner->windowHandle());
    }
    return onTop;
}

void BringToFront(QWidget& dialog)
{
    QTimer::singleShot(0, &dialog, [&dialog] {
        if (dialog.isVisible()) {
            dialog.raise();
            dialog.activateWindow();
        }
    });
}
