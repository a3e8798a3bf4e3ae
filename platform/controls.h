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
#include <QTreeView>
#include <QVarLengthArray>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

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

class ListView;
class ListModel;

// One row of a ListView: its texts (column 0 is the item's text, the others its sub-items),
// the values of other roles a window keeps with it, and its flags. A plain record: the list
// keeps its rows in one vector and shows them through its model, never as widget items.
// Texts are kept as given, so a row shares them with where they came from.
class ListItem {
public:
    explicit ListItem(const QStringList& texts = {});
    // A row appended to list, which owns it.
    explicit ListItem(ListView* list, const QStringList& texts = {});
    ListItem(const ListItem&) = delete;
    ListItem& operator=(const ListItem&) = delete;
    // A row deleted while in a list leaves the list.
    ~ListItem();

    QString text(int column) const { return column >= 0 && column < m_texts.size() ? m_texts.at(column) : QString(); }
    void setText(int column, const QString& text);
    int columnCount() const { return int(m_texts.size()); }
    // Display and edit roles are the text; other roles are kept as given.
    QVariant data(int column, int role) const;
    void setData(int column, int role, const QVariant& value);
    Qt::ItemFlags flags() const { return m_flags; }
    void setFlags(Qt::ItemFlags flags);
    bool isSelected() const;
    // Selects or unselects the row alone, whatever the list's selection mode.
    void setSelected(bool select);
    ListView* treeWidget() const { return m_list; }

private:
    friend class ListView;
    friend class ListModel;
    struct Value {
        int column;
        int role;
        QVariant value;
    };
    ListView* m_list = nullptr;
    int m_row = -1; // its place in the list, kept as rows move
    static constexpr Qt::ItemFlags kDefaultFlags = Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled |
                                                   Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    Qt::ItemFlags m_flags = kDefaultFlags;
    QVarLengthArray<QString, 5> m_texts; // held in the row itself up to five columns
    std::unique_ptr<std::vector<Value>> m_values; // other roles, rare
};

// A report-style list view with an optional background picture. Its rows are ListItem records
// held in one vector behind a flat item model; the view asks only for the rows it shows.
// Items, sub-items, selection and sorting work as the windows use them: rows are added,
// found, taken and selected by item or by place; a click on a row reports the row.
class ListView : public QTreeView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);
    ~ListView() override;
    void setBackgroundPicture(const QPixmap& p);
    const QPixmap& backgroundPicture() const { return m_back; }

    // Columns and their captions.
    void setHeaderLabels(const QStringList& labels);
    void setColumnCount(int columns);
    int columnCount() const;
    // The captions as a row (its texts are the captions).
    const ListItem* headerItem() const { return &m_header; }

    // Rows. The list owns the rows added to it; a taken row is the caller's.
    int topLevelItemCount() const;
    ListItem* topLevelItem(int index) const;
    int indexOfTopLevelItem(const ListItem* item) const;
    void addTopLevelItem(ListItem* item);
    void addTopLevelItems(const QList<ListItem*>& items);
    void insertTopLevelItem(int index, ListItem* item);
    ListItem* takeTopLevelItem(int index);
    void clear();
    QList<ListItem*> findItems(const QString& text, Qt::MatchFlags flags, int column = 0) const;
    // The place of the first row from place from on that test accepts; -1 when there is none.
    // The rows are walked in order; test must not change the list.
    int findRow(int from, const std::function<bool(ListItem*)>& test) const;

    // The current and the selected rows.
    ListItem* currentItem() const;
    void setCurrentItem(ListItem* item);
    void setCurrentItem(ListItem* item, int column, QItemSelectionModel::SelectionFlags command);
    QList<ListItem*> selectedItems() const;
    ListItem* itemFromIndex(const QModelIndex& index) const;
    QModelIndex indexFromItem(const ListItem* item, int column = 0) const;
    ListItem* itemAt(const QPoint& p) const { return itemFromIndex(indexAt(p)); }
    QRect visualItemRect(const ListItem* item) const;
    void scrollToItem(const ListItem* item, QAbstractItemView::ScrollHint hint = EnsureVisible);

    // Sorting: by the texts of a column, compared as they are or ignoring letter case. A row's
    // keys are taken once per sort, so a sort of many rows compares them directly; the
    // current and selected rows stay so. While sorting is on, added rows and changed texts
    // of the sort column are sorted in on the next pass of the event loop.
    void sortItems(int column, Qt::SortOrder order);
    int sortColumn() const;
    void setSortCaseSensitivity(Qt::CaseSensitivity cs) { m_sortCase = cs; }
    Qt::CaseSensitivity sortCaseSensitivity() const { return m_sortCase; }

signals:
    void itemClicked(ListItem* item, int column);
    void itemDoubleClicked(ListItem* item, int column);
    void itemActivated(ListItem* item, int column);
    void itemSelectionChanged();

protected:
    void changeEvent(QEvent* e) override;
    void setSelectionModel(QItemSelectionModel* selectionModel) override;

private:
    friend class ListItem;
    friend class ListModel;
    void applyBackground();
    ListModel* m_model;
    ListItem m_header;
    QPixmap m_back;
    Qt::CaseSensitivity m_sortCase = Qt::CaseSensitive;
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
