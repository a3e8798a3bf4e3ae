#include "cd/cddbclient.h"

#include "cd/frmcddbstatus.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "platform/forms.h"
#include "platform/prompt.h"
#include "platform/services.h"

namespace {
const QString kModule = QStringLiteral("frmCD");
const QString kCrLf = QStringLiteral("\r\n");

// Messages for failures that are not time-outs.
const QString kLostConnection = QStringLiteral("The connection to CDDB was lost");
const QString kReplyTooLong = QStringLiteral("The reply from CDDB is too long");
const QString kReadFailed = QStringLiteral("Could not read the CD entry from CDDB");
const QString kNoDiscTitle = QStringLiteral("The CD entry from CDDB has no disc title");
const QString kHandshakeFailed = QStringLiteral("Could not perform handshake with CDDB");

// A server's answer as the user is shown it: its first line, without control characters,
// and not too long to read in a message box.
QString answerShown(const QString& reply)
{
    constexpr qsizetype kShown = 200;
    const qsizetype lf = reply.indexOf('\n');
    QString line = reply.left(std::min(lf < 0 ? reply.size() : lf, kShown + 1));
    for (QChar& c : line)
        if (c.unicode() < 32 || c.unicode() == 127)
            c = ' ';
    line = line.trimmed();
    if (line.size() > kShown)
        line = line.left(kShown) + QStringLiteral("...");
    return line;
}

// The number at the start of a text: leading blanks, an optional sign, digits.
qint64 leadingNumber(const QString& s)
{
    qsizetype i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        neg = s[i++] == '-';
    qint64 v = 0;
    for (; i < s.size() && s[i].isDigit() && s[i].unicode() < 128; ++i) {
        v = v * 10 + (s[i].unicode() - '0');
        if (v > 1'000'000'000)
            break;
    }
    return neg ? -v : v;
}

// The text up to the first blank or line end.
QString firstWord(const QString& s)
{
    qsizetype e = 0;
    while (e < s.size() && s[e] != ' ' && s[e] != '\r' && s[e] != '\n')
        ++e;
    return s.left(e);
}

// Values go into the CD catalogue, whose fields are separated by the character 4.
QString storable(QString s) { return s.remove(QChar(4)); }

// A protocol field must not break the line it is sent in.
QString oneLine(QString s)
{
    s.remove('\r');
    s.remove('\n');
    return s;
}
} // namespace

CDDBClient::CDDBClient(QObject* parent)
    : QObject(parent), Winsock1(new Winsock(this)), m_decoder(QStringConverter::Utf8)
{
    connect(Winsock1, &Winsock::DataArrival, this, &CDDBClient::Winsock1_DataArrival);
    connect(Winsock1, &Winsock::Closed, this, &CDDBClient::Winsock1_Close);
    connect(Winsock1, &Winsock::Error, this, &CDDBClient::Winsock1_Error);
}

QString CDDBClient::DecodeText(const QByteArray& bytes)
{
    return Cddb::DecodeText(bytes);
}

void CDDBClient::showStatus(const QString& text)
{
    // A label cannot usefully show a whole megabyte; the start of the reply is what matters.
    constexpr qsizetype kShown = 16 * 1024;
    Forms::get<frmCDDBStatus>().Label1->setText(text.size() > kShown ? text.left(kShown) : text);
}

QString CDDBClient::GetMyHostName() const { return Winsock1->LocalHostName(); }

QString CDDBClient::TrimPreChar(QString& InString, const QString& Char)
{
    if (Char.size() != 1)
        return InString;
    qsizetype i = 0;
    while (i < InString.size() && QString::compare(InString.mid(i, 1), Char, Qt::CaseInsensitive) == 0)
        ++i;
    InString = InString.mid(i);
    return InString;
}

QString CDDBClient::TrimSufChar(QString& InString, const QString& Char)
{
    if (Char.size() != 1)
        return InString;
    qsizetype n = InString.size();
    while (n > 0 && QString::compare(InString.mid(n - 1, 1), Char, Qt::CaseInsensitive) == 0)
        --n;
    InString.truncate(n);
    return InString;
}

int16_t CDDBClient::ResponseCode(const QString& reply)
{
    return static_cast<int16_t>(leadingNumber(reply.left(3)));
}

QString CDDBClient::RemoveTopLine(const QString& text)
{
    const qsizetype p = text.indexOf(kCrLf);
    if (p < 0)
        return text.mid(1);
    return text.mid(p + 2);
}

QString CDDBClient::PullData(QString& data, const QString& key)
{
    QString result;
    if (key.isEmpty())
        return result;
    // Walks the data by position and cuts it once at the end, so a reply of many lines
    // decodes in time linear in its size.
    qsizetype pos = 0;
    for (;;) {
        const qsizetype p = data.indexOf(key, pos, Qt::CaseInsensitive);
        if (p < 0)
            break;
        const qsizetype start = p + 1;
        const qsizetype e = data.indexOf(kCrLf, start);
        if (e < 0) {
            // A line without its CR LF is the last one: its value runs to the end of the
            // data, and nothing follows it. (Looking for the key again inside it would take
            // the rest of the data once for every occurrence.)
            result += QStringView(data).mid(start).mid(key.size() - 1);
            pos = data.size();
            break;
        }
        result += QStringView(data).mid(start, e - start).mid(key.size() - 1);
        pos = e + 2;
    }
    if (pos > 0)
        data.remove(0, pos);
    return result;
}

void CDDBClient::QueryMatchDecode(const QString& reply)
{
    // "200 category discid title": the second and third words.
    QString rest = reply;
    const qsizetype s1 = rest.indexOf(' ');
    rest = s1 < 0 ? QString() : rest.mid(s1 + 1);
    MatchCategory = firstWord(rest);
    const qsizetype s2 = rest.indexOf(' ');
    rest = (s2 < 0 || s2 > MatchCategory.size()) ? QString() : rest.mid(s2 + 1);
    MatchDiscId = firstWord(rest);
}

QString CDDBClient::ReadDecode(QString reply)
{
    TrackTitles = QStringList();
    for (int i = 0; i <= std::max<int>(TrackCount, 0); ++i)
        TrackTitles.append(QString());

    if (reply.left(3).compare(QStringLiteral("600"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Timed out trying to connect to CDDB");

    // The category is the second word of the first line: "210 category discid ...".
    const QString category = storable(firstWord(reply.mid(4)));
    const qint64 rev = leadingNumber(PullData(reply, QStringLiteral("# Revision:")));
    const QString d = PullData(reply, QStringLiteral("DTITLE="));
    // An entry without a disc title is no entry: what the disc had stays.
    if (d.trimmed().isEmpty())
        return QStringLiteral("Failed");
    DiscCategory = category;
    DiscRevision = (rev >= INT16_MIN && rev <= INT16_MAX) ? static_cast<int16_t>(rev) : 0;
    // Artist and title are separated by " / "; an artist such as "AC/DC" has a slash of its
    // own, so the blank-slash-blank separator wins when there is one.
    qsizetype p = d.indexOf(QStringLiteral(" / "));
    if (p >= 0)
        ++p; // the slash itself
    else
        p = d.indexOf('/');
    if (p >= 0) {
        QString title = d.mid(p + 2); // the character after the slash is the separator blank
        QString artist = d.left(p);
        DiscTitle = storable(TrimPreChar(title, QStringLiteral(" ")));
        DiscArtist = storable(TrimSufChar(artist, QStringLiteral(" ")));
    } else {
        DiscTitle = storable(d);
        DiscArtist = storable(d);
    }

    // Titles beyond the disc's tracks have nowhere to go and are ignored.
    for (int i = 0; i <= TrackCount; ++i) {
        const QString key = QStringLiteral("TTITLE") + QString::number(i) + '=';
        if (!reply.contains(key, Qt::CaseInsensitive))
            break;
        TrackTitles[i] = storable(PullData(reply, key));
    }
    return QString();
}

// ---- The wait ----

CDDBClient::WaitEnd CDDBClient::waitForReply(Wait mode)
{
    ReplyText.clear();
    m_bytes.clear();
    m_decoder.resetState();
    m_latin1 = false;
    m_failMessage.clear();
    if (mode == Wait::MultiLine)
        ReplyTerminator = QStringLiteral(".");
    // A reply line that arrived only in part before belongs to the earlier step.
    m_skipTail = m_midLine;
    m_skipped = 0;
    m_firstLineEnded = false;
    m_wait = mode;
    ReplyWaiting = -1;
    ReplyTimedOut = 0;
    Timer2Enabled = true;
    const bool ended = Clocks().waitUntil(
        [this] { return ReplyWaiting == 0 || ReplyTimedOut != 0 || !m_failMessage.isEmpty(); }, Timer2Interval);
    if (!ended)
        Timer2_Timer();
    Timer2Enabled = false;
    m_wait = Wait::None;
    if (mode == Wait::MultiLine)
        ReplyTerminator.clear();
    if (ReplyTimedOut != 0)
        return WaitEnd::TimedOut;
    // A reply that arrived answers the step, also when the close came in the same wait.
    if (ReplyWaiting == 0)
        return WaitEnd::Arrived;
    if (!m_failMessage.isEmpty())
        return WaitEnd::Failed;
    return WaitEnd::Arrived;
}

void CDDBClient::failWait(const QString& message)
{
    if (m_wait != Wait::None && m_failMessage.isEmpty())
        m_failMessage = message;
}

void CDDBClient::appendReply(const QByteArray& data)
{
    // The reply's first bytes replace the tail of an earlier line shown meanwhile.
    if (m_bytes.isEmpty())
        ReplyText.clear();
    m_bytes += data;
    if (!m_latin1) {
        const QString part = m_decoder(data);
        if (m_decoder.hasError()) {
            m_latin1 = true;
            ReplyText = QString::fromLatin1(m_bytes);
        } else {
            ReplyText += part;
        }
    } else {
        ReplyText += QString::fromLatin1(data);
    }
}

void CDDBClient::Winsock1_DataArrival(qint64 bytesTotal)
{
    const QByteArray arrived = Winsock1->GetData();
    if (arrived.isEmpty())
        return;
    m_midLine = !arrived.endsWith('\n');
    QByteArray data = arrived;

    if (m_wait != Wait::None && m_skipTail) {
        // The rest of an earlier reply line: shown, but it does not answer this step. It
        // counts towards the reply's size limit, so a line that never ends ends the wait.
        const qsizetype lf = data.indexOf('\n');
        const QByteArray tail = lf < 0 ? data : data.left(lf + 1);
        if (lf >= 0)
            m_skipTail = false;
        m_skipped += tail.size();
        ReplyText = DecodeText(tail);
        data = data.mid(tail.size());
        if (m_skipped > ReplyLimit) {
            failWait(kReplyTooLong);
            data.clear();
        } else if (!data.isEmpty()) {
            ReplyText.clear();
            m_decoder.resetState();
        }
    }

    if (!data.isEmpty()) {
        switch (m_wait) {
        case Wait::None:
        case Wait::FirstData:
            // The first data that arrives is the whole reply.
            ReplyText = DecodeText(data);
            if (m_wait == Wait::FirstData)
                ReplyWaiting = 0;
            break;
        case Wait::Line:
            // Only the new data is searched: a line end that came before ended the wait.
            appendReply(data);
            if (data.contains('\n'))
                ReplyWaiting = 0;
            else if (ReplyWaiting != 0 && m_skipped + m_bytes.size() > ReplyLimit)
                failWait(kReplyTooLong);
            break;
        case Wait::MultiLine: {
            appendReply(data);
            const bool firstLineEnds = !m_firstLineEnded && data.contains('\n');
            m_firstLineEnded = m_firstLineEnded || firstLineEnds;
            if (m_bytes.endsWith("\r\n.\r\n")) {
                ReplyWaiting = 0;
                ReplyTerminator.clear();
            } else if (firstLineEnds && ResponseCode(DecodeText(m_bytes.left(3))) != 210) {
                // A one-line error reply: no entry follows.
                ReplyWaiting = 0;
                ReplyTerminator.clear();
            } else if (m_skipped + m_bytes.size() > ReplyLimit) {
                failWait(kReplyTooLong);
            }
            break;
        }
        }
    }

    showStatus(ReplyText);
    emit CDDBTrace(DecodeText(arrived), static_cast<qint32>(bytesTotal));

    if (m_failMessage == kReplyTooLong) {
        // Nothing more of this reply is wanted.
        Winsock1->Close();
        m_bytes.clear();
        ReplyText.clear();
        m_midLine = false;
    }
}

void CDDBClient::Winsock1_Close()
{
    Winsock1->Close();
    failWait(kLostConnection);
}

void CDDBClient::Winsock1_Error(int number, const QString& description)
{
    Q_UNUSED(number);
    Q_UNUSED(description);
    // A refused connection, an unknown host or a broken connection: nothing more can arrive.
    Winsock1->Close();
    failWait(kLostConnection);
}

void CDDBClient::Timer2_Timer()
{
    Winsock1->Close();
    emit CDDBTrace(QStringLiteral("Timeout"), 7);
    ReplyTimedOut = -1;
    ReplyTerminator.clear();
}

// ---- The steps ----

int16_t CDDBClient::awaitFirstData(const QString& timeoutMessage)
{
    switch (waitForReply(Wait::FirstData)) {
    case WaitEnd::TimedOut:
        MsgBox(timeoutMessage, Mb::OKOnly);
        return 0;
    case WaitEnd::Failed: return 0;
    case WaitEnd::Arrived: break;
    }
    return -1;
}

bool CDDBClient::sendLine(const QString& procedure, const QString& line)
{
    emit CDDBTrace(line, static_cast<qint32>(line.size()));
    return Trap(kModule, procedure)([&] { Winsock1->SendData(line); });
}

int16_t CDDBClient::cddbConnect()
{
    if (Winsock1->State() != Winsock::sckClosed)
        return 0;
    if (CDDBServer.trimmed().isEmpty())
        CDDBServer = DefaultServer;
    if (CDDBPort == 0)
        CDDBPort = DefaultPort;
    m_midLine = false;
    ReplyTerminator.clear();
    Winsock1->RemoteHost = CDDBServer;
    Winsock1->RemotePort = CDDBPort;
    if (!Trap(kModule, QStringLiteral("cddbConnect"))([&] { Winsock1->Connect(); }))
        return 0;
    const QString line = QStringLiteral("Connecting to: ") + CDDBServer + QStringLiteral(" Port: ") +
                         QString::number(CDDBPort) + kCrLf;
    showStatus(line);
    emit CDDBTrace(line, static_cast<qint32>(line.size()));
    return awaitFirstData(QStringLiteral("Timed out waiting to connect"));
}

int16_t CDDBClient::cddbHello()
{
    HelloHost = GetMyHostName();
    HelloClientName = QStringLiteral("test");
    HelloClientVersion = QStringLiteral("1.0");
    if (Winsock1->State() != Winsock::sckConnected)
        return 0;
    const QString line = QStringLiteral("cddb hello ") + oneLine(CDDBEmail) + ' ' + oneLine(HelloHost) + ' ' +
                         HelloClientName + ' ' + HelloClientVersion + kCrLf;
    if (!sendLine(QStringLiteral("cddbHello"), line))
        return 0;
    // The whole reply line, whose code says whether the server took the hello: 200, or
    // 402 when it already had one.
    switch (waitForReply(Wait::Line)) {
    case WaitEnd::TimedOut:
        MsgBox(QStringLiteral("Timed out waiting for hello Response"), Mb::OKOnly);
        return 0;
    case WaitEnd::Failed:
        // A lost connection is told by the failed handshake alone.
        if (m_failMessage == kReplyTooLong)
            MsgBox(m_failMessage, Mb::OKOnly);
        return 0;
    case WaitEnd::Arrived: break;
    }
    const int16_t code = ResponseCode(ReplyText);
    return code == 200 || code == 402 ? -1 : 0;
}

QString CDDBClient::ask(const QString& procedure, const QString& line, Wait mode, const QString& timeoutMessage)
{
    m_failureShown = false;
    if (Winsock1->State() != Winsock::sckConnected || !sendLine(procedure, line)) {
        MsgBox(kLostConnection, Mb::OKOnly);
        m_failureShown = true;
        return QString();
    }
    switch (waitForReply(mode)) {
    case WaitEnd::TimedOut:
        MsgBox(timeoutMessage, Mb::OKOnly);
        ReplyText = QStringLiteral("600 Timeout");
        break;
    case WaitEnd::Failed:
        MsgBox(m_failMessage, Mb::OKOnly);
        m_failureShown = true;
        return QString();
    case WaitEnd::Arrived: break;
    }
    return ReplyText;
}

QString CDDBClient::cddbQuery(const QString& line)
{
    return ask(QStringLiteral("cddbQuery"), line, Wait::Line, QStringLiteral("Timed out waiting for query Response"));
}

QString CDDBClient::cddbRead(const QString& category, const QString& discId)
{
    m_failureShown = false;
    if (category.isEmpty() && discId.isEmpty())
        return QString();
    const QString line = QStringLiteral("cddb read ") + oneLine(category) + ' ' + oneLine(discId) + kCrLf;
    return ask(QStringLiteral("cddbRead"), line, Wait::MultiLine, QStringLiteral("Timed out waiting for read Response"));
}

void CDDBClient::cddbQuit()
{
    const int state = Winsock1->State();
    if (state == Winsock::sckConnected) {
        sendLine(QStringLiteral("cddbQuit"), QStringLiteral("quit") + kCrLf);
        ReplyText.clear();
        // The line is flushed before the connection ends, so a server that stays
        // connected cannot block the next lookup.
        Winsock1->Close();
    } else if (state == Winsock::sckClosing || state == Winsock::sckError) {
        Winsock1->Close(); // a connection that broke is of no further use
    }
}

QString CDDBClient::GetCddbUseQueryString(QString& QueryString)
{
    const QStringList args = QueryString.split(' ', Qt::SkipEmptyParts);
    if (args.size() >= 2) {
        bool ok = false;
        const int n = args[1].toInt(&ok);
        if (ok && n >= 0 && n <= INT16_MAX)
            TrackCount = static_cast<int16_t>(n);
    }
    QueryString = QStringLiteral("cddb query ") + oneLine(QueryString) + kCrLf;

    if (cddbConnect() == 0) {
        MsgBox(QStringLiteral("Failed to Connect To CDDB"), Mb::OKOnly, kAppTitle);
        return QStringLiteral("Failed");
    }
    // A step that ends the lookup: its message, then quit.
    const auto fail = [this](const QString& message) {
        MsgBox(message, Mb::OKOnly, kAppTitle);
        cddbQuit();
        return QStringLiteral("Failed");
    };
    if (cddbHello() == 0)
        return fail(kHandshakeFailed);
    const QString reply = cddbQuery(QueryString);
    // "600" marks this client's own time-out, whose message was shown; a server's 600 is
    // an answer like any other.
    const int16_t code = ResponseCode(reply);
    if (code == 600 && ReplyTimedOut != 0)
        return QStringLiteral("Failed");
    switch (code) {
    case 200: {
        QueryMatchDecode(reply);
        const QString entry = cddbRead(MatchCategory, MatchDiscId);
        QString result;
        if (ResponseCode(entry) == 210 || (entry.left(3) == QStringLiteral("600") && ReplyTimedOut != 0)) {
            result = ReadDecode(entry);
            if (result == QStringLiteral("Failed"))
                MsgBox(kNoDiscTitle, Mb::OKOnly, kAppTitle);
        } else {
            // No entry came back: an error reply, or nothing to ask for.
            if (!m_failureShown)
                MsgBox(kReadFailed, Mb::OKOnly, kAppTitle);
            result = QStringLiteral("Failed");
        }
        cddbQuit();
        return result;
    }
    case 211: return fail(QStringLiteral("Sorry, no exact match was found for the CD"));
    case 202: return fail(QStringLiteral("Sorry, no exact was match found for the CD"));
    case 403: return fail(QStringLiteral("Database entry may be corrupt"));
    case 409: return fail(kHandshakeFailed);
    default:
        // An answer this client has no use for (several exact matches, an error, a code of
        // the server's own): the user is told what it was. A connection that failed on the
        // way has told its own reason.
        if (m_failureShown) {
            cddbQuit();
            return QStringLiteral("Failed");
        }
        return fail(QStringLiteral("Unexpected answer from CDDB: ") + answerShown(reply));
    }
}
