#pragma once
// The control classes the windows are built from. putskin tells them apart by class
// (label, picture box, text box, combo box, list view, 3-D button); everything else is
// a plain Qt widget. Every control carries a design tag ("Tag") and design geometry in twips.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

// Colour numbers as stored in skin files: red + 256 * green + 65536 * blue.
QColor colorFromNumber(long n);
long numberFromColor(const QColor& c);

// Design tag of a control or window ("" when none).
QString Tag(const QObject* o);
void setTag(QObject* o, const QString& tag);

// Places a control by its design geometry in twips (15 twips per pixel at design scale).
// The twips are kept, so that sizes read back exactly as designed (700 twips is not a whole
// number of pixels); once the widget is moved or resized by other means its pixels count.
void placeTwips(QWidget* w, int left, int top, int width, int height);
int leftTwips(const QWidget* w);
int topTwips(const QWidget* w);
int widthTwips(const QWidget* w);
int heightTwips(const QWidget* w);

// Background and fore colour of a widget.
void setBackColor(QWidget* w, const QColor& c);
// Fore colour of a widget; disabled, it shows the colour faded.
void setForeColor(QWidget* w, const QColor& c);
// Caption colour of a check box or option button (faded when disabled); its box keeps the
// program's own ground and mark colours, so the tick stays visible whatever the caption's colour.
void setCaptionColor(QAbstractButton* b, const QColor& c);

// A caption label; raises clicked and pointer events like the original labels.
class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(const QString& text = {}, QWidget* parent = nullptr);
    void setFontBold(bool b);
    bool fontBold() const { return font().bold(); }
signals:
    void clicked();
    void mouseMoved(QPoint pos);
    void mouseDown(Qt::MouseButton b, QPoint pos);
protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
};

// A picture box: shows a picture scaled to its size, optional border; clickable.
class PictureBox : public QLabel {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    void setPicture(const QPixmap& p);
    const QPixmap& picture() const { return m_picture; }
    // 0 = none, 1 = fixed single (sunken) border.
    void setBorderStyle(int style);
    int borderStyle() const { return m_border; }
signals:
    void clicked();
    void mouseMoved(QPoint pos);
    void mouseDown(Qt::MouseButton b, QPoint pos);
    void mouseUp(Qt::MouseButton b, QPoint pos);
protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
private:
    void refresh();
    QPixmap m_picture;
    int m_border = 0;
    bool m_pressed = false;
};

class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr) : QLineEdit(parent) {}
};

class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr) : QComboBox(parent) {}
};

// A report-style list view with an optional background picture.
class ListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);
    void setBackgroundPicture(const QPixmap& p);
    const QPixmap& backgroundPicture() const { return m_back; }
protected:
    void changeEvent(QEvent* e) override;
private:
    void applyBackground();
    QPixmap m_back;
};

// A 3-D command button that can wear a picture behind its caption.
class SSCommand : public QPushButton {
    Q_OBJECT
public:
    explicit SSCommand(const QString& caption = {}, QWidget* parent = nullptr);
    void setPicture(const QPixmap& p);
    const QPixmap& picture() const { return m_picture; }
protected:
    void paintEvent(QPaintEvent* e) override;
private:
    QPixmap m_picture;
};

using CheckBox = QCheckBox;
using OptionButton = QRadioButton;

// Column captions over a list whose own header is hidden (or doubled by labels): keeps each
// caption over its column, from the column's left edge to the next column's (the last one to
// the list's right edge), its text starting where the column's text starts, as the list moves
// and its columns change width. captions[i] stands over column i; nullptr skips a column.
// Each caption records its list ("captionOf") and column ("captionColumn").
void LineUpCaptions(ListView* list, const QList<QLabel*>& captions);
// Where a list's cell text starts, in pixels from the cell's left edge.
int ListTextMargin(const QWidget* list);
