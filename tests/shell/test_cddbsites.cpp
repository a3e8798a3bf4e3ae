// The settings dialog's "sites" conversation against a CDDB server played by the test on
// 127.0.0.1: the bytes sent, the parsed rows, single-line answers, time-outs, early closes,
// refused connections, endless replies, and the dialog's OK/Cancel ending a fetch.
#include <QHostInfo>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <deque>
#include <gtest/gtest.h>
#include <memory>

#include "core/globals.h"
#include "fakecddb.h"
#include "fixture.h"
#include "platform/controls.h"
#include "shell/cddbsites.h"

namespace {
const QByteArray kSitesLine = "sites\r\n";
const QByteArray kQuitLine = "quit\r\n";
const QByteArray kList = "210 OK, site information follows (until terminating `.')\r\n"
                         "gnudb.example.org 8880 N000.00 W000.00 Random gnudb server\r\n"
                         "freedb.example.net 888 N041.30 E002.10 Barcelona, Spain\r\n"
                         "justahost\r\n"                        // no port: skipped
                         "bad.example.org http N000.00 x\r\n"   // no port number: skipped
                         "big.example.org 70000 Far away\r\n"   // no valid port: skipped
                         "wide.example.org 40000 Up high\r\n"   // ports above 32767 are fine
                         ".\r\n";

// The tab of the settings dialog that the conversation uses.
struct SitesTab {
    QWidget host;
    ListView* lvwSites = new ListView(&host);
    Label* lblCDDBStatusTitle = new Label(QStringLiteral("CDDB Status"), &host);
    Label* lblCDDBStatus = new Label(QString(), &host);
    TextBox* txtEMail = new TextBox(&host);
    TextBox* txtAddress = new TextBox(&host);
    TextBox* txtPort = new TextBox(&host);
    QPushButton* cmdGetCDSites = new QPushButton(QStringLiteral("Get CDDB Sites"), &host);
    QPushButton* cmdCDDBDefault = new QPushButton(QStringLiteral("Default CDDB Site"), &host);

    CddbSites::Controls controls()
    {
        return {lvwSites, lblCDDBStatusTitle, lblCDDBStatus, txtEMail, txtAddress, txtPort, cmdGetCDSites, cmdCDDBDefault};
    }
    QStringList row(int i) const
    {
        ListItem* it = lvwSites->topLevelItem(i);
        return it ? QStringList{it->text(0), it->text(1), it->text(2)} : QStringList{};
    }
};
} // namespace

class CddbSitesTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        ASSERT_TRUE(fake.server.isListening());
        storedServer = QStringLiteral("127.0.0.1");
        storedPort = fake.port();
        fake.replies["sites"] = kList;
        tab = std::make_unique<SitesTab>();
        sites().attach(tab->controls());
        // The saved settings, as the CDDB settings reader gives them back.
        CddbSites::setSettingsReader([this](const int16_t& mode) -> int16_t {
            ++settingsReads;
            CDDBEmail = storedEmail;
            CDDBServer = storedServer;
            CDDBPort = storedPort;
            tab->txtEMail->setText(CDDBEmail);
            tab->txtAddress->setText(CDDBServer);
            tab->txtPort->setText(QString::number(CDDBPort));
            return CDDBEmail.isEmpty() && mode == 1 ? 1 : 0;
        });
        // A test that went wrong ends its waits instead of hanging.
        watchdog.setSingleShot(true);
        watchdog.setInterval(20000);
        QObject::connect(&watchdog, &QTimer::timeout, [this] { clock.advance(3600 * 1000); });
        // The status label while a fetch runs.
        QObject::connect(sites().Winsock1, &Winsock::DataArrival, &watchdog, [this] {
            if (tab)
                maxShown = std::max(maxShown, tab->lblCDDBStatus->text().size());
            maxBuffer = std::max(maxBuffer, sites().ReplyBuffer.size());
        });
    }
    void TearDown() override
    {
        CddbSites::setSettingsReader(nullptr);
        sites().Winsock1->Close();
        tab.reset();
        AppFixture::TearDown();
    }

    static CddbSites& sites() { return CddbSites::instance(); }

    // Presses "Get CDDB Sites".
    void fetch()
    {
        watchdog.start();
        tab->cmdGetCDSites->click();
        watchdog.stop();
        clock.setAutoStep(0);
    }
    QByteArray hello() const
    {
        return "cddb hello me@example.org " + QHostInfo::localHostName().toUtf8() + " test 1.0\r\n";
    }
    // Everything the client sent, once it has closed the connection.
    QByteArray sent()
    {
        if (fake.connections > 0) {
            EXPECT_TRUE(pumpUntil([&] { return fake.clientClosed; }));
        }
        return fake.received;
    }
    void expectClosed()
    {
        EXPECT_EQ(sites().Winsock1->State(), 0);
        EXPECT_TRUE(pumpUntil([&] { return fake.clientClosed; }));
    }
    void expectStatusHidden()
    {
        EXPECT_TRUE(tab->lblCDDBStatusTitle->isHidden());
        EXPECT_TRUE(tab->lblCDDBStatus->isHidden());
    }
    // From now on the server answers nothing more, and time runs: one clock second each time
    // the dialog's wait looks again, so the clock steps onto its limit and never past it,
    // however seldom the machine lets the wait run.
    void fallSilent() { clock.setAutoStep(1000); }

    QTimer watchdog;
    FakeCddb fake;
    std::unique_ptr<SitesTab> tab;
    QString storedEmail = QStringLiteral("me@example.org");
    QString storedServer;
    int32_t storedPort = 0;
    int settingsReads = 0;
    qsizetype maxShown = 0;  // longest status text shown while data arrived
    qsizetype maxBuffer = 0; // longest reply held while data arrived
};

