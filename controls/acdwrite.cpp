#include "controls/acdwrite.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <optional>

#include "controls/acdwrite_image.h"
#include "controls/burnlibburn.h"
#include "platform/cddrives.h"
#include "platform/forms.h"

std::vector<CdWriterPtr> findCdWriters(QStringList* inUse)
{
    std::vector<CdWriterPtr> out;
    const auto drives = CdDrives::list();
    const auto images = ImageWriters::injected();
    LibburnScan burners;
    bool scanned = false;
    QStringList held;
    for (const CdDriveInfo& d : drives) {
        if (d.isImage) {
            for (const ImageWriterSetup& s : images) {
                if (s.cuePath == d.device) {
                    QString name = s.name;
                    if (name.isEmpty())
                        name = (d.vendor + QLatin1Char(' ') + d.model).trimmed();
                    out.push_back(std::make_shared<ImageCdWriter>(s, name));
                    break;
                }
            }
            continue;
        }
        // Real drives are asked only when the enumerator lists one, so libburn never
        // scans the machine when there is nothing to find.
        if (!scanned) {
            burners = libburnScanDrives();
            scanned = true;
        }
        if (auto w = makeLibburnWriter(d, burners.drives)) {
            out.push_back(std::move(w));
            continue;
        }
        // A drive the scan skipped as busy, or whose disc is mounted, is held by the
        // desktop: it writes again once that disc is out.
        const QString canon = canonicalDevicePath(d.device);
        if (burners.busy.contains(canon) || DriveIo().isMounted(d.device)) {
            held << d.device;
            burners.busy.removeAll(canon);
        }
    }
    // Busy devices the enumerator does not list by that name are named as libburn saw them.
    held << burners.busy;
    if (inUse)
        *inUse = held;
    return out;
}

namespace {
// Runs slow drive work (a scan, a disc check: seconds while a disc spins up) on a worker
// thread. The window thread meanwhile keeps painting and taking queued events, but no
// user input, so no click starts a second run of the handler that is waiting here.
template <class F>
auto offWindowThread(F work) -> decltype(work())
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return work();
    std::optional<decltype(work())> result;
    NestedLoopScope nested; // no window is deleted while this loop runs
    QEventLoop loop;
    std::thread worker([&] {
        result.emplace(work());
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    return std::move(*result);
}
} // namespace

// Turns the worker's reports into the control's events on the control's own thread.
class ACDWRITE::Reporter : public BurnReporter {
public:
    Reporter(ACDWRITE* owner, std::shared_ptr<std::atomic<int>> phase) : m_owner(owner), m_phase(std::move(phase)) {}

    void actTrack(int track) override
    {
        m_lastPercent = -1;
        post([track](ACDWRITE* w) { emit w->ActTrack(track); });
    }
    void trackPercent(int percent) override
    {
        if (percent == m_lastPercent)
            return;
        m_lastPercent = percent;
        post([percent](ACDWRITE* w) { emit w->TrackPercent(percent); });
    }
    void info(const QString& text) override
    {
        post([text](ACDWRITE* w) { emit w->InfoMessage(0, text); });
    }
    bool fixating() override
    {
        // Either the abort or the finalising comes first; the other is refused.
        int expected = PhaseWriting;
        if (!m_phase->compare_exchange_strong(expected, PhaseFixating))
            return expected == PhaseFixating;
        post([](ACDWRITE* w) { emit w->Fixating(); });
        return true;
    }
    bool abortRequested() const override { return m_phase->load() == PhaseAbortRequested; }

