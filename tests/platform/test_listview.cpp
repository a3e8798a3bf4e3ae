// The list control: rows kept as records behind its model, found, taken and selected by item
// or place; sorting by a column keeps the current and selected rows and the order of equal
// texts; while sorting is on, new and changed rows are sorted in on the next event-loop pass.
#include <QApplication>
#include <algorithm>
#include <gtest/gtest.h>
#include <ostream>
#include <utility>
#include <vector>

#include "platform/controls.h"

namespace {

QStringList column(const ListView& lv, int c = 0)
{
    QStringList out;
    for (int i = 0; i < lv.topLevelItemCount(); ++i)
        out << lv.topLevelItem(i)->text(c);
    return out;
}

// Rows of (title, artist); the artist repeats so that equal keys show the sort's stability.
void fill(ListView& lv, const QList<QStringList>& rows)
{
    QList<ListItem*> items;
    for (const QStringList& r : rows)
        items << new ListItem(r);
    lv.addTopLevelItems(items);
}

const QList<QStringList> kRows{{"delta", "B"}, {"Alpha", "a"}, {"charlie", "B"}, {"bravo", "a"}, {"echo", "A"}};

TEST(ListView, RowsAreFoundTakenAndDeletedByItemOrPlace)
{
    ListView lv;
    lv.setHeaderLabels({"Title", "Artist"});
    EXPECT_EQ(lv.columnCount(), 2);
    EXPECT_EQ(lv.headerItem()->text(1), "Artist");
    EXPECT_EQ(lv.model()->headerData(0, Qt::Horizontal).toString(), "Title");
    fill(lv, kRows);
    auto* appended = new ListItem(&lv, {"foxtrot", "C"});
    ASSERT_EQ(lv.topLevelItemCount(), 6);
    EXPECT_EQ(lv.indexOfTopLevelItem(appended), 5);
    EXPECT_EQ(appended->treeWidget(), &lv);
    EXPECT_EQ(lv.topLevelItem(6), nullptr);
    EXPECT_EQ(lv.topLevelItem(-1), nullptr);

    // A text beyond the row's own columns is empty; a text set there extends the row.
    EXPECT_EQ(appended->text(4), QString());
    appended->setText(2, "x");
    EXPECT_EQ(appended->text(2), "x");
    EXPECT_EQ(lv.model()->index(5, 0).data().toString(), "foxtrot");

    // Values of other roles are kept beside the texts.
    appended->setData(0, Qt::UserRole, "file.mp3");
    EXPECT_EQ(appended->data(0, Qt::UserRole).toString(), "file.mp3");
    EXPECT_FALSE(appended->data(1, Qt::UserRole).isValid());

    // Taking a row from the middle renumbers the rest; the taken row is the caller's.
    ListItem* taken = lv.takeTopLevelItem(1);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->text(0), "Alpha");
    EXPECT_EQ(taken->treeWidget(), nullptr);
    EXPECT_EQ(lv.indexOfTopLevelItem(taken), -1);
    EXPECT_EQ(lv.indexOfTopLevelItem(appended), 4);
    lv.insertTopLevelItem(0, taken);
    EXPECT_EQ(column(lv), QStringList({"Alpha", "delta", "charlie", "bravo", "echo", "foxtrot"}));
    EXPECT_EQ(lv.takeTopLevelItem(9), nullptr);

    // A row deleted while in the list leaves it; a row already in a list is not added twice.
    delete lv.topLevelItem(2);
    EXPECT_EQ(column(lv), QStringList({"Alpha", "delta", "bravo", "echo", "foxtrot"}));
    lv.addTopLevelItem(appended);
    EXPECT_EQ(lv.topLevelItemCount(), 5);

    // findItems: exact, letter case ignored, contained.
    EXPECT_EQ(lv.findItems("alpha", Qt::MatchExactly).size(), 0);
    ASSERT_EQ(lv.findItems("alpha", Qt::MatchFixedString).size(), 1);
    EXPECT_EQ(lv.findItems("alpha", Qt::MatchFixedString)[0]->text(0), "Alpha");
    EXPECT_EQ(lv.findItems("a", Qt::MatchContains, 1).size(), 3);
    EXPECT_EQ(lv.findItems("A", Qt::MatchContains | Qt::MatchCaseSensitive, 1).size(), 1);

    lv.clear();
    EXPECT_EQ(lv.topLevelItemCount(), 0);
    EXPECT_EQ(lv.currentItem(), nullptr);
    EXPECT_EQ(lv.headerItem()->text(0), "Title");
}