TEST_F(CddbSitesTest, SitesAreFetchedParsedIntoRowsAndAppendedOnEachFetch)
{
    tab->txtAddress->setText(QStringLiteral("typed but not saved"));
    bool statusShownDuringFetch = false;
    fake.onLine = [&](const QByteArray&) {
        statusShownDuringFetch = !tab->lblCDDBStatus->isHidden() && !tab->lblCDDBStatusTitle->isHidden();
        return false;
    };
    fetch();
    EXPECT_EQ(settingsReads, 1);
    EXPECT_TRUE(statusShownDuringFetch);
    EXPECT_EQ(sent(), hello() + kSitesLine + kQuitLine);
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(clock.monotonicMs(), 0);
    expectClosed();
    expectStatusHidden();

    const QStringList want[] = {
        {"gnudb.example.org", "8880", "N000.00 W000.00 Random gnudb server"},
        {"freedb.example.net", "888", "N041.30 E002.10 Barcelona, Spain"},
        {"wide.example.org", "40000", "Up high"},
    };
    ASSERT_EQ(tab->lvwSites->topLevelItemCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(tab->row(i), want[i]);
    EXPECT_EQ(sites().SiteCount, 3);
    EXPECT_EQ(tab->lvwSites->headerItem()->text(0), "Address");
    EXPECT_EQ(tab->lvwSites->headerItem()->text(1), "Port");
    EXPECT_EQ(tab->lvwSites->headerItem()->text(2), "Location");
    // The status label showed the reply as plain text.
    EXPECT_EQ(tab->lblCDDBStatus->textFormat(), Qt::PlainText);
    EXPECT_EQ(tab->lblCDDBStatus->text(), QString::fromLatin1(kList));

    // Clicking a row copies its host and port text into the boxes; the settings stay.
    tab->lvwSites->setCurrentItem(tab->lvwSites->topLevelItem(1));
    emit tab->lvwSites->itemClicked(tab->lvwSites->topLevelItem(1), 0);
    EXPECT_EQ(tab->txtAddress->text(), "freedb.example.net");
    EXPECT_EQ(tab->txtPort->text(), "888");
    EXPECT_EQ(CDDBServer, "127.0.0.1");

    // A second fetch appends the list again; a line starting with "." ends it early.
    fake.received.clear();
    fake.onLine = nullptr;
    fake.replies["sites"] = "210 OK\r\nsecond.example.org 8880 Second\r\n.end of list\r\nafter.example.org 8880 x\r\n.\r\n";
    fetch();
    EXPECT_EQ(sent(), hello() + kSitesLine + kQuitLine);
    ASSERT_EQ(tab->lvwSites->topLevelItemCount(), 4);
    EXPECT_EQ(tab->row(3), (QStringList{"second.example.org", "8880", "Second"}));
    expectClosed();
}

TEST_F(CddbSitesTest, AListArrivingInSmallPiecesIsCollectedToItsEnd)
{
    std::deque<QByteArray> pieces;
    QObject::connect(sites().Winsock1, &Winsock::DataArrival, [&] {
        if (!pieces.empty()) {
            fake.send(pieces.front());
            pieces.pop_front();
        }
    });
    // The greeting comes in two pieces: its tail is not taken for the answer to hello.
    fake.greeting = "201 localhost CDDBP ser";
    pieces.push_back("ver ready\r\n");
    fake.onLine = [&](const QByteArray& line) {
        if (!line.startsWith("sites"))
            return false;
        // The last cuts fall inside the closing CR LF "." CR LF.
        for (qsizetype i = 5; i < kList.size() - 3; i += 5)
            pieces.push_back(kList.mid(i, std::min<qsizetype>(5, kList.size() - 3 - i)));
        pieces.push_back(kList.right(3).left(1));
        pieces.push_back(kList.right(2));
        fake.send(kList.left(5));
        return true;
    };
    fetch();
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(sent(), hello() + kSitesLine + kQuitLine);
    ASSERT_EQ(tab->lvwSites->topLevelItemCount(), 3);
    EXPECT_EQ(tab->row(2), (QStringList{"wide.example.org", "40000", "Up high"}));
    expectClosed();
}

TEST_F(CddbSitesTest, AnswersOtherThanAListEndTheWaitAtOnceAndAddNoRows)
{
    for (const QByteArray& reply : {QByteArray("401 No site information available.\r\n"),
                                   QByteArray("500 Command syntax error.\r\n")}) {
        SCOPED_TRACE(reply.left(3).toStdString());
        fake.received.clear();
        fake.replies["sites"] = reply;
        fetch();
        EXPECT_EQ(clock.monotonicMs(), 0); // no time had to pass
        EXPECT_TRUE(prompt.asked.empty());
        EXPECT_EQ(tab->lvwSites->topLevelItemCount(), 0);
        EXPECT_EQ(sent(), hello() + kSitesLine + kQuitLine);
        EXPECT_EQ(sites().TimedOut, 0);
        EXPECT_EQ(sites().MultiLineEnd, "");
        expectClosed();
        expectStatusHidden();
    }
    EXPECT_EQ(sites().cddbSites(), "600 Timeout"); // not connected: nothing is sent

    // The next fetch with a list works as usual.
    fake.received.clear();
    fake.replies["sites"] = kList;
    fetch();
    EXPECT_EQ(tab->lvwSites->topLevelItemCount(), 3);
}

TEST_F(CddbSitesTest, EachWaitTimesOutAfterSixtySecondsAndTheNextFetchWorks)
{
    struct Case {
        const char* silentAt;
        QString message;
        QByteArray sent;
    } cases[] = {
        {"greeting", "Timed out waiting to connect to connect to CDDB", ""},
        {"cddb hello", "Timed out waiting for Hello response from CDDB", "H"},
        {"sites", "Timed Out Waiting For Response From CDDB", "HS"},
    };
    const QByteArray greeting = fake.greeting;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.silentAt);
        prompt.asked.clear();
        fake.received.clear();
        const QByteArray silentAt = c.silentAt;
        qint64 waitStart = -1;
        if (silentAt == "greeting") {
            fake.greeting.clear();
            fake.onConnect = [&] { fallSilent(); };
            waitStart = clock.monotonicMs();
        } else {
            fake.onLine = [&, silentAt](const QByteArray& line) {
                if (!line.startsWith(silentAt))
                    return false;
                waitStart = clock.monotonicMs();
                fallSilent();
                return true;
            };
        }
        fetch();
        EXPECT_EQ(prompt.messageTexts(), QStringList{c.message});
        EXPECT_EQ(prompt.last().title, "Quillory");
        EXPECT_EQ(Mb::buttonsOf(prompt.last().style), Mb::OKOnly);
        EXPECT_EQ(clock.monotonicMs() - waitStart, 60000);
        EXPECT_EQ(sites().TimedOut, -1);
        EXPECT_FALSE(sites().Timer2Enabled);
        QByteArray lines;
        for (char l : QByteArray(c.sent))
            lines += l == 'H' ? hello() : kSitesLine;
        EXPECT_EQ(sent(), lines); // no quit: the time-out closed the connection
        EXPECT_EQ(tab->lvwSites->topLevelItemCount(), 0);
        expectClosed();
        expectStatusHidden();

        // Nothing of the time-out is left over: the next fetch runs its whole conversation.
        fake.greeting = greeting;
        fake.onConnect = nullptr;
        fake.onLine = nullptr;
        prompt.asked.clear();
        fake.received.clear();
        const qint64 before = clock.monotonicMs();
        fetch();
        EXPECT_TRUE(prompt.asked.empty());
        EXPECT_EQ(clock.monotonicMs(), before);
        EXPECT_EQ(sent(), hello() + kSitesLine + kQuitLine);
        EXPECT_EQ(tab->lvwSites->topLevelItemCount(), 3);
        tab->lvwSites->clear();
        expectClosed();
    }
}

