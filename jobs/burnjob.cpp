#include "jobs/burnjob.h"

#include <QFile>
#include <algorithm>

#include "controls/acdwrite.h"
#include "controls/mp3play.h"
#include "core/globals.h"
#include "jobs/mp3towavjob.h"
#include "platform/signalcleanup.h"

BurnCdJob::BurnCdJob(ACDWRITE& writer, Mp3Play& player, QObject* parent)
    : Job(parent), m_writer(writer), m_player(player), m_prep(new Mp3ToWavJob(player, this))
{
    connect(m_prep, &Mp3ToWavJob::fileStarted, this, &BurnCdJob::onPrepFileStarted);
    connect(m_prep, &Job::finished, this, &BurnCdJob::onPrepFinished);
    connect(m_prep, &Job::logError, this, &Job::logError);
    connect(&m_writer, &ACDWRITE::ActTrack, this, &BurnCdJob::onActTrack);
    connect(&m_writer, &ACDWRITE::TrackPercent, this, &BurnCdJob::onTrackPercent);
    connect(&m_writer, &ACDWRITE::InfoMessage, this, [this](int, const QString& text) { onInfoMessage(text); });
    connect(&m_writer, &ACDWRITE::Fixating, this, &BurnCdJob::onFixating);
    connect(&m_writer, &ACDWRITE::BurningProcessComplete, this, &BurnCdJob::onWriteComplete);
}

BurnCdJob::~BurnCdJob() = default;

QString BurnCdJob::prepFailedText(const QString& mp3Name, const QString& why)
{
    QString text = QStringLiteral("Could Not Convert \"") + mp3Name +
                   QStringLiteral("\" To A Temporary WAV File. The CD Was Not Burned.");
    if (!why.isEmpty())
        text += QStringLiteral("\n") + why;
    return text;
}

QString BurnCdJob::writeFailedText(const BurnOutcome& outcome)
{
    if (outcome.reason == BurnOutcome::DiscNotBlank || outcome.reason == BurnOutcome::NoDisc)
        return QStringLiteral("You May Have An Audio CD Or A Used CD-R In Your CD Writer. Please Insert A New "
                              "Blank CD-R In Your CD Writer And Try Again");
    if (outcome.reason == BurnOutcome::InUse)
        return outcome.message; // names the drive to free, with the library's own words
    QString text = QStringLiteral("An Unknown Error Occured. Could Not Write Audio Track(s) to CD.");
    if (!outcome.message.isEmpty())
        text += QStringLiteral("\n") + outcome.message;
    return text;
}

void BurnCdJob::start()
{
    if (running())
        return;
    begin();
    m_stage = Stage::Idle;
    m_cancelled = false;
    m_writeStarted = false;
    m_writeOutcome = {};
    m_count = 0;
    m_made = QStringList(m_plan.tracks.size(), QString());
    m_signalCleanup = std::make_unique<SignalCleanup>();
    ConversionRunning = 1;
    BurnAbort = 0; // a flag left from an earlier run does not stop this one
    m_writer.Speed(m_plan.speed);
    m_writer.TestMode(m_plan.testMode);
    m_writer.RealWrite(!m_plan.testMode);
    m_writer.BurnOption(true);

    // The preparation: every MP3 track in plan order, each into a WAV file of the folder.
    Mp3ToWavPlan prep;
    prep.folder = m_plan.folder;
    prep.stopAtUnreadable = true;
    prep.endsRun = false; // the write follows
    m_prepTracks.clear();
    for (int i = 0; i < m_plan.tracks.size(); ++i) {
        const BurnPlan::Track& t = m_plan.tracks[i];
        if (!t.mp3)
            continue;
        prep.items.push_back({t.fileName, t.wavName});
        m_prepTracks.push_back(i);
    }
    if (prep.items.isEmpty()) {
        write();
        return;
    }
    m_stage = Stage::Preparing;
    emit newTask(prepareTask());
    m_prep->setPlan(prep);
    m_prep->start();
}

void BurnCdJob::onPrepFileStarted(int index, const QString&, const QString& wavName)
{
    if (m_stage != Stage::Preparing || index < 0 || index >= m_prepTracks.size())
        return;
    // Recorded before the decoder starts, so every end also removes a partly written file.
    m_made[m_prepTracks[index]] = m_plan.folder + wavName;
    if (m_signalCleanup)
        m_signalCleanup->add(m_made[m_prepTracks[index]]);
}

