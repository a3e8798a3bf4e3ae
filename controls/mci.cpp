#include "controls/mci.h"

#include "controls/audiosink.h"
#include "platform/cddrives.h"
#include "platform/services.h"

#include <cdio/cdio.h>
#include <cdio/device.h>
#include <cdio/track.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kFramesPerSecond = 75;
constexpr int kLeadIn = 150; // disc address of logical sector 0
constexpr int kBytesPerFrame = 2352;
constexpr int kFramesPerWrite = 8; // about a tenth of a second

void initCdio()
{
    static std::once_flag once;
    std::call_once(once, [] { cdio_init(); });
}

bool isImagePath(const QString& drive) { return drive.endsWith(QStringLiteral(".cue"), Qt::CaseInsensitive); }

// The door of each disc image, by absolute path: true while "open" (no disc).
std::map<QString, bool>& imageDoors()
{
    static std::map<QString, bool> doors;
    return doors;
}

// A disc changed without the door being seen open (swapped in a moment, or an image
// replaced) reads as "open" this long, so that a caller polling about once a second
// sees the old disc go before the new one is there.
constexpr qint64 kChangeSeenAsOpenMs = 1500;

QString imageBinPath(const QString& cue)
{
    const QFileInfo fi(cue);
    return fi.path() + '/' + fi.completeBaseName() + QStringLiteral(".bin");
}

// What identifies the disc in an image: its two files' identity, size and time.
QByteArray imageIdentity(const QString& cue)
{
    QByteArray id;
    for (const QString& f : {cue, imageBinPath(cue)}) {
        struct stat st {};
        if (::stat(QFile::encodeName(f).constData(), &st) != 0)
            return {};
        id += QByteArray::number(qulonglong(st.st_ino)) + ' ' + QByteArray::number(qlonglong(st.st_size)) + ' ' +
              QByteArray::number(qlonglong(st.st_mtim.tv_sec)) + '.' + QByteArray::number(qlonglong(st.st_mtim.tv_nsec)) + ';';
    }
    return id;
}

// A disc's table of contents in disc addresses (frames, lead-in included).
struct Toc {
    int first = 0;
    std::vector<int> start; // start of track first + i
    std::vector<bool> audio;
    int leadout = 0;
    bool valid() const { return !start.empty(); }
    int count() const { return static_cast<int>(start.size()); }
    int last() const { return first + count() - 1; }
    int trackStart(int t) const { return start[static_cast<size_t>(t - first)]; }
    int trackEnd(int t) const { return t >= last() ? leadout : trackStart(t + 1); }
    bool isAudio(int t) const { return audio[static_cast<size_t>(t - first)]; }
    // The track a position belongs to (a gap belongs to the track before it).
    int trackAt(int pos) const
    {
        int t = first;
        for (int i = first; i <= last(); ++i)
            if (pos >= trackStart(i))
                t = i;
        return t;
    }
    int clamp(int pos) const { return std::clamp(pos, trackStart(first), leadout); }
};

Toc readToc(const QString& drive)
{
    initCdio();
    Toc toc;
    const QByteArray path = QFile::encodeName(drive);
    CdIo_t* cdio = cdio_open(path.constData(), DRIVER_UNKNOWN);
    if (!cdio)
        return toc;
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t n = cdio_get_num_tracks(cdio);
    if (first != CDIO_INVALID_TRACK && n != CDIO_INVALID_TRACK && n > 0) {
        toc.first = first;
        for (int t = first; t < first + n; ++t) {
            const lba_t lba = cdio_get_track_lba(cdio, static_cast<track_t>(t));
            toc.start.push_back(lba);
            toc.audio.push_back(cdio_get_track_format(cdio, static_cast<track_t>(t)) == TRACK_FORMAT_AUDIO);
        }
        toc.leadout = cdio_get_track_lba(cdio, CDIO_CDROM_LEADOUT_TRACK);
        if (toc.leadout == CDIO_INVALID_LBA || std::find(toc.start.begin(), toc.start.end(), CDIO_INVALID_LBA) != toc.start.end())
            toc = Toc{};
    }
    cdio_destroy(cdio);
    return toc;
}

