// The disc id and the query arguments: the worked example, the edge cases of the rule,
// and disc images compared with libcddb's own computation from the same table of contents.
#include "fixture.h"
#include "discimage.h"
#include "scriptedmci.h"

#include "core/cdaudio.h"
#include "core/discid.h"
#include "core/globals.h"

#include <cdio/cdio.h>
#include <cddb/cddb.h>

namespace {

using DiscIdRule = AppFixture;

QString msf(int frames)
{
    return QString::asprintf("%02d:%02d:%02d", frames / 4500, frames / 75 % 60, frames % 75);
}

// A device that reports the given track starts and disc length (frames).
void script(ScriptedMci& mci, const std::vector<int>& starts, int length)
{
    mci.replies["status cd number of tracks wait"] = QString::number(starts.size());
    for (size_t i = 0; i < starts.size(); ++i)
        mci.replies["status cd position track " + QString::number(i + 1)] = msf(starts[i]);
    mci.replies["status cd length wait"] = msf(length);
}

} // namespace

TEST_F(DiscIdRule, WorkedExample)
{
    ScriptedMci mci;
    mci.replies["status cd number of tracks wait"] = "2";
    mci.replies["status cd position track 1"] = "00:02:00";
    mci.replies["status cd position track 2"] = "04:10:33";
    mci.replies["status cd length wait"] = "08:00:00";
    CDAudio cd;
    CdDiscId disc(cd);
    EXPECT_EQ(disc.GetCDID(), "0901E002");
    EXPECT_EQ(disc.cdidb, ""); // GetCDID leaves cdidb to its callers
    EXPECT_EQ(disc.TrackCount, 2);
    EXPECT_EQ(disc.DiscSeconds, 480);
    ASSERT_EQ(disc.TrackToc.size(), 4u);
    EXPECT_EQ(disc.TrackToc[3].Min, 8);
    EXPECT_EQ(disc.TrackToc[3].Sec, 2);
    EXPECT_EQ(disc.TrackToc[3].Frame, 0);
    EXPECT_EQ(disc.GetQueryString(), "0901E002 2 150 18783 480");
    EXPECT_EQ(disc.cdidb, "0901E002");
    // The device is asked in this order, and afresh for the query string.
    const QStringList expected = {"status cd number of tracks wait",
                                  "set cd time format msf wait", "status cd position track 1", "set cd time format tmsf wait",
                                  "set cd time format msf wait", "status cd position track 2", "set cd time format tmsf wait",
                                  "status cd length wait",
                                  "set cd time format msf wait", "status cd position track 1", "set cd time format tmsf wait",
                                  "set cd time format msf wait", "status cd position track 2", "set cd time format tmsf wait"};
    EXPECT_EQ(mci.sent, expected + expected);
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(DiscIdRule, EdgeCasesOfTheRule)
{
    std::vector<int> ten;
    for (int i = 0; i < 10; ++i)
        ten.push_back(150 + i * 4500); // 2, 62, ..., 542 s: digit sums add up to 83 = 0x53
    // Whole-second starts whose digit sums add up to `sum` (99 s adds 18).
    auto startsWithDigitSum = [](int sum) {
        std::vector<int> s;
        for (; sum >= 18; sum -= 18)
            s.push_back(99 * 75);
        if (sum > 0)
            s.push_back(sum * 75);
        return s;
    };
    const std::vector<std::tuple<std::vector<int>, int, QString>> cases = {
        {{150}, 45000, "02025801"},      // one track: lead-out = start + length
        {{150 + 74}, 45000, "02025801"}, // 00:02:74 counts as 2 s
        {ten, 46000, "5302650A"},        // ten tracks: count 0A, 613 s
    };
    for (const auto& [starts, length, id] : cases) {
        ScriptedMci mci;
        script(mci, starts, length);
        CDAudio cd;
        CdDiscId disc(cd);
        EXPECT_EQ(disc.GetCDID(), id);
    }
    {
        ScriptedMci mci;
        script(mci, startsWithDigitSum(255), 75 * 1000);
        CDAudio cd;
        CdDiscId disc(cd);
        EXPECT_EQ(disc.GetCDID().left(2), "00");
        script(mci, startsWithDigitSum(256), 75 * 1000);
        EXPECT_EQ(disc.GetCDID().left(2), "01");
    }
    {
        // One track: the query string holds one offset.
        ScriptedMci mci;
        script(mci, {150}, 45000);
        CDAudio cd;
        CdDiscId disc(cd);
        EXPECT_EQ(disc.GetQueryString(), "02025801 1 150 600");
    }
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(DiscIdRule, LeftZeroPad)
{
    EXPECT_EQ(LeftZeroPad("ABC", 2), "ABC");
    EXPECT_EQ(LeftZeroPad("", 4), "0000");
    EXPECT_EQ(LeftZeroPad("9", 2), "09");
    EXPECT_EQ(LeftZeroPad("1E0", 4), "01E0");
    EXPECT_EQ(LeftZeroPad("AB", 2), "AB");
}

TEST_F(DiscIdRule, AFailedStepIsLoggedAndTheIdStillReturned)
{
    ScriptedMci mci;
    script(mci, {150, 18783}, 36000);
    mci.replies["status cd position track 2"] = "04:1x:33";
    CDAudio cd;
    CdDiscId disc(cd);
    const QString id = disc.GetCDID();
    EXPECT_EQ(id.size(), 8);
    EXPECT_EQ(disc.TrackToc[2].Min, 4);
    EXPECT_EQ(disc.TrackToc[2].Sec, 0); // the field that failed keeps 0
    EXPECT_EQ(disc.TrackToc[2].Frame, 33);
    EXPECT_GE(prompt.asked.size(), 1u);
    EXPECT_TRUE(QString::fromUtf8(readAll(programFile("QuilloryError.log")))
                    .contains("Module Name : frmCD\r\nProcedure   : GetCDID\r\nError number: 13"));
}

// ---- disc images against libcddb ----
namespace {

struct Reference {
    QString id;
    QString query;
};

// libcddb's id from the table of contents that libcdio reads from the image; the query
// arguments are the id, the count, the frame offsets and the id's seconds field.
Reference libcddbReference(const QString& cue)
{
    CdIo_t* cdio = cdio_open(QFile::encodeName(cue).constData(), DRIVER_UNKNOWN);
    if (!cdio)
        return {};
    cddb_disc_t* disc = cddb_disc_new();
    const int first = cdio_get_first_track_num(cdio);
    const int n = cdio_get_num_tracks(cdio);
    QString offsets;
    for (int t = first; t < first + n; ++t) {
        cddb_track_t* track = cddb_track_new();
        cddb_track_set_frame_offset(track, cdio_get_track_lba(cdio, static_cast<track_t>(t)));
        cddb_disc_add_track(disc, track);
    }
    cddb_disc_set_length(disc, static_cast<unsigned>(cdio_get_track_lba(cdio, CDIO_CDROM_LEADOUT_TRACK) / 75));
    cddb_disc_calc_discid(disc);
    const unsigned id = cddb_disc_get_discid(disc);
    for (cddb_track_t* t = cddb_disc_get_track_first(disc); t; t = cddb_disc_get_track_next(disc))
        offsets += ' ' + QString::number(cddb_track_get_frame_offset(t));
    Reference r;
    r.id = QString::asprintf("%08X", id);
    r.query = r.id + ' ' + QString::number(cddb_disc_get_track_count(disc)) + offsets + ' ' +
              QString::number((id >> 8) & 0xFFFF);
    cddb_disc_destroy(disc);
    cdio_destroy(cdio);
    return r;
}

} // namespace

TEST_F(DiscIdRule, ImagesGiveTheIdsLibcddbComputes)
{
    struct Disc {
        const char* name;
        DiscImage::Layout layout;
    };
    std::vector<Disc> discs;
    {
        DiscImage::Layout s; // three tracks with gaps
        s.tracks = {{DiscImage::tonePcm(900, 1), 0, false}, {DiscImage::tonePcm(1234, 2), 150, false},
                    {DiscImage::tonePcm(777, 3), 75, false}};
        discs.push_back({"three", s});
    }
    {
        DiscImage::Layout s; // a hidden track before track 1
        s.hiddenTrack = DiscImage::tonePcm(2000, 4);
        s.tracks = {{DiscImage::tonePcm(600, 5), 0, false}, {DiscImage::tonePcm(800, 6), 0, false}};
        discs.push_back({"hidden", s});
    }
    {
        DiscImage::Layout s; // one track
        s.tracks = {{DiscImage::tonePcm(3000, 7), 0, false}};
        discs.push_back({"single", s});
    }
    {
        DiscImage::Layout s; // twelve short tracks, gaps of different lengths
        for (int i = 0; i < 12; ++i)
            s.tracks.push_back({DiscImage::tonePcm(300 + 37 * i, 10 + i), i % 3 * 20, false});
        discs.push_back({"twelve", s});
    }
    for (const Disc& d : discs) {
        SCOPED_TRACE(d.name);
        const QString cue = DiscImage::write(homeDir() + "discs", d.name, d.layout);
        const Reference ref = libcddbReference(cue);
        ASSERT_FALSE(ref.id.isEmpty());
        CDDriveLetter = cue;
        CDAudio cd;
        ASSERT_EQ(cd.ReadyDevice(), 0);
        ASSERT_EQ(cd.CheckCD(), 0);
        CdDiscId disc(cd);
        EXPECT_EQ(disc.GetCDID(), ref.id);
        EXPECT_EQ(disc.GetQueryString(), ref.query);
        EXPECT_EQ(disc.TrackCount, static_cast<int>(d.layout.tracks.size()));
        cd.UnloadAll();
    }
    EXPECT_TRUE(prompt.asked.empty());
}
