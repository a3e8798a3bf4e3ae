#include "jobs/wavtomp3job.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <algorithm>
#include <cmath>

#include "core/encoderoptions.h"
#include "platform/errors.h"
#include "core/filenames.h"
#include "core/globals.h"
#include "core/writablefolder.h"
#include "platform/childprocess.h"
#include "platform/services.h"

int16_t EncodePercent(qint64 length, qint64 expected)
{
    if (expected <= 0)
        return 0;
    const double percent = std::nearbyint(double(length) / double(expected) * 100.0);
    return int16_t(std::min(percent, 95.0));
}

WavToMp3Job::WavToMp3Job(QObject* parent) : Job(parent) {}

WavToMp3Job::~WavToMp3Job()
{
    if (m_encoder)
        m_encoder->kill();
}

void WavToMp3Job::start()
{
    if (running())
        return;
    begin();
    m_next = 0;
    m_held = false;
    m_aborting = false;
    ConversionRunning = 1;
    next();
}

void WavToMp3Job::next()
{
    if (!running() || m_aborting)
        return;
    EncodeAbort = 0;
    if (m_next >= m_plan.wavNames.size()) {
        end(JobOutcome::finishedWell());
        return;
    }
    const int index = m_next++;
    const QString wavName = m_plan.wavNames[index];
    const QString mp3Name = checkduplmp3(wavName.left(wavName.size() - 4) + QStringLiteral(".mp3"));
    const QString wavPath = m_plan.folder + wavName;
    m_mp3Path = m_plan.folder + mp3Name;
    m_expected = 0;
    m_lastPercent = -1;
    const double ratio = getencoderratio(m_plan.rateText);
    if (ratio <= 0)
        emit logError(QStringLiteral("WAVToMP3Encode"), Err::InvalidCall,
                      QStringLiteral("No expected size for the bit rate \"") + m_plan.rateText + '"');
    else
        m_expected = qint64(std::nearbyint(double(QFileInfo(wavPath).size()) / ratio));
    emit nextTrack(index + 1, int(m_plan.wavNames.size()));
    emit fileStarted(index, wavName, mp3Name, m_expected);
    if (!running() || m_aborting)
        return;
    auto goOn = [this] { QMetaObject::invokeMethod(this, &WavToMp3Job::next, Qt::QueuedConnection); };
    if (!QFile::exists(wavPath)) {
        goOn(); // a WAV gone since it was listed is passed over
        return;
    }
    const EncoderCommand cmd = BuildEncoderCommand(m_plan.rateText, wavPath, m_mp3Path);
    m_display = cmd.display;
    m_encoder = ChildProcesses().create();
    if (!m_encoder->start(cmd.program, cmd.arguments)) {
        m_encoder.reset();
        emit logError(QStringLiteral("WAVToMP3Encode"), Err::FileNotFound,
                      QStringLiteral("The encoder could not be started: ") + cmd.display);
        goOn();
        return;
    }
    const quint64 run = ++m_encoderRun;
    m_encoder->notifyWhenFinished([this, run] {
        // Queued: a kill() reports the end from inside the call.
        QMetaObject::invokeMethod(
            this,
            [this, run] {
                if (run == m_encoderRun)
                    poll();
            },
            Qt::QueuedConnection);
    });
    pollAfter(0);
}

void WavToMp3Job::pollAfter(int ms)
{
    const quint64 look = ++m_look;
    Clocks().singleShot(ms, this, [this, look] {
        if (look == m_look)
            poll();
    });
}

void WavToMp3Job::poll()
{
    if (!running() || m_aborting || !m_encoder)
        return;
    if (EncodeAbort == -1) {
        abortRun();
        return;
    }
    const QFileInfo fi(m_mp3Path);
    const int p = EncodePercent(fi.exists() ? fi.size() : 0, m_expected);
    if (p != m_lastPercent) {
        m_lastPercent = p;
        emit percent(p);
    }
    if (!m_encoder->finished() || m_held) {
        pollAfter(kPollMs);
        return;
    }
    const int code = m_encoder->exitCode();
    m_encoder.reset();
    if (code != 0) {
        // The encoder failed: its partial MP3 goes, its WAV stays, and the run goes on.
        const QString why = code < 0 ? QStringLiteral("The encoder was ended abnormally: ")
                                     : QStringLiteral("The encoder ended with exit code %1: ").arg(code);
        if (endOnWriteTrouble())
            return;
        QFile::remove(m_mp3Path);
        emit logError(QStringLiteral("WAVToMP3Encode"), Err::InvalidCall, why + m_display);
    } else if (QFileInfo(m_mp3Path).size() <= 0) {
        // An encoder that says it succeeded but left no MP3 has not converted the file.
        if (endOnWriteTrouble())
            return;
        QFile::remove(m_mp3Path);
        emit infoMessage(FileNotWrittenText(m_mp3Path), Job::Warning);
    }
    if (running() && !m_aborting)
        next();
}

// The file in hand was not made: when the folder takes no file or the disk is full, every
// file after it would fail alike, so the run removes the partial file, stops and says so.
// True when it has. The cause is judged while the partial file still holds its room: once it
// is gone, a disk that was full has room again.
bool WavToMp3Job::endOnWriteTrouble()
{
    const WriteTrouble trouble = WriteTroubleOf(m_plan.folder);
    if (trouble == WriteTrouble::None)
        return false;
    const QString why =
        WriteFailedText(trouble, m_plan.folder, m_mp3Path.mid(m_plan.folder.size()), QStringLiteral("MP3"));
    QFile::remove(m_mp3Path);
    end(JobOutcome::failed(why));
    return true;
}

void WavToMp3Job::cancel()
{
    if (!running() || m_aborting)
        return;
    EncodeAbort = -1;
    abortRun();
}

void WavToMp3Job::abortRun()
{
    m_aborting = true;
    if (m_encoder) {
        m_encoder->kill();
        m_encoder.reset();
    }
    // The file in hand goes after a pause, once the encoder has surely let go of it.
    const QString partial = m_mp3Path;
    Clocks().singleShot(kAbortPauseMs, this, [this, partial] {
        if (!partial.isEmpty() && QFile::exists(partial) && !QFile::remove(partial))
            emit logError(QStringLiteral("SSConvert_Click"), Err::PathFileAccess,
                          QStringLiteral("Path/File access error: ") + partial);
        end(JobOutcome::aborted());
    });
}

void WavToMp3Job::end(const JobOutcome& outcome)
{
    m_aborting = false;
    m_held = false;
    EncodeAbort = 0;
    ConversionRunning = 0;
    finish(outcome);
}
