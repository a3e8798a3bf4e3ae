#include "shell/smallwindow.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QPushButton>
#include <QShortcut>
#include <QScreen>
#include <QWidget>

#include "platform/errors.h"
#include "platform/placement.h"

void SmallWindow::centre(QWidget* w)
{
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        throw AppError(Err::InvalidCall, QStringLiteral("No screen"));
    w->move(CentredPlacement(w->frameGeometry().size(), screen->geometry(), screen->availableGeometry(),
                             Centring::Rounded));
}

void SmallWindow::makeTopmost(QWidget* w)
{
    const bool visible = w->isVisible();
    w->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // Changing the flags hides a shown window; bring it back as it was.
    if (visible)
        w->show();
}

void SmallWindow::dialogKeys(QWidget* w, QAbstractButton* ok, QAbstractButton* cancel)
{
    for (QKeySequence key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)})
        QObject::connect(new QShortcut(key, w), &QShortcut::activated, w, [w, ok] {
            auto* focused = qobject_cast<QPushButton*>(w->focusWidget());
            if (focused && focused->isVisible() && focused->isEnabled())
                focused->click();
            else if (ok && ok->isEnabled())
                ok->click();
        });
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), w), &QShortcut::activated, w, [cancel] {
        if (cancel && cancel->isEnabled())
            cancel->click();
    });
}
