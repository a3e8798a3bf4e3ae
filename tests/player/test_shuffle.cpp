#include "playerfixture.h"

namespace {
class Shuffle : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        w = &player();
        // Picks take pool entries from the front unless a test says otherwise.
        w->random = [] { return 0.0; };
    }
    frmPlay* w = nullptr;
};
} // namespace

TEST_F(Shuffle, EmptyPlayListPicksNothing)
{
    EXPECT_TRUE(w->shuffleplay());
    EXPECT_TRUE(w->shuffleplay());
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 0);
    EXPECT_EQ(errorBoxes(), 0);
}

// Three songs: three picks, each once; the fourth refills; a song listed twice stands twice
// in the pool and either entry selects its first row; letter case does not matter.
TEST_F(Shuffle, PicksEachEntryOnceThenRefills)
{
    fill(*w, {{"One", "A", "1:00"}, {"Two", "B", "1:00"}, {"Three", "C", "1:00"}});
    QStringList picked;
    for (int i = 0; i < 3; ++i) {
        w->random = [i] { return i == 1 ? 0.99 : 0.0; };
        ASSERT_FALSE(w->shuffleplay());
        picked << w->Text2->text();
        EXPECT_EQ(frmPlay::selectedIndex(w->ListView1), w->ListView1->indexOfTopLevelItem(
                                                            w->ListView1->findItems(picked.last(), Qt::MatchExactly)[0]) + 1);
    }
    EXPECT_EQ(picked, (QStringList{"One", "Three", "Two"}));
    EXPECT_TRUE(w->shuffleplay());
    EXPECT_EQ(column(w->ListView5, 0), (QStringList{"One", "Two", "Three"}));

    w->sscmdClear_Click();
    fill(*w, {{"Dup", "X", "1:00"}, {"Other", "Y", "1:00"}, {"DUP", "x", "1:00"}});
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 3);
    w->random = [] { return 0.9; }; // the last pool entry: the second "Dup"
    ASSERT_FALSE(w->shuffleplay());
    EXPECT_EQ(frmPlay::selectedIndex(w->ListView1), 1);
    EXPECT_EQ(w->Text2->text(), QStringLiteral("Dup"));
}

// Removing a row takes its song out of the pool (ignoring case) only while it is still there.
TEST_F(Shuffle, RemoveTakesTheSongOutOfThePool)
{
    fill(*w, {{"One", "A", "1:00"}, {"Two", "B", "1:00"}});
    w->ListView5->topLevelItem(1)->setText(0, QStringLiteral("TWO"));
    frmPlay::selectRow(w->ListView1, 2);
    w->removefromshuffle();
    EXPECT_EQ(column(w->ListView5, 0), (QStringList{"One"}));
    w->removefromshuffle();
    EXPECT_EQ(column(w->ListView5, 0), (QStringList{"One"}));
}

// Songs from the recent list enter the pool only at the next refill.
TEST_F(Shuffle, RecentSongsJoinAtTheNextRefill)
{
    addFiles({QStringLiteral("Old1"), QStringLiteral("Old2")});
    RecentList->Add(QStringLiteral("r"), 1, QStringLiteral("Old1"), QStringLiteral("A"), QStringLiteral("1:00"), {}, {});
    RecentList->Add(QStringLiteral("r"), 2, QStringLiteral("Old2"), QStringLiteral("A"), QStringLiteral("1:00"), {}, {});
    Forms::reset();
    settle();
    w = &player();
    w->random = [] { return 0.0; };
    EXPECT_TRUE(w->shuffleplay());
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 2);

    w->ListView5->clear();
    fill(*w, {{"New", "B", "1:00"}});
    ASSERT_FALSE(w->shuffleplay());
    EXPECT_EQ(w->Text2->text(), QStringLiteral("New"));
    EXPECT_TRUE(w->shuffleplay());
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 3);
}

// The switch names the window and turning it off refills the pool.
TEST_F(Shuffle, SwitchSetsTheCaptionAndRefills)
{
    fill(*w, {{"One", "A", "1:00"}, {"Two", "B", "1:00"}});
    w->Check1->setChecked(true);
    EXPECT_EQ(w->Caption(), QStringLiteral("The MP3 Player (Shuffle Play)"));
    EXPECT_EQ(Forms::findByCaption(QStringLiteral("The MP3 Player (Shuffle Play)")), w);
    ASSERT_FALSE(w->shuffleplay());
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 1);
    w->Check1->setChecked(false);
    EXPECT_EQ(w->Caption(), QStringLiteral("The MP3 Player"));
    w->Check1->setChecked(true);
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 2);
}
