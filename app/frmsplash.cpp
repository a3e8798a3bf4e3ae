#include "app/frmsplash.h"

#include "platform/errors.h"
#include "core/globals.h"
#include "core/skin.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QScreen>
#include <cmath>

frmSplash::frmSplash() : Form(QStringLiteral("frmSplash"))
{
    // No caption and no frame; stays above other windows while the program loads.
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(kWidth, kHeight);
    m_picture = Picture();
}

void frmSplash::Form_Load()
{
    Trap trap(QStringLiteral("frmSplash"), QStringLiteral("Form_Load"));
    trap([&] {
        if (PixelScale != 1.0)
            setFixedSize(static_cast<int>(std::lround(width() / PixelScale)),
                         static_cast<int>(std::lround(height() / PixelScale)));
    });
    trap([&] { ScaleLabelFonts(this); });
    trap([&] { setWindowFlag(Qt::WindowStaysOnTopHint, true); });
    trap([&] {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QRect s = screen->geometry();
        move(s.left() + (s.width() - width()) / 2, s.top() + (s.height() - height()) / 2);
    });
}

void frmSplash::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(rect(), m_picture);
}

QPixmap frmSplash::Picture()
{
    QPixmap pm(kWidth, kHeight);
    pm.fill(Qt::black);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Night-blue background that warms towards the lower right.
    QLinearGradient bg(0, 0, kWidth, kHeight);
    bg.setColorAt(0.0, QColor(0x10, 0x16, 0x2e));
    bg.setColorAt(0.55, QColor(0x1d, 0x24, 0x4f));
    bg.setColorAt(1.0, QColor(0x4a, 0x1f, 0x4f));
    p.fillRect(pm.rect(), bg);

    // A disc on the right, partly off the picture, with grooves and a rainbow sheen.
    const QPointF c(322, 124);
    const double r = 118;
    QRadialGradient disc(c, r);
    disc.setColorAt(0.0, QColor(0xe8, 0xea, 0xf2));
    disc.setColorAt(0.25, QColor(0xb8, 0xbe, 0xd4));
    disc.setColorAt(1.0, QColor(0x6c, 0x74, 0x98));
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(c, r, r);
    QConicalGradient sheen(c, 30);
    sheen.setColorAt(0.00, QColor(255, 120, 120, 70));
    sheen.setColorAt(0.17, QColor(255, 230, 120, 70));
    sheen.setColorAt(0.33, QColor(120, 255, 160, 70));
    sheen.setColorAt(0.50, QColor(120, 200, 255, 70));
    sheen.setColorAt(0.67, QColor(190, 130, 255, 70));
    sheen.setColorAt(0.83, QColor(255, 130, 220, 70));
    sheen.setColorAt(1.00, QColor(255, 120, 120, 70));
    p.setBrush(sheen);
    p.drawEllipse(c, r, r);
    p.setBrush(Qt::NoBrush);
    for (double g = 44; g < r; g += 7) {
        p.setPen(QPen(QColor(255, 255, 255, g > r - 10 ? 90 : 28), 1));
        p.drawEllipse(c, g, g);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1d, 0x24, 0x4f));
    p.drawEllipse(c, 38, 38);
    p.setBrush(QColor(0xf2, 0xa6, 0x3b));
    p.drawEllipse(c, 30, 30);
    p.setBrush(QColor(0x10, 0x16, 0x2e));
    p.drawEllipse(c, 7, 7);

    // Veil over the left half so the lettering reads well over the disc.
    QLinearGradient veil(0, 0, 270, 0);
    veil.setColorAt(0.0, QColor(0x10, 0x16, 0x2e, 235));
    veil.setColorAt(0.7, QColor(0x10, 0x16, 0x2e, 170));
    veil.setColorAt(1.0, QColor(0x10, 0x16, 0x2e, 0));
    p.fillRect(QRect(0, 0, 270, kHeight), veil);

    // A quill stroke sweeping under the name.
    QPainterPath quill;
    quill.moveTo(24, 134);
    quill.cubicTo(90, 150, 180, 132, 250, 112);
    quill.cubicTo(186, 140, 104, 158, 24, 134);
    QLinearGradient ink(24, 0, 232, 0);
    ink.setColorAt(0.0, QColor(0xf2, 0xa6, 0x3b, 40));
    ink.setColorAt(1.0, QColor(0xf2, 0xa6, 0x3b, 230));
    p.setBrush(ink);
    p.drawPath(quill);

    // Name and line of features.
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(50);
    title.setBold(true);
    title.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 120));
    p.drawText(QPoint(26, 110), QStringLiteral("Quillory"));
    p.setPen(QColor(0xf7, 0xf4, 0xec));
    p.drawText(QPoint(24, 108), QStringLiteral("Quillory"));

    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setPixelSize(12);
    sub.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    p.setFont(sub);
    p.setPen(QColor(0xc9, 0xcf, 0xe6));
    p.drawText(QPoint(26, 160), QStringLiteral("PLAY \u00b7 RIP \u00b7 CONVERT \u00b7 BURN"));

    // Equaliser bars along the bottom.
    for (int i = 0; i < 24; ++i) {
        const double h = 10 + 26 * std::fabs(std::sin(i * 0.62) * std::cos(i * 0.23));
        const QRectF bar(26 + i * 9, 252 - h, 6, h);
        QLinearGradient bg2(bar.topLeft(), bar.bottomLeft());
        bg2.setColorAt(0.0, QColor(0xf2, 0xa6, 0x3b));
        bg2.setColorAt(1.0, QColor(0xd9, 0x4f, 0x7a));
        p.setBrush(bg2);
        p.drawRoundedRect(bar, 2, 2);
    }

    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(10);
    p.setFont(small);
    p.setPen(QColor(0x9a, 0xa2, 0xc4));
    p.drawText(QPoint(26, 276), QStringLiteral("Version 1.60  \u2014  loading your music library\u2026"));

    // Thin frame.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xf2, 0xa6, 0x3b, 160), 2));
    p.drawRect(QRectF(1, 1, kWidth - 2, kHeight - 2));
    p.end();
    return pm;
}