TEST(ListView, SelectionAndCurrentRowFollowTheRecords)
{
    ListView lv;
    lv.setHeaderLabels({"Title", "Artist"});
    lv.setSelectionMode(QAbstractItemView::ExtendedSelection);
    fill(lv, kRows);
    int changed = 0;
    QObject::connect(&lv, &ListView::itemSelectionChanged, [&] { ++changed; });
    lv.topLevelItem(3)->setSelected(true);
    lv.topLevelItem(0)->setSelected(true);
    EXPECT_EQ(changed, 2);
    EXPECT_TRUE(lv.topLevelItem(3)->isSelected());
    EXPECT_FALSE(lv.topLevelItem(1)->isSelected());
    // In the order they were selected, each once.
    EXPECT_EQ(lv.selectedItems(), QList<ListItem*>({lv.topLevelItem(3), lv.topLevelItem(0)}));
    lv.topLevelItem(3)->setSelected(false);
    EXPECT_EQ(lv.selectedItems(), QList<ListItem*>({lv.topLevelItem(0)}));

    // The current row without touching the selection, then with.
    lv.setCurrentItem(lv.topLevelItem(4), 0, QItemSelectionModel::NoUpdate);
    EXPECT_EQ(lv.currentItem(), lv.topLevelItem(4));
    EXPECT_FALSE(lv.topLevelItem(4)->isSelected());
    lv.setCurrentItem(lv.topLevelItem(2));
    EXPECT_EQ(lv.selectedItems(), QList<ListItem*>({lv.topLevelItem(2)}));
    lv.setCurrentItem(nullptr);
    EXPECT_EQ(lv.currentItem(), nullptr);

    // A deleted selected row leaves the selection.
    lv.setCurrentItem(lv.topLevelItem(1));
    delete lv.topLevelItem(1);
    EXPECT_TRUE(lv.selectedItems().isEmpty());
}

TEST(ListView, AClickedRowIsReportedWithItsColumn)
{
    ListView lv;
    lv.setHeaderLabels({"Title", "Artist"});
    fill(lv, kRows);
    std::vector<std::pair<ListItem*, int>> clicked, doubled;
    QObject::connect(&lv, &ListView::itemClicked, [&](ListItem* it, int c) { clicked.emplace_back(it, c); });
    QObject::connect(&lv, &ListView::itemDoubleClicked, [&](ListItem* it, int c) { doubled.emplace_back(it, c); });
    emit lv.clicked(lv.indexFromItem(lv.topLevelItem(2), 1));
    emit lv.doubleClicked(lv.indexFromItem(lv.topLevelItem(4)));
    EXPECT_EQ(clicked, (std::vector<std::pair<ListItem*, int>>{{lv.topLevelItem(2), 1}}));
    EXPECT_EQ(doubled, (std::vector<std::pair<ListItem*, int>>{{lv.topLevelItem(4), 0}}));
}

struct SortCase {
    const char* name;
    int column;
    Qt::SortOrder order;
    Qt::CaseSensitivity cs;
    QStringList titles;
    friend void PrintTo(const SortCase& c, std::ostream* os) { *os << c.name; }
};

class ListViewSort : public ::testing::TestWithParam<SortCase> {};

