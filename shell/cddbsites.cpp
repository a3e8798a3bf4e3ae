#include "shell/cddbsites.h"

#include <QAbstractButton>
#include <algorithm>
#include <QLabel>
#include <QLineEdit>

#include "core/cddbtext.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "core/settings.h"
#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/prompt.h"
#include "platform/services.h"

namespace {
const QString kModule = QStringLiteral("frmOptions");
const QString kCrLf = QStringLiteral("\r\n");
const QString kTooLong = QStringLiteral("The reply from CDDB is too long");

CddbSites::SettingsReader& settingsReader()
{
    static CddbSites::SettingsReader r;
    return r;
}

int16_t readSettings(int16_t mode)
{
    return settingsReader() ? settingsReader()(mode) : funGetCDDBINI(mode);
}

// A protocol field must not break the line it is sent in.
QString oneLine(QString s)
{
    s.remove('\r');
    s.remove('\n');
    return s;
}

// The port of a site line: leading blanks, then digits; 0 when there are none or the
// number is no port.
int32_t portOf(const QString& s)
{
    qsizetype i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    int32_t v = 0;
    const qsizetype start = i;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + (s[i].unicode() - '0');
        if (v > 65535)
            return 0;
    }
    return i == start ? 0 : v;
}
} // namespace

CddbSites::CddbSites() : Winsock1(new Winsock(this)), m_decoder(QStringConverter::Utf8)
{
    connect(Winsock1, &Winsock::DataArrival, this, &CddbSites::Winsock1_DataArrival);
    connect(Winsock1, &Winsock::Closed, this, &CddbSites::Winsock1_Close);
    connect(Winsock1, &Winsock::Error, this, &CddbSites::Winsock1_Error);
}

CddbSites& CddbSites::instance() { return Forms::persistent<CddbSites>(); }

void CddbSites::setSettingsReader(SettingsReader reader) { settingsReader() = std::move(reader); }

void CddbSites::attach(const Controls& c)
{
    m_lvwSites = c.lvwSites;
    m_lblTitle = c.lblCDDBStatusTitle;
    m_lblStatus = c.lblCDDBStatus;
    m_txtEMail = c.txtEMail;
    m_txtAddress = c.txtAddress;
    m_txtPort = c.txtPort;
    // Attaching the same controls again must not double their handlers.
    for (QObject* sender : {static_cast<QObject*>(c.lvwSites), static_cast<QObject*>(c.cmdGetCDSites),
                            static_cast<QObject*>(c.cmdCDDBDefault)})
        if (sender)
            disconnect(sender, nullptr, this, nullptr);
    if (c.lvwSites) {
        c.lvwSites->setHeaderLabels({QStringLiteral("Address"), QStringLiteral("Port"), QStringLiteral("Location")});
        c.lvwSites->setRootIsDecorated(false);
        connect(c.lvwSites, &ListView::itemClicked, this, [this] { lvwSites_Click(); });
        connect(c.lvwSites, &ListView::itemActivated, this, [this] { lvwSites_Click(); });
    }
    // Server replies are shown as they came, never interpreted as markup.
    if (c.lblCDDBStatus)
        c.lblCDDBStatus->setTextFormat(Qt::PlainText);
    if (c.cmdGetCDSites)
        connect(c.cmdGetCDSites, &QAbstractButton::clicked, this, [this] { cmdGetCDSites_Click(); });
    if (c.cmdCDDBDefault)
        connect(c.cmdCDDBDefault, &QAbstractButton::clicked, this, [this] { cmdCDDBDefault_Click(); });
    setStatusVisible(m_fetching);
}

// ---- Controls ----

void CddbSites::setStatusVisible(bool visible)
{
    if (m_lblTitle)
        m_lblTitle->setVisible(visible);
    if (m_lblStatus)
        m_lblStatus->setVisible(visible);
}

