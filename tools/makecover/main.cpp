// Draws the default cover picture: a disc on a dark ground, shown for songs without a cover.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: makecover OUTPUT.bmp\n");
        return 2;
    }
    const int size = 300;
    QImage img(size, size, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, size, size);
    ground.setColorAt(0, QColor(38, 44, 70));
    ground.setColorAt(1, QColor(14, 16, 28));
    p.fillRect(img.rect(), ground);

    const QPointF centre(size / 2.0, size / 2.0);
    QRadialGradient disc(centre, 120);
    disc.setColorAt(0.0, QColor(235, 235, 240));
    disc.setColorAt(0.55, QColor(170, 180, 200));
    disc.setColorAt(0.8, QColor(205, 190, 220));
    disc.setColorAt(1.0, QColor(150, 160, 185));
    p.setPen(QPen(QColor(90, 95, 120), 2));
    p.setBrush(disc);
    p.drawEllipse(centre, 120, 120);
    p.setBrush(QColor(38, 44, 70));
    p.drawEllipse(centre, 38, 38);
    p.setBrush(QColor(14, 16, 28));
    p.drawEllipse(centre, 12, 12);

    // A note in the hole's ring.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 200, 90));
    p.drawEllipse(QPointF(centre.x() - 8, centre.y() + 14), 7, 5);
    p.drawRect(QRectF(centre.x() - 2, centre.y() - 22, 3, 36));
    p.end();

    if (!img.save(QString::fromLocal8Bit(argv[1]), "BMP")) {
        std::fprintf(stderr, "makecover: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
