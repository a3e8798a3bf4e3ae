#include "platform/controls.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionButton>
#include <QVariant>
#include <optional>

QColor colorFromNumber(long n)
{
    return QColor(static_cast<int>(n & 0xFF), static_cast<int>((n >> 8) & 0xFF), static_cast<int>((n >> 16) & 0xFF));
}

long numberFromColor(const QColor& c) { return c.red() + 256L * c.green() + 65536L * c.blue(); }

QString Tag(const QObject* o) { return o ? o->property("Tag").toString() : QString(); }
void setTag(QObject* o, const QString& tag) { o->setProperty("Tag", tag); }

namespace {
QRect pxFromTwips(const QRect& t) { return QRect(t.x() / 15, t.y() / 15, t.width() / 15, t.height() / 15); }
// The design geometry in twips while the widget still stands where placeTwips put it.
std::optional<QRect> keptTwips(const QWidget* w)
{
    const QVariant v = w->property("_twips");
    if (!v.isValid())
        return std::nullopt;
    const QRect t = v.toRect();
    if (pxFromTwips(t) != w->geometry())
        return std::nullopt;
    return t;
}
} // namespace

void placeTwips(QWidget* w, int left, int top, int width, int height)
{
    const QRect t(left, top, width, height);
    w->setProperty("_twips", t);
    w->setGeometry(pxFromTwips(t));
}
int leftTwips(const QWidget* w)
{
    const auto t = keptTwips(w);
    return t ? t->x() : w->x() * 15;
}
int topTwips(const QWidget* w)
{
    const auto t = keptTwips(w);
    return t ? t->y() : w->y() * 15;
}
int widthTwips(const QWidget* w)
{
    const auto t = keptTwips(w);
    return t ? t->width() : w->width() * 15;
}
int heightTwips(const QWidget* w)
{
    const auto t = keptTwips(w);
    return t ? t->height() : w->height() * 15;
}

