#pragma once
// The settings dialog's CDDB server list: "Get CDDB Sites" asks the configured CDDB server
// for its list of sites (connect, hello, "sites", quit) and appends them to the list view;
// "Default CDDB Site" fills the three CDDB boxes with built-in defaults; clicking a row copies
// its host and port into the boxes, from where the dialog's OK saves them.
//
// The conversation has its own socket, time-out and state, apart from the CD window's CDDB
// client; only CDDBEmail, CDDBServer and CDDBPort are shared. The state lives for the whole
// run (CddbSites::instance()), while the dialog's controls come and go with the dialog: they
// are held by QPointer, so a fetch that is still unwinding after the dialog was unloaded
// simply leaves them alone.
//
// How frmOptions wires it (nothing else is needed):
//   - Every time the dialog is created, after its "CD DB Options" controls exist:
//       CddbSites::instance().attach({lvwSites, lblCDDBStatusTitle, lblCDDBStatus,
//                                     txtEMail, txtAddress, txtPort, cmdGetCDSites, cmdCDDBDefault});
//     attach() gives lvwSites its columns "Address", "Port", "Location", makes lblCDDBStatus
//     show plain text, hides the two status labels (unless a fetch is running), and connects
//     cmdGetCDSites -> cmdGetCDSites_Click, cmdCDDBDefault -> cmdCDDBDefault_Click and a click
//     on (or Enter in) lvwSites -> lvwSites_Click. Design texts for the dialog:
//       cmdGetCDSites "Get CDDB Sites", tool tip "Download And Save All CDDB Sites";
//       cmdCDDBDefault "Default CDDB Site", tool tip "Use The Default CDDB Site";
//       lblCDDBStatusTitle "CDDB Status".
//   - Form_Load's CDDB defaults are DefaultEmail, DefaultSiteHost and DefaultSitePort
//     (or call cmdCDDBDefault_Click()).
//   - cmdOK_Click (first step) and cmdClose_Click call CddbSites::instance().EndFetch(): it
//     closes the socket, ends a running wait and hides the two status labels.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringDecoder>
#include <array>
#include <cstdint>
#include <functional>

#include "controls/winsock.h"

class QAbstractButton;
class QLabel;
class QLineEdit;
class ListView;

class CddbSites : public QObject {
    Q_OBJECT
public:
    CddbSites();
    // The one instance, living until the end of the run.
    static CddbSites& instance();

    // Defaults of "Default CDDB Site" and of the dialog's first load.
    static inline const QString DefaultEmail = QStringLiteral("your.name@quillory.example");
    static inline const QString DefaultSiteHost = QStringLiteral("gnudb.gnudb.org");
    static inline const QString DefaultSitePort = QStringLiteral("888");

    // The dialog's controls this conversation uses.
    struct Controls {
        ListView* lvwSites = nullptr;
        QLabel* lblCDDBStatusTitle = nullptr;
        QLabel* lblCDDBStatus = nullptr;
        QLineEdit* txtEMail = nullptr;
        QLineEdit* txtAddress = nullptr;
        QLineEdit* txtPort = nullptr;
        QAbstractButton* cmdGetCDSites = nullptr;
        QAbstractButton* cmdCDDBDefault = nullptr;
    };
    void attach(const Controls& c);

    // "Get CDDB Sites" first re-reads the saved CDDB settings with funGetCDDBINI(1)
    // (core/settings.h). Tests may put another reader in its place; nullptr restores it.
    using SettingsReader = std::function<int16_t(const int16_t& mode)>;
    static void setSettingsReader(SettingsReader reader);

    // ---- Controls of the conversation ----
    Winsock* Winsock1;
    qint64 Timer2Interval = 60000; // per-wait time-out, in milliseconds of the clock seam
    bool Timer2Enabled = false;    // true only while a wait runs
    qsizetype ReplyLimit = 256 * 1024; // a longer "sites" reply is refused

    // ---- State ----
    struct SiteRecord {
        QString Host;
        int32_t Port = 0;
        QString Location;
    };
    QString ReplyBuffer;
    int16_t WaitingForReply = 0; // -1 while a wait is pending
    int16_t TimedOut = 0;        // -1 when the last wait ended without its reply
    QString MultiLineEnd;        // "." while a multi-line reply is collected
    std::array<SiteRecord, 101> Sites{}; // entries 1 to SiteCount
    int16_t SiteCount = 0;

    // ---- User actions ----
    void cmdGetCDSites_Click();
    void lvwSites_Click();
    void cmdCDDBDefault_Click();
    // OK and Cancel of the dialog: ends a running fetch at once, without a message.
    void EndFetch();

    // ---- Steps ----
    bool cddbConnect();
    bool cddbHello();
    QString cddbSites();
    int16_t GetSites();
    void cddbQuit();
    // Parses a "210" site list into sites (entries from 1, at most 100); lines that are not
    // "host port location" with a port of 1 to 65535, or whose host holds a control character
    // or a quote, are skipped. Returns the count.
    static int16_t ParseSites(const QString& reply, std::array<SiteRecord, 101>& sites);

    // ---- Event handlers ----
    void Winsock1_DataArrival(qint64 bytesTotal);
    void Winsock1_Close();
    void Winsock1_Error(int number, const QString& description);
    void Timer2_Timer();

private:
    enum class Expect { None, FirstData, Sites };
    // Runs one wait; true when the reply arrived.
    bool waitForReply(Expect expect);
    void endWait();
    void appendReply(const QByteArray& data);
    void showStatus(const QString& text);
    void setStatusVisible(bool visible);
    bool send(const QString& procedure, const QString& line);

    QPointer<ListView> m_lvwSites;
    QPointer<QLabel> m_lblTitle;
    QPointer<QLabel> m_lblStatus;
    QPointer<QLineEdit> m_txtEMail;
    QPointer<QLineEdit> m_txtAddress;
    QPointer<QLineEdit> m_txtPort;

    Expect m_expect = Expect::None;
    QByteArray m_bytes;          // the reply being collected, as received
    QStringDecoder m_decoder;
    bool m_latin1 = false;
    bool m_midLine = false;      // the last data received did not end a line
    bool m_skipTail = false;     // the running wait first skips the rest of an earlier line
    bool m_tooLong = false;      // the running wait ended because the reply grew too long
    bool m_ended = false;        // the running wait was ended by OK or Cancel
    bool m_fetching = false;     // a fetch is under way
};