void CddbSites::showStatus(const QString& text)
{
    // A label cannot usefully show a long reply; its start is what matters.
    constexpr qsizetype kShown = 16 * 1024;
    if (m_lblStatus)
        m_lblStatus->setText(text.size() > kShown ? text.left(kShown) : text);
}

// ---- The wait ----

bool CddbSites::waitForReply(Expect expect)
{
    ReplyBuffer.clear();
    m_bytes.clear();
    m_decoder.resetState();
    m_latin1 = false;
    m_tooLong = false;
    m_ended = false;
    // Each wait says what ends it, so nothing of an earlier wait (one that timed out while a
    // list was expected) can change how this one ends.
    MultiLineEnd = expect == Expect::Sites ? QStringLiteral(".") : QString();
    // The rest of a reply line that began before belongs to the step before.
    m_skipTail = m_midLine;
    m_expect = expect;
    WaitingForReply = -1;
    TimedOut = 0;
    Timer2Enabled = true;
    const bool arrived =
        Clocks().waitUntil([this] { return WaitingForReply != -1 || TimedOut != 0; }, Timer2Interval);
    if (!arrived)
        Timer2_Timer();
    Timer2Enabled = false;
    m_expect = Expect::None;
    MultiLineEnd.clear();
    return TimedOut == 0;
}

// Ends the running wait without its reply: closed connection, hidden status.
void CddbSites::endWait()
{
    Winsock1->Close();
    m_midLine = false;
    TimedOut = -1;
    setStatusVisible(false);
}

void CddbSites::appendReply(const QByteArray& data)
{
    m_bytes += data;
    if (m_latin1) {
        ReplyBuffer += QString::fromLatin1(data);
        return;
    }
    const QString part = m_decoder(data);
    if (m_decoder.hasError()) {
        // Not UTF-8: the whole reply is taken as Latin-1, the protocol's older character set.
        m_latin1 = true;
        ReplyBuffer = QString::fromLatin1(m_bytes);
    } else {
        ReplyBuffer += part;
    }
}

void CddbSites::Winsock1_DataArrival(qint64 bytesTotal)
{
    Q_UNUSED(bytesTotal);
    QByteArray data = Winsock1->GetData();
    if (data.isEmpty())
        return;
    m_midLine = !data.endsWith('\n');

    if (m_expect == Expect::None) {
        // Nothing is awaited (a reply after "quit"): shown, nothing more.
        ReplyBuffer = Cddb::DecodeText(data.left(ReplyLimit));
        showStatus(ReplyBuffer);
        return;
    }

    if (m_skipTail) {
        const qsizetype lf = data.indexOf('\n');
        if (lf < 0) {
            showStatus(Cddb::DecodeText(data));
            return;
        }
        m_skipTail = false;
        data = data.mid(lf + 1);
        if (data.isEmpty())
            return;
    }

    // Nothing beyond the limit is kept, however much arrives at once.
    const qsizetype before = m_bytes.size();
    const qsizetype room = ReplyLimit + 1 - before;
    if (data.size() > room)
        data.truncate(std::max<qsizetype>(room, 0));
    appendReply(data);
    switch (m_expect) {
    case Expect::None: break;
    case Expect::FirstData:
        // The first data ends the wait, whatever it says.
        WaitingForReply = 0;
        break;
    case Expect::Sites: {
        const qsizetype firstEnd = m_bytes.indexOf('\n');
        if (m_bytes.indexOf("\r\n.\r\n", std::max<qsizetype>(0, before - 4)) >= 0) {
            WaitingForReply = 0;
        } else if (firstEnd >= 0 && !m_bytes.startsWith("210")) {
            // Any answer but "210" is a single line: no list follows.
            WaitingForReply = 0;
        } else if (m_bytes.size() > ReplyLimit) {
            showStatus(ReplyBuffer);
            m_tooLong = true;
            ReplyBuffer.clear();
            m_bytes.clear();
            endWait();
            return;
        }
        break;
    }
    }
    if (WaitingForReply == 0)
        MultiLineEnd.clear();
    showStatus(ReplyBuffer);
}

