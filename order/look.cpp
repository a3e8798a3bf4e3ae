#include "look.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

namespace orderapp {

void useOrderFont(QWidget* w)
{
    QFont f = w->font();
    f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setPointSize(9);
    f.setBold(true);
    w->setFont(f);
}

void useWhiteBackground(QWidget* w)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, Qt::white);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void setClientSizeTwips(QWidget* w, int widthTwips, int heightTwips)
{
    w->setMinimumSize(widthTwips / 15, heightTwips / 15);
}

void centreOnScreen(QWidget* w)
{
    w->adjustSize();
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect s = screen->geometry();
    const QSize outer = w->frameGeometry().size().expandedTo(w->size());
    const double left = (s.width() - outer.width()) / 2.0;
    const double top = (s.height() - outer.height()) / 2.0;
    w->move(s.x() + int(left), s.y() + int(top));
}

QPixmap bannerPixmap()
{
    QPixmap pm(200, 31);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 200, 0);
    g.setColorAt(0, QColor(0x1d, 0x3f, 0x72));
    g.setColorAt(1, QColor(0x3f, 0x8f, 0xc8));
    p.fillRect(pm.rect(), g);
    // A small quill-like stroke beside the name.
    QPainterPath quill;
    quill.moveTo(10, 26);
    quill.cubicTo(14, 14, 22, 6, 30, 4);
    quill.cubicTo(26, 12, 20, 20, 10, 26);
    p.fillPath(quill, QColor(0xf2, 0xc1, 0x4e));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(17);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(38, 0, 160, 31), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Quillory Order"));
    return pm;
}

ProductGrid::ProductGrid(QWidget* parent) : QWidget(parent), m_grid(new QGridLayout(this))
{
    m_grid->setSpacing(0);
    m_grid->setContentsMargins(1, 1, 1, 1);
}

void ProductGrid::setCell(int row, int column, QWidget* content, Qt::Alignment align)
{
    auto* cell = new QWidget(this);
    auto* l = new QGridLayout(cell);
    l->setContentsMargins(5, 3, 5, 3);
    l->addWidget(content, 0, 0, align);
    m_grid->addWidget(cell, row, column);
}

void ProductGrid::setColumnStretch(int column, int stretch) { m_grid->setColumnStretch(column, stretch); }

void ProductGrid::paintEvent(QPaintEvent*)
{
    const int rows = m_grid->rowCount();
    const int cols = m_grid->columnCount();
    if (rows == 0 || cols == 0)
        return;
    QPainter p(this);
    p.setPen(QPen(Qt::black, 1));
    const QRect first = m_grid->cellRect(0, 0);
    const QRect last = m_grid->cellRect(rows - 1, cols - 1);
    const int left = first.left() - 1;
    const int top = first.top() - 1;
    const int right = last.right() + 1;
    const int bottom = last.bottom() + 1;
    p.drawRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).adjusted(0, 0, 0, 0));
    for (int r = 1; r < rows; ++r) {
        const int y = m_grid->cellRect(r, 0).top();
        p.drawLine(left, y, right - 1, y);
    }
    for (int c = 1; c < cols; ++c) {
        const int x = m_grid->cellRect(0, c).left();
        p.drawLine(x, top, x, bottom - 1);
    }
}

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    QFont f = font();
    f.setBold(true);
    f.setUnderline(true);
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    setPalette(p);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setTextFormat(Qt::PlainText);
    setContentsMargins(4, 2, 4, 2);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(e);
}

void LinkLabel::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Space) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(e);
}

void LinkLabel::paintEvent(QPaintEvent* e)
{
    QLabel::paintEvent(e);
    if (hasFocus()) {
        QPainter p(this);
        p.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void dialogKeys(QWidget* w, QPushButton* ok, QPushButton* cancel)
{
    if (ok)
        for (QKeySequence key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)})
            QObject::connect(new QShortcut(key, w), &QShortcut::activated, w, [w, ok] {
                auto* focused = qobject_cast<QPushButton*>(w->focusWidget());
                (focused && focused->isVisible() ? focused : ok)->click();
            });
    if (cancel)
        QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), w), &QShortcut::activated, cancel,
                         &QPushButton::click);
}

QLabel* wrappedLabel(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    return l;
}

} // namespace orderapp
