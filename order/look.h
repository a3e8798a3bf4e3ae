#pragma once
// Shared look and small building blocks of the order program's windows.
#include <QLabel>
#include <QPixmap>
#include <QWidget>

class QGridLayout;
class QPushButton;

namespace orderapp {

// Bold Arial type for a whole window.
void useOrderFont(QWidget* w);
// White window background, as on a paper form.
void useWhiteBackground(QWidget* w);
// Sets the window's minimum client size from twips (15 per pixel), so the designs'
// proportions hold while larger type still fits.
void setClientSizeTwips(QWidget* w, int widthTwips, int heightTwips);
// Centres the window on its screen.
void centreOnScreen(QWidget* w);

// The banner at the top of the start window (200 x 31 pixels), drawn by the program.
QPixmap bannerPixmap();

// A table drawn as a grid of lines around its cells.
class ProductGrid : public QWidget {
public:
    explicit ProductGrid(QWidget* parent = nullptr);
    // Puts a widget into a cell; cells are padded so that the lines do not touch their content.
    void setCell(int row, int column, QWidget* content, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
    void setColumnStretch(int column, int stretch);
    QGridLayout* grid() const { return m_grid; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QGridLayout* m_grid;
};

// A label that acts as a hyperlink: blue, bold, underlined, with a hand pointer,
// reachable with Tab and activated by a click, Enter or Space.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
};

// The keys of a dialog window: Enter presses the focused button, or ok when the focus is
// elsewhere (no Enter key when ok is nullptr, so that a focused link keeps it); Escape
// presses cancel.
void dialogKeys(QWidget* w, QPushButton* ok, QPushButton* cancel);

// A word-wrapped label.
QLabel* wrappedLabel(const QString& text, QWidget* parent);

} // namespace orderapp
