#include "shell/smallwindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "core/errors.h"

void SmallWindow::centre(QWidget* w)
{
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        throw AppError(Err::InvalidCall, QStringLiteral("No screen"));
    const QRect s = screen->geometry();
    const double left = (s.width() - w->width()) / 2.0;
    const double top = (s.height() - w->height()) / 2.0;
    w->move(s.x() + qRound(left), s.y() + qRound(top));
}

void SmallWindow::makeTopmost(QWidget* w)
{
    const bool visible = w->isVisible();
    w->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // Changing the flags hides a shown window; bring it back as it was.
    if (visible)
        w->show();
}