QString two(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }
QString msfText(int frames)
{
    frames = std::max(frames, 0);
    return two(frames / (60 * kFramesPerSecond)) + ':' + two(frames / kFramesPerSecond % 60) + ':' +
           two(frames % kFramesPerSecond);
}

enum class TimeFormat { Msf, Tmsf, Ms };

// ---- the cdaudio device ----
class CdAudioDevice {
public:
    explicit CdAudioDevice(QString drive) : m_drive(std::move(drive)), m_image(isImagePath(m_drive))
    {
        if (m_image)
            m_drive = QFileInfo(m_drive).absoluteFilePath();
        // A change the drive noted before the device was opened is not news.
        discChanged();
        m_state = driveDisc();
        m_trayOpen = m_state == CdDriveIo::Disc::TrayOpen;
        if (!m_trayOpen)
            loadToc();
    }
    ~CdAudioDevice() { stopPlaying(); }

    unsigned command(const QString& verb, QStringList args, QString& reply);

private:
    bool doorOpen() const { return m_trayOpen; }
    void loadToc()
    {
        m_toc = readToc(m_drive);
        m_imageId = m_image ? imageIdentity(m_drive) : QByteArray();
        if (m_toc.valid())
            m_pos = m_toc.trackStart(m_toc.first);
    }
    // What the drive (or the image's simulated door and files) says about its disc.
    CdDriveIo::Disc driveDisc()
    {
        if (!m_image)
            return DriveIo().discState(m_drive);
        if (imageDoors()[m_drive])
            return CdDriveIo::Disc::TrayOpen;
        return QFileInfo::exists(m_drive) && QFileInfo::exists(imageBinPath(m_drive)) ? CdDriveIo::Disc::Ready
                                                                                       : CdDriveIo::Disc::NoDisc;
    }
    bool discChanged()
    {
        if (!m_image)
            return DriveIo().mediaChanged(m_drive);
        return m_toc.valid() && imageIdentity(m_drive) != m_imageId;
    }
    void forgetDisc()
    {
        stopPlaying();
        m_mode = Mode::Stopped;
        m_toc = Toc{};
    }
    // Brings what the device knows in line with the drive: a disc taken out or put in
    // with the drive's own button, or swapped, is seen at the next command.
    void syncWithDrive();
    // A real drive that cannot say what it holds may get a disc at any time: look
    // again while none is known.
    bool hasDisc()
    {
        if (!m_toc.valid() && !m_image && !m_trayOpen && m_state == CdDriveIo::Disc::Unknown)
            loadToc();
        return m_toc.valid();
    }
    unsigned status(const QStringList& a, QString& reply);
    unsigned set(const QStringList& a);
    unsigned play(const QStringList& a);
    unsigned parsePosition(const QString& text, int& frames) const;
    QString formatPosition(int pos) const;
    QString formatLength(int frames) const
    {
        return m_format == TimeFormat::Ms ? QString::number(qint64(frames) * 1000 / kFramesPerSecond) : msfText(frames);
    }

    // Playing.
    void startPlaying(int from, int to);
    void stopPlaying();
    // Brings the position up to date with what the sink has played; ends a finished play.
    // A play ends when the worker has written its whole range and the output has played it
    // all: the played time is counted in whole microseconds, which never add up to the
    // last frame of most ranges (a frame is 13,333.3 microseconds).
    void update();
    void worker(int from, int to);

    QString m_drive;
    bool m_image;
    bool m_trayOpen = false;
    CdDriveIo::Disc m_state = CdDriveIo::Disc::Unknown;
    bool m_tocRead = false;        // the disc now in the drive has been read (well or not)
    qint64 m_openUntil = -1;       // a change reads as "open" until this time
    QByteArray m_imageId;
    Toc m_toc;
    TimeFormat m_format = TimeFormat::Msf;
    enum class Mode { Stopped, Playing, Paused } m_mode = Mode::Stopped;
    int m_pos = 0;     // current disc address
    int m_playFrom = 0;
    int m_playTo = 0;  // end of the running (or paused) play
    std::unique_ptr<AudioSink> m_sink;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_ended{false}; // the worker wrote the whole range and the output drained
};

