#include "jobs/mp3towavjob.h"

#include <QFile>
#include <QMetaObject>
#include <algorithm>
#include <utility>

#include "controls/mp3play.h"
#include "controls/wavcheck.h"
#include "platform/errors.h"
#include "core/filenames.h"
#include "core/globals.h"
#include "core/writablefolder.h"
#include "platform/services.h"

int16_t DecodePercent(int32_t frame, int32_t frameCount, int32_t bitRate, int16_t previous)
{
    const qint64 total = bitRate <= 48000 ? frameCount / 2 : frameCount;
    if (total <= 0)
        return previous;
    return int16_t(std::min<qint64>(qint64(frame) * 100 / total, 100));
}

Mp3ToWavJob::Mp3ToWavJob(Mp3Play& player, QObject* parent) : Job(parent), m_player(player)
{
    connect(&m_player, &Mp3Play::ActFrame, this, &Mp3ToWavJob::onFrame);
    connect(&m_player, &Mp3Play::ThreadEnded, this, &Mp3ToWavJob::onEnded);
}

void Mp3ToWavJob::start()
{
    if (running())
        return;
    begin();
    m_made = QStringList(m_plan.items.size(), QString());
    m_failedMp3.clear();
    m_next = 0;
    m_current = -1;
    m_currentWav.clear();
    m_partial.clear();
    m_cancelled = false;
    m_endQueued = false;
    m_cleaningUp = false;
    ConversionRunning = 1;
    next();
}

void Mp3ToWavJob::next()
{
    DecodeAbort = 0;
    if (m_next >= m_plan.items.size()) {
        end(JobOutcome::finishedWell());
        return;
    }
    m_current = m_next++;
    const Mp3ToWavPlan::Item& item = m_plan.items[m_current];
    const QString wavName = checkduplwav(item.wavName);
    // Recorded before the decoder starts, so an abort also removes a partly written file.
    m_currentWav = m_plan.folder + wavName;
    m_made[m_current] = m_currentWav;
    emit nextTrack(m_current + 1, int(m_plan.items.size()));
    emit fileStarted(m_current, item.mp3Name, wavName);
    if (!running())
        return;
    int16_t opened = 1;
    tryStep(QStringLiteral("ConvertMP3"), [&] {
        opened = m_player.Open(m_plan.folder + item.mp3Name, m_currentWav);
        if (opened == 0)
            m_player.Play();
    });
    if (opened == 0)
        return;
    m_made[m_current].clear();
    m_currentWav.clear();
    if (m_plan.stopAtUnreadable) {
        m_failedMp3 = item.mp3Name;
        end(JobOutcome::failed(QString()));
        return;
    }
    // Nothing will be decoded, so no end event comes: the file is reported and the run moves
    // on from the event queue, as it would after an end event.
    emit logError(QStringLiteral("ConvertMP3"), Err::FileNotFound,
                  QStringLiteral("The MP3 file cannot be decoded: ") + m_plan.folder + item.mp3Name);
    m_endQueued = true;
    QMetaObject::invokeMethod(this, &Mp3ToWavJob::onEnded, Qt::QueuedConnection);
}

void Mp3ToWavJob::onFrame(int32_t frame)
{
    if (!running() || m_cleaningUp)
        return;
    ProgressPercent = DecodePercent(frame, m_player.FrameCount(), m_player.BitRate(), ProgressPercent);
    emit percent(ProgressPercent);
}

void Mp3ToWavJob::onEnded()
{
    m_endQueued = false;
    if (!running() || m_cleaningUp)
        return;
    const bool writeFailed = m_player.WriteFailed();
    m_player.Close();
    const QString written = std::exchange(m_currentWav, QString());
    if (m_cancelled || DecodeAbort == -1) {
        endAborted(m_cancelled ? m_partial : written);
        return;
    }
    // A WAV the disk refused is cut short even when its header reads well: the run stops,
    // removes it and says why. The cause is judged while the cut file still holds its room:
    // once it is gone, a disk that was full has room again.
    if (!written.isEmpty() && (writeFailed || !CheckWAVFormat(written))) {
        const QString why = WriteFailedText(m_plan.folder, written.mid(m_plan.folder.size()), QStringLiteral("WAV"));
        QFile::remove(written);
        m_made[m_current].clear();
        m_failedMp3 = m_plan.items[m_current].mp3Name;
        end(JobOutcome::failed(why));
        return;
    }
    next();
}

void Mp3ToWavJob::cancel()
{
    if (!running() || m_cancelled)
        return;
    m_cancelled = true;
    DecodeAbort = -1;
    // The file being written now is the one the clean-up removes.
    m_partial = m_currentWav;
    const bool decoding = m_player.IsRunning();
    m_player.Stop();
    m_player.Close();
    // Between two files nothing is decoding, so no end event would come: clean up from the queue.
    if (!decoding && !m_endQueued) {
        m_endQueued = true;
        QMetaObject::invokeMethod(this, &Mp3ToWavJob::onEnded, Qt::QueuedConnection);
    }
}

void Mp3ToWavJob::endAborted(const QString& partial)
{
    m_cleaningUp = true;
    auto removePartial = [this, partial] {
        if (!partial.isEmpty() && QFile::exists(partial) && !QFile::remove(partial))
            emit logError(QStringLiteral("Mp3Play1_ThreadEnded"), Err::PathFileAccess,
                          QStringLiteral("Path/File access error: ") + partial);
        if (m_current >= 0 && m_made.value(m_current) == partial)
            m_made[m_current].clear();
        end(JobOutcome::aborted());
    };
    if (m_plan.abortPauseMs > 0)
        Clocks().singleShot(m_plan.abortPauseMs, this, removePartial);
    else
        removePartial();
}

void Mp3ToWavJob::end(const JobOutcome& outcome)
{
    m_cleaningUp = false;
    if (outcome.kind != JobOutcome::Aborted)
        DecodeAbort = 0;
    if (m_plan.endsRun)
        ConversionRunning = 0;
    finish(outcome);
}