TEST_P(ListViewSort, KeepsEqualKeysInOrderAndTheSelectedRowSelected)
{
    const SortCase& c = GetParam();
    ListView lv;
    lv.setHeaderLabels({"Title", "Artist"});
    lv.setSortCaseSensitivity(c.cs);
    fill(lv, kRows);
    ListItem* charlie = lv.topLevelItem(2);
    lv.setCurrentItem(charlie);
    lv.sortItems(c.column, c.order);
    EXPECT_EQ(column(lv), c.titles);
    EXPECT_EQ(lv.sortColumn(), c.column);
    EXPECT_EQ(lv.currentItem(), charlie);
    EXPECT_EQ(lv.selectedItems(), QList<ListItem*>({charlie}));
    EXPECT_EQ(lv.indexOfTopLevelItem(charlie), int(c.titles.indexOf("charlie")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListViewSort,
    ::testing::Values(
        // Letter case counts: capitals first.
        SortCase{"TextAscending", 0, Qt::AscendingOrder, Qt::CaseSensitive,
                 {"Alpha", "bravo", "charlie", "delta", "echo"}},
        SortCase{"ArtistAscending", 1, Qt::AscendingOrder, Qt::CaseSensitive,
                 {"echo", "delta", "charlie", "Alpha", "bravo"}},
        SortCase{"ArtistDescending", 1, Qt::DescendingOrder, Qt::CaseSensitive,
                 {"Alpha", "bravo", "delta", "charlie", "echo"}},
        // Letter case ignored: "a" and "A" are equal and keep their order.
        SortCase{"ArtistIgnoringCase", 1, Qt::AscendingOrder, Qt::CaseInsensitive,
                 {"Alpha", "bravo", "echo", "delta", "charlie"}},
        SortCase{"TitleIgnoringCaseDescending", 0, Qt::DescendingOrder, Qt::CaseInsensitive,
                 {"echo", "delta", "charlie", "bravo", "Alpha"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The sort compares a row's first units in place and the rest of its text only when they tie:
// texts sharing long beginnings, ending inside the part compared in place, holding unit 0 or
// units above U+FFFF, missing from short rows, and many equal texts, sort as the texts do.
TEST(ListView, SortingGivesTheOrderOfAStableSortOfTheTexts)
{
    const QString start = QStringLiteral("Song 000123 of a long evening");
    const QStringList texts{start, start + "!", start.left(16), start.left(15), start.left(17), "song 000123 of a",
                            "SONG 000123 OF A LONG EVENING", "", "a", QString("a") + QChar(0),
                            QString("a") + QChar(0) + "b", QString::fromUcs4(U"😀"), QString(QChar(0xFFFF)),
                            QStringLiteral("É"), QStringLiteral("é"), "Song 000124", "3:05", "3:05", "B"};
    for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive})
        for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder})
            for (int column : {0, 1}) {
                // Row i: its text in the sort column, and its number in the other.
                QList<QStringList> rows;
                for (int i = 0; i < 60; ++i) {
                    const QString text = texts[(i * 7) % texts.size()];
                    rows << (column == 0 ? QStringList{text, QString::number(i)}
                             : i % 5 == 0 ? QStringList{QString::number(i)} // no text in column 1
                                          : QStringList{QString::number(i), text});
                }
                const auto key = [&](const QStringList& r) {
                    const QString t = r.value(column);
                    return cs == Qt::CaseInsensitive ? t.toCaseFolded() : t;
                };
                QList<QStringList> expected = rows;
                std::stable_sort(expected.begin(), expected.end(), [&](const QStringList& a, const QStringList& b) {
                    return order == Qt::AscendingOrder ? key(a).compare(key(b)) < 0 : key(b).compare(key(a)) < 0;
                });
                ListView lv;
                lv.setHeaderLabels({"A", "B"});
                lv.setSortCaseSensitivity(cs);
                fill(lv, rows);
                lv.sortItems(column, order);
                QStringList got, want;
                for (int i = 0; i < lv.topLevelItemCount(); ++i) {
                    got << lv.topLevelItem(i)->text(1 - column);
                    want << expected[i].value(1 - column);
                }
                EXPECT_EQ(got, want) << "column " << column << (cs == Qt::CaseSensitive ? " case" : " no case")
                                     << (order == Qt::AscendingOrder ? " up" : " down");
            }
}

// Ignoring letter case, texts of the private-use area and the last block of U+FFFF and below,
// texts beyond U+FFFF (emoji, letters with case of other planes, private use of plane 15) and
// plain letters sort as QString's own case-insensitive compare orders them, either way up.
TEST(ListView, TextsOfEveryPlaneSortAsQStringComparesThemIgnoringCase)
{
    const QStringList texts{QString(QChar(0xE000)),        QString(QChar(0xE000)) + "B",   QString(QChar(0xF8FF)) + "a",
                            QString(QChar(0xFFFD)),        QString(QChar(0xFF21)),         QString(QChar(0xFF41)),
                            QString::fromUcs4(U"😀"),      QString::fromUcs4(U"😀a"),      QString::fromUcs4(U"😀B"),
                            QString::fromUcs4(U"\U00010400x"), QString::fromUcs4(U"\U00010428X"), QString::fromUcs4(U"\U0001E900"),
                            QString::fromUcs4(U"\U0001E922"), QString::fromUcs4(U"\U000F0000"), QString::fromUcs4(U"\U0010FFFD"),
                            "a",                           "Z",                            QStringLiteral("É"),
                            QStringLiteral("é")};
    QList<QStringList> rows;
    for (int i = 0; i < texts.size(); ++i)
        rows << QStringList{texts[(i * 7) % texts.size()], QString::number(i)};
    for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        QList<QStringList> expected = rows;
        std::stable_sort(expected.begin(), expected.end(), [&](const QStringList& a, const QStringList& b) {
            const int c = a[0].compare(b[0], Qt::CaseInsensitive);
            return order == Qt::AscendingOrder ? c < 0 : c > 0;
        });
        ListView lv;
        lv.setHeaderLabels({"A", "B"});
        lv.setSortCaseSensitivity(Qt::CaseInsensitive);
        fill(lv, rows);
        lv.sortItems(0, order);
        QStringList want;
        for (const QStringList& r : expected)
            want << r[1];
        EXPECT_EQ(column(lv, 1), want) << (order == Qt::AscendingOrder ? "up" : "down");
    }
}

// A sort the rows already stand in is not made again; once rows are added, or texts of the
// sort column or the letter-case rule change, it is.
TEST(ListView, ASortIsMadeAgainOnceTheRowsOrTheRuleChange)
{
    ListView lv;
    lv.setHeaderLabels({"Title", "Artist"});
    fill(lv, kRows);
    lv.sortItems(0, Qt::AscendingOrder);
    ASSERT_EQ(column(lv), QStringList({"Alpha", "bravo", "charlie", "delta", "echo"}));
    lv.topLevelItem(1)->setText(1, "Z"); // not the sort column
    lv.topLevelItem(0)->setText(0, "zulu");
    lv.sortItems(0, Qt::AscendingOrder);
    EXPECT_EQ(column(lv), QStringList({"bravo", "charlie", "delta", "echo", "zulu"}));
    lv.insertTopLevelItem(2, new ListItem({"able"}));
    lv.sortItems(0, Qt::AscendingOrder);
    EXPECT_EQ(column(lv), QStringList({"able", "bravo", "charlie", "delta", "echo", "zulu"}));
    lv.topLevelItem(3)->setData(0, Qt::DisplayRole, "Delta");
    lv.topLevelItem(4)->setText(0, "Echo");
    lv.sortItems(0, Qt::AscendingOrder);
    EXPECT_EQ(column(lv), QStringList({"Delta", "Echo", "able", "bravo", "charlie", "zulu"}));
    lv.setSortCaseSensitivity(Qt::CaseInsensitive);
    lv.sortItems(0, Qt::AscendingOrder);
    EXPECT_EQ(column(lv), QStringList({"able", "bravo", "charlie", "Delta", "Echo", "zulu"}));
}

// The view lays rows out by their flags: a row's own flags reach it, in the list or added later.
TEST(ListView, ARowsOwnFlagsReachTheView)
{
    ListView lv;
    lv.setHeaderLabels({"Title", "Artist"});
    fill(lv, kRows);
    const auto editable = [&](int row) { return bool(lv.model()->flags(lv.model()->index(row, 1)) & Qt::ItemIsEditable); };
    EXPECT_TRUE(lv.model()->flags(lv.model()->index(0, 0)) & Qt::ItemIsSelectable);
    EXPECT_EQ(lv.model()->flags(lv.model()->index(5, 0)), Qt::NoItemFlags);
    ListItem* row = lv.topLevelItem(2);
    row->setFlags(row->flags() | Qt::ItemIsEditable);
    EXPECT_TRUE(editable(2));
    EXPECT_FALSE(editable(1));
    lv.takeTopLevelItem(2);
    EXPECT_FALSE(editable(2));
    lv.addTopLevelItem(row);
    EXPECT_TRUE(editable(4));
    row->setFlags(row->flags() & ~Qt::ItemIsEditable);
    EXPECT_FALSE(editable(4));
    auto* disabled = new ListItem({"x"});
    disabled->setFlags(Qt::NoItemFlags);
    lv.addTopLevelItem(disabled);
    EXPECT_FALSE(lv.model()->flags(lv.model()->index(5, 0)) & Qt::ItemIsEnabled);
    EXPECT_TRUE(lv.model()->flags(lv.model()->index(0, 0)) & Qt::ItemIsEnabled);
    delete disabled;
}

TEST(ListView, WhileSortingIsOnNewAndChangedRowsAreSortedInOnTheNextPass)
{
    ListView lv;
    lv.setHeaderLabels({"Title", "Artist"});
    fill(lv, kRows);
    lv.setSortingEnabled(true);
    lv.sortByColumn(0, Qt::AscendingOrder);
    ASSERT_EQ(column(lv), QStringList({"Alpha", "bravo", "charlie", "delta", "echo"}));
    new ListItem(&lv, {"able", "Z"});
    lv.topLevelItem(0)->setText(0, "zulu");
    lv.topLevelItem(1)->setText(1, "changed"); // not the sort column
    EXPECT_EQ(column(lv).first(), "zulu");     // not yet
    QCoreApplication::processEvents();
    EXPECT_EQ(column(lv), QStringList({"able", "bravo", "charlie", "delta", "echo", "zulu"}));
    lv.setSortingEnabled(false);
    lv.topLevelItem(0)->setText(0, "zz");
    QCoreApplication::processEvents();
    EXPECT_EQ(column(lv).first(), "zz");
}

} // namespace
