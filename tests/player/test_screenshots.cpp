#include "playerfixture.h"

#include <QImage>

namespace {
QString shotDir()
{
    QDir().mkpath(QStringLiteral(QUILLORY_SCREENSHOT_DIR));
    return QStringLiteral(QUILLORY_SCREENSHOT_DIR) + '/';
}
} // namespace

using PlayerShots = PlayerFixture;

// The player's layouts in a shipped skin, written to the build tree.
TEST_F(PlayerShots, Layouts)
{
    copyShipped(QStringLiteral("Skins"));
    copyShipped(QStringLiteral("SysImage.bmp"));
    const QStringList skins = QDir(programFile(QStringLiteral("Skins"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    const QString skin = skins.contains(QStringLiteral("Maple")) ? QStringLiteral("Maple") : QStringLiteral("(No Skin)");
    writeAll(programFile(QStringLiteral("Skins/skinmain.ini")), (skin + QStringLiteral("\r\n 0 \r\n")).toUtf8());
    SkinName = skin;
    addFiles({QStringLiteral("Morning Light"), QStringLiteral("Harbour Song"), QStringLiteral("Slow River")});
    QImage cover(64, 64, QImage::Format_RGB32);
    cover.fill(QColor(200, 120, 40));
    cover.save(DefaultMusicFolder + QStringLiteral("cover.bmp"));
    SongLibrary->Add(QStringLiteral("Morning Light"), QStringLiteral("The Early Birds"), QStringLiteral("3:12"), {}, {},
                     QStringLiteral("cover.bmp"), {});
    Playlists->Add(QStringLiteral("Evening"), 1, QStringLiteral("Slow River"), QStringLiteral("Delta"),
                   QStringLiteral("4:05"), {}, {});
    writeAll(MusicFolder + QStringLiteral("Evening.lst"), "1\r\n");
    ScopedMountTable fixed({{QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/sda1"), false}});

    frmPlay& w = player();
    w.Show();
    fill(w, {{"Morning Light", "The Early Birds", "3:12"}, {"Harbour Song", "Quay Street", "2:48"}});
    w.picPlay_Click();
    w.Text3->setText(frmPlay::StatusLine(w.Text2->text(), QStringLiteral("The Early Birds"), QStringLiteral("3:12"), 42));
    EXPECT_TRUE(w.grab().save(shotDir() + QStringLiteral("player-full.png")));
    w.sscmdMP3_Click();
    EXPECT_TRUE(w.grab().save(shotDir() + QStringLiteral("player-browser.png")));
    w.sscmdPlayLists_Click();
    EXPECT_TRUE(w.grab().save(shotDir() + QStringLiteral("player-playlists.png")));
    w.picUpDown_Click();
    EXPECT_TRUE(w.grab().save(shotDir() + QStringLiteral("player-mini.png")));
    w.picPic_Click();
    EXPECT_TRUE(w.grab().save(shotDir() + QStringLiteral("player-cover.png")));
    w.Text2->setText(QStringLiteral("Harbour Song")); // no cover of its own: the default picture
    EXPECT_FALSE(w.imgCover->pixmap().isNull());
    EXPECT_TRUE(w.grab().save(shotDir() + QStringLiteral("player-cover-default.png")));
    EXPECT_EQ(errorBoxes(), 0);
}
