// Decoding of CDDB replies: the text helpers, the query match and a whole xmcd entry.
#include <gtest/gtest.h>

#include "cd/cddbclient.h"
#include "fixture.h"

namespace {
// A read reply as a server sends it: an xmcd entry with comments, a DTITLE continued
// over two lines, a track title over two lines, extended data and two titles more than
// the disc has tracks.
const QByteArray kEntry =
    "210 rock 0901e002 CD database entry follows (until terminating `.')\r\n"
    "# xmcd\r\n"
    "#\r\n"
    "# Track frame offsets:\r\n"
    "#\t150\r\n"
    "#\t18783\r\n"
    "#\r\n"
    "# Disc length: 482 seconds\r\n"
    "#\r\n"
    "# Revision: 7\r\n"
    "# Submitted via: testtagger 1.0\r\n"
    "#\r\n"
    "DISCID=0901e002\r\n"
    "DTITLE=AC/DC / Back In Bl\r\n"
    "DTITLE=ack\r\n"
    "DYEAR=1980\r\n"
    "DGENRE=Hard Rock\r\n"
    "TTITLE0=Hells \x04" "Bells\r\n"
    "ttitle1=Shoot to Thrill, the long version that goes on and\r\n"
    "TTITLE1= on (F\xc3\xbcr Elise mix)\r\n"
    "TTITLE2=Spare\r\n"
    "TTITLE3=Nowhere to go\r\n"
    "EXTD=Recorded 1980.\\nYEAR: 1980\r\n"
    "EXTD= ID3G: 17\r\n"
    "EXTT0=\r\n"
    "EXTT1=\r\n"
    "PLAYORDER=\r\n"
    ".\r\n";
} // namespace

class CddbDecode : public AppFixture {};

TEST_F(CddbDecode, TrimPreAndSufCharRemoveOnlyOneGivenCharacterIgnoringCase)
{
    struct Case {
        QString in, ch, pre, suf;
    } cases[] = {
        {"  Title  ", " ", "Title  ", "  Title"},
        {"xXxabcXx", "x", "abcXx", "xXxabc"},
        {"aaa", "a", "", ""},
        {"  Title", "  ", "  Title", "  Title"}, // not one character: unchanged
        {"Title", "", "Title", "Title"},
        {"", " ", "", ""},
    };
    for (const auto& c : cases) {
        QString a = c.in, b = c.in;
        EXPECT_EQ(CDDBClient::TrimPreChar(a, c.ch), c.pre) << c.in.toStdString();
        EXPECT_EQ(a, c.pre);
        EXPECT_EQ(CDDBClient::TrimSufChar(b, c.ch), c.suf) << c.in.toStdString();
        EXPECT_EQ(b, c.suf);
    }
}

TEST_F(CddbDecode, RemoveTopLineResponseCodeAndQueryMatch)
{
    EXPECT_EQ(CDDBClient::RemoveTopLine("one\r\ntwo\r\n"), "two\r\n");
    EXPECT_EQ(CDDBClient::RemoveTopLine("no line end"), "o line end");
    EXPECT_EQ(CDDBClient::RemoveTopLine(""), "");

    EXPECT_EQ(CDDBClient::ResponseCode("200 rock 0901e002 x"), 200);
    EXPECT_EQ(CDDBClient::ResponseCode("600 Timeout"), 600);
    EXPECT_EQ(CDDBClient::ResponseCode("Hello"), 0);
    EXPECT_EQ(CDDBClient::ResponseCode(""), 0);

    CDDBClient c;
    c.QueryMatchDecode("200 rock 0901e002 AC/DC / Back In Black\r\n");
    EXPECT_EQ(c.MatchCategory, "rock");
    EXPECT_EQ(c.MatchDiscId, "0901e002");
    // A line cut short never lets a line end into the read command.
    c.QueryMatchDecode("200 rock\r\ncddb write x\r\n");
    EXPECT_EQ(c.MatchCategory, "rock");
    EXPECT_EQ(c.MatchDiscId, "");
}

TEST_F(CddbDecode, PullDataJoinsEveryLineOfTheKeyAndConsumes)
{
    QString data = "TTITLE3=one\r\nttitle3= two\r\nTTITLE4=next\r\n";
    EXPECT_EQ(CDDBClient::PullData(data, "TTITLE3="), "one two");
    EXPECT_EQ(data, "TTITLE4=next\r\n");
    EXPECT_EQ(CDDBClient::PullData(data, "TTITLE9="), "");
    EXPECT_EQ(data, "TTITLE4=next\r\n");
    // A line without its line end is the last: its value runs to the end of the data, a key
    // found again inside it is part of the value, and nothing is left.
    const struct {
        QString in, key, value, rest;
    } cases[] = {
        {"DTITLE=A / B", "DTITLE=", "A / B", ""},
        {"TTITLE0=aTTITLE0=b", "TTITLE0=", "aTTITLE0=b", ""},
        {"TTITLE0=a\r\nTTITLE0=bTTITLE0=c", "TTITLE0=", "abTTITLE0=c", ""},
        {"x TTITLE0=a\r\nTTITLE0=b\r\n.\r\n", "ttitle0=", "ab", ".\r\n"},
        {"TTITLE0=", "TTITLE0=", "", ""},
    };
    for (const auto& c : cases) {
        data = c.in;
        EXPECT_EQ(CDDBClient::PullData(data, c.key), c.value) << c.in.toStdString();
        EXPECT_EQ(data, c.rest) << c.in.toStdString();
    }
}