unsigned CdAudioDevice::command(const QString& verb, QStringList args, QString& reply)
{
    args.removeAll(QStringLiteral("wait"));
    args.removeAll(QStringLiteral("notify"));
    update();
    syncWithDrive();
    if (verb == QLatin1String("status"))
        return status(args, reply);
    if (verb == QLatin1String("set"))
        return set(args);
    if (verb == QLatin1String("play"))
        return play(args);
    if (verb == QLatin1String("seek"))
        return play(QStringList{QStringLiteral("seek")} + args);
    if (verb == QLatin1String("stop")) {
        if (!hasDisc())
            return MciErr::DeviceNotReady;
        stopPlaying();
        return 0;
    }
    if (verb == QLatin1String("pause")) {
        if (!hasDisc())
            return MciErr::DeviceNotReady;
        if (m_mode == Mode::Playing) {
            stopPlaying();
            m_mode = Mode::Paused;
        }
        return 0;
    }
    return MciErr::UnrecognizedCommand;
}

void CdAudioDevice::syncWithDrive()
{
    if (m_openUntil >= 0) {
        if (Clocks().monotonicMs() < m_openUntil)
            return;
        m_openUntil = -1;
        m_trayOpen = false;
        m_tocRead = false;
    }
    m_state = driveDisc();
    switch (m_state) {
    case CdDriveIo::Disc::Unknown:
        return;
    case CdDriveIo::Disc::NotReady:
        // A disc spinning up is not gone: what is known stays. Only the drive's change
        // report says another disc went in; it is read once ready.
        if (discChanged()) {
            m_tocRead = false;
            if (m_toc.valid()) {
                forgetDisc();
                m_trayOpen = true;
                m_openUntil = Clocks().monotonicMs() + kChangeSeenAsOpenMs;
            }
        }
        return;
    case CdDriveIo::Disc::TrayOpen:
    case CdDriveIo::Disc::NoDisc:
        if (m_toc.valid() || m_mode != Mode::Stopped)
            forgetDisc();
        m_trayOpen = m_state == CdDriveIo::Disc::TrayOpen;
        m_tocRead = false;
        return;
    case CdDriveIo::Disc::Ready:
        break;
    }
    m_trayOpen = false;
    const bool changed = discChanged();
    if (changed && m_toc.valid()) {
        forgetDisc();
        m_trayOpen = true;
        m_openUntil = Clocks().monotonicMs() + kChangeSeenAsOpenMs;
        return;
    }
    if (!m_toc.valid() && (!m_tocRead || changed)) {
        loadToc();
        m_tocRead = true;
        m_mode = Mode::Stopped;
    }
}

unsigned CdAudioDevice::status(const QStringList& a, QString& reply)
{
    const QString item = a.join(' ');
    if (item == QLatin1String("media present")) {
        reply = hasDisc() ? QStringLiteral("true") : QStringLiteral("false");
        return 0;
    }
    if (item == QLatin1String("mode")) {
        if (!hasDisc())
            reply = doorOpen() ? QStringLiteral("open") : QStringLiteral("not ready");
        else
            reply = m_mode == Mode::Playing  ? QStringLiteral("playing")
                    : m_mode == Mode::Paused ? QStringLiteral("paused")
                                             : QStringLiteral("stopped");
        return 0;
    }
    if (!hasDisc())
        return MciErr::DeviceNotReady;
    if (item == QLatin1String("number of tracks")) {
        reply = QString::number(m_toc.count());
        return 0;
    }
    if (item == QLatin1String("current track")) {
        reply = QString::number(m_toc.trackAt(m_pos));
        return 0;
    }
    if (item == QLatin1String("position")) {
        reply = formatPosition(m_pos);
        return 0;
    }
    if (item == QLatin1String("length")) {
        reply = formatLength(m_toc.leadout - m_toc.trackStart(m_toc.first));
        return 0;
    }
    if (a.size() == 3 && a[1] == QLatin1String("track") &&
        (a[0] == QLatin1String("position") || a[0] == QLatin1String("length"))) {
        bool ok = false;
        const int t = a[2].toInt(&ok);
        if (!ok)
            return MciErr::UnrecognizedKeyword;
        if (t < m_toc.first || t > m_toc.last())
            return MciErr::OutOfRange;
        if (a[0] == QLatin1String("length")) {
            reply = formatLength(m_toc.trackEnd(t) - m_toc.trackStart(t));
        } else if (m_format == TimeFormat::Tmsf) {
            reply = two(t) + QStringLiteral(":00:00:00");
        } else {
            reply = formatPosition(m_toc.trackStart(t));
        }
        return 0;
    }
    return MciErr::UnrecognizedKeyword;
}

