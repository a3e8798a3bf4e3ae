// Whole CDDB lookups against a server played by the test on 127.0.0.1.
#include <QHostInfo>
#include <QTimer>
#include <deque>
#include <functional>
#include <gtest/gtest.h>

#include "cd/cddbclient.h"
#include "cd/frmcddbstatus.h"
#include "core/globals.h"
#include "fakecddb.h"
#include "fixture.h"
#include "platform/forms.h"

// The xmcd entry of the decoding tests (a read reply for "rock 0901e002", 2 tracks).
const QByteArray& cddbTestEntry();

namespace {
const QString kArgs = QStringLiteral("0901E002 2 150 18783 480");
const QByteArray kQueryLine = "cddb query 0901E002 2 150 18783 480\r\n";
const QByteArray kExact = "200 rock 0901e002 AC/DC / Back In Black\r\n";
const QByteArray kReadLine = "cddb read rock 0901e002\r\n";
} // namespace

class CddbClientTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        ASSERT_TRUE(fake.server.isListening());
        CDDBServer = QStringLiteral("127.0.0.1");
        CDDBPort = fake.port();
        CDDBEmail = QStringLiteral("me@example.org");
        fake.replies["cddb query"] = kExact;
        fake.replies["cddb read"] = cddbTestEntry();
        // A test that went wrong ends its waits instead of hanging.
        watchdog.setSingleShot(true);
        watchdog.setInterval(20000);
        QObject::connect(&watchdog, &QTimer::timeout, [this] { clock.advance(3600 * 1000); });
        QObject::connect(&client, &CDDBClient::CDDBTrace, [this](const QString& d, qint32 n) {
            trace.push_back({d, n, clock.monotonicMs()});
            maxReply = std::max(maxReply, client.ReplyText.size());
        });
    }
    void TearDown() override
    {
        client.Winsock1->Close();
        AppFixture::TearDown();
    }

    QString lookup()
    {
        QString q = kArgs;
        watchdog.start();
        const QString r = client.GetCddbUseQueryString(q);
        watchdog.stop();
        clock.setAutoStep(0);
        EXPECT_EQ(q, QString::fromLatin1(kQueryLine));
        return r;
    }
    QByteArray hello() const
    {
        return "cddb hello me@example.org " + QHostInfo::localHostName().toUtf8() + " test 1.0\r\n";
    }
    // Clock time from the trace entry before "Timeout" (the start of the wait) to the time-out.
    qint64 timedOutAfter() const
    {
        for (size_t i = 1; i < trace.size(); ++i)
            if (trace[i].data == "Timeout" && trace[i].count == 7)
                return trace[i].ms - trace[i - 1].ms;
        return -1;
    }
    void expectClosed()
    {
        EXPECT_EQ(client.Winsock1->State(), 0);
        EXPECT_EQ(client.Winsock1->BytesReceived(), 0);
        EXPECT_TRUE(pumpUntil([&] { return fake.clientClosed; }));
    }

    struct TraceEntry {
        QString data;
        qint32 count;
        qint64 ms;
    };
    // The server answers nothing more from now on, and time runs: one clock second each
    // time the client's wait looks again, so the clock steps onto its limit and never past
    // it, however seldom the machine lets the wait run.
    void fallSilent() { clock.setAutoStep(1000); }
    bool silentFor(const QByteArray& line, const char* command)
    {
        if (!line.startsWith(command))
            return false;
        fallSilent();
        return true;
    }

    QTimer watchdog;
    FakeCddb fake;
    CDDBClient client;
    std::vector<TraceEntry> trace;
    qsizetype maxReply = 0;
};

