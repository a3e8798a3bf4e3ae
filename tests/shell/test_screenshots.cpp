#include <QDir>
#include <QPixmap>

#include "shellfixture.h"

namespace {
QString shotDir()
{
    QDir().mkpath(QStringLiteral(QUILLORY_SCREENSHOT_DIR));
    return QStringLiteral(QUILLORY_SCREENSHOT_DIR) + '/';
}
} // namespace

// The main window in every shipped skin (and without a skin), written to the build tree.
TEST_F(ShellFixture, MainWindowInEachSkin)
{
    copyShipped(QStringLiteral("Skins"));
    QStringList skins = {QStringLiteral("(No Skin)")};
    const QDir shipped(QStringLiteral(QUILLORY_PROGRAM_DIR) + QStringLiteral("/Skins"));
    skins += shipped.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& skin : skins) {
        writeAll(programFile(QStringLiteral("Skins/skinmain.ini")), (skin + QStringLiteral("\r\n 0 \r\n")).toUtf8());
        frmMain& m = loadMain();
        ASSERT_TRUE(m.isVisible());
        EXPECT_EQ(SkinName, skin);
        const QString file = shotDir() + QStringLiteral("main-") + QString(skin).remove('(').remove(')') +
                             QStringLiteral(".png");
        EXPECT_TRUE(m.grab().save(file)) << file.toStdString();
        Forms::reset();
        settle();
    }
}

// The feature windows and the converter chooser, unskinned.
TEST_F(ShellFixture, FeatureWindows)
{
    injectAudioDisc();
    const std::pair<const char*, Form*> windows[] = {
        {"play", &Forms::get<frmPlay>()},       {"cd", &Forms::get<frmCD>()},
        {"songs", &Forms::get<frmSongs>()},     {"wavtomp3", &Forms::get<frmWAVToMP3>()},
        {"mp3towav", &Forms::get<frmMP3ToWAV>()}, {"burner", &Forms::get<frmBurner>()},
        {"convertchoice", &Forms::get<frmConvertChoice>()},
    };
    for (auto [name, w] : windows) {
        w->Show();
        EXPECT_TRUE(w->grab().save(shotDir() + QString::fromLatin1(name) + QStringLiteral(".png"))) << name;
    }
}
