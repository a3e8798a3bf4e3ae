#include "fixture.h"

#include "platform/errors.h"
#include "core/globals.h"
#include "core/fieldreader.h"
#include "core/settings.h"
#include "shell/frmoptions.h"

#include <QDir>

// The settings dialog's load reads the music folder; these tests start from a settled default one.
class SettingsFiles : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        DefaultMusicFolder = homeDir() + QStringLiteral("My Music/");
        QDir().mkpath(DefaultMusicFolder);
    }
};

namespace {
QStringList readAllValues(const QString& text)
{
    FieldReader r = FieldReader::fromText(text);
    QStringList out;
    while (!r.atEnd())
        out << r.next();
    return out;
}
} // namespace

TEST(FieldReaderTest, ReadsValuesTheWayTheSettingsFilesAreWritten)
{
    const struct {
        QString text;
        QStringList values;
    } cases[] = {
        {QStringLiteral("MusicFolder=/home/a/Songs, Live\r\n"), {QStringLiteral("MusicFolder=/home/a/Songs"), QStringLiteral("Live")}},
        {QStringLiteral("   \"MusicFolder=/a, b\"  \r\nnext\r\n"), {QStringLiteral("MusicFolder=/a, b"), QStringLiteral("next")}},
        {QStringLiteral("one\ntwo  \nthree"), {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}},
        {QStringLiteral("a,b,c\r\n"), {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}},
        {QStringLiteral("\r\nx\r\n"), {QString(), QStringLiteral("x")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readAllValues(c.text), c.values) << c.text.toStdString();

    FieldReader r = FieldReader::fromText(QStringLiteral("only\r\n"));
    r.next();
    try {
        r.next();
        ADD_FAILURE() << "read past the end";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number, 62);
    }
}

TEST(FieldReaderTest, SettingIsTheTextAfterTheFirstEquals)
{
    EXPECT_EQ(FieldReader::setting(QStringLiteral("MusicFolder=/a/b")), QStringLiteral("/a/b"));
    EXPECT_EQ(FieldReader::setting(QStringLiteral("MFolder=/a/b/")), QStringLiteral("/a/b/"));
    EXPECT_EQ(FieldReader::setting(QStringLiteral("/no/key")), QStringLiteral("/no/key"));
    EXPECT_EQ(FieldReader::setting(QStringLiteral("k=a=b")), QStringLiteral("a=b"));
    EXPECT_EQ(FieldReader::setting(QStringLiteral("Port=")), QString());
}

TEST_F(SettingsFiles, MusicFolderFormsAreReadAndEndInSlash)
{
    DefaultMusicFolder = homeDir() + QStringLiteral("My Music/");
    QDir().mkpath(DefaultMusicFolder);
    const QString songs = homeDir() + QStringLiteral("Songs");
    const QString live = homeDir() + QStringLiteral("Songs, Live");
    QDir().mkpath(songs);
    QDir().mkpath(live);
    const struct {
        QByteArray file;
        QString musicFolder;
        QString box;
    } cases[] = {
        {"MusicFolder=" + songs.toUtf8() + "\r\n", songs + '/', songs},
        {"MFolder=" + songs.toUtf8() + "/\r\n", songs + '/', songs + '/'},
        {songs.toUtf8() + "\r\n", songs + '/', songs},                 // no "=": the whole line
        {"\"MusicFolder=" + live.toUtf8() + "\"\r\n", live + '/', live}, // quoted: the comma stays
    };
    for (const auto& c : cases) {
        writeAll(programFile(QStringLiteral("MWFolders.ini")), c.file);
        GetMWFolders();
        EXPECT_EQ(MusicFolder, c.musicFolder) << c.file.toStdString();
        EXPECT_EQ(Forms::get<frmOptions>().txtMusicFolder->text(), c.box);
        EXPECT_FALSE(Forms::get<frmOptions>().isVisible());
    }
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(readAll(programFile(QStringLiteral("MWFolders.ini"))), cases[3].file); // never rewritten
}

TEST_F(SettingsFiles, MissingFolderIsReplacedByTheDefaultWithItsMessage)
{
    DefaultMusicFolder = homeDir() + QStringLiteral("My Music/");
    QDir().mkpath(DefaultMusicFolder);
    QDir().mkpath(homeDir() + QStringLiteral("Songs, Live"));
    // Unquoted, the comma cuts the path to a folder that does not exist.
    writeAll(programFile(QStringLiteral("MWFolders.ini")),
             "MusicFolder=" + (homeDir() + QStringLiteral("Songs, Live")).toUtf8() + "\r\n");
    GetMWFolders();
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.last().text, QStringLiteral("Music Folder not found. It may have been deleted or moved,\n"
                                                 "or on a removable disk or CD-ROM.\n\nSetting Music Folder to ") +
                                      DefaultMusicFolder);
    EXPECT_EQ(prompt.last().style, Mb::OKOnly | Mb::Exclamation);
    EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory"));
    EXPECT_EQ(MusicFolder, DefaultMusicFolder);
    EXPECT_EQ(readAll(programFile(QStringLiteral("MWFolders.ini"))), "MFolder=" + DefaultMusicFolder.toUtf8() + "\r\n");
    EXPECT_EQ(Forms::get<frmOptions>().txtMusicFolder->text(), DefaultMusicFolder);
}