void CddbSites::Winsock1_Close()
{
    Winsock1->Close();
    // Nothing more can arrive: a wait for it ends now.
    if (m_expect != Expect::None && WaitingForReply == -1 && TimedOut == 0)
        endWait();
}

void CddbSites::Winsock1_Error(int number, const QString& description)
{
    Q_UNUSED(number);
    Q_UNUSED(description);
    // Refused, unknown host or broken connection: ends a wait at once, as its time-out would.
    Winsock1->Close();
    if (m_expect != Expect::None && WaitingForReply == -1 && TimedOut == 0)
        endWait();
}

void CddbSites::Timer2_Timer() { endWait(); }

void CddbSites::EndFetch()
{
    if (m_expect != Expect::None)
        m_ended = true;
    endWait();
}

// ---- Steps ----

bool CddbSites::send(const QString& procedure, const QString& line)
{
    return Trap(kModule, procedure)([&] { Winsock1->SendData(line); });
}

bool CddbSites::cddbConnect()
{
    Trap trap(kModule, QStringLiteral("cddbConnect"));
    // Also refused while another fetch of this dialog is under way.
    if (Winsock1->State() != Winsock::sckClosed || m_expect != Expect::None)
        return false;
    // The same fallbacks as the CD window's lookup; they stay in the settings for the run.
    if (CDDBServer.trimmed().isEmpty())
        CDDBServer = Cddb::DefaultServer;
    if (CDDBPort == 0)
        CDDBPort = Cddb::DefaultPort;
    m_midLine = false;
    Winsock1->RemoteHost = CDDBServer;
    Winsock1->RemotePort = CDDBPort;
    if (!trap([&] { Winsock1->Connect(); }))
        return false;
    showStatus(QStringLiteral("Connecting to: ") + CDDBServer + QStringLiteral(" Port: ") + QString::number(CDDBPort) +
               kCrLf);
    if (!waitForReply(Expect::FirstData)) {
        if (!m_ended)
            MsgBox(QStringLiteral("Timed out waiting to connect to connect to CDDB"), Mb::OKOnly);
        return false;
    }
    return true;
}

bool CddbSites::cddbHello()
{
    const QString host = Winsock1->LocalHostName();
    if (Winsock1->State() != Winsock::sckConnected)
        return false;
    const QString line = QStringLiteral("cddb hello ") + oneLine(CDDBEmail) + ' ' + oneLine(host) +
                         QStringLiteral(" test 1.0") + kCrLf;
    if (!send(QStringLiteral("cddbHello"), line))
        return false;
    if (!waitForReply(Expect::FirstData)) {
        if (!m_ended)
            MsgBox(QStringLiteral("Timed out waiting for Hello response from CDDB"), Mb::OKOnly);
        return false;
    }
    return true;
}

QString CddbSites::cddbSites()
{
    if (Winsock1->State() != Winsock::sckConnected || !send(QStringLiteral("cddbSites"), QStringLiteral("sites") + kCrLf))
        return QStringLiteral("600 Timeout");
    if (!waitForReply(Expect::Sites)) {
        if (m_tooLong)
            MsgBox(kTooLong, Mb::OKOnly);
        else if (!m_ended)
            MsgBox(QStringLiteral("Timed Out Waiting For Response From CDDB"), Mb::OKOnly);
        return QStringLiteral("600 Timeout");
    }
    const QString reply = ReplyBuffer;
    const QString code = reply.left(3);
    if (code == QStringLiteral("210")) {
        SiteCount = ParseSites(reply, Sites);
        return QStringLiteral("210 Ok, site information follows.");
    }
    if (code == QStringLiteral("401"))
        return QStringLiteral("401 No site information available.");
    return reply;
}

