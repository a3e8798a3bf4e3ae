#include "shell/frmmovestatus.h"

#include <QApplication>

#include "core/errors.h"
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
