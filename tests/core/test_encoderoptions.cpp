#include <cmath>

#include "cd/frmcd.h"
#include "core/encoderoptions.h"
#include "core/globals.h"
#include "fixture.h"
#include "platform/cddrives.h"
#include "platform/forms.h"

TEST_F(AppFixture, EncoderOptionsForEveryPreset)
{
    const std::pair<const char*, const char*> cases[] = {
        {"CBR1", "-f "},     {"CBR2", ""},         {"cbr2", ""},         {"VBR1", "-v -V 0 "},
        {"VBR2", "-v -V 4 "}, {"VBR3", "-v -V 9 "}, {"CBR9", "-f "},      {"", "-f "},
        {"VBR1-Higher Quality-Bigger File", "-v -V 0 "},
    };
    for (auto [mode, options] : cases) {
        EncoderMode = QString::fromLatin1(mode);
        EXPECT_EQ(fnGetCBRVBR(), QString::fromLatin1(options)) << mode;
    }
}

TEST_F(AppFixture, EncoderRatioForEveryPresetAndBitRate)
{
    const char* rates[] = {"-b320 ", "-b256 ", "-b192 ", "-b128 ", "-b64 "};
    struct Row {
        const char* mode;
        double ratio[5];
    } rows[] = {
        {"CBR1", {4.4, 5.5, 22.0 / 3.0, 11, 22}},
        {"CBR2", {4.4, 5.5, 22.0 / 3.0, 11, 22}},
        {"VBR1", {4.4, 5.5, 22.0 / 3.0, 7.26, 7.26}},
        {"VBR2", {4.4, 5.5, 22.0 / 3.0, 9.9, 9.9}},
        {"VBR3", {4.4, 5.5, 22.0 / 3.0, 10.34, 10.34}},
        {"CBR9", {4.4, 5.5, 22.0 / 3.0, 11, 22}},   // any CBR preset gets the constant-bit-rate ratios
        {"VBR7", {4.4, 5.5, 22.0 / 3.0, 0, 0}},     // unknown VBR: 11 x rate below 1, else 0
        {"XYZ", {0, 0, 0, 0, 0}},
    };
    for (const Row& r : rows) {
        EncoderMode = QString::fromLatin1(r.mode);
        for (int i = 0; i < 5; ++i)
            EXPECT_NEAR(getencoderratio(QString::fromLatin1(rates[i])), r.ratio[i], 1e-9) << r.mode << rates[i];
    }
    EncoderMode = QStringLiteral("CBR1");
    EXPECT_EQ(getencoderratio(QStringLiteral("-b96 ")), 0.0);
}

TEST_F(AppFixture, EncoderCommandIsAnArgumentList)
{
    EncoderMode = QStringLiteral("VBR2");
    const EncoderCommand c =
        BuildEncoderCommand(QStringLiteral("-b128 "), QStringLiteral("/m/a b.wav"), QStringLiteral("/m/a \"b\".mp3"));
    const QString dir = GetWindowsSysDir();
    EXPECT_TRUE(dir.endsWith('/'));
    EXPECT_FALSE(dir.endsWith(QLatin1String("//")));
    EXPECT_EQ(c.program, dir + QStringLiteral("lame"));
    EXPECT_EQ(c.arguments, (QStringList{"-v", "-V", "4", "-b128", "--nohist", "/m/a b.wav", "/m/a \"b\".mp3"}));
    EXPECT_EQ(c.display, dir + QStringLiteral("lame -v -V 4 -b128 \"/m/a b.wav\" \"/m/a \"b\".mp3\""));
    EncoderMode = QStringLiteral("CBR2");
    EXPECT_EQ(BuildEncoderCommand(QStringLiteral("-b64 "), QStringLiteral("i.wav"), QStringLiteral("o.mp3")).arguments,
              (QStringList{"-b64", "--nohist", "i.wav", "o.mp3"}));
}

class EncOptionsTest : public AppFixture {
protected:
    frmCD& loadCd()
    {
        writeAll(programFile(QStringLiteral("d.bin")), QByteArray(300 * 2352, '\0'));
        writeAll(programFile(QStringLiteral("d.cue")), "FILE \"d.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                                                       "  TRACK 02 AUDIO\r\n    INDEX 01 00:02:00\r\n");
        CdDrives::setInjectedImages({programFile(QStringLiteral("d.cue"))});
        return Forms::get<frmCD>();
    }
    static std::vector<QWidget*> switched(frmCD& cd)
    {
        return {cd.Opt320,  cd.Opt256,  cd.Opt192,  cd.Opt128,  cd.Opt64,         cd.Label30, cd.Label25,
                cd.Label20, cd.Label15, cd.Label19, cd.Label27, cd.Label28, cd.chkAutoCreate, cd.Label35};
    }
};

TEST_F(EncOptionsTest, TurningOffATickedBoxConsumesItsOwnClick)
{
    frmCD& cd = loadCd();
    cd.chkAutoCreate->setChecked(true);
    AutoPlaylistName = QStringLiteral("Road Trip");
    turnoffEncOptions();
    for (QWidget* w : switched(cd))
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(cd.chkAutoCreate->isChecked());
    EXPECT_TRUE(AutoPlaylistName.isEmpty());
    EXPECT_EQ(SkipAutoCreateClick, 0);
    turnonencoptions();
    for (QWidget* w : switched(cd))
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(cd.chkAutoCreate->isChecked());
}

TEST_F(EncOptionsTest, TurningOffAClearBoxDoesNotSwallowTheNextRealClick)
{
    frmCD& cd = loadCd();
    turnoffEncOptions();
    EXPECT_EQ(SkipAutoCreateClick, 0);
    turnonencoptions();
    prompt.texts.push_back(QStringLiteral("Road Trip"));
    cd.chkAutoCreate->click(); // the user's click asks for the playlist name
    EXPECT_TRUE(cd.chkAutoCreate->isChecked());
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.last().kind, PromptRecord::Input);
    EXPECT_EQ(AutoPlaylistName, QStringLiteral("Road Trip"));
}

TEST_F(EncOptionsTest, OutputModeSetsTheCdWindowOnLoad)
{
    EncodeOutputMode = 2;
    frmCD& cd = loadCd();
    EXPECT_EQ(cd.lblConfig->text(), QStringLiteral("WAV ONLY - 44 KHz"));
    EXPECT_FALSE(cd.Opt128->isEnabled());
    EXPECT_EQ(cd.Label27->text(), QStringLiteral("Encoder Selection:"));
    EXPECT_EQ(cd.Label28->text(), QStringLiteral("Constant Bit Rate CBR1"));
    EXPECT_EQ(frmCD::OutputModeText(1), QStringLiteral("MP3 ONLY"));
    EXPECT_EQ(frmCD::OutputModeText(3), QStringLiteral("WAV AND MP3"));
    EncoderMode = QStringLiteral("VBR2");
    EXPECT_EQ(EncoderSelectionText(EncoderMode), QStringLiteral("Variable Bit Rate VBR2"));
}

TEST_F(AppFixture, EncoderSwitchesDoNothingWithoutTheCdWindow)
{
    turnoffEncOptions();
    turnonencoptions();
    EXPECT_EQ(Forms::find<frmCD>(), nullptr);
}
