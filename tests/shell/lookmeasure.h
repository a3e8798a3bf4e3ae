#pragma once
// Measures how legible a rendered window is: the contrast of every caption's text against
// what is drawn behind it, and of every picture button's glyph against the button's ground.
#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QString>
#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "platform/controls.h"

namespace look {

// Relative luminance of an sRGB colour.
inline double luminance(QRgb c)
{
    auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
}

inline double contrast(double a, double b) { return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05); }

// The palette role a text control draws its text with.
inline QPalette::ColorRole textRole(const QWidget* w)
{
    return qobject_cast<const SSCommand*>(w) || (qobject_cast<const QAbstractButton*>(w) &&
                                                 !qobject_cast<const QCheckBox*>(w) &&
                                                 !qobject_cast<const QRadioButton*>(w))
               ? QPalette::ButtonText
               : QPalette::WindowText;
}

// Controls that draw a caption: labels (not picture boxes), buttons, check and option boxes,
// frame captions; shown, enabled and with a text.
inline std::vector<QWidget*> textControls(QWidget* window)
{
    std::vector<QWidget*> out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || !w->isEnabled() || w->isWindow())
            continue;
        QString text;
        if (auto* l = qobject_cast<QLabel*>(w); l && !qobject_cast<PictureBox*>(w))
            text = l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            text = b->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            text = g->title();
        if (!text.trimmed().isEmpty())
            out.push_back(w);
    }
    return out;
}

// Picture boxes that are buttons (they show the pointing hand) with a picture.
inline std::vector<PictureBox*> pictureButtons(QWidget* window)
{
    std::vector<PictureBox*> out;
    for (PictureBox* p : window->findChildren<PictureBox*>())
        if (p->isVisibleTo(window) && p->isEnabled() && !p->picture().isNull() &&
            p->cursor().shape() == Qt::PointingHandCursor)
            out.push_back(p);
    return out;
}

// The value at fraction q of the sorted values.
inline double quantile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))];
}

// Contrast of a text colour against the ground behind its glyph pixels. `with` and `without`
// are renderings of the same area with and without the text; the pixels they differ in are the
// glyphs. The worst two per cent are left out: single specks of a textured ground (a star,
// a grain line) do not make text unreadable. 0 when no glyph pixel is found.
inline double textContrast(const QImage& with, const QImage& without, const QRect& area, const QColor& text)
{
    const double lt = luminance(text.rgb());
    std::vector<double> ratios;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb a = with.pixel(x, y), b = without.pixel(x, y);
            const int d = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
            if (d > 24)
                ratios.push_back(contrast(lt, luminance(b)));
        }
    return ratios.empty() ? 0.0 : quantile(ratios, 0.02);
}

// Contrast of a tick or dot against the ground of its box: `ticked` and `clear` are renderings
// of the same area with the box ticked and not; the pixels they differ in are the mark. The
// strokes count, not their anti-aliased edges: the quarter of the mark's pixels that stand out
// most. 1 (no contrast) when no mark pixel is found.
inline double markContrast(const QImage& ticked, const QImage& clear)
{
    std::vector<double> ratios;
    for (int y = 0; y < std::min(ticked.height(), clear.height()); ++y)
        for (int x = 0; x < std::min(ticked.width(), clear.width()); ++x) {
            const QRgb a = ticked.pixel(x, y), b = clear.pixel(x, y);
            const int d = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
            if (d > 24)
                ratios.push_back(contrast(luminance(a), luminance(b)));
        }
    return ratios.empty() ? 1.0 : quantile(ratios, 0.75);
}

// Contrast of a picture's glyph against its ground: the pixels are split in two by lightness
// (Otsu's threshold on log luminance, the scale contrast is measured in); the larger part is
// the ground, the smaller the glyph.
inline double glyphContrast(const QImage& img, const QRect& area)
{
    std::vector<double> v;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            v.push_back(std::log(luminance(img.pixel(x, y)) + 0.05));
    if (v.size() < 4)
        return 0.0;
    const double lo = std::log(0.05), hi = std::log(1.05);
    constexpr int kBins = 256;
    std::vector<double> hist(kBins, 0.0);
    auto bin = [&](double x) { return std::clamp(static_cast<int>((x - lo) / (hi - lo) * (kBins - 1)), 0, kBins - 1); };
    for (double x : v)
        hist[bin(x)] += 1;
    const double total = static_cast<double>(v.size());
    double sumAll = 0;
    for (int i = 0; i < kBins; ++i)
        sumAll += i * hist[i];
    double w0 = 0, sum0 = 0, best = -1;
    int split = 0;
    for (int t = 0; t < kBins - 1; ++t) {
        w0 += hist[t];
        sum0 += t * hist[t];
        const double w1 = total - w0;
        if (w0 == 0 || w1 == 0)
            continue;
        const double m0 = sum0 / w0, m1 = (sumAll - sum0) / w1;
        const double between = w0 * w1 * (m0 - m1) * (m0 - m1);
        if (between > best) {
            best = between;
            split = t;
        }
    }
    std::vector<double> dark, light;
    for (double x : v)
        (bin(x) <= split ? dark : light).push_back(x);
    if (dark.empty() || light.empty())
        return 1.0;
    // The ground's typical value against the glyph's strokes, not their anti-aliased edges:
    // the quarter of the glyph's pixels that lie farthest from the ground.
    if (dark.size() >= light.size())
        return std::exp(quantile(light, 0.75) - quantile(dark, 0.5));
    return std::exp(quantile(light, 0.5) - quantile(dark, 0.25));
}

} // namespace look
