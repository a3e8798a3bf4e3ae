// CDAudio: the exact command strings of each method and how replies are read.
#include "fixture.h"
#include "scriptedmci.h"

#include "core/cdaudio.h"
#include "core/globals.h"

namespace {

class CDAudioCommands : public AppFixture {
protected:
    QString log() const { return QString::fromUtf8(readAll(programFile("QuilloryError.log"))); }
    ScriptedMci mci;
    CDAudio cd;
};

const QString kMsf = "set cd time format msf wait";
const QString kTmsf = "set cd time format tmsf wait";

} // namespace

TEST_F(CDAudioCommands, EachMethodSendsItsCommands)
{
    struct Case {
        std::function<void(CDAudio&)> call;
        QStringList commands;
    } cases[] = {
        {[](CDAudio& c) { c.StartPlay(); }, {"play cd"}},
        {[](CDAudio& c) { c.PlayTrack(3); }, {"play cd from 3 to 4"}},
        {[](CDAudio& c) { c.PlayLastTrack(3); }, {"play cd from 3"}},
        {[](CDAudio& c) { c.SetTrack(5); }, {"seek cd to  5"}},
        {[](CDAudio& c) { c.SetTrack(-2); }, {"seek cd to -2"}},
        {[](CDAudio& c) { c.StopPlay(); }, {"stop cd wait"}},
        {[](CDAudio& c) { c.PausePlay(); }, {"pause cd"}},
        {[](CDAudio& c) { c.EjectCD(); }, {"set cd door open"}},
        {[](CDAudio& c) { c.CloseCD(); }, {"set cd door closed"}},
        {[](CDAudio& c) { c.UnloadAll(); }, {"close all"}},
        {[](CDAudio& c) { c.SetFormat_msf(); }, {kMsf}},
        {[](CDAudio& c) { c.SetFormat_tmsf(); }, {kTmsf}},
        {[](CDAudio& c) { c.SetFormat_milliseconds(); }, {"set cd time format milliseconds"}},
        {[](CDAudio& c) { c.GetTrackStart(7); }, {kMsf, "status cd position track 7", kTmsf}},
        {[](CDAudio& c) { c.GetTrackLength(2); }, {kMsf, "status cd length track 2", kTmsf}},
        {[](CDAudio& c) { c.GetCDLength(); }, {"status cd length wait"}},
        {[](CDAudio& c) { c.GetNumTracks(); }, {"status cd number of tracks wait"}},
        {[](CDAudio& c) { c.CheckCD(); }, {"status cd media present"}},
        {[](CDAudio& c) { c.GetCDPosition(); }, {"status cd position"}},
        {[](CDAudio& c) { c.CheckIfPlaying(); }, {"status cd mode"}},
        {[](CDAudio& c) { c.Mode(); }, {"status cd mode"}},
        {[](CDAudio& c) { c.SeekCDtoX(4); }, {"stop cd wait", "seek cd to  4", "play cd"}},
    };
    for (const Case& c : cases) {
        mci.sent.clear();
        c.call(cd);
        EXPECT_EQ(mci.sent, c.commands) << c.commands.join(" | ").toStdString();
    }
}

TEST_F(CDAudioCommands, OpeningJudgesTheReplyByTheCharacterOne)
{
    CDDriveLetter = "/dev/sr1";
    const QString open = "open /dev/sr1 type cdaudio alias cd wait shareable";
    for (const auto& [reply, result] : std::vector<std::pair<QString, int>>{{"1", 0}, {"12", 0}, {"21", 0}, {"2", 1}, {"", 1}}) {
        mci.replies[open] = reply;
        EXPECT_EQ(cd.SetCDPlayerReady(), result) << reply.toStdString();
    }
    // ReadyDevice: close all, open, and only when that worked the tmsf format.
    mci.sent.clear();
    mci.replies[open] = "1";
    EXPECT_EQ(cd.ReadyDevice(), 0);
    EXPECT_EQ(mci.sent, QStringList({"close all", open, kTmsf}));
    mci.sent.clear();
    mci.replies.erase(open);
    EXPECT_EQ(cd.ReadyDevice(), 1);
    EXPECT_EQ(mci.sent, QStringList({"close all", open}));
}