TEST_F(SettingsFiles, MissingSettingsFileQuietlyGivesTheDefault)
{
    DefaultMusicFolder = homeDir() + QStringLiteral("My Music/");
    QDir().mkpath(DefaultMusicFolder);
    GetMWFolders();
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(MusicFolder, DefaultMusicFolder);
    EXPECT_FALSE(QFile::exists(programFile(QStringLiteral("QuilloryError.log"))));
}

TEST_F(SettingsFiles, CddbSettingsAreReadWithWidePorts)
{
    writeAll(programFile(QStringLiteral("cddb.ini")), "EMail=me@home.example\r\nServer=127.0.0.1\r\nPort=40000\r\n");
    EXPECT_EQ(funGetCDDBINI(1), 0);
    EXPECT_EQ(CDDBEmail, QStringLiteral("me@home.example"));
    EXPECT_EQ(CDDBServer, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(CDDBPort, 40000);
    frmOptions& dlg = Forms::get<frmOptions>();
    EXPECT_EQ(dlg.txtEMail->text(), QStringLiteral("me@home.example"));
    EXPECT_EQ(dlg.txtAddress->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(dlg.txtPort->text(), QStringLiteral("40000"));
    EXPECT_TRUE(prompt.asked.empty());

    // A port that is no number is logged and the previous port stays.
    writeAll(programFile(QStringLiteral("cddb.ini")), "EMail=me@home.example\r\nServer=127.0.0.1\r\nPort=abc\r\n");
    prompt.answers = {Mb::Yes};
    EXPECT_EQ(funGetCDDBINI(0), 0);
    EXPECT_EQ(CDDBPort, 40000);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_TRUE(prompt.last().text.contains(QStringLiteral("Procedure    : funGetCDDBINI")));
    EXPECT_TRUE(prompt.last().text.contains(QStringLiteral("Error Number: 13")));
}

TEST_F(SettingsFiles, MissingEmailAsksOnlyInModeOne)
{
    CDDBPort = 8880;
    // No "cddb.ini" at all: empty values and no error box.
    EXPECT_EQ(funGetCDDBINI(0), 0);
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(CDDBEmail, QString());
    EXPECT_EQ(CDDBPort, 8880);

    prompt.answers = {Mb::Cancel};
    EXPECT_EQ(funGetCDDBINI(1), 1);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.last().text,
              QStringLiteral("You need to enter EMail information into the Configure window to access CDDB"));
    EXPECT_EQ(prompt.last().style, Mb::OKCancel);
    EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory"));
    EXPECT_FALSE(Forms::get<frmOptions>().isVisible());

    writeAll(programFile(QStringLiteral("cddb.ini")), "EMail=\r\nServer=127.0.0.1\r\nPort=8880\r\n");
    prompt.answers = {Mb::OK};
    EXPECT_EQ(funGetCDDBINI(1), 1);
    EXPECT_EQ(prompt.asked.size(), 2u);
    EXPECT_TRUE(Forms::get<frmOptions>().isVisible());
    EXPECT_FALSE(QFile::exists(programFile(QStringLiteral("QuilloryError.log"))));
}

TEST_F(SettingsFiles, DriveNumberIsStoredNumberMinusOneNeverNegative)
{
    const struct {
        QByteArray value;
        int expected;
    } cases[] = {{"0", 0}, {"-3", 0}, {"1", 0}, {"3", 2}, {" 2 ", 1}};
    for (const auto& c : cases) {
        writeAll(programFile(QStringLiteral("cdrip.ini")), "CDDriveLetterNo=" + c.value + "\r\n");
        EXPECT_EQ(getdriveletterno(), c.expected) << c.value.toStdString();
    }
    EXPECT_TRUE(prompt.asked.empty());

    // No number after "=": logged, and the result is the first drive.
    writeAll(programFile(QStringLiteral("cdrip.ini")), "CDDriveLetterNo=\r\n");
    prompt.answers = {Mb::Yes};
    EXPECT_EQ(getdriveletterno(), 0);
    EXPECT_EQ(prompt.asked.size(), 1u);

    // No file yet (fresh install): the first drive, without an error box.
    QFile::remove(programFile(QStringLiteral("cdrip.ini")));
    EXPECT_EQ(getdriveletterno(), 0);
    EXPECT_EQ(prompt.asked.size(), 1u);
}