TEST_F(CddbClientTest, ExactMatchIsReadDecodedAndTheConversationIsExact)
{
    EXPECT_EQ(lookup(), "");
    expectClosed();
    EXPECT_EQ(fake.received, hello() + kQueryLine + kReadLine + "quit\r\n");
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(client.MatchCategory, "rock");
    EXPECT_EQ(client.MatchDiscId, "0901e002");
    EXPECT_EQ(client.DiscCategory, "rock");
    EXPECT_EQ(client.DiscArtist, "AC/DC");
    EXPECT_EQ(client.DiscTitle, "Back In Black");
    EXPECT_EQ(client.DiscRevision, 7);
    ASSERT_EQ(client.TrackCount, 2);
    EXPECT_EQ(client.TrackTitles[0], "Hells Bells");
    EXPECT_EQ(client.ReplyTimedOut, 0);
    expectClosed();

    // The trace: the connect line, the greeting, then each line sent and each reply.
    ASSERT_GE(trace.size(), 8u);
    const QString connectLine = "Connecting to: 127.0.0.1 Port: " + QString::number(fake.port()) + "\r\n";
    EXPECT_EQ(trace[0].data, connectLine);
    EXPECT_EQ(trace[1].data, QString::fromLatin1(fake.greeting));
    EXPECT_EQ(trace[1].count, fake.greeting.size());
    EXPECT_EQ(trace[2].data, QString::fromUtf8(hello()));
    EXPECT_EQ(trace[4].data, QString::fromLatin1(kQueryLine));
    EXPECT_EQ(trace[5].data, QString::fromLatin1(kExact));
    EXPECT_EQ(trace[6].data, QString::fromLatin1(kReadLine));
    EXPECT_EQ(trace.back().data, "quit\r\n");

    // The status window shows the read reply as plain text.
    auto* status = Forms::find<frmCDDBStatus>();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->Label1->textFormat(), Qt::PlainText);
    EXPECT_EQ(status->Label1->text(), CDDBClient::DecodeText(cddbTestEntry()));
    EXPECT_EQ(status->Caption(), "CDDB Status");
}

TEST_F(CddbClientTest, RepliesInPiecesAreJoinedAndAGreetingTailIsNotTakenForTheHelloReply)
{
    // Each piece goes out only after the client took the one before.
    std::deque<QByteArray> pieces;
    QObject scope; // the pieces' connection ends with the test
    QObject::connect(client.Winsock1, &Winsock::DataArrival, &scope, [&] {
        if (!pieces.empty()) {
            fake.send(pieces.front());
            pieces.pop_front();
        }
    });
    // The greeting comes in two pieces, the second only once the hello is in, so it always
    // arrives while the client waits for the hello's reply; that reply goes out once the
    // client took the tail, so the two never arrive together.
    fake.greeting = "201 localhost CDDBP ser";
    fake.onLine = [&](const QByteArray& line) {
        if (line.startsWith("cddb hello")) {
            fake.send("ver ready\r\n");
            pieces.push_back(fake.replies["cddb hello"]);
            return true;
        }
        if (line.startsWith("cddb query")) {
            fake.send("200 rock 0901");
            pieces.push_back("e002 AC/DC / Back In Black\r\n");
            return true;
        }
        if (line.startsWith("cddb read")) {
            const QByteArray e = cddbTestEntry();
            // Many small pieces; the last cut falls inside the closing CR LF "." CR LF.
            for (qsizetype i = 7; i < e.size() - 2; i += 7)
                pieces.push_back(e.mid(i, std::min<qsizetype>(7, e.size() - 2 - i)));
            pieces.push_back(e.right(2));
            fake.send(e.left(7));
            return true;
        }
        return false;
    };
    EXPECT_EQ(lookup(), "");
    EXPECT_EQ(prompt.messageTexts(), QStringList());
    EXPECT_EQ(client.MatchDiscId, "0901e002");
    EXPECT_EQ(client.DiscArtist, "AC/DC");
    EXPECT_EQ(client.TrackTitles[1].left(15), "Shoot to Thrill");
    expectClosed();
    EXPECT_EQ(fake.received, hello() + kQueryLine + kReadLine + "quit\r\n");
    // The second piece of the greeting was shown when it came.
    bool shown = false;
    for (const auto& t : trace)
        shown = shown || t.data == "ver ready\r\n";
    EXPECT_TRUE(shown);
}