void BurnCdJob::onPrepFinished(const JobOutcome& outcome)
{
    if (m_stage != Stage::Preparing)
        return;
    if (outcome.kind == JobOutcome::Done && !m_cancelled) {
        write();
        return;
    }
    m_player.Close();
    if (outcome.kind == JobOutcome::Failed)
        end(JobOutcome::failed(prepFailedText(m_prep->failedMp3(), outcome.reason)));
    else
        end(JobOutcome::aborted());
}

void BurnCdJob::write()
{
    m_stage = Stage::Gate;
    emit newTask(burnTask());
    QStringList files;
    for (int i = 0; i < m_plan.tracks.size(); ++i) {
        const BurnPlan::Track& t = m_plan.tracks[i];
        files << (t.mp3 ? m_made.value(i) : m_plan.folder + t.fileName);
    }
    int count = int(files.size());
    if (m_gate)
        count = m_gate(files);
    if (!running())
        return;
    if (m_cancelled || count <= 0) {
        end(JobOutcome::aborted());
        return;
    }
    m_count = std::min(count, int(files.size()));
    m_stage = Stage::Writing;
    emit writeStarting(m_count);
    if (!running())
        return;
    if (m_cancelled) {
        end(JobOutcome::aborted());
        return;
    }
    BurnAbort = 0;
    for (int i = 0; i < m_count; ++i)
        m_writer.AddTrack(files[i], 0);
    if (m_writer.WriteCD() != ACDWRITE::WriteStarted) {
        // Nothing was written; the writer says why.
        end(JobOutcome::failed(writeFailedText(m_writer.LastOutcome())));
        return;
    }
    m_writeStarted = true; // the writer's events carry the run on
}

bool BurnCdJob::flagStops()
{
    if (BurnAbort == -1 && !m_cancelled)
        cancel();
    return m_cancelled;
}

void BurnCdJob::onActTrack(int track)
{
    if (m_stage != Stage::Writing || !m_writeStarted)
        return;
    flagStops();
    emit nextTrack(track, m_count);
}

void BurnCdJob::onTrackPercent(int value)
{
    if (m_stage != Stage::Writing || !m_writeStarted)
        return;
    flagStops();
    ProgressPercent = static_cast<int16_t>(std::clamp(value, 0, 100));
    emit percent(ProgressPercent);
}

void BurnCdJob::onInfoMessage(const QString& text)
{
    if (m_stage != Stage::Writing || !m_writeStarted)
        return;
    flagStops();
    emit infoMessage(text, Information);
}

void BurnCdJob::onFixating()
{
    if (m_stage != Stage::Writing || !m_writeStarted)
        return;
    emit fixating();
}

void BurnCdJob::onWriteComplete(const BurnOutcome& outcome)
{
    if (m_stage != Stage::Writing || !m_writeStarted)
        return;
    m_writeOutcome = outcome;
    // Ends here, within the writer's end event: whoever follows the end may look at the
    // writer again while it still delivers that event.
    if (m_cancelled || BurnAbort == -1 || outcome.kind == BurnOutcome::Aborted)
        end(JobOutcome::aborted());
    else if (outcome.kind == BurnOutcome::Failed)
        end(JobOutcome::failed(writeFailedText(outcome)));
    else
        end(JobOutcome::finishedWell());
}

void BurnCdJob::cancel()
{
    if (!running() || m_cancelled)
        return;
    switch (m_stage) {
    case Stage::Preparing:
        m_cancelled = true;
        m_prep->cancel(); // its end ends this run
        break;
    case Stage::Idle:
    case Stage::Gate:
        m_cancelled = true; // the write does not start
        break;
    case Stage::Writing:
        if (!m_writeStarted) {
            m_cancelled = true;
            break;
        }
        // Once the disc is being finalised the write can no longer be stopped.
        if (m_writer.Abort() || !m_writer.Writing()) {
            m_cancelled = true;
            BurnAbort = -1;
        }
        break;
    }
}

QStringList BurnCdJob::madeWavs() const
{
    QStringList out;
    for (const QString& f : m_made)
        if (!f.isEmpty())
            out << f;
    return out;
}

void BurnCdJob::removeMadeWavs()
{
    for (QString& f : m_made) {
        if (f.isEmpty())
            continue;
        QFile::remove(f); // a file already gone is no error
        if (m_signalCleanup)
            m_signalCleanup->forget(f);
        f.clear();
    }
}

void BurnCdJob::end(const JobOutcome& outcome)
{
    m_stage = Stage::Idle;
    removeMadeWavs();
    m_signalCleanup.reset();
    ConversionRunning = 0;
    finish(outcome);
}
