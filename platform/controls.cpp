#include "platform/controls.h"

#include <QApplication>
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QSet>
#include <QTimer>
#include <algorithm>
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

// The flat model behind a ListView: the rows in one vector, in the list's order.
class ListModel : public QAbstractTableModel {
public:
    explicit ListModel(ListView* view) : QAbstractTableModel(view), m_view(view) {}
    ~ListModel() override { forgetRows(); }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(rows.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_columns; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        const ListItem* item = itemAt(index);
        return item ? item->data(index.column(), role) : QVariant();
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        ListItem* item = itemAt(index);
        if (!item)
            return false;
        item->setData(index.column(), role, value);
        return true;
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        // The view asks for every row's flags when it lays the rows out: while all rows have
        // the usual flags, the rows themselves are not visited.
        if (m_unusualFlags == 0)
            return index.isValid() && index.model() == this && index.row() < int(rows.size())
                       ? ListItem::kDefaultFlags | Qt::ItemNeverHasChildren
                       : Qt::NoItemFlags;
        const ListItem* item = itemAt(index);
        return item ? item->flags() | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || section < 0 || section >= m_columns)
            return {};
        if (role == Qt::DisplayRole)
            return section < m_view->m_header.columnCount() ? m_view->m_header.text(section)
                                                            : QString::number(section + 1);
        return {};
    }
    void sort(int column, Qt::SortOrder order) override;

    ListItem* itemAt(const QModelIndex& index) const
    {
        if (!index.isValid() || index.model() != this || index.row() >= int(rows.size()))
            return nullptr;
        return rows[size_t(index.row())].get();
    }
    void setColumns(int columns)
    {
        columns = std::max(0, columns);
        m_sorted.column = -1;
        if (columns > m_columns) {
            beginInsertColumns({}, m_columns, columns - 1);
            m_columns = columns;
            endInsertColumns();
        } else if (columns < m_columns) {
            beginRemoveColumns({}, columns, m_columns - 1);
            m_columns = columns;
            endRemoveColumns();
        }
    }
    void insert(int at, const QList<ListItem*>& items)
    {
        std::vector<std::unique_ptr<ListItem>> adding;
        adding.reserve(size_t(items.size()));
        // A row already in a list (or twice in items) is added once.
        for (ListItem* item : items)
            if (item && !item->m_list) {
                item->m_list = m_view;
                m_unusualFlags += item->m_flags != ListItem::kDefaultFlags;
                adding.emplace_back(item);
            }
        if (adding.empty())
            return;
        at = std::clamp(at, 0, int(rows.size()));
        beginInsertRows({}, at, at + int(adding.size()) - 1);
        rows.insert(rows.begin() + at, std::make_move_iterator(adding.begin()), std::make_move_iterator(adding.end()));
        m_sorted.column = -1;
        renumber(at);
        endInsertRows();
        sortLater();
    }
    // Takes a row out of the list; the caller owns it.
    ListItem* take(int at)
    {
        if (at < 0 || at >= int(rows.size()))
            return nullptr;
        beginRemoveRows({}, at, at);
        ListItem* item = rows[size_t(at)].release();
        rows.erase(rows.begin() + at);
        item->m_list = nullptr;
        item->m_row = -1;
        m_unusualFlags -= item->m_flags != ListItem::kDefaultFlags;
        renumber(at);
        endRemoveRows();
        return item;
    }
    void clearRows()
    {
        beginResetModel();
        forgetRows();
        rows.clear();
        rows.shrink_to_fit();
        m_unusualFlags = 0;
        m_sorted.column = -1;
        endResetModel();
    }
    void changed(const ListItem* item, int column)
    {
        const QModelIndex i = index(item->m_row, column);
        if (column == m_sorted.column)
            m_sorted.column = -1;
        emit dataChanged(i, i);
        if (column == m_view->header()->sortIndicatorSection())
            sortLater();
    }
    // A row's flags change.
    void setFlags(ListItem* item, Qt::ItemFlags flags)
    {
        m_unusualFlags += int(flags != ListItem::kDefaultFlags) - int(item->m_flags != ListItem::kDefaultFlags);
        item->m_flags = flags;
        changedRow(item);
    }
    void changedRow(const ListItem* item)
    {
        emit dataChanged(index(item->m_row, 0), index(item->m_row, std::max(0, m_columns - 1)));
    }

    std::vector<std::unique_ptr<ListItem>> rows;