int16_t CddbSites::ParseSites(const QString& reply, std::array<SiteRecord, 101>& sites)
{
    int16_t n = 0;
    const QStringList lines = reply.split('\n');
    // The first line is the status line.
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith('.'))
            break;
        if (n >= 100)
            break; // the list holds 100 sites; the rest is ignored
        const qsizetype sp = line.indexOf(' ');
        if (sp <= 0)
            continue; // no host, or nothing after it
        const QString rest = line.mid(sp + 1);
        // The port runs to the next blank, searched from its second character on.
        const qsizetype portEnd = rest.indexOf(' ', 1);
        const int32_t port = portOf(portEnd < 0 ? rest : rest.left(portEnd));
        if (port == 0)
            continue;
        // A host that could not be saved and read back as it is, or be sent in a line, is no host.
        const QString host = line.left(sp);
        if (std::any_of(host.begin(), host.end(), [](QChar c) {
                return c.unicode() < 0x20 || c.unicode() == 0x7F || c == u'"' || c == u'\'';
            }))
            continue;
        ++n;
        sites[n].Host = host;
        sites[n].Port = port;
        sites[n].Location = portEnd < 0 ? QString() : rest.mid(portEnd + 1);
    }
    return n;
}

int16_t CddbSites::GetSites()
{
    // A click during a fetch starts no second conversation.
    if (m_fetching)
        return 0;
    m_fetching = true;
    if (!cddbConnect()) {
        m_fetching = false;
        return 0;
    }
    int16_t count = 0;
    if (cddbHello()) {
        const QString result = cddbSites();
        if (result.startsWith(QStringLiteral("210")))
            count = SiteCount;
    }
    cddbQuit();
    m_fetching = false;
    return count;
}

void CddbSites::cddbQuit()
{
    const int state = Winsock1->State();
    if (state == Winsock::sckConnected) {
        send(QStringLiteral("cddbQuit"), QStringLiteral("quit") + kCrLf);
        ReplyBuffer.clear();
        // The line goes out before the connection ends; a server that stays connected
        // cannot keep the next fetch from connecting.
        Winsock1->Close();
    } else if (state != Winsock::sckClosed && m_expect == Expect::None) {
        Winsock1->Close(); // a connection that broke is of no further use
    }
}

// ---- User actions ----

void CddbSites::cmdGetCDSites_Click()
{
    Trap trap(kModule, QStringLiteral("cmdGetCDSites_Click"));
    int16_t asked = 0;
    trap([&] { asked = readSettings(1); });
    if (asked == 1)
        return;
    trap([&] { setStatusVisible(true); });
    int16_t n = 0;
    trap([&] { n = GetSites(); });
    trap([&] {
        if (!m_lvwSites)
            return;
        for (int i = 1; i <= n; ++i)
            new ListItem(m_lvwSites, {Sites[i].Host, QString::number(Sites[i].Port), Sites[i].Location});
    });
    trap([&] { setStatusVisible(false); });
}

void CddbSites::lvwSites_Click()
{
    Trap trap(kModule, QStringLiteral("lvwSites_Click"));
    trap([&] {
        if (!m_lvwSites || m_lvwSites->topLevelItemCount() < 1)
            return;
        ListItem* item = m_lvwSites->currentItem();
        if (!item)
            return;
        if (m_txtAddress)
            m_txtAddress->setText(item->text(0));
        if (m_txtPort)
            m_txtPort->setText(item->text(1));
    });
}

void CddbSites::cmdCDDBDefault_Click()
{
    Trap trap(kModule, QStringLiteral("cmdCDDBDefault_Click"));
    trap([&] {
        if (m_txtEMail)
            m_txtEMail->setText(DefaultEmail);
        if (m_txtAddress)
            m_txtAddress->setText(DefaultSiteHost);
        if (m_txtPort)
            m_txtPort->setText(DefaultSitePort);
    });
}
