#pragma once
// The CD window's CDDB client: connect, hello, one query, the read of an exact match and
// quit, with a time-out on every wait, and the decoding of the read reply into the disc's
// artist, title, category and track titles.
//
// It runs without the CD window: give GetCddbUseQueryString the query arguments (disc id,
// track count, track offsets, seconds) and read the decoded members afterwards. While it
// runs, the status window frmCDDBStatus shows the connect line or the last reply, and
// CDDBTrace reports every line sent and every piece of data received.
#include <QObject>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <cstdint>

#include "controls/winsock.h"
#include "core/cddbtext.h"

class CDDBClient : public QObject {
    Q_OBJECT
public:
    explicit CDDBClient(QObject* parent = nullptr);

    // Host and port used when the settings hold none.
    static inline const QString DefaultServer = Cddb::DefaultServer;
    static constexpr int32_t DefaultPort = Cddb::DefaultPort;

    // ---- Controls ----
    Winsock* Winsock1;
    // The per-wait time-out in milliseconds of the clock seam.
    qint64 Timer2Interval = 30000;
    bool Timer2Enabled = false;
    // Most bytes a collected reply may grow to; a longer reply fails the step.
    qsizetype ReplyLimit = 1024 * 1024;

    // ---- Conversation state ----
    QString ReplyText;
    int16_t ReplyWaiting = 0;  // -1 while a reply is awaited
    QString ReplyTerminator;   // "." while a multi-line reply is collected
    int16_t ReplyTimedOut = 0; // -1 when the last wait ended by time-out
    QString HelloHost;
    QString HelloClientName;
    QString HelloClientVersion;

    // ---- The decoded disc ----
    QString MatchCategory;
    QString MatchDiscId;
    QString DiscCategory;
    int16_t DiscRevision = 0;
    QString DiscArtist;
    QString DiscTitle;
    QStringList TrackTitles; // indexes 0 to TrackCount
    // The disc's track count; GetCddbUseQueryString takes it from the query arguments.
    int16_t TrackCount = 0;

    // Runs one whole lookup. QueryString holds the query arguments and on return the full
    // query line. Returns "" when the entry was read and decoded, "Failed", or
    // "Timed out trying to connect to CDDB" when the read timed out. Every failure has told
    // the user why, an answer the client has no use for with the server's own words.
    QString GetCddbUseQueryString(QString& QueryString);

    // Remove every leading (trailing) occurrence of the one character Char, ignoring case;
    // InString is changed too. Any other Char leaves the text as it is.
    static QString TrimPreChar(QString& InString, const QString& Char);
    static QString TrimSufChar(QString& InString, const QString& Char);
    QString GetMyHostName() const;

    // ---- The steps of a lookup ----
    int16_t cddbConnect();
    int16_t cddbHello();
    QString cddbQuery(const QString& line);
    QString cddbRead(const QString& category, const QString& discId);
    void cddbQuit();
    static int16_t ResponseCode(const QString& reply);
    void QueryMatchDecode(const QString& reply);
    // "" when decoded; "Failed" for an entry without a disc title (the disc's members stay
    // as they were); the time-out text for a "600" reply.
    QString ReadDecode(QString reply);
    // Joins the values of every line holding key (found ignoring case) and consumes data
    // up to the end of the last such line. A line without CR LF is the data's last: its
    // value runs to the end and the data is consumed whole. Linear in the data's size.
    static QString PullData(QString& data, const QString& key);
    static QString RemoveTopLine(const QString& text);

    // Texts as received: UTF-8 when valid, else Latin-1.
    static QString DecodeText(const QByteArray& bytes);

    // ---- Event handlers ----
    void Winsock1_DataArrival(qint64 bytesTotal);
    void Winsock1_Close();
    void Winsock1_Error(int number, const QString& description);
    void Timer2_Timer();

signals:
    // Every line sent (with its length), the connect line, every piece of data received
    // (with its byte count), and "Timeout" with 7.
    void CDDBTrace(const QString& Data, qint32 bytesTotal);

private:
    enum class Wait { None, FirstData, Line, MultiLine };
    enum class WaitEnd { Arrived, TimedOut, Failed };
    WaitEnd waitForReply(Wait mode);
    void failWait(const QString& message);
    void appendReply(const QByteArray& data);
    void showStatus(const QString& text);
    bool sendLine(const QString& procedure, const QString& line);
    // Sends one command line and waits for its reply (one line or a multi-line entry).
    // Returns the reply; "600 Timeout" after a time-out; "" when the connection failed
    // (the user was told why).
    QString ask(const QString& procedure, const QString& line, Wait mode, const QString& timeoutMessage);
    // Waits for the first data of a reply: -1 when it came, 0 when the wait failed or
    // timed out (a time-out shows timeoutMessage).
    int16_t awaitFirstData(const QString& timeoutMessage);

    Wait m_wait = Wait::None;
    QByteArray m_bytes;          // the reply being collected, as received
    QStringDecoder m_decoder;
    bool m_latin1 = false;
    bool m_midLine = false;      // the last byte received did not end a line
    bool m_skipTail = false;     // the current wait first skips the rest of an earlier line
    qsizetype m_skipped = 0;     // bytes of that rest skipped in the current wait
    bool m_firstLineEnded = false; // the first line of the multi-line reply has come whole
    QString m_failMessage;       // why the current wait failed
    bool m_failureShown = false; // the last step already told the user why it failed
};