private:
    // The rows lie scattered in memory, their texts elsewhere again: a walk over many rows asks
    // for those a few places ahead before it reaches them, so that it does not wait for each.
    static constexpr size_t kAhead = 16;
    static void prefetchRow(const ListItem* item)
    {
        const char* p = reinterpret_cast<const char*>(item);
        for (size_t at = 0; at < sizeof(ListItem); at += 64)
            __builtin_prefetch(p + at);
    }
    static const QString& textOf(const ListItem& item, int column)
    {
        static const QString none;
        return column < item.m_texts.size() ? item.m_texts.at(column) : none;
    }
    // Calls f with the text of column of each row, in order.
    template <class F>
    void visitTexts(int column, F&& f) const
    {
        const size_t n = rows.size();
        for (size_t i = 0; i < n; ++i) {
            if (i + 2 * kAhead < n)
                prefetchRow(rows[i + 2 * kAhead].get());
            if (i + kAhead < n)
                __builtin_prefetch(textOf(*rows[i + kAhead], column).constData());
            f(textOf(*rows[i], column));
        }
    }

public:
    // The first row from place from on that test accepts, or -1; the texts of the rows ahead
    // are asked for before they are tested.
    int findRow(int from, const std::function<bool(ListItem*)>& test) const
    {
        const size_t n = rows.size();
        for (size_t i = size_t(std::max(from, 0)); i < n; ++i) {
            if (i + 2 * kAhead < n)
                prefetchRow(rows[i + 2 * kAhead].get());
            if (i + kAhead < n)
                for (const QString& text : rows[i + kAhead]->m_texts)
                    __builtin_prefetch(text.constData());
            if (test(rows[i].get()))
                return int(i);
        }
        return -1;
    }

private:
    void renumber(int from)
    {
        for (size_t i = size_t(from); i < rows.size(); ++i)
            rows[i]->m_row = int(i);
    }
    void forgetRows()
    {
        for (auto& item : rows)
            item->m_list = nullptr;
    }
    // While the list sorts itself, rows added or changed in the sort column are sorted in on
    // the next pass of the event loop, once for all of that pass's changes.
    void sortLater()
    {
        if (m_sortPending || !m_view->isSortingEnabled())
            return;
        m_sortPending = true;
        QTimer::singleShot(0, this, [this] {
            m_sortPending = false;
            if (m_view->isSortingEnabled())
                sort(m_view->header()->sortIndicatorSection(), m_view->header()->sortIndicatorOrder());
        });
    }

    ListView* m_view;
    int m_columns = 1;
    bool m_sortPending = false;
    int m_unusualFlags = 0; // rows whose flags are not the usual ones
    // How the rows stand sorted since the last sort (column -1: not known to be sorted); a
    // sort they already stand in leaves them as they are, so it is not made again.
    struct {
        int column = -1;
        Qt::SortOrder order = Qt::AscendingOrder;
        Qt::CaseSensitivity cs = Qt::CaseSensitive;
    } m_sorted;
};

namespace {
// A row's sort key laid out for comparing in place: the first kPrefix UTF-16 units of its
// text, the first in the highest bits and zeros after the text's end, then the text itself for
// texts that do not fit. Comparing keys gives the order of comparing the texts unit by unit.
constexpr qsizetype kPrefixWords = 4;
constexpr qsizetype kPrefix = 4 * kPrefixWords;
struct SortKey {
    quint64 prefix[kPrefixWords];
    const QChar* text;
    quint32 length;
    quint32 row; // its place before the sort
};

SortKey sortKey(QStringView text, int row)
{
    SortKey k;
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype w = 0; w < kPrefixWords; ++w) {
        quint64 v = 0;
        for (qsizetype i = w * 4; i < w * 4 + 4; ++i)
            v = (v << 16) | (i < n ? p[i] : 0u);
        k.prefix[w] = v;
    }
    k.text = text.data();
    k.length = quint32(n);
    k.row = quint32(row);
    return k;
}

// <0, 0 or >0 as a's text sorts before, with or after b's.
int compareKeys(const SortKey& a, const SortKey& b)
{
    for (qsizetype w = 0; w < kPrefixWords; ++w)
        if (a.prefix[w] != b.prefix[w])
            return a.prefix[w] < b.prefix[w] ? -1 : 1;
    // Equal prefixes: texts that fit in them differ only in length.
    if (a.length <= kPrefix && b.length <= kPrefix)
        return int(a.length) - int(b.length);
    return QStringView(a.text, a.length).compare(QStringView(b.text, b.length));
}
} // namespace

void ListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= m_columns || rows.size() < 2)
        return;
    // The keys of the sort column, taken once: the texts themselves, or folded copies when
    // letter case is ignored. Equal keys keep their order: the place before the sort decides
    // between them, so the order is that of a stable sort.
    const Qt::CaseSensitivity cs = m_view->sortCaseSensitivity();
    if (column == m_sorted.column && order == m_sorted.order && cs == m_sorted.cs)
        return;
    m_sorted = {column, order, cs};
    const size_t n = rows.size();
    std::vector<SortKey> keys;
    keys.reserve(n);
    std::vector<QString> foldedTexts;
    if (cs == Qt::CaseInsensitive) {
        foldedTexts.reserve(n);
        visitTexts(column, [&](const QString& text) { foldedTexts.push_back(text.toCaseFolded()); });
        for (size_t i = 0; i < n; ++i)
            keys.push_back(sortKey(foldedTexts[i], int(i)));
    } else {
        visitTexts(column, [&](const QString& text) { keys.push_back(sortKey(text, int(keys.size()))); });
    }
    const bool ascending = order == Qt::AscendingOrder;
    const auto less = [ascending](const SortKey& a, const SortKey& b) {
        const int c = compareKeys(a, b);
        return c != 0 ? (ascending ? c < 0 : c > 0) : a.row < b.row;
    };
    if (std::is_sorted(keys.begin(), keys.end(), less))
        return;
    std::sort(keys.begin(), keys.end(), less);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> place(n);
    std::vector<std::unique_ptr<ListItem>> sorted;
    sorted.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        if (i + kAhead < n)
            prefetchRow(rows[keys[i + kAhead].row].get());
        place[keys[i].row] = int(i);
        sorted.push_back(std::move(rows[keys[i].row]));
        sorted.back()->m_row = int(i);
    }
    rows.swap(sorted);
    // The current and selected rows go with their records.
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& i : from)
        to.append(index(place[size_t(i.row())], i.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

ListItem::ListItem(const QStringList& texts) : m_texts(texts.begin(), texts.end()) {}
ListItem::ListItem(ListView* list, const QStringList& texts) : ListItem(texts)
{
    if (list)
        list->addTopLevelItem(this);
}
ListItem::~ListItem()
{
    if (m_list)
        m_list->m_model->take(m_row);
}
void ListItem::setText(int column, const QString& text)
{
    if (column < 0)
        return;
    if (column >= m_texts.size())
        m_texts.resize(column + 1);
    m_texts[column] = text;
    if (m_list)
        m_list->m_model->changed(this, column);
}
QVariant ListItem::data(int column, int role) const
{
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return column >= 0 && column < m_texts.size() ? QVariant(m_texts.at(column)) : QVariant();
    if (m_values)
        for (const Value& v : *m_values)
            if (v.column == column && v.role == role)
                return v.value;
    return {};
}
void ListItem::setData(int column, int role, const QVariant& value)
{
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        setText(column, value.toString());
        return;
    }
    if (column < 0)
        return;
    if (!m_values)
        m_values = std::make_unique<std::vector<Value>>();
    auto kept = std::find_if(m_values->begin(), m_values->end(),
                             [&](const Value& v) { return v.column == column && v.role == role; });
    if (kept != m_values->end())
        kept->value = value;
    else
        m_values->push_back({column, role, value});
    if (m_list)
        m_list->m_model->changed(this, column);
}
void ListItem::setFlags(Qt::ItemFlags flags)
{
    if (m_list)
        m_list->m_model->setFlags(this, flags);
    else
        m_flags = flags;
}
bool ListItem::isSelected() const
{
    return m_list && m_list->selectionModel() && m_list->selectionModel()->isSelected(m_list->indexFromItem(this));
}
void ListItem::setSelected(bool select)
{
    if (!m_list || !m_list->selectionModel())
        return;
    m_list->selectionModel()->select(m_list->indexFromItem(this), (select ? QItemSelectionModel::Select
                                                                          : QItemSelectionModel::Deselect) |
                                                                      QItemSelectionModel::Rows);
}

ListView::ListView(QWidget* parent) : QTreeView(parent), m_model(new ListModel(this))
{
    setModel(m_model);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setItemsExpandable(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // What a click, a double click and Enter reach is the row.
    connect(this, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& i) { emit itemClicked(itemFromIndex(i), i.column()); });
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& i) { emit itemDoubleClicked(itemFromIndex(i), i.column()); });
    connect(this, &QAbstractItemView::activated, this,
            [this](const QModelIndex& i) { emit itemActivated(itemFromIndex(i), i.column()); });
}
ListView::~ListView() { m_model->clearRows(); }
void ListView::setSelectionModel(QItemSelectionModel* selectionModel)
{
    QTreeView::setSelectionModel(selectionModel);
    if (selectionModel)
        connect(selectionModel, &QItemSelectionModel::selectionChanged, this, &ListView::itemSelectionChanged);
}
void ListView::setHeaderLabels(const QStringList& labels)
{
    if (columnCount() < labels.size())
        setColumnCount(int(labels.size()));
    for (int i = 0; i < labels.size(); ++i)
        m_header.setText(i, labels.at(i));
    emit m_model->headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount() - 1));
}
void ListView::setColumnCount(int columns) { m_model->setColumns(columns); }
int ListView::columnCount() const { return m_model->columnCount(); }
int ListView::topLevelItemCount() const { return int(m_model->rows.size()); }
ListItem* ListView::topLevelItem(int index) const
{
    return index >= 0 && index < topLevelItemCount() ? m_model->rows[size_t(index)].get() : nullptr;
}
int ListView::indexOfTopLevelItem(const ListItem* item) const
{
    return item && item->m_list == this ? item->m_row : -1;
}
void ListView::addTopLevelItem(ListItem* item) { m_model->insert(topLevelItemCount(), {item}); }
void ListView::addTopLevelItems(const QList<ListItem*>& items) { m_model->insert(topLevelItemCount(), items); }
void ListView::insertTopLevelItem(int index, ListItem* item) { m_model->insert(index, {item}); }
ListItem* ListView::takeTopLevelItem(int index) { return m_model->take(index); }
void ListView::clear() { m_model->clearRows(); }
QList<ListItem*> ListView::findItems(const QString& text, Qt::MatchFlags flags, int column) const
{
    const Qt::CaseSensitivity cs = flags & Qt::MatchCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const auto holds = [&](const QString& t) {
        switch (int(flags & Qt::MatchTypeMask)) {
        case Qt::MatchFixedString: return t.compare(text, cs) == 0;
        case Qt::MatchContains: return t.contains(text, cs);
        case Qt::MatchStartsWith: return t.startsWith(text, cs);
        case Qt::MatchEndsWith: return t.endsWith(text, cs);
        default: return t == text;
        }
    };
    QList<ListItem*> found;
    for (const auto& item : m_model->rows)
        if (holds(item->text(column)))
            found.append(item.get());
    return found;
}
int ListView::findRow(int from, const std::function<bool(ListItem*)>& test) const { return m_model->findRow(from, test); }
ListItem* ListView::currentItem() const { return itemFromIndex(currentIndex()); }
void ListView::setCurrentItem(ListItem* item) { setCurrentIndex(indexFromItem(item)); }
void ListView::setCurrentItem(ListItem* item, int column, QItemSelectionModel::SelectionFlags command)
{
    selectionModel()->setCurrentIndex(indexFromItem(item, column), command);
}
QList<ListItem*> ListView::selectedItems() const
{
    // In the order the selection holds them, each row once.
    QList<ListItem*> items;
    const QItemSelection selection = selectionModel()->selection();
    QSet<int> seen;
    for (const QItemSelectionRange& range : selection)
        for (int r = range.top(); r <= range.bottom(); ++r) {
            ListItem* item = topLevelItem(r);
            if (!item || (selection.size() > 1 && seen.contains(r)))
                continue;
            if (selection.size() > 1)
                seen.insert(r);
            items.append(item);
        }
    return items;
}
ListItem* ListView::itemFromIndex(const QModelIndex& index) const { return m_model->itemAt(index); }
QModelIndex ListView::indexFromItem(const ListItem* item, int column) const
{
    return item && item->m_list == this ? m_model->index(item->m_row, column) : QModelIndex();
}
QRect ListView::visualItemRect(const ListItem* item) const
{
    // Across the row's visible columns.
    const QModelIndex base = indexFromItem(item);
    const int first = header()->logicalIndexAt(-header()->offset());
    const int last = header()->logicalIndexAt(header()->length() - header()->offset() - 1);
    return visualRect(base.sibling(base.row(), first)) | visualRect(base.sibling(base.row(), last));
}
void ListView::scrollToItem(const ListItem* item, QAbstractItemView::ScrollHint hint)
{
    if (const QModelIndex i = indexFromItem(item); i.isValid())
        scrollTo(i, hint);
}
void ListView::sortItems(int column, Qt::SortOrder order)
{
    header()->setSortIndicator(column, order);
    m_model->sort(column, order);
}
int ListView::sortColumn() const { return header()->sortIndicatorSection(); }
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
    QTreeView::changeEvent(e);
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
