#include "fixture.h"

#include <QDir>

#include "core/globals.h"
#include "library/catalogues.h"
#include "platform/forms.h"
#include "player/frmplay.h"

using PlayerWindow = AppFixture;

// Closing the player keeps its play list as the recent list, in order, on disk.
TEST_F(PlayerWindow, UnloadSavesThePlayListAsTheRecentList)
{
    // Closing the player shows the main window, which needs a settled program folder.
    AppDriveRoot = homeDir();
    DefaultMusicFolder = homeDir() + QStringLiteral("My Music/");
    QDir().mkpath(DefaultMusicFolder);
    copyShipped(QStringLiteral("Skins"));
    RecentList = std::make_unique<colPlaylist>();
    RecentList->setFileName(programFile(QStringLiteral("recent.mpd")));
    RecentList->Add(QStringLiteral("old"), 1, QStringLiteral("Gone"), QStringLiteral("X"), QStringLiteral("1:00"),
                    QString(), QString());
    frmPlay& w = Forms::get<frmPlay>();
    for (const auto& row : {QStringList{"Song A", "Artist A", "3:01"}, QStringList{"Song B", "Artist B", "4:02"}})
        w.ListView1->addTopLevelItem(new QTreeWidgetItem(row));
    ASSERT_TRUE(Forms::unload(&w));

    colPlaylist back;
    back.setFileName(programFile(QStringLiteral("recent.mpd")));
    back.OpenFile();
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.Item(1)->MP3Title(), QStringLiteral("Song A"));
    EXPECT_EQ(back.Item(1)->ItemNumber(), 1);
    EXPECT_EQ(back.Item(2)->artist(), QStringLiteral("Artist B"));
    EXPECT_EQ(back.Item(2)->PlaylistName(), QStringLiteral("*%#Recent List#%*"));
    EXPECT_TRUE(prompt.asked.empty());
}