unsigned CdAudioDevice::set(const QStringList& a)
{
    if (a.size() == 3 && a[0] == QLatin1String("time") && a[1] == QLatin1String("format")) {
        if (a[2] == QLatin1String("msf"))
            m_format = TimeFormat::Msf;
        else if (a[2] == QLatin1String("tmsf"))
            m_format = TimeFormat::Tmsf;
        else if (a[2] == QLatin1String("milliseconds") || a[2] == QLatin1String("ms"))
            m_format = TimeFormat::Ms;
        else
            return MciErr::BadTimeFormat;
        return 0;
    }
    if (a.size() == 2 && a[0] == QLatin1String("door")) {
        if (a[1] == QLatin1String("open")) {
            forgetDisc();
            m_openUntil = -1;
            m_tocRead = false;
            if (m_image) {
                imageDoors()[m_drive] = true;
            } else if (!DriveIo().eject(m_drive)) {
                // A disc whose file system stays mounted is in use and keeps the tray shut.
                return DriveIo().isMounted(m_drive) ? MciErr::DeviceLocked : MciErr::Hardware;
            }
            m_trayOpen = true;
            return 0;
        }
        if (a[1] == QLatin1String("closed")) {
            // The disc is read again: a running play ends first (its worker reads the
            // table of contents, and "stopped" must mean silence).
            forgetDisc();
            if (m_image)
                imageDoors()[m_drive] = false;
            else
                DriveIo().closeTray(m_drive);
            m_trayOpen = false;
            m_openUntil = -1;
            m_state = driveDisc();
            discChanged();
            loadToc();
            m_tocRead = true;
            return 0;
        }
    }
    return MciErr::UnrecognizedKeyword;
}

unsigned CdAudioDevice::parsePosition(const QString& text, int& frames) const
{
    if (text == QLatin1String("start")) {
        frames = m_toc.trackStart(m_toc.first);
        return 0;
    }
    if (text == QLatin1String("end")) {
        frames = m_toc.leadout;
        return 0;
    }
    const QStringList parts = text.split(':');
    std::vector<qint64> v;
    for (const QString& p : parts) {
        bool ok = false;
        const qint64 x = p.toLongLong(&ok);
        if (!ok)
            return MciErr::OutOfRange;
        v.push_back(x);
    }
    qint64 f = 0;
    switch (m_format) {
    case TimeFormat::Ms:
        if (v.size() != 1)
            return MciErr::OutOfRange;
        f = v[0] >= 0 ? v[0] * kFramesPerSecond / 1000 : -1;
        break;
    case TimeFormat::Msf:
        if (v.size() > 3)
            return MciErr::OutOfRange;
        v.resize(3, 0);
        f = v[0] * 60 * kFramesPerSecond + v[1] * kFramesPerSecond + v[2];
        break;
    case TimeFormat::Tmsf: {
        if (v.size() > 4)
            return MciErr::OutOfRange;
        v.resize(4, 0);
        // A track before the first or after the last is clamped to the disc.
        if (v[0] > m_toc.last())
            f = m_toc.leadout;
        else
            f = m_toc.trackStart(static_cast<int>(std::max<qint64>(v[0], m_toc.first))) +
                v[1] * 60 * kFramesPerSecond + v[2] * kFramesPerSecond + v[3];
        break;
    }
    }
    frames = static_cast<int>(std::clamp<qint64>(f, m_toc.trackStart(m_toc.first), m_toc.leadout));
    return 0;
}

