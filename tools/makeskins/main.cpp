// Draws the skins that ship with Quillory: for each skin a folder holding "skin.ini"
// (fore and back colour numbers) and the bitmaps the windows wear, as 24-bit BMP files.
//   makeskins <Skins folder>
// Everything is drawn here with QPainter; nothing is copied from elsewhere. The output is
// deterministic (fixed random seeds), so a rebuild gives the same files.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <QtMath>
#include <cstdio>
#include <random>

namespace {

enum class Style { Midnight, Maple, Plain };

struct Skin {
    QString folder;
    Style style;
    QColor fore; // labels, list and text box text, button captions
    QColor back; // list view, text box and combo box background
    // Icon tiles
    QColor tileOuter, tileTop, tileBottom, tileEdge, glyph, glyphAccent, glyphShade;
    // 3-D buttons
    QColor btnTop, btnBottom, btnEdge, btnLight;
};

long colorNumber(const QColor& c) { return c.red() + 256L * c.green() + 65536L * c.blue(); }

bool saveBmp(const QImage& img, const QString& path)
{
    const QImage rgb = img.convertToFormat(QImage::Format_RGB888);
    if (!rgb.save(path, "BMP")) {
        std::fprintf(stderr, "makeskins: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// Renders at four times the size and scales down, for clean anti-aliased small pictures.
template <class Draw> QImage supersampled(int w, int h, Draw draw)
{
    const int k = 4;
    QImage big(w * k, h * k, QImage::Format_ARGB32_Premultiplied);
    big.fill(Qt::transparent);
    {
        QPainter p(&big);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(k, k);
        draw(p);
    }
    return big.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// ---------------------------------------------------------------- backgrounds

QPainterPath mapleLeaf()
{
    // One maple leaf in a unit box centred on the origin, point up.
    static const double pts[][2] = {
        {0.00, -1.00}, {0.13, -0.66}, {0.33, -0.78}, {0.27, -0.40}, {0.60, -0.56}, {0.53, -0.34},
        {0.92, -0.26}, {0.70, -0.06}, {0.80, 0.08},  {0.42, 0.12},  {0.46, 0.32},  {0.08, 0.24},
        {0.05, 0.72},  {-0.05, 0.72}, {-0.08, 0.24}, {-0.46, 0.32}, {-0.42, 0.12}, {-0.80, 0.08},
        {-0.70, -0.06}, {-0.92, -0.26}, {-0.53, -0.34}, {-0.60, -0.56}, {-0.27, -0.40}, {-0.33, -0.78},
        {-0.13, -0.66}};
    QPainterPath path;
    path.moveTo(pts[0][0], pts[0][1]);
    for (size_t i = 1; i < sizeof(pts) / sizeof(pts[0]); ++i)
        path.lineTo(pts[i][0], pts[i][1]);
    path.closeSubpath();
    return path;
}

void paintMidnightSky(QPainter& p, int w, int h, bool panel, unsigned seed)
{
    QLinearGradient g(0, 0, 0, h);
    if (panel) {
        g.setColorAt(0, QColor(0x16, 0x22, 0x4a));
        g.setColorAt(1, QColor(0x0b, 0x12, 0x2c));
    } else {
        g.setColorAt(0, QColor(0x0a, 0x10, 0x28));
        g.setColorAt(0.55, QColor(0x15, 0x23, 0x4b));
        g.setColorAt(1, QColor(0x0c, 0x15, 0x31));
    }
    p.fillRect(0, 0, w, h, g);

    // A soft glow in the upper right, like a rising moon behind haze.
    QRadialGradient glow(w * 0.82, h * 0.12, qMax(w, h) * 0.55);
    glow.setColorAt(0, QColor(0x3a, 0x6c, 0xc0, panel ? 50 : 80));
    glow.setColorAt(1, QColor(0x3a, 0x6c, 0xc0, 0));
    p.fillRect(0, 0, w, h, glow);

    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> ux(0, w), uy(0, h * (panel ? 1.0 : 0.6)), ua(30, 150), ur(0.4, 1.3);
    p.setPen(Qt::NoPen);
    const int stars = panel ? w * h / 900 : w * h / 2600;
    for (int i = 0; i < stars; ++i) {
        p.setBrush(QColor(220, 235, 255, int(ua(rng))));
        const double r = ur(rng);
        p.drawEllipse(QPointF(ux(rng), uy(rng)), r, r);
    }

    // Sound waves across the lower part.
    if (!panel) {
        for (int k = 0; k < 5; ++k) {
            QPainterPath wave;
            const double base = h * (0.70 + 0.045 * k);
            const double amp = h * (0.035 - 0.004 * k);
            const double len = w / (1.3 + 0.35 * k);
            wave.moveTo(0, base);
            for (int x = 0; x <= w; x += 4)
                wave.lineTo(x, base + amp * qSin(2 * M_PI * x / len + k * 0.9));
            p.setPen(QPen(QColor(0x5f, 0xc8, 0xff, 46 - 7 * k), 1.6));
            p.setBrush(Qt::NoBrush);
            p.drawPath(wave);
        }
    }
}

void paintMapleWood(QPainter& p, int w, int h, bool panel, unsigned seed)
{
    QLinearGradient g(0, 0, 0, h);
    if (panel) {
        g.setColorAt(0, QColor(0xff, 0xf7, 0xe6));
        g.setColorAt(1, QColor(0xf6, 0xe4, 0xc0));
    } else {
        g.setColorAt(0, QColor(0xfb, 0xef, 0xd6));
        g.setColorAt(1, QColor(0xee, 0xd4, 0xa2));
    }
    p.fillRect(0, 0, w, h, g);

    // Fine wood grain: long, slightly wavy strokes.
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> uy(0, h), ua(8, 22), ph(0, 2 * M_PI), amp(1, 5);
    const int lines = h / 5;
    for (int i = 0; i < lines; ++i) {
        QPainterPath grain;
        const double y = uy(rng), a = amp(rng), phase = ph(rng);
        grain.moveTo(0, y);
        for (int x = 0; x <= w; x += 8)
            grain.lineTo(x, y + a * qSin(x / 90.0 + phase) + 0.6 * a * qSin(x / 23.0 + phase * 2));
        p.setPen(QPen(QColor(0x8a, 0x52, 0x1e, int(ua(rng))), 1.0));
        p.drawPath(grain);
    }

    // Scattered leaves, faint, in autumn colours.
    if (!panel) {
        const QColor leafColors[] = {QColor(0xc8, 0x3c, 0x1c), QColor(0xe0, 0x7a, 0x1f), QColor(0xb5, 0x2a, 0x2a),
                                     QColor(0xd9, 0x9a, 0x28)};
        std::uniform_real_distribution<double> ux(0, w), uyy(0, h), us(16, 46), rot(-50, 50);
        std::uniform_int_distribution<int> uc(0, 3);
        const QPainterPath leaf = mapleLeaf();
        const int leaves = w * h / 22000;
        p.setPen(Qt::NoPen);
        for (int i = 0; i < leaves; ++i) {
            p.save();
            p.translate(ux(rng), uyy(rng));
            p.rotate(rot(rng));
            const double s = us(rng);
            p.scale(s, s);
            QColor c = leafColors[uc(rng)];
            c.setAlpha(34);
            p.setBrush(c);
            p.drawPath(leaf);
            p.restore();
        }
    }
    // A warm vignette at the edges.
    QRadialGradient vig(w / 2.0, h / 2.0, qMax(w, h) * 0.75);
    vig.setColorAt(0.6, QColor(0x7a, 0x3e, 0x10, 0));
    vig.setColorAt(1, QColor(0x7a, 0x3e, 0x10, panel ? 20 : 40));
    p.fillRect(0, 0, w, h, vig);
}

void paintPlain(QPainter& p, int w, int h, bool panel)
{
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, panel ? QColor(0xf7, 0xf6, 0xf4) : QColor(0xf0, 0xef, 0xec));
    g.setColorAt(1, panel ? QColor(0xee, 0xec, 0xe8) : QColor(0xe2, 0xdf, 0xda));
    p.fillRect(0, 0, w, h, g);
}

QImage background(const Skin& s, int w, int h, bool panel)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    switch (s.style) {
    case Style::Midnight: paintMidnightSky(p, w, h, panel, panel ? 11 : 7); break;
    case Style::Maple: paintMapleWood(p, w, h, panel, panel ? 23 : 19); break;
    case Style::Plain: paintPlain(p, w, h, panel); break;
    }
    if (panel) {
        // A thin inner edge so a panel reads as a surface of its own.
        p.setPen(QPen(s.btnEdge, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    }
    return img;
}

// ---------------------------------------------------------------- 3-D button faces

QImage buttonFace(const Skin& s, int w, int h)
{
    return supersampled(w, h, [&](QPainter& p) {
        p.fillRect(QRectF(0, 0, w, h), s.tileOuter);
        const QRectF r(0.5, 0.5, w - 1.0, h - 1.0);
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, s.btnTop);
        g.setColorAt(0.48, s.btnTop.darker(104));
        g.setColorAt(0.52, s.btnBottom.lighter(104));
        g.setColorAt(1, s.btnBottom);
        p.setPen(QPen(s.btnEdge, 1));
        p.setBrush(g);
        p.drawRoundedRect(r, 3.5, 3.5);
        // Upper sheen.
        QLinearGradient sheen(0, 1, 0, h / 2.0);
        QColor a = s.btnLight;
        a.setAlpha(110);
        QColor b = s.btnLight;
        b.setAlpha(0);
        sheen.setColorAt(0, a);
        sheen.setColorAt(1, b);
        p.setPen(Qt::NoPen);
        p.setBrush(sheen);
        p.drawRoundedRect(QRectF(2, 1.5, w - 4.0, h / 2.0 - 1), 2.5, 2.5);
    });
}

// ---------------------------------------------------------------- icons

enum class Icon { Player, Playlist, Exit, Quillory, Cddb, Encoder, CD, Convert, Burner };

void disc(QPainter& p, QPointF c, double r, const Skin& s)
{
    QRadialGradient g(c, r);
    g.setColorAt(0, s.glyph);
    g.setColorAt(0.75, s.glyph.darker(115));
    g.setColorAt(1, s.glyphShade);
    p.setPen(QPen(s.glyphShade, 0.8));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    // Rainbow-ish sheen of a disc.
    QConicalGradient cg(c, 30);
    QColor t(255, 255, 255, 0), w1(255, 255, 255, 120), acc = s.glyphAccent;
    acc.setAlpha(110);
    cg.setColorAt(0, t);
    cg.setColorAt(0.08, w1);
    cg.setColorAt(0.18, t);
    cg.setColorAt(0.5, t);
    cg.setColorAt(0.58, acc);
    cg.setColorAt(0.68, t);
    cg.setColorAt(1, t);
    p.setPen(Qt::NoPen);
    p.setBrush(cg);
    p.drawEllipse(c, r * 0.94, r * 0.94);
    p.setBrush(s.tileBottom);
    p.setPen(QPen(s.glyphShade, 0.6));
    p.drawEllipse(c, r * 0.22, r * 0.22);
}

void note(QPainter& p, QPointF at, double size, const QColor& c)
{
    // An eighth note: head, stem and flag. at = centre of the head.
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.save();
    p.translate(at);
    p.rotate(-20);
    p.drawEllipse(QPointF(0, 0), size * 0.30, size * 0.21);
    p.restore();
    const double sx = at.x() + size * 0.26, top = at.y() - size * 1.05;
    p.setPen(QPen(c, size * 0.11, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(sx, at.y() - size * 0.05), QPointF(sx, top));
    QPainterPath flag;
    flag.moveTo(sx, top);
    flag.cubicTo(sx + size * 0.1, top + size * 0.3, sx + size * 0.55, top + size * 0.35, sx + size * 0.4, top + size * 0.75);
    p.setBrush(Qt::NoBrush);
    p.drawPath(flag);
}

void iconGlyph(QPainter& p, Icon kind, const Skin& s)
{
    // Drawn in a 32 x 32 box.
    const QColor g = s.glyph, a = s.glyphAccent;
    switch (kind) {
    case Icon::Player: {
        p.setPen(QPen(g, 2.2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(16, 16), 10.5, 10.5);
        QPainterPath tri;
        tri.moveTo(13, 10.5);
        tri.lineTo(22.5, 16);
        tri.lineTo(13, 21.5);
        tri.closeSubpath();
        p.setPen(QPen(a, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(a);
        p.drawPath(tri);
        break;
    }
    case Icon::Playlist: {
        p.setPen(QPen(g, 2.2, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 4; ++i) {
            const double y = 8.5 + i * 5.0;
            p.setBrush(g);
            p.drawPoint(QPointF(7, y));
            p.drawLine(QPointF(11, y), QPointF(i < 2 ? 25 : 17, y));
        }
        note(p, QPointF(21.5, 24.5), 8.5, a);
        break;
    }
    case Icon::Exit: {
        p.setPen(QPen(g, 2.6, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(6.5, 7.5, 19, 19), 125 * 16, 290 * 16);
        p.setPen(QPen(a, 2.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 5.5), QPointF(16, 15.5));
        break;
    }
    case Icon::Quillory: {
        // A quill pen writing a note.
        QPainterPath feather;
        feather.moveTo(8, 25);
        feather.cubicTo(10, 15, 18, 6, 27, 4);
        feather.cubicTo(25, 12, 19, 21, 8, 25);
        QLinearGradient fg(8, 25, 27, 4);
        fg.setColorAt(0, g.darker(120));
        fg.setColorAt(1, g);
        p.setPen(QPen(s.glyphShade, 0.7));
        p.setBrush(fg);
        p.drawPath(feather);
        p.setPen(QPen(s.glyphShade, 0.8));
        p.drawLine(QPointF(8, 25), QPointF(24, 7.5));
        for (int i = 0; i < 4; ++i) {
            const double t = 0.35 + 0.15 * i;
            const QPointF on(8 + 16 * t, 25 - 17.5 * t);
            p.drawLine(on, on + QPointF(3.5, 1.5));
        }
        p.setPen(QPen(a, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 25), QPointF(5, 28.5));
        note(p, QPointF(23, 26), 6.5, a);
        break;
    }
    case Icon::CD: disc(p, QPointF(16, 16), 12, s); break;
    case Icon::Cddb: {
        disc(p, QPointF(14, 14), 10.5, s);
        // Magnifying glass: the disc is looked up.
        p.setPen(QPen(a, 2.2));
        p.setBrush(QColor(255, 255, 255, 60));
        p.drawEllipse(QPointF(21, 21), 5.2, 5.2);
        p.setPen(QPen(a, 3.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(24.8, 24.8), QPointF(28.5, 28.5));
        break;
    }
    case Icon::Encoder: {
        disc(p, QPointF(12.5, 12.5), 9.5, s);
        // Arrow from the disc into a note.
        p.setPen(QPen(a, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(16, 20), QPointF(20.5, 24.5));
        p.drawLine(QPointF(20.5, 24.5), QPointF(20.5, 20.5));
        p.drawLine(QPointF(20.5, 24.5), QPointF(16.5, 24.5));
        note(p, QPointF(25, 26.5), 6.5, g);
        break;
    }
    case Icon::Convert: {
        p.setPen(QPen(g, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(6.5, 6.5, 19, 19), 20 * 16, 140 * 16);
        p.setPen(QPen(a, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(6.5, 6.5, 19, 19), 200 * 16, 140 * 16);
        auto head = [&](QPointF tip, double angleDeg, const QColor& c) {
            QPainterPath h;
            const double r = qDegreesToRadians(angleDeg);
            const QPointF d(qCos(r), -qSin(r)), n(-d.y(), d.x());
            h.moveTo(tip + d * 3.5);
            h.lineTo(tip - d * 1.5 + n * 3.2);
            h.lineTo(tip - d * 1.5 - n * 3.2);
            h.closeSubpath();
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawPath(h);
        };
        // Arc ends: 160 degrees (upper left) and 340 degrees (lower right), heading on round.
        head(QPointF(16 + 9.5 * qCos(qDegreesToRadians(160.0)), 16 - 9.5 * qSin(qDegreesToRadians(160.0))), 250, g);
        head(QPointF(16 + 9.5 * qCos(qDegreesToRadians(340.0)), 16 - 9.5 * qSin(qDegreesToRadians(340.0))), 70, a);
        break;
    }
    case Icon::Burner: {
        disc(p, QPointF(13.5, 13), 10, s);
        QPainterPath flame;
        flame.moveTo(22, 29);
        flame.cubicTo(15.5, 28, 16, 21, 19.5, 17.5);
        flame.cubicTo(19.5, 20, 21, 21, 22, 21);
        flame.cubicTo(21.5, 18, 23, 15, 25.5, 13.5);
        flame.cubicTo(25, 17, 29, 20, 28, 24.5);
        flame.cubicTo(27.5, 27.5, 25, 29, 22, 29);
        QLinearGradient fg(22, 29, 24, 14);
        fg.setColorAt(0, QColor(0xff, 0xd0, 0x40));
        fg.setColorAt(0.5, QColor(0xff, 0x80, 0x20));
        fg.setColorAt(1, QColor(0xd8, 0x30, 0x18));
        p.setPen(QPen(QColor(0x90, 0x28, 0x10), 0.6));
        p.setBrush(fg);
        p.drawPath(flame);
        break;
    }
    }
}

QImage icon(const Skin& s, Icon kind)
{
    return supersampled(32, 32, [&](QPainter& p) {
        p.fillRect(QRectF(0, 0, 32, 32), s.tileOuter);
        QLinearGradient g(0, 0, 0, 32);
        g.setColorAt(0, s.tileTop);
        g.setColorAt(1, s.tileBottom);
        p.setPen(QPen(s.tileEdge, 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 6, 6);
        // Soft highlight in the upper half of the tile.
        QColor hi = s.btnLight;
        hi.setAlpha(50);
        p.setPen(Qt::NoPen);
        p.setBrush(hi);
        p.drawRoundedRect(QRectF(2, 1.5, 28, 13), 5, 5);
        iconGlyph(p, kind, s);
    });
}

// ---------------------------------------------------------------- skins

bool writeText(const QString& path, const QByteArray& text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "makeskins: cannot write %s\n", qPrintable(path));
        return false;
    }
    return f.write(text) == text.size();
}

bool makeSkin(const QString& root, const Skin& s)
{
    const QString dir = root + '/' + s.folder + '/';
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "makeskins: cannot create %s\n", qPrintable(dir));
        return false;
    }
    bool ok = writeText(dir + "skin.ini", QByteArray::number(qlonglong(colorNumber(s.fore))) + "\r\n" +
                                              QByteArray::number(qlonglong(colorNumber(s.back))) + "\r\n");
    const struct {
        const char* file;
        Icon kind;
    } icons[] = {{"player.bmp", Icon::Player},   {"playlist.bmp", Icon::Playlist}, {"exit.bmp", Icon::Exit},
                 {"quillory.bmp", Icon::Quillory}, {"cddb.bmp", Icon::Cddb},     {"encoder.bmp", Icon::Encoder},
                 {"CD.bmp", Icon::CD},           {"convert.bmp", Icon::Convert},   {"Burner.bmp", Icon::Burner}};
    for (const auto& i : icons)
        ok = saveBmp(icon(s, i.kind), dir + i.file) && ok;
    ok = saveBmp(background(s, 1024, 768, false), dir + "background.bmp") && ok;
    ok = saveBmp(background(s, 320, 240, true), dir + "smallback.bmp") && ok;
    ok = saveBmp(buttonFace(s, 78, 25), dir + "ssbutton.bmp") && ok;
    ok = saveBmp(buttonFace(s, 44, 24), dir + "ssmallbutton.bmp") && ok;
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeskins <Skins folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);

    Skin midnight;
    midnight.folder = "Midnight";
    midnight.style = Style::Midnight;
    midnight.fore = QColor(0xd4, 0xe6, 0xff);
    midnight.back = QColor(0x10, 0x1a, 0x3a);
    midnight.tileOuter = QColor(0x0d, 0x15, 0x33);
    midnight.tileTop = QColor(0x25, 0x3d, 0x78);
    midnight.tileBottom = QColor(0x0f, 0x1a, 0x40);
    midnight.tileEdge = QColor(0x5b, 0x8f, 0xd8);
    midnight.glyph = QColor(0xdd, 0xea, 0xff);
    midnight.glyphAccent = QColor(0x5f, 0xd4, 0xff);
    midnight.glyphShade = QColor(0x1a, 0x2a, 0x55);
    // Button faces dark enough under their sheen for the light captions (4.5:1 and more).
    midnight.btnTop = QColor(0x2c, 0x4c, 0x90);
    midnight.btnBottom = QColor(0x14, 0x24, 0x55);
    midnight.btnEdge = QColor(0x5b, 0x8f, 0xd8);
    midnight.btnLight = QColor(0x70, 0x94, 0xd0);

    Skin maple;
    maple.folder = "Maple";
    maple.style = Style::Maple;
    maple.fore = QColor(0x4a, 0x24, 0x0e);
    maple.back = QColor(0xff, 0xf8, 0xea);
    maple.tileOuter = QColor(0xf6, 0xe2, 0xbb);
    maple.tileTop = QColor(0xff, 0xf4, 0xdc);
    maple.tileBottom = QColor(0xf0, 0xcf, 0x93);
    maple.tileEdge = QColor(0xa2, 0x5c, 0x22);
    maple.glyph = QColor(0x8c, 0x3a, 0x14);
    maple.glyphAccent = QColor(0xd0, 0x3e, 0x1a);
    maple.glyphShade = QColor(0x5a, 0x28, 0x0c);
    maple.btnTop = QColor(0xff, 0xec, 0xbf);
    maple.btnBottom = QColor(0xe9, 0xb4, 0x62);
    maple.btnEdge = QColor(0x9a, 0x5a, 0x22);
    maple.btnLight = QColor(0xff, 0xff, 0xf4);

    Skin plain;
    plain.folder = "(No Skin)";
    plain.style = Style::Plain;
    plain.fore = QColor(0, 0, 0);
    plain.back = QColor(0xff, 0xff, 0xff);
    plain.tileOuter = QColor(0xec, 0xea, 0xe6);
    plain.tileTop = QColor(0xfc, 0xfc, 0xfb);
    plain.tileBottom = QColor(0xdd, 0xdb, 0xd6);
    plain.tileEdge = QColor(0x8e, 0x8b, 0x85);
    plain.glyph = QColor(0x3c, 0x4a, 0x5e);
    plain.glyphAccent = QColor(0x1f, 0x6f, 0xc4);
    plain.glyphShade = QColor(0x2a, 0x33, 0x40);
    plain.btnTop = QColor(0xfa, 0xfa, 0xf9);
    plain.btnBottom = QColor(0xd9, 0xd7, 0xd2);
    plain.btnEdge = QColor(0x8e, 0x8b, 0x85);
    plain.btnLight = QColor(0xff, 0xff, 0xff);

    bool ok = true;
    for (const Skin* s : {&midnight, &maple, &plain})
        ok = makeSkin(root, *s) && ok;

    // A first skin choice, so that a fresh program folder starts dressed. An existing
    // choice is the user's and is kept.
    const QString choice = root + "/skinmain.ini";
    if (!QFile::exists(choice))
        ok = writeText(choice, "Midnight\r\n 0 \r\n") && ok;
    return ok ? 0 : 1;
}
