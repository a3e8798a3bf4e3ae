#include "cd/frmcddbstatus.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

frmCDDBStatus::frmCDDBStatus() : Form(QStringLiteral("frmCDDBStatus"))
{
    setWindowTitle(QStringLiteral("CDDB Status"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(8, 8, 8, 8);
    m_scroll = new QScrollArea(this);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::StyledPanel);
    m_scroll->setFrameShadow(QFrame::Sunken);

    // Server replies are shown as they came, never interpreted as markup.
    Label1 = new Label(QString(), m_scroll);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setMargin(6);
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Label1->setFocusPolicy(Qt::StrongFocus);
    Label1->setBackgroundRole(QPalette::Base);
    Label1->setAutoFillBackground(true);
    m_scroll->setWidget(Label1);
    lay->addWidget(m_scroll);

    resize(twipsToPx(6600), twipsToPx(2700));
}

void frmCDDBStatus::Form_Load()
{
    // Centred on the screen.
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect g = s->availableGeometry();
        move(g.center() - QPoint(width() / 2, height() / 2));
    }
}