// A megabyte without a line end, the key every kilobyte: the value is taken once.
TEST_F(CddbDecode, PullDataTakesAReplyWithoutLineEndsOnce)
{
    const QString piece = QStringLiteral("TTITLE0=") + QString(1016, u'x');
    QString data = piece.repeated(1024);
    const QString value = data.mid(8);
    EXPECT_EQ(CDDBClient::PullData(data, "ttitle0="), value);
    EXPECT_TRUE(data.isEmpty());
}

TEST_F(CddbDecode, DiscTitleSplitsArtistAndTitle)
{
    struct Case {
        QString dtitle, artist, title;
    } cases[] = {
        {"AC/DC / Back In Black", "AC/DC", "Back In Black"},
        {"Artist / Title", "Artist", "Title"},
        {"Artist   /   Title", "Artist", "Title"},
        {"Artist/Title", "Artist", "itle"}, // the character after the slash is always dropped
        {"x /y", "x", ""},
        {"No Slash At All", "No Slash At All", "No Slash At All"},
        {"A / B / C", "A", "B / C"},
    };
    for (const auto& c : cases) {
        CDDBClient client;
        client.TrackCount = 1;
        EXPECT_EQ(client.ReadDecode("210 misc 01020301 x\r\nDTITLE=" + c.dtitle + "\r\n.\r\n"), "");
        EXPECT_EQ(client.DiscArtist, c.artist) << c.dtitle.toStdString();
        EXPECT_EQ(client.DiscTitle, c.title) << c.dtitle.toStdString();
    }
}

TEST_F(CddbDecode, RealEntryDecodesIntoDiscAndTrackTitles)
{
    CDDBClient c;
    c.TrackCount = 2;
    EXPECT_EQ(c.ReadDecode(CDDBClient::DecodeText(kEntry)), "");
    EXPECT_EQ(c.DiscCategory, "rock");
    EXPECT_EQ(c.DiscRevision, 7);
    EXPECT_EQ(c.DiscArtist, "AC/DC");
    EXPECT_EQ(c.DiscTitle, "Back In Black");
    ASSERT_EQ(c.TrackTitles.size(), 3);
    EXPECT_EQ(c.TrackTitles[0], "Hells Bells"); // the catalogue separator is removed
    EXPECT_EQ(c.TrackTitles[1], QString::fromUtf8("Shoot to Thrill, the long version that goes on and on (F\xc3\xbcr Elise mix)"));
    EXPECT_EQ(c.TrackTitles[2], "Spare");
    // The title beyond the disc's tracks is ignored without asking anybody.
    EXPECT_TRUE(prompt.asked.empty());

    EXPECT_EQ(c.ReadDecode("600 Timeout"), "Timed out trying to connect to CDDB");
    EXPECT_EQ(c.TrackTitles, QStringList({"", "", ""}));
    EXPECT_EQ(c.DiscArtist, "AC/DC"); // a time-out changes nothing else
}

TEST_F(CddbDecode, AnEntryWithoutADiscTitleFailsAndKeepsTheDisc)
{
    CDDBClient c;
    c.TrackCount = 2;
    ASSERT_EQ(c.ReadDecode(CDDBClient::DecodeText(kEntry)), "");
    for (const QString& entry : {QStringLiteral("210 misc 01020301 x\r\n# Revision: 3\r\nDISCID=01020301\r\n.\r\n"),
                                QStringLiteral("210 misc 01020301 x\r\nDTITLE= \r\nTTITLE0=One\r\n.\r\n")}) {
        EXPECT_EQ(c.ReadDecode(entry), "Failed") << entry.toStdString();
        EXPECT_EQ(c.DiscArtist, "AC/DC");
        EXPECT_EQ(c.DiscTitle, "Back In Black");
        EXPECT_EQ(c.DiscCategory, "rock");
        EXPECT_EQ(c.DiscRevision, 7);
    }
}

TEST_F(CddbDecode, TextIsUtf8WhenValidElseLatin1)
{
    EXPECT_EQ(CDDBClient::DecodeText("Caf\xc3\xa9"), QString::fromUtf8("Caf\xc3\xa9"));
    EXPECT_EQ(CDDBClient::DecodeText("Caf\xe9"), QString::fromUtf8("Caf\xc3\xa9"));
}

const QByteArray& cddbTestEntry() { return kEntry; }