void setBackColor(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::Base, c);
    p.setColor(QPalette::Button, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

namespace {
// Sets the text colour roles; a disabled control shows the colour faded into its ground, so
// it looks disabled.
void setTextRoles(QPalette& p, const QColor& c, std::initializer_list<QPalette::ColorRole> roles)
{
    QColor faded = c;
    faded.setAlphaF(0.4);
    for (auto role : roles) {
        p.setColor(role, c);
        p.setColor(QPalette::Disabled, role, faded);
    }
}
} // namespace

void setForeColor(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    setTextRoles(p, c, {QPalette::WindowText, QPalette::Text, QPalette::ButtonText});
    w->setPalette(p);
}

void setCaptionColor(QAbstractButton* b, const QColor& c)
{
    QPalette p = b->palette();
    setTextRoles(p, c, {QPalette::WindowText});
    const QPalette program = QApplication::palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (auto role : {QPalette::Base, QPalette::Text})
            p.setColor(group, role, program.color(group, role));
    b->setPalette(p);
}

// ---- Label ----
Label::Label(const QString& text, QWidget* parent) : QLabel(text, parent) { setMouseTracking(true); }
void Label::setFontBold(bool b)
{
    QFont f = font();
    f.setBold(b);
    setFont(f);
}
void Label::mousePressEvent(QMouseEvent* e)
{
    emit mouseDown(e->button(), e->position().toPoint());
    QLabel::mousePressEvent(e);
}
void Label::mouseReleaseEvent(QMouseEvent* e)
{
    if (rect().contains(e->position().toPoint()) && e->button() == Qt::LeftButton)
        emit clicked();
    QLabel::mouseReleaseEvent(e);
}
void Label::mouseMoveEvent(QMouseEvent* e)
{
    emit mouseMoved(e->position().toPoint());
    QLabel::mouseMoveEvent(e);
}

// ---- PictureBox ----
PictureBox::PictureBox(QWidget* parent) : QLabel(parent)
{
    setMouseTracking(true);
    setAlignment(Qt::AlignCenter);
}
void PictureBox::setPicture(const QPixmap& p)
{
    m_picture = p;
    refresh();
}
void PictureBox::setBorderStyle(int style)
{
    m_border = style;
    setFrameStyle(style ? (QFrame::Panel | QFrame::Sunken) : QFrame::NoFrame);
    refresh();
}
void PictureBox::refresh()
{
    if (m_picture.isNull()) {
        setPixmap(QPixmap());
        return;
    }
    setPixmap(m_picture.scaled(contentsRect().size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}
void PictureBox::resizeEvent(QResizeEvent* e)
{
    QLabel::resizeEvent(e);
    refresh();
}
void PictureBox::mousePressEvent(QMouseEvent* e)
{
    m_pressed = true;
    emit mouseDown(e->button(), e->position().toPoint());
}
void PictureBox::mouseReleaseEvent(QMouseEvent* e)
{
    emit mouseUp(e->button(), e->position().toPoint());
    if (m_pressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) {
        m_pressed = false;
        emit clicked();
    }
    m_pressed = false;
}
void PictureBox::mouseMoveEvent(QMouseEvent* e) { emit mouseMoved(e->position().toPoint()); }

// ---- ListView ----
ListView::ListView(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
}
void ListView::setBackgroundPicture(const QPixmap& p)
{
    m_back = p;
    applyBackground();
}
void ListView::applyBackground()
{
    // The rows are painted over the viewport, whose Base is the picture (or the view's back colour).
    QPalette pal = viewport()->palette();
    if (m_back.isNull())
        pal.setBrush(QPalette::Base, palette().brush(QPalette::Base));
    else
        pal.setBrush(QPalette::Base, QBrush(m_back));
    viewport()->setPalette(pal);
    viewport()->setAutoFillBackground(true);
}
void ListView::changeEvent(QEvent* e)
{
    QTreeWidget::changeEvent(e);
    // A new back colour of the view reaches the viewport too.
    if (e->type() == QEvent::PaletteChange)
        applyBackground();
}

// ---- SSCommand ----
SSCommand::SSCommand(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}
void SSCommand::setPicture(const QPixmap& p)
{
    m_picture = p;
    update();
}
void SSCommand::paintEvent(QPaintEvent* e)
{
    if (m_picture.isNull()) {
        QPushButton::paintEvent(e);
        return;
    }
    QPainter painter(this);
    // A disabled button's face is faded into the window behind it, as its caption is.
    if (!isEnabled())
        painter.setOpacity(0.45);
    painter.drawPixmap(rect(), m_picture);
    painter.setOpacity(1.0);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    if (isDown())
        painter.fillRect(rect(), QColor(0, 0, 0, 50));
    if (hasFocus()) {
        QStyleOptionFocusRect fr;
        fr.initFrom(this);
        fr.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &fr, &painter, this);
    }
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic, text());
}

// ---- column captions ----
namespace {
class CaptionAligner : public QObject {
public:
    CaptionAligner(ListView* list, const QList<QLabel*>& captions) : QObject(list), m_list(list)
    {
        for (QLabel* c : captions)
            m_captions.emplace_back(c);
        list->installEventFilter(this);
        for (QLabel* c : captions)
            if (c)
                c->installEventFilter(this);
        connect(list->header(), &QHeaderView::sectionResized, this, &CaptionAligner::align);
        connect(list->header(), &QHeaderView::geometriesChanged, this, &CaptionAligner::align);
        align();
    }
    bool eventFilter(QObject*, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::ParentChange:
            align();
            break;
        default: break;
        }
        return false;
    }
    void align()
    {
        if (m_aligning)
            return;
        m_aligning = true;
        QWidget* top = m_list->window();
        const QPoint origin = m_list->mapTo(top, m_list->contentsRect().topLeft());
        const int listRight = m_list->mapTo(top, m_list->contentsRect().topRight()).x() + 1;
        const QHeaderView* h = m_list->header();
        const int margin = ListTextMargin(m_list);
        for (int i = 0; i < static_cast<int>(m_captions.size()); ++i) {
            QLabel* c = m_captions[i];
            if (!c || !c->parentWidget())
                continue;
            const int left = origin.x() + h->sectionViewportPosition(i);
            int right = listRight;
            for (int j = i + 1; j < h->count(); ++j)
                if (!h->isSectionHidden(j)) {
                    right = std::min(right, origin.x() + h->sectionViewportPosition(j));
                    break;
                }
            const QPoint at = c->parentWidget()->mapFrom(top, QPoint(left, 0));
            c->setGeometry(at.x(), c->y(), std::max(0, right - left), c->height());
            QMargins m = c->contentsMargins();
            m.setLeft(0);
            c->setContentsMargins(m);
            c->setAlignment((c->alignment() & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft);
            c->setIndent(std::max(0, margin - c->contentsRect().left()));
        }
        m_aligning = false;
    }

private:
    QPointer<ListView> m_list;
    std::vector<QPointer<QLabel>> m_captions;
    bool m_aligning = false;
};
} // namespace

int ListTextMargin(const QWidget* list)
{
    // As the item delegate draws a cell's text: the focus frame's margin and one pixel more.
    return list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
}

void LineUpCaptions(ListView* list, const QList<QLabel*>& captions)
{
    for (int i = 0; i < captions.size(); ++i)
        if (QLabel* c = captions[i]) {
            c->setProperty("captionOf", QVariant::fromValue(static_cast<QObject*>(list)));
            c->setProperty("captionColumn", i);
        }
    new CaptionAligner(list, captions);
}