    template <class F>
    void post(F f)
    {
        // Queued calls from one thread to one object run in the order they were made;
        // a control destroyed meanwhile drops them.
        ACDWRITE* w = m_owner;
        QMetaObject::invokeMethod(w, [w, f] { f(w); }, Qt::QueuedConnection);
    }

private:
    ACDWRITE* m_owner;
    std::shared_ptr<std::atomic<int>> m_phase;
    int m_lastPercent = -1;
};

ACDWRITE::ACDWRITE(QObject* parent) : QObject(parent)
{
    static const int registered = qRegisterMetaType<BurnOutcome>("BurnOutcome");
    (void)registered;
}

ACDWRITE::~ACDWRITE()
{
    if (m_phase) {
        int expected = PhaseWriting;
        m_phase->compare_exchange_strong(expected, PhaseAbortRequested);
    }
    if (m_worker.joinable())
        m_worker.join();
}

int ACDWRITE::InitWriter()
{
    // A running write keeps its drive; the list is looked at again once it has ended.
    if (!m_running && !(m_deliveringEnd && m_endLooks > 0)) {
        m_endLooks += m_deliveringEnd ? 1 : 0;
        QStringList inUse;
        emit Looking(true);
        m_writers = offWindowThread([&inUse] { return findCdWriters(&inUse); });
        emit Looking(false);
        m_inUse = inUse;
        m_selected = -1;
        m_driver = 0;
    }
    return m_writers.empty() ? 1 : 0;
}

void ACDWRITE::Reset()
{
    // A running write holds its own writer and tracks, so it goes on undisturbed; the
    // writer list is looked at again by the next InitWriter once the write has ended.
    m_tracks.clear();
    m_selected = -1;
    m_driver = 0;
}

int ACDWRITE::WriterCount() const { return static_cast<int>(m_writers.size()); }

QString ACDWRITE::WriterName(int index) const
{
    if (index < 0 || index >= WriterCount())
        return {};
    return m_writers[static_cast<size_t>(index)]->name();
}

QString ACDWRITE::WriterDevice(int index) const
{
    if (index < 0 || index >= WriterCount())
        return {};
    return m_writers[static_cast<size_t>(index)]->device();
}

void ACDWRITE::SelectWriter(int index)
{
    m_selected = (index >= 0 && index < WriterCount()) ? index : -1;
}

int ACDWRITE::WriterDriver() const
{
    if (m_selected < 0)
        return 0;
    return m_writers[static_cast<size_t>(m_selected)]->driver();
}

void ACDWRITE::SetDriver(int driver) { m_driver = driver; }

int ACDWRITE::CheckDisc()
{
    if (m_selected < 0)
        return DiscNoWriter;
    if (m_running)
        return DiscBusy;
    CdWriterPtr writer = m_writers[static_cast<size_t>(m_selected)];
    emit Looking(true);
    const int state = offWindowThread([writer] { return writer->checkDisc(); });
    emit Looking(false);
    m_discNote = writer->discNote();
    // A disc mounted since the last look holds this writer: Eject frees it from here on.
    if (state != DiscInUse)
        m_inUse.removeAll(writer->device());
    else if (!m_inUse.contains(writer->device()))
        m_inUse << writer->device();
    return state;
}

void ACDWRITE::Speed(int speed) { m_speed = speed; }
void ACDWRITE::TestMode(bool on) { m_testMode = on; }
void ACDWRITE::RealWrite(bool on) { m_realWrite = on; }
void ACDWRITE::BurnOption(bool on) { m_burnOption = on; }

void ACDWRITE::AddTrack(const QString& path, long)
{
    m_tracks.append(path);
}

int ACDWRITE::refuse(int code, BurnOutcome::Reason reason, const QString& message)
{
    m_last = BurnOutcome::failed(reason, message);
    return code;
}

int ACDWRITE::TracksThatFit(const QStringList& paths) const
{
    std::vector<qint64> frames;
    for (const QString& p : paths) {
        BurnTrack t;
        t.path = p;
        if (!inspectBurnTrack(t, nullptr))
            break;
        frames.push_back(t.frames);
    }
    return TracksThatFit(frames);
}

int ACDWRITE::TracksThatFit(const std::vector<qint64>& frames) const
{
    if (m_selected < 0)
        return 0;
    const CdWriterPtr& writer = m_writers[static_cast<size_t>(m_selected)];
    BurnJob job;
    int fit = 0;
    for (qint64 f : frames) {
        BurnTrack t;
        t.frames = f;
        job.tracks.push_back(t);
        if (writer->sectorsNeeded(job) > writer->capacitySectors())
            break;
        ++fit;
    }
    return fit;
}

int ACDWRITE::WriteCD()
{
    if (m_running)
        return refuse(RefusedBusy, BurnOutcome::Busy, BurnText::busy());
    // The tracks are used up by this attempt, so a refused write followed by a new track
    // list never burns the old tracks twice.
    const QStringList paths = std::exchange(m_tracks, {});
    if (m_selected < 0)
        return refuse(RefusedNoWriter, BurnOutcome::NoWriter, BurnText::noWriter());
    if (paths.isEmpty())
        return refuse(RefusedNoTracks, BurnOutcome::NoTracks, BurnText::noTracks());

    BurnJob job;
    job.speed = m_speed;
    // Simulate unless both settings ask for a real write.
    job.simulate = m_testMode || !m_realWrite;
    for (const QString& p : paths) {
        BurnTrack t;
        t.path = p;
        QString why;
        if (!inspectBurnTrack(t, &why))
            return refuse(RefusedBadTrack, BurnOutcome::BadTrack, why);
        job.tracks.push_back(t);
    }
    CdWriterPtr writer = m_writers[static_cast<size_t>(m_selected)];
    const qint64 need = writer->sectorsNeeded(job);
    if (need > writer->capacitySectors())
        return refuse(RefusedTooLong, BurnOutcome::TooLong, BurnText::tooLong(need, writer->capacitySectors()));

    if (m_worker.joinable())
        m_worker.join();
    m_phase = std::make_shared<std::atomic<int>>(PhaseWriting);
    m_running = true;
    m_last = {};
    auto reporter = std::make_shared<Reporter>(this, m_phase);
    m_worker = std::thread([this, writer, job, reporter] {
        BurnOutcome outcome;
        try {
            outcome = writer->write(job, *reporter);
        } catch (const std::exception& e) {
            outcome = BurnOutcome::failed(BurnOutcome::Other, QString::fromLocal8Bit(e.what()));
        }
        reporter->post([outcome](ACDWRITE* w) { w->finishWrite(outcome); });
    });
    return WriteStarted;
}

void ACDWRITE::finishWrite(const BurnOutcome& outcome)
{
    if (m_worker.joinable())
        m_worker.join();
    m_running = false;
    m_last = outcome;
    // The window looks for writers again on each end event; one look per end is enough
    // (a scan takes seconds on a busy drive and the window takes no input meanwhile).
    m_endLooks = 0;
    m_deliveringEnd = true;
    QPointer<ACDWRITE> self(this);
    if (outcome.kind == BurnOutcome::Aborted)
        emit UserStop();
    if (self)
        emit BurningProcessComplete(outcome);
    if (self)
        m_deliveringEnd = false;
}

bool ACDWRITE::Abort()
{
    if (!m_running || !m_phase)
        return false;
    int expected = PhaseWriting;
    return m_phase->compare_exchange_strong(expected, PhaseAbortRequested) || expected == PhaseAbortRequested;
}
