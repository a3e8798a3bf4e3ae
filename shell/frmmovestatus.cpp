#include "shell/frmmovestatus.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>

#include "platform/errors.h"
#include "shell/smallwindow.h"

frmMoveStatus::frmMoveStatus() : Form(QStringLiteral("frmMoveStatus"))
{
    setCaption(QStringLiteral("Moving MP3 Files..."));
    setFixedSize(twipsToPx(4665), twipsToPx(210));

    Label1 = new Label(QString(), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    placeTwips(Label1, 0, 0, 4700, 240);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Label1->setIndent(3);
    QFont f = Label1->font();
    f.setPixelSize(11); // one line of text in a client area 14 pixels high
    Label1->setFont(f);
    setBackColor(Label1, QColor(255, 255, 128));
    setForeColor(Label1, QApplication::palette().color(QPalette::Active, QPalette::WindowText));
}

void frmMoveStatus::Form_Load()
{
    Trap trap(QStringLiteral("frmMoveStatus"), QStringLiteral("Form_Load"));
    trap([this] { SmallWindow::centre(this); });
    trap([this] { SmallWindow::makeTopmost(this); });
}

void frmMoveStatus::watch(Job* job)
{
    connect(job, &Job::newTask, Label1, &QLabel::setText);
}

bool frmMoveStatus::event(QEvent* e)
{
    // A new text in Label1 asks its parent for a new layout.
    if (e->type() == QEvent::LayoutRequest)
        fitText();
    return Form::event(e);
}

void frmMoveStatus::fitText()
{
    const int design = twipsToPx(4665);
    int wanted = Label1->fontMetrics().horizontalAdvance(Label1->text()) + 2 * Label1->indent() + 6;
    if (const QScreen* s = screen())
        wanted = qMin(wanted, s->availableGeometry().width() - 40);
    const int w = qMax(design, wanted);
    if (w == width())
        return;
    const int centre = x() + width() / 2;
    setFixedSize(w, height());
    Label1->resize(w + twipsToPx(4700) - design, Label1->height());
    move(centre - w / 2, y());
}