QString CdAudioDevice::formatPosition(int pos) const
{
    switch (m_format) {
    case TimeFormat::Ms:
        return QString::number(qint64(pos) * 1000 / kFramesPerSecond);
    case TimeFormat::Msf:
        return msfText(pos);
    case TimeFormat::Tmsf: {
        const int t = m_toc.trackAt(pos);
        return two(t) + ':' + msfText(pos - m_toc.trackStart(t));
    }
    }
    return {};
}

unsigned CdAudioDevice::play(const QStringList& a)
{
    if (!hasDisc())
        return MciErr::DeviceNotReady;
    const bool seek = !a.isEmpty() && a[0] == QLatin1String("seek");
    int from = -1, to = -1;
    for (qsizetype i = seek ? 1 : 0; i < a.size(); i += 2) {
        if (i + 1 >= a.size())
            return MciErr::MissingParameter;
        int f = 0;
        if (const unsigned e = parsePosition(a[i + 1], f))
            return e;
        if (a[i] == QLatin1String("from") && !seek)
            from = f;
        else if (a[i] == QLatin1String("to"))
            to = f;
        else
            return MciErr::UnrecognizedKeyword;
    }
    if (seek) {
        if (to < 0)
            return MciErr::MissingParameter;
        stopPlaying();
        m_mode = Mode::Stopped;
        m_pos = to;
        return 0;
    }
    // "play" alone goes on from the current position: after a pause to the end of the
    // paused play, otherwise to the end of the disc.
    const bool resume = m_mode == Mode::Paused && from < 0 && to < 0;
    if (from < 0)
        from = m_pos;
    if (to < 0)
        to = resume ? m_playTo : m_toc.leadout;
    stopPlaying();
    m_pos = from;
    if (to <= from) {
        m_mode = Mode::Stopped;
        return 0;
    }
    startPlaying(from, to);
    return 0;
}

void CdAudioDevice::startPlaying(int from, int to)
{
    m_sink = makeAudioSink();
    if (!m_sink || !m_sink->start(44100, 2)) {
        m_sink.reset();
        m_mode = Mode::Stopped;
        return;
    }
    m_playFrom = from;
    m_playTo = to;
    m_mode = Mode::Playing;
    m_stop = false;
    m_ended = false;
    m_thread = std::thread([this, from, to] { worker(from, to); });
}

void CdAudioDevice::update()
{
    if (m_mode != Mode::Playing || !m_sink)
        return;
    if (m_ended) {
        stopPlaying();
        m_pos = m_playTo;
        m_mode = Mode::Stopped;
        return;
    }
    const qint64 played = m_sink->playedUs() * kFramesPerSecond / 1000000;
    m_pos = static_cast<int>(std::min<qint64>(m_playFrom + played, m_playTo));
    if (m_pos >= m_playTo) {
        stopPlaying();
        m_mode = Mode::Stopped;
    }
}

void CdAudioDevice::stopPlaying()
{
    if (m_mode == Mode::Playing && m_sink) {
        const qint64 played = m_sink->playedUs() * kFramesPerSecond / 1000000;
        m_pos = static_cast<int>(std::min<qint64>(m_playFrom + played, m_playTo));
    }
    m_stop = true;
    if (m_sink)
        m_sink->stop();
    if (m_thread.joinable())
        m_thread.join();
    m_sink.reset();
    if (m_mode == Mode::Playing)
        m_mode = Mode::Stopped;
}

