#include "shell/artwork.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <map>

namespace {
constexpr int S = 64; // drawn large, shown scaled to the button

void background(QPainter& p, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(0, 0, 0, S);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2, 2, S - 4, S - 4), 12, 12);
}

void disc(QPainter& p, QPointF c, double r)
{
    QRadialGradient g(c, r);
    g.setColorAt(0, QColor(250, 250, 255));
    g.setColorAt(0.6, QColor(190, 200, 220));
    g.setColorAt(1, QColor(140, 150, 180));
    p.setBrush(g);
    p.setPen(QPen(QColor(60, 60, 80), 1.5));
    p.drawEllipse(c, r, r);
    p.setBrush(QColor(60, 60, 80));
    p.drawEllipse(c, r * 0.22, r * 0.22);
}

void note(QPainter& p, QPointF at, double h, const QColor& c)
{
    p.setPen(QPen(c, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(at + QPointF(8, 0), at + QPointF(8, -h));
    p.drawLine(at + QPointF(8, -h), at + QPointF(20, -h + 6));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(at, 9, 7);
}

QImage draw(const QString& kind)
{
    QImage pm(S, S, QImage::Format_ARGB32_Premultiplied);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (kind == QLatin1String("player")) {
        background(p, QColor(70, 130, 220), QColor(20, 50, 120));
        note(p, QPointF(22, 46), 30, Qt::white);
        p.setBrush(QColor(255, 210, 80));
        p.setPen(Qt::NoPen);
        QPolygonF tri({QPointF(38, 26), QPointF(56, 36), QPointF(38, 46)});
        p.drawPolygon(tri);
    } else if (kind == QLatin1String("encoder")) {
        background(p, QColor(90, 90, 110), QColor(30, 30, 45));
        disc(p, QPointF(28, 30), 20);
        p.setPen(QPen(QColor(255, 190, 60), 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(44, 40), QPointF(44, 56));
        p.drawLine(QPointF(37, 49), QPointF(44, 56));
        p.drawLine(QPointF(51, 49), QPointF(44, 56));
    } else if (kind == QLatin1String("convert")) {
        background(p, QColor(80, 180, 120), QColor(20, 90, 60));
        p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(14, 14, 36, 36), 30 * 16, 150 * 16);
        p.drawArc(QRectF(14, 14, 36, 36), 210 * 16, 150 * 16);
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({QPointF(10, 26), QPointF(16, 34), QPointF(22, 26)}));
        p.drawPolygon(QPolygonF({QPointF(42, 38), QPointF(48, 30), QPointF(54, 38)}));
    } else if (kind == QLatin1String("playlist")) {
        background(p, QColor(200, 120, 200), QColor(100, 40, 110));
        p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 4; ++i) {
            p.drawPoint(QPointF(16, 18 + i * 9));
            p.drawLine(QPointF(24, 18 + i * 9), QPointF(48 - (i % 2) * 8, 18 + i * 9));
        }
    } else if (kind == QLatin1String("burner")) {
        background(p, QColor(230, 110, 50), QColor(130, 30, 20));
        disc(p, QPointF(32, 34), 20);
        QPainterPath flame;
        flame.moveTo(46, 58);
        flame.cubicTo(36, 52, 48, 40, 46, 30);
        flame.cubicTo(56, 38, 60, 52, 46, 58);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 210, 60));
        p.drawPath(flame);
    } else if (kind == QLatin1String("exit")) {
        background(p, QColor(200, 60, 60), QColor(100, 15, 15));
        p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(16, 14, 20, 36));
        p.drawLine(QPointF(30, 32), QPointF(52, 32));
        p.drawLine(QPointF(44, 24), QPointF(52, 32));
        p.drawLine(QPointF(44, 40), QPointF(52, 32));
    } else { // quillory: a quill over a note
        background(p, QColor(250, 220, 120), QColor(200, 140, 40));
        note(p, QPointF(16, 48), 30, QColor(60, 40, 20));
        QPainterPath quill;
        quill.moveTo(30, 54);
        quill.cubicTo(36, 36, 46, 20, 58, 8);
        quill.cubicTo(54, 24, 46, 40, 30, 54);
        p.setPen(QPen(QColor(90, 60, 30), 1.5));
        p.setBrush(QColor(255, 255, 255, 230));
        p.drawPath(quill);
    }
    return pm;
}
} // namespace

QPixmap LauncherPicture(const QString& kind)
{
    // Images, not pixmaps, are kept: they may outlive the application object.
    static std::map<QString, QImage> cache;
    auto it = cache.find(kind);
    if (it == cache.end())
        it = cache.emplace(kind, draw(kind)).first;
    return QPixmap::fromImage(it->second);
}