TEST_F(CddbClientTest, QueryAnswersOtherThanAnExactMatchFailWithTheirMessageAndQuit)
{
    struct Case {
        QByteArray reply;
        QString message; // empty: none
    } cases[] = {
        {"211 Found inexact matches, list follows (until terminating `.')\r\n"
         "rock 0901e002 AC/DC / Back In Black\r\nblues 0901e003 Other / Disc\r\n.\r\n",
         "Sorry, no exact match was found for the CD"},
        {"202 No match for disc ID 0901e002.\r\n", "Sorry, no exact was match found for the CD"},
        {"403 Database entry is corrupt.\r\n", "Database entry may be corrupt"},
        {"409 No handshake.\r\n", "Could not perform handshake with CDDB"},
        // Answers the client has no use for: the user is told what the server said.
        {"500 Command syntax error.\r\n", "Unexpected answer from CDDB: 500 Command syntax error."},
        {"210 Found exact matches, list follows (until terminating `.')\r\n"
         "rock 0901e002 AC/DC / Back In Black\r\nmisc 0901e002 AC/DC / Back In Black\r\n.\r\n",
         "Unexpected answer from CDDB: 210 Found exact matches, list follows (until terminating `.')"},
        {"600 Server too busy\r\n", "Unexpected answer from CDDB: 600 Server too busy"}, // not our time-out
        {"777 Made\x07up " + QByteArray(300, 'x') + "\r\n",
         "Unexpected answer from CDDB: 777 Made up " + QString(188, 'x') + "..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply.left(3).toStdString());
        prompt.asked.clear();
        fake.received.clear();
        fake.replies["cddb query"] = c.reply;
        EXPECT_EQ(lookup(), "Failed");
        expectClosed();
        EXPECT_EQ(fake.received, hello() + kQueryLine + "quit\r\n");
        if (c.message.isEmpty()) {
            EXPECT_TRUE(prompt.asked.empty());
        } else {
            ASSERT_EQ(prompt.messageTexts(), QStringList{c.message});
            EXPECT_EQ(prompt.last().title, "Quillory");
            EXPECT_EQ(Mb::buttonsOf(prompt.last().style), Mb::OKOnly);
        }
        expectClosed();
    }
}

TEST_F(CddbClientTest, EachWaitTimesOutAfterItsOwnThirtySecondsAndTheNextLookupWorks)
{
    struct Case {
        const char* silentAt;
        QStringList messages;
        QString result;
        QByteArray sent;
    } cases[] = {
        {"greeting", {"Timed out waiting to connect", "Failed to Connect To CDDB"}, "Failed", ""},
        {"cddb hello",
         {"Timed out waiting for hello Response", "Could not perform handshake with CDDB"},
         "Failed",
         "H"},
        {"cddb query", {"Timed out waiting for query Response"}, "Failed", "HQ"},
        {"cddb read", {"Timed out waiting for read Response"}, "Timed out trying to connect to CDDB", "HQR"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.silentAt);
        prompt.asked.clear();
        fake.received.clear();
        trace.clear();
        const QByteArray keptGreeting = fake.greeting;
        const QByteArray silentAt = c.silentAt;
        if (silentAt == "greeting") {
            fake.greeting.clear();
            fake.onConnect = [this] { fallSilent(); };
        } else {
            fake.onLine = [this, silentAt](const QByteArray& line) { return silentFor(line, silentAt); };
        }

        EXPECT_EQ(lookup(), c.result);
        EXPECT_EQ(prompt.messageTexts(), c.messages);
        EXPECT_EQ(client.ReplyTimedOut, -1);
        EXPECT_EQ(timedOutAfter(), 30000);
        QByteArray sent;
        for (char s : QByteArray(c.sent))
            sent += s == 'H' ? hello() : s == 'Q' ? kQueryLine : kReadLine;
        expectClosed();
        EXPECT_EQ(fake.received, sent); // no quit after a time-out: the socket is closed

        // The next lookup connects, greets, queries and reads as usual.
        fake.greeting = keptGreeting;
        fake.onConnect = nullptr;
        fake.onLine = nullptr;
        prompt.asked.clear();
        EXPECT_EQ(lookup(), "");
        EXPECT_TRUE(prompt.asked.empty());
        EXPECT_EQ(client.ReplyTimedOut, 0);
        EXPECT_EQ(client.DiscTitle, "Back In Black");
        expectClosed();
    }
}

TEST_F(CddbClientTest, ADrippingReadTimesOutWithTheReadMessage)
{
    QTimer drip;
    qsizetype sentBytes = 0;
    qint64 readAt = 0;
    // One byte a clock second, up to the read's time-out: on a busy machine the timer can fire
    // twice before the wait looks at the clock again, which must not carry it past the limit.
    QObject::connect(&drip, &QTimer::timeout, [&] {
        if (clock.monotonicMs() >= readAt + 30000)
            return;
        clock.advance(1000);
        fake.send(cddbTestEntry().mid(sentBytes++, 1));
    });
    fake.onLine = [&](const QByteArray& line) {
        if (!line.startsWith("cddb read"))
            return false;
        maxReply = 0;
        readAt = clock.monotonicMs();
        drip.start(1);
        return true;
    };
    EXPECT_EQ(lookup(), "Timed out trying to connect to CDDB");
    drip.stop();
    EXPECT_EQ(prompt.messageTexts(), QStringList{"Timed out waiting for read Response"});
    EXPECT_LE(sentBytes, 32);
    qint64 readSent = -1, timedOut = -1;
    for (const auto& t : trace) {
        if (t.data == QString::fromLatin1(kReadLine))
            readSent = t.ms;
        if (t.data == "Timeout")
            timedOut = t.ms;
    }
    EXPECT_EQ(timedOut - readSent, 30000);
    EXPECT_LE(maxReply, 32);
    expectClosed();
}

TEST_F(CddbClientTest, ReadRepliesThatCannotCompleteEndAtOnce)
{
    struct Case {
        const char* name;
        std::function<void()> answer;
        QString message;
        bool quit;
    } cases[] = {
        {"ten megabytes without an end",
         [&] { fake.send("210 rock 0901e002 entry follows\r\n" + QByteArray(10 * 1024 * 1024, 'x')); },
         "The reply from CDDB is too long", false},
        {"closes mid-read",
         [&] {
             fake.send(cddbTestEntry().left(200));
             fake.closeClient();
         },
         "The connection to CDDB was lost", false},
        {"one-line error", [&] { fake.send("401 rock 0901e002 No such CD entry in database.\r\n"); },
         "Could not read the CD entry from CDDB", true},
        {"the server's own 600", [&] { fake.send("600 Server too busy\r\n"); },
         "Could not read the CD entry from CDDB", true},
        {"an entry without titles",
         [&] { fake.send("210 rock 0901e002 entry follows\r\n# xmcd\r\nDISCID=0901e002\r\nEXTD=\r\n.\r\n"); },
         "The CD entry from CDDB has no disc title", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompt.asked.clear();
        fake.received.clear();
        trace.clear();
        maxReply = 0;
        fake.onLine = [&](const QByteArray& line) {
            if (!line.startsWith("cddb read"))
                return false;
            c.answer();
            return true;
        };
        EXPECT_EQ(lookup(), "Failed");
        EXPECT_EQ(clock.monotonicMs(), 0); // no time had to pass
        EXPECT_EQ(prompt.messageTexts(), QStringList{c.message});
        EXPECT_EQ(client.ReplyTimedOut, 0);
        EXPECT_EQ(client.ReplyTerminator, "");
        EXPECT_LE(maxReply, client.ReplyLimit + client.Winsock1->maxBuffered());
        expectClosed();
        EXPECT_EQ(fake.received, hello() + kQueryLine + kReadLine + (c.quit ? "quit\r\n" : ""));
    }
}

TEST_F(CddbClientTest, RefusedOrUnknownServerFailsAtOnce)
{
    const quint16 deadPort = unusedLocalPort();
    struct Case {
        QString host;
        int32_t port;
    } cases[] = {{"127.0.0.1", deadPort}, {"no-such-host.invalid", 8880}, {"127.0.0.1", 70000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host.toStdString());
        prompt.asked.clear();
        CDDBServer = c.host;
        CDDBPort = c.port;
        EXPECT_EQ(lookup(), "Failed");
        EXPECT_EQ(clock.monotonicMs(), 0); // no time had to pass
        EXPECT_EQ(prompt.messageTexts(), QStringList{"Failed to Connect To CDDB"});
        EXPECT_EQ(client.Winsock1->State(), 0);
        EXPECT_EQ(CDDBServer, c.host);
    }
    EXPECT_EQ(fake.connections, 0);
}

TEST_F(CddbClientTest, EmptySettingsUseTheDefaultServerAndKeepIt)
{
    QString routedHost;
    int32_t routedPort = 0;
    routeEverythingTo(fake.port(), routedHost, routedPort);
    CDDBServer.clear();
    CDDBPort = 0;
    EXPECT_EQ(lookup(), "");
    EXPECT_EQ(routedHost, "gnudb.gnudb.org");
    EXPECT_EQ(routedPort, 8880);
    EXPECT_EQ(CDDBServer, "gnudb.gnudb.org");
    EXPECT_EQ(CDDBPort, 8880);
}

// The greeting arrived, so a close that follows it fails the handshake also when the close
// reaches the client in the same wait as the greeting (a later close: the test below).
TEST_F(CddbClientTest, GreetingThenCloseFailsTheHandshakeWhateverTheTiming)
{
    const QString greeting = QString::fromLatin1(fake.greeting);
    const struct {
        const char* when;
        std::function<void()> onConnect;
        std::function<void(const QString&)> onTrace;
    } cases[] = {
        {"server closes right after greeting", [&] { fake.closeClient(); }, nullptr},
        {"close handled with the greeting",
         nullptr,
         [&](const QString& d) {
             if (d == greeting)
                 client.Winsock1_Close();
         }},
        {"server closes as the greeting arrives",
         nullptr,
         [&](const QString& d) {
             if (d == greeting)
                 fake.closeClient();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        prompt.asked.clear();
        fake.onConnect = c.onConnect;
        const QMetaObject::Connection traced =
            QObject::connect(&client, &CDDBClient::CDDBTrace, [&](const QString& d, qint32) {
                if (c.onTrace)
                    c.onTrace(d);
            });
        EXPECT_EQ(lookup(), "Failed");
        QObject::disconnect(traced);
        EXPECT_EQ(prompt.messageTexts(), QStringList{"Could not perform handshake with CDDB"});
        EXPECT_EQ(client.ReplyTimedOut, 0);
        EXPECT_EQ(client.Winsock1->State(), 0);
        ASSERT_TRUE(pumpUntil([&] { return fake.clientClosed; }));
    }
}

TEST_F(CddbClientTest, ServerClosingAfterItsGreetingFailsTheHandshakeAndAnOpenSocketRefusesANewLookup)
{
    fake.onLine = [&](const QByteArray& line) {
        if (!line.startsWith("cddb hello"))
            return false;
        fake.closeClient();
        return true;
    };
    EXPECT_EQ(lookup(), "Failed");
    EXPECT_EQ(prompt.messageTexts(), QStringList{"Could not perform handshake with CDDB"});
    EXPECT_EQ(client.ReplyTimedOut, 0);
    EXPECT_EQ(client.Winsock1->State(), 0);

    // A connection still open from elsewhere: the lookup fails at once without connecting.
    fake.onLine = nullptr;
    prompt.asked.clear();
    client.Winsock1->RemoteHost = "127.0.0.1";
    client.Winsock1->RemotePort = fake.port();
    client.Winsock1->Connect();
    const int before = fake.connections;
    EXPECT_EQ(lookup(), "Failed");
    EXPECT_EQ(prompt.messageTexts(), QStringList{"Failed to Connect To CDDB"});
    EXPECT_TRUE(pumpUntil([&] { return fake.connections == before + 1; }));
}

TEST_F(CddbClientTest, AReadReplyUpToTheSizeLimitDecodesWhole)
{
    // Nearly a mebibyte of one-letter title lines: each line adds to title 0.
    constexpr int kLines = 90000;
    QByteArray entry = "210 rock 0901e002 CD database entry follows (until terminating `.')\r\n"
                       "DTITLE=Many / Lines\r\n";
    entry.reserve(entry.size() + kLines * 11 + 3);
    for (int i = 0; i < kLines; ++i)
        entry += "TTITLE0=x\r\n";
    entry += ".\r\n";
    ASSERT_LT(entry.size(), client.ReplyLimit);
    fake.replies["cddb read"] = entry;

    EXPECT_EQ(lookup(), "");
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(client.DiscArtist, "Many");
    EXPECT_EQ(client.DiscTitle, "Lines");
    ASSERT_EQ(client.TrackTitles.size(), 3);
    EXPECT_EQ(client.TrackTitles[0], QString(kLines, u'x'));
    EXPECT_EQ(client.TrackTitles[1], "");
    expectClosed();
}

TEST_F(CddbClientTest, TheHelloReplysCodeDecidesTheHandshake)
{
    struct Case {
        QByteArray reply;
        QString result;
        QStringList messages;
        QByteArray sent;
    } cases[] = {
        {"431 Handshake not successful, closing connection.\r\n", "Failed",
         {"Could not perform handshake with CDDB"}, "quit\r\n"},
        {"402 Already shook hands.\r\n", "", {}, kQueryLine + kReadLine + "quit\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply.left(3).toStdString());
        prompt.asked.clear();
        fake.received.clear();
        fake.replies["cddb hello"] = c.reply;
        EXPECT_EQ(lookup(), c.result);
        EXPECT_EQ(prompt.messageTexts(), c.messages);
        expectClosed();
        EXPECT_EQ(fake.received, hello() + c.sent);
    }
}

// A reply line that came only in part before the wait is skipped up to its end; a server
// that never ends it gets the size limit of any reply, at once.
TEST_F(CddbClientTest, AnEarlierLineThatNeverEndsIsBoundedLikeAnyReply)
{
    const QByteArray flood(10 * 1024 * 1024, 'x');
    struct Case {
        const char* name;
        QByteArray greeting;
        QByteArray helloReply;
        const char* floodAfter;
        QStringList messages;
        QByteArray sent;
    } cases[] = {
        {"greeting cut short", "201 localhost CDDBP ser", "", "cddb hello",
         {"The reply from CDDB is too long", "Could not perform handshake with CDDB"}, hello()},
        {"hello reply with a line begun", fake.greeting, "200 Hello and welcome.\r\n200 More", "cddb query",
         {"The reply from CDDB is too long"}, hello() + kQueryLine},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompt.asked.clear();
        fake.received.clear();
        maxReply = 0;
        fake.greeting = c.greeting;
        fake.onLine = [&](const QByteArray& line) {
            if (line.startsWith(c.floodAfter))
                fake.send(flood);
            else if (line.startsWith("cddb hello") && !c.helloReply.isEmpty())
                fake.send(c.helloReply);
            else
                return false;
            return true;
        };
        EXPECT_EQ(lookup(), "Failed");
        EXPECT_EQ(clock.monotonicMs(), 0); // no wait ran into its time-out
        EXPECT_EQ(prompt.messageTexts(), c.messages);
        EXPECT_LE(maxReply, client.Winsock1->maxBuffered());
        expectClosed();
        EXPECT_EQ(fake.received, c.sent);
    }
}