void CdAudioDevice::worker(int from, int to)
{
    initCdio();
    CdIo_t* cdio = cdio_open(QFile::encodeName(m_drive).constData(), DRIVER_UNKNOWN);
    std::vector<char> buf(static_cast<size_t>(kFramesPerWrite) * kBytesPerFrame);
    bool whole = true;
    for (int pos = from; pos < to && !m_stop; pos += kFramesPerWrite) {
        const int n = std::min(kFramesPerWrite, to - pos);
        const size_t bytes = static_cast<size_t>(n) * kBytesPerFrame;
        // Data tracks and unreadable frames play as silence.
        bool ok = cdio && m_toc.isAudio(m_toc.trackAt(pos)) &&
                  cdio_read_audio_sectors(cdio, buf.data(), pos - kLeadIn, static_cast<uint32_t>(n)) ==
                      DRIVER_OP_SUCCESS;
        if (!ok)
            std::memset(buf.data(), 0, bytes);
        if (m_sink->write(buf.data(), static_cast<qint64>(bytes)) < static_cast<qint64>(bytes)) {
            whole = false;
            break;
        }
    }
    if (cdio)
        cdio_destroy(cdio);
    if (!whole || m_stop)
        return;
    m_sink->drain();
    if (!m_stop)
        m_ended = true;
}

// ---- the interpreter ----
class Interpreter : public MciHandler {
public:
    unsigned command(const QString& text, QString& reply) override
    {
        reply.clear();
        const QString cmd = text.trimmed();
        static const QRegularExpression openRe(
            QStringLiteral("^open\\s+(.+?)\\s+type\\s+(\\S+)((?:\\s+\\S+)*)$"),
            QRegularExpression::CaseInsensitiveOption);
        if (const auto m = openRe.match(cmd); m.hasMatch())
            return open(m.captured(1), m.captured(2).toLower(), m.captured(3).simplified().toLower(), reply);
        QStringList words = cmd.toLower().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (words.size() < 2)
            return MciErr::UnrecognizedCommand;
        const QString verb = words.takeFirst();
        const QString alias = words.takeFirst();
        if (verb == QLatin1String("close")) {
            if (alias == QLatin1String("all")) {
                m_devices.clear();
                return 0;
            }
            return m_devices.erase(alias) ? 0 : MciErr::InvalidDeviceName;
        }
        const auto it = m_devices.find(alias);
        if (it == m_devices.end())
            return MciErr::InvalidDeviceName;
        return it->second->command(verb, words, reply);
    }

private:
    unsigned open(const QString& drive, const QString& type, const QString& rest, QString& reply)
    {
        if (type != QLatin1String("cdaudio"))
            return MciErr::InvalidDeviceName;
        const QStringList words = rest.split(' ', Qt::SkipEmptyParts);
        QString alias = QStringLiteral("cdaudio");
        for (qsizetype i = 0; i < words.size(); ++i) {
            if (words[i] == QLatin1String("alias") && i + 1 < words.size())
                alias = words[++i];
            else if (words[i] != QLatin1String("wait") && words[i] != QLatin1String("shareable"))
                return MciErr::UnrecognizedKeyword;
        }
        if (m_devices.count(alias))
            return MciErr::DuplicateAlias;
        // A drive is a CD device node or a disc image with its data file.
        const QFileInfo fi(drive);
        if (drive.isEmpty() || !fi.exists())
            return MciErr::InvalidDeviceName;
        if (isImagePath(drive) && !QFileInfo::exists(fi.path() + '/' + fi.completeBaseName() + QStringLiteral(".bin")))
            return MciErr::InvalidDeviceName;
        m_devices[alias] = std::make_unique<CdAudioDevice>(drive);
        reply = QStringLiteral("1");
        return 0;
    }

    std::map<QString, std::unique_ptr<CdAudioDevice>> m_devices;
};

MciHandler* g_handler = nullptr;

} // namespace

MciHandler& MciInterpreter()
{
    static Interpreter interpreter;
    return interpreter;
}

MciHandler& MciDevices() { return g_handler ? *g_handler : MciInterpreter(); }
void setMciHandler(MciHandler* h) { g_handler = h; }

unsigned mciSendString(const QString& command, char* reply, int replyLength)
{
    QString text;
    const unsigned rc = MciDevices().command(command, text);
    if (reply && replyLength > 0) {
        const QByteArray bytes = rc == 0 ? text.toLocal8Bit() : QByteArray();
        const int n = std::min<int>(static_cast<int>(bytes.size()), replyLength - 1);
        std::memcpy(reply, bytes.constData(), static_cast<size_t>(n));
        reply[n] = '\0';
    }
    return rc;
}