TEST_F(CddbSitesTest, FailedConnectionsAndEarlyClosesEndTheWaitAtOnce)
{
    const quint16 deadPort = unusedLocalPort();
    struct Case {
        const char* name;
        QString host;
        int32_t port;
        const char* closeAt; // the server closes on this line (nullptr: never)
        QByteArray partial;  // what it sends first
        QString message;
        QByteArray sent;
    } cases[] = {
        {"refused", "127.0.0.1", deadPort, nullptr, "", "Timed out waiting to connect to connect to CDDB", ""},
        {"unknown host", "no-such-host.invalid", 8880, nullptr, "", "Timed out waiting to connect to connect to CDDB", ""},
        {"closes at hello", "127.0.0.1", fake.port(), "cddb hello", "", "Timed out waiting for Hello response from CDDB",
         "H"},
        {"closes mid-list", "127.0.0.1", fake.port(), "sites", kList.left(90),
         "Timed Out Waiting For Response From CDDB", "HS"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompt.asked.clear();
        fake.received.clear();
        storedServer = c.host;
        storedPort = c.port;
        const QByteArray closeAt = c.closeAt ? QByteArray(c.closeAt) : QByteArray();
        fake.onLine = [&, closeAt](const QByteArray& line) {
            if (closeAt.isEmpty() || !line.startsWith(closeAt))
                return false;
            fake.send(c.partial);
            fake.closeClient();
            return true;
        };
        fetch();
        EXPECT_EQ(clock.monotonicMs(), 0); // no time had to pass
        EXPECT_EQ(prompt.messageTexts(), QStringList{c.message});
        QByteArray sentLines;
        for (char l : c.sent)
            sentLines += l == 'H' ? hello() : kSitesLine;
        EXPECT_EQ(sent(), sentLines);
        EXPECT_EQ(tab->lvwSites->topLevelItemCount(), 0);
        EXPECT_EQ(sites().Winsock1->State(), 0);
        EXPECT_EQ(CDDBServer, c.host);
        expectStatusHidden();
    }
    EXPECT_EQ(fake.connections, 2);
}

TEST_F(CddbSitesTest, EndlessOrGarbageRepliesAreBoundedAndShownAsPlainText)
{
    QRandomGenerator rng(42);
    QByteArray garbage(1024 * 1024, '\0');
    for (char& ch : garbage)
        ch = static_cast<char>(rng.bounded(256));
    garbage.prepend("<b>bold</b><img src=\"x.png\">");
    struct Case {
        const char* name;
        QByteArray reply;
        QStringList messages;
    } cases[] = {
        {"a list that never ends", "210 OK\r\n" + QByteArray(1024 * 1024, 'x'), {"The reply from CDDB is too long"}},
        {"a megabyte of garbage", garbage, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompt.asked.clear();
        fake.received.clear();
        maxShown = 0;
        maxBuffer = 0;
        fake.replies["sites"] = c.reply;
        fetch();
        EXPECT_EQ(clock.monotonicMs(), 0);
        EXPECT_EQ(prompt.messageTexts(), c.messages);
        EXPECT_EQ(tab->lvwSites->topLevelItemCount(), 0);
        EXPECT_LE(maxBuffer, sites().ReplyLimit + sites().Winsock1->maxBuffered());
        EXPECT_LE(maxShown, 16 * 1024);
        EXPECT_EQ(tab->lblCDDBStatus->textFormat(), Qt::PlainText);
        EXPECT_EQ(sites().Winsock1->State(), 0);
        EXPECT_TRUE(sent().startsWith(hello() + kSitesLine));
    }
}

TEST_F(CddbSitesTest, EmptySettingsConnectToTheFallbackServerAndKeepIt)
{
    QString routedHost;
    int32_t routedPort = 0;
    routeEverythingTo(fake.port(), routedHost, routedPort);
    storedServer.clear();
    storedPort = 0;
    fetch();
    EXPECT_EQ(routedHost, "gnudb.gnudb.org");
    EXPECT_EQ(routedPort, 8880);
    EXPECT_EQ(CDDBServer, "gnudb.gnudb.org");
    EXPECT_EQ(CDDBPort, 8880);
    EXPECT_EQ(tab->lvwSites->topLevelItemCount(), 3);
}

TEST_F(CddbSitesTest, OkOrCancelEndARunningFetchEvenWhenTheDialogGoes)
{
    // The dialog's OK or Cancel while the list is awaited: the fetch ends at once, quietly.
    fake.onLine = [&](const QByteArray& line) {
        if (!line.startsWith("sites"))
            return false;
        QTimer::singleShot(0, [&] {
            sites().EndFetch();
            tab.reset(); // the dialog is unloaded while the fetch unwinds
        });
        return true;
    };
    fetch();
    EXPECT_EQ(clock.monotonicMs(), 0);
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(sites().TimedOut, -1);
    EXPECT_EQ(sites().Winsock1->State(), 0);
    EXPECT_EQ(sent(), hello() + kSitesLine);

    // The dialog comes back: the status is hidden and a fetch works again.
    tab = std::make_unique<SitesTab>();
    sites().attach(tab->controls());
    expectStatusHidden();
    fake.onLine = nullptr;
    fake.received.clear();
    fetch();
    EXPECT_EQ(tab->lvwSites->topLevelItemCount(), 3);
    EXPECT_EQ(sent(), hello() + kSitesLine + kQuitLine);
}

TEST_F(CddbSitesTest, ASecondClickDuringAFetchAddsNothing)
{
    fake.onLine = [&](const QByteArray& line) {
        if (!line.startsWith("sites"))
            return false;
        // Clicked again while the list is awaited: no second conversation.
        tab->cmdGetCDSites->click();
        fake.send(kList);
        return true;
    };
    fetch();
    EXPECT_EQ(settingsReads, 2);
    EXPECT_EQ(fake.connections, 1);
    EXPECT_EQ(sent(), hello() + kSitesLine + kQuitLine);
    EXPECT_EQ(tab->lvwSites->topLevelItemCount(), 3);
}

TEST_F(CddbSitesTest, DefaultsRowClicksAndAMissingEMail)
{
    // "Default CDDB Site" fills the three boxes and sends nothing.
    tab->cmdCDDBDefault->click();
    EXPECT_EQ(tab->txtEMail->text(), CddbSites::DefaultEmail);
    EXPECT_EQ(tab->txtAddress->text(), "gnudb.gnudb.org");
    EXPECT_EQ(tab->txtPort->text(), "888");
    EXPECT_TRUE(CDDBServer.isEmpty());

    // Clicking an empty list changes nothing.
    sites().lvwSites_Click();
    EXPECT_EQ(tab->txtAddress->text(), "gnudb.gnudb.org");

    // Without a stored e-mail address the fetch does not start.
    storedEmail.clear();
    fetch();
    EXPECT_EQ(settingsReads, 1);
    EXPECT_EQ(fake.connections, 0);
    expectStatusHidden();
}

TEST(CddbSitesParse, LinesWhoseHostCouldNotBeSavedOrSentAreSkipped)
{
    const struct {
        QByteArray line;
        bool kept;
    } cases[] = {
        {"good.example.org 8880 Somewhere", true},
        {"odd,host.example.org 888 A comma is stored quoted", true},
        {"quote\"host.example.org 8880 x", false},
        {"quote'host.example.org 8880 x", false},
        {"tab\thost.example.org 8880 x", false},
        {"cr\rhost.example.org 8880 x", false},
        {"nul\x01host.example.org 8880 x", false},
        {"del\x7fhost.example.org 8880 x", false},
        {"good.example.org 8880 A \"quoted\" location stays", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        std::array<CddbSites::SiteRecord, 101> sites{};
        const QString reply = QString::fromLatin1("210 OK\r\n" + c.line + "\r\nlast.example.org 8880 End\r\n.\r\n");
        ASSERT_EQ(CddbSites::ParseSites(reply, sites), c.kept ? 2 : 1);
        if (c.kept) {
            EXPECT_EQ(sites[1].Host, QString::fromLatin1(c.line.left(c.line.indexOf(' '))));
        }
        EXPECT_EQ(sites[c.kept ? 2 : 1].Host, "last.example.org");
    }
}
