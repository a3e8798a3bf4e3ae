#include "shell/frmabout.h"

#include <QCloseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QShortcut>

#include "platform/errors.h"
#include "core/launchers.h"
#include "shell/smallwindow.h"

namespace {

// The About box's artwork, drawn on transparent ground.
QPixmap artwork(int size, int kind)
{
    const int k = 4;
    QPixmap big(size * k, size * k);
    big.fill(Qt::transparent);
    {
        QPainter p(&big);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(k, k);
        const double c = size / 2.0, r = size / 2.0 - 1;
        switch (kind) {
        case 0: { // product emblem: a warm medallion with a quill and a note
            QRadialGradient g(c * 0.7, c * 0.6, r * 1.4);
            g.setColorAt(0, QColor(0xff, 0xc8, 0x5a));
            g.setColorAt(0.6, QColor(0xe0, 0x6a, 0x22));
            g.setColorAt(1, QColor(0x8e, 0x2a, 0x12));
            p.setPen(QPen(QColor(0x5a, 0x1c, 0x0a), 1));
            p.setBrush(g);
            p.drawEllipse(QPointF(c, c), r, r);
            QPainterPath quill;
            quill.moveTo(size * 0.25, size * 0.78);
            quill.cubicTo(size * 0.32, size * 0.48, size * 0.55, size * 0.22, size * 0.82, size * 0.16);
            quill.cubicTo(size * 0.76, size * 0.42, size * 0.58, size * 0.66, size * 0.25, size * 0.78);
            p.setPen(QPen(QColor(0x6a, 0x24, 0x0c), 0.8));
            p.setBrush(QColor(0xff, 0xf6, 0xe4));
            p.drawPath(quill);
            p.drawLine(QPointF(size * 0.25, size * 0.78), QPointF(size * 0.74, size * 0.24));
            p.setPen(QPen(QColor(0xff, 0xf6, 0xe4), 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(size * 0.25, size * 0.78), QPointF(size * 0.18, size * 0.87));
            break;
        }
        case 1: { // a disc
            QRadialGradient g(c, c, r);
            g.setColorAt(0, QColor(0xf4, 0xf6, 0xfa));
            g.setColorAt(0.8, QColor(0xb8, 0xc4, 0xd8));
            g.setColorAt(1, QColor(0x70, 0x80, 0x9c));
            p.setPen(QPen(QColor(0x50, 0x5c, 0x74), 0.8));
            p.setBrush(g);
            p.drawEllipse(QPointF(c, c), r, r);
            QConicalGradient sheen(QPointF(c, c), 35);
            sheen.setColorAt(0, QColor(255, 255, 255, 0));
            sheen.setColorAt(0.07, QColor(120, 200, 255, 150));
            sheen.setColorAt(0.15, QColor(255, 120, 220, 0));
            sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
            sheen.setColorAt(0.57, QColor(255, 210, 90, 150));
            sheen.setColorAt(0.66, QColor(255, 255, 255, 0));
            sheen.setColorAt(1, QColor(255, 255, 255, 0));
            p.setPen(Qt::NoPen);
            p.setBrush(sheen);
            p.drawEllipse(QPointF(c, c), r * 0.95, r * 0.95);
            p.setBrush(QColor(0x50, 0x5c, 0x74));
            p.drawEllipse(QPointF(c, c), r * 0.2, r * 0.2);
            p.setBrush(QColor(0xe8, 0xec, 0xf2));
            p.drawEllipse(QPointF(c, c), r * 0.1, r * 0.1);
            break;
        }
        default: { // level bars of a playing song
            const QColor bars[] = {QColor(0x2e, 0xa8, 0x5a), QColor(0x7c, 0xc4, 0x3a), QColor(0xe8, 0xc2, 0x2c),
                                   QColor(0xee, 0x7a, 0x22), QColor(0xd8, 0x3a, 0x22)};
            const double heights[] = {0.45, 0.8, 0.6, 0.95, 0.35};
            const double bw = size / 6.5;
            p.setPen(Qt::NoPen);
            for (int i = 0; i < 5; ++i) {
                const double h = (size - 4) * heights[i];
                p.setBrush(bars[i]);
                p.drawRoundedRect(QRectF(bw * 0.5 + i * bw * 1.2, size - 2 - h, bw, h), 1.2, 1.2);
            }
            break;
        }
        }
    }
    return big.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

Label* makeLabel(QWidget* parent, const char* name, const QString& text, int l, int t, int w, int h)
{
    auto* label = new Label(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    placeTwips(label, l, t, w, h);
    return label;
}

PictureBox* makePicture(QWidget* parent, const char* name, int kind, int l, int t, int size)
{
    auto* pic = new PictureBox(parent);
    pic->setObjectName(QString::fromLatin1(name));
    placeTwips(pic, l, t, size, size);
    pic->setPicture(artwork(size / 15, kind));
    return pic;
}

} // namespace

frmAbout::frmAbout() : Form(QStringLiteral("frmAbout"))
{
    setCaption(QStringLiteral("About Quillory"));
    setFixedSize(twipsToPx(6300), twipsToPx(4560));

    Picture1 = makePicture(this, "Picture1", 0, 300, 270, 630);
    Label1 = makeLabel(this, "Label1", QStringLiteral("Quillory"), 1140, 270, 3600, 300);
    QFont title(QStringLiteral("MS Sans Serif"));
    title.setPointSizeF(9.75);
    title.setBold(true);
    Label1->setFont(title);
    Label3 = makeLabel(this, "Label3", QStringLiteral("Version 1.60"), 1140, 570, 3600, 240);
    Label2 = makeLabel(this, "Label2", QStringLiteral("Developed by Quillory Software"), 1140,
                       810, 4860, 240);
    Picture3 = makePicture(this, "Picture3", 2, 5370, 270, 630);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    placeTwips(Frame1, 300, 1200, 5700, 1920);
    Picture2 = makePicture(Frame1, "Picture2", 1, 180, 240, 600);
    Label4 = makeLabel(Frame1, "Label4", QStringLiteral("MP3 encoding: the LAME encoder"), 960,
                       210, 4620, 240);
    Label5 = makeLabel(Frame1, "Label5", QStringLiteral("MP3 decoding: libmpg123; tags: TagLib"), 960, 540,
                       4620, 240);
    Label6 = makeLabel(Frame1, "Label6", QStringLiteral("CD audio: libcdio, cdparanoia, libburn"),
                       960, 870, 4620, 240);
    Label7 = makeLabel(Frame1, "Label7",
                       QStringLiteral("All used under their own free licences. Quillory is licensed per user."),
                       960, 1200, 4620, 480);
    Label7->setWordWrap(true);

    Label8 = makeLabel(this, "Label8", QStringLiteral("Copyright \u00a9 2026 Quillory Software. All rights reserved."),
                       300, 3270, 5700, 240);
    Label9 = makeLabel(this, "Label9", QStringLiteral("Web: www.quillory.example"), 300, 3570, 4200, 240);
    Label10 = makeLabel(this, "Label10", QStringLiteral("Support: ") + kSupportEmail, 300, 3840, 4200, 240);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    placeTwips(Command1, 4860, 3930, 1140, 375);
    Command1->setAutoDefault(true);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    for (QKeySequence key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, [this] { Command1_Click(); });
}

void frmAbout::Form_Load()
{
    Trap trap(QStringLiteral("frmAbout"), QStringLiteral("Form_Load"));
    trap([this] { SmallWindow::centre(this); });
    trap([this] { SmallWindow::makeTopmost(this); });
    Command1->setFocus();
}

void frmAbout::Command1_Click()
{
    Trap trap(QStringLiteral("frmAbout"), QStringLiteral("Command1_Click"));
    trap([this] { setVisible(false); });
}

void frmAbout::closeEvent(QCloseEvent* e)
{
    // The close box does what OK does: the window stays loaded for the next About.
    e->ignore();
    Command1_Click();
}