TEST_F(CDAudioCommands, RepliesAreReadByTheirRules)
{
    const QString present = "status cd media present";
    for (const auto& [reply, result] : std::vector<std::pair<QString, int>>{{"true", 0}, {"false", 1}, {"", 0}}) {
        mci.replies[present] = reply;
        EXPECT_EQ(cd.CheckCD(), result) << reply.toStdString();
    }
    const QString tracks = "status cd number of tracks wait";
    for (const auto& [reply, result] : std::vector<std::pair<QString, int>>{{"9", 9}, {"12", 12}, {"", 0}, {"x", 0}}) {
        mci.replies[tracks] = reply;
        EXPECT_EQ(cd.GetNumTracks(), result) << reply.toStdString();
    }
    EXPECT_TRUE(prompt.asked.empty()); // no number, no message

    mci.replies["status cd position"] = "03:01:15:42";
    cd.GetCDPosition();
    EXPECT_EQ(CDPosTrack, "3");
    EXPECT_EQ(CDPosMin, "1");
    EXPECT_EQ(CDPosSec, "15");
    EXPECT_EQ(CDPosFrame, "42");
    // A field that does not convert keeps its value; the others are still written.
    mci.replies["status cd position"] = "04:xx:16:01";
    cd.GetCDPosition();
    EXPECT_EQ(CDPosTrack, "4");
    EXPECT_EQ(CDPosMin, "1");
    EXPECT_EQ(CDPosSec, "16");
    EXPECT_EQ(CDPosFrame, "1");

    mci.replies["status cd position track 2"] = "04:10:33";
    const QString start = cd.GetTrackStart(2);
    EXPECT_EQ(start.size(), 30);
    EXPECT_EQ(start.left(9), QString("04:10:33") + QChar(0));
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(CDAudioCommands, ModeTakesTheLastKeywordFoundInItsBuffer)
{
    const QString mode = "status cd mode";
    const std::vector<std::pair<QString, QString>> cases = {
        {"stopped", "Stop"}, {"playing", "Play"}, {"paused", "Pause"}, {"seeking", "Seek"},
        {"open", "Eject"},   {"not ready", "Ready"}, {"recording", ""},
    };
    for (const auto& [reply, word] : cases) {
        CDAudio fresh;
        mci.replies[mode] = reply;
        EXPECT_EQ(fresh.Mode(), word) << reply.toStdString();
        mci.replies[mode] = "PLAYING";
        EXPECT_EQ(fresh.CheckIfPlaying(), 1);
    }
    // The buffer keeps what a shorter reply does not overwrite: "open" after "stopped"
    // leaves "open\0ed", and "stop" is no longer in it.
    mci.replies[mode] = "stopped";
    EXPECT_EQ(cd.Mode(), "Stop");
    mci.replies[mode] = "open";
    EXPECT_EQ(cd.Mode(), "Eject");
    // A stale "ready" behind a shorter "play" is still found, and comes later in the table.
    mci.replies[mode] = "xxxxxxxxxxready";
    EXPECT_EQ(cd.Mode(), "Ready");
    mci.replies[mode] = "play";
    EXPECT_EQ(cd.Mode(), "Ready");
}

TEST_F(CDAudioCommands, SkippingMovesInMillisecondsAndRestoresTmsf)
{
    const QString pos = "status cd position wait";
    mci.replies[pos] = "3000";
    mci.replies["status cd mode"] = "stopped";
    cd.ReWind(5000);
    EXPECT_EQ(mci.sent, QStringList({"set cd time format milliseconds", pos, "status cd mode", "seek cd to -2000", kTmsf}));
    mci.sent.clear();
    mci.replies["status cd mode"] = "playing";
    cd.FastForward(5000);
    EXPECT_EQ(mci.sent, QStringList({"set cd time format milliseconds", pos, "status cd mode", "play cd from 8000", kTmsf}));
    EXPECT_TRUE(prompt.asked.empty());

    // No position to move from, or a target beyond 32 bits: logged, nothing sent, tmsf again.
    mci.sent.clear();
    mci.replies[pos] = "";
    cd.FastForward(1000);
    mci.replies[pos] = "2147483000";
    cd.FastForward(1000);
    EXPECT_EQ(mci.sent.filter("from").size() + mci.sent.filter("seek").size(), 0);
    EXPECT_EQ(mci.sent.count(kTmsf), 2);
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_TRUE(log().contains("Module Name : CDAudio\r\nProcedure   : FastForward\r\nError number: 13"));
    EXPECT_TRUE(log().contains("Procedure   : FastForward\r\nError number: 6"));
}

TEST_F(CDAudioCommands, PlayTrackOfTheLargestNumberLogsAndSendsNothing)
{
    cd.PlayTrack(32767);
    EXPECT_TRUE(mci.sent.isEmpty());
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_TRUE(log().contains("Module Name : CDAudio\r\nProcedure   : PlayTrack\r\nError number: 6"));
}
