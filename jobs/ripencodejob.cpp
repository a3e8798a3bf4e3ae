#include "jobs/ripencodejob.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "controls/acd.h"
#include "core/encoderoptions.h"
#include "platform/errors.h"
#include "core/filenames.h"
#include "core/globals.h"
#include "core/mp3tags.h"
#include "core/writablefolder.h"
#include "platform/childprocess.h"
#include "platform/services.h"

namespace {
// The error log names the steps as the progress window always did.
const QString kModule = QStringLiteral("frmCDRip");
const QString kAheadName = QStringLiteral(".readahead.wav"); // hidden: no listing shows it
constexpr qint64 kPauseMs = 1000;      // before an abandoned track's file is removed
constexpr int kFlagCheckMs = 100;      // how soon a RipAbort set from outside is seen
constexpr int kPollMs = 10;            // an encoder that cannot report its end is asked this often

bool same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }
} // namespace

QString RipEncodeJob::readErrorText()
{
    return QStringLiteral("Error: can not read track. Be sure You Have A Music CD Loaded And Not A Data CD!");
}

QString RipEncodeJob::encoderFailedText(const QString& wavName)
{
    return QStringLiteral("Error: the MP3 encoder failed on ") + wavName;
}

QString RipEncodeJob::encoderMissingText()
{
    return QStringLiteral("Error: the MP3 encoder (lame) could not be started. Please install lame and try again.");
}

RipEncodeJob::RipEncodeJob(RipPlan plan, ACD& reader, QObject* parent)
    : Job(parent), m_plan(std::move(plan)), m_reader(&reader)
{
    connect(&reader, &ACD::ActPosition, this, &RipEncodeJob::onPosition);
    connect(&reader, &ACD::ReadComplete, this, &RipEncodeJob::onReadComplete);
    connect(&m_tick, &QTimer::timeout, this, &RipEncodeJob::advance);
}

RipEncodeJob::~RipEncodeJob()
{
    if (m_encoder)
        m_encoder->kill();
    if (m_reader && m_read != Read::None)
        m_reader->StopRead();
    if (!m_aheadPath.isEmpty())
        QFile::remove(m_aheadPath);
}

void RipEncodeJob::start()
{
    if (running())
        return;
    begin();
    ConversionRunning = 1;
    RipAbort = 0; // a new run: a flag left from an earlier one does not stop it
    m_index = 0;
    m_done = 0;
    m_cancelled = false;
    m_tick.start(kFlagCheckMs);
    m_inStep = true;
    startTrack();
    m_inStep = false;
    advance();
}

void RipEncodeJob::cancel()
{
    if (!running())
        return;
    m_held = false;
    if (!m_cancelled) {
        m_cancelled = true;
        RipAbort = -1;
    }
    QMetaObject::invokeMethod(this, &RipEncodeJob::advance, Qt::QueuedConnection);
}

void RipEncodeJob::hold() { m_held = true; }

void RipEncodeJob::release()
{
    m_held = false;
    QMetaObject::invokeMethod(this, &RipEncodeJob::advance, Qt::QueuedConnection);
}

bool RipEncodeJob::abortAsked() const { return m_cancelled || RipAbort == -1 || !m_reader; }

// Every event comes here: the run takes each step whose cause has arrived, one at a time.
void RipEncodeJob::advance()
{
    if (m_inStep || !running())
        return;
    m_inStep = true;
    for (;;) {
        if (m_stage == Stage::CleaningUp) {
            if (!m_held && Clocks().monotonicMs() >= m_alarmAt)
                cleanUpNext();
            break;
        }
        if (m_held)
            break;
        if ((m_stage == Stage::Reading || m_stage == Stage::Encoding) && abortAsked()) {
            QStringList files;
            if (m_stage == Stage::Reading) {
                if (m_reader && m_read == Read::Current)
                    m_reader->StopRead();
                m_read = Read::None;
                dropReadAhead();
                if (m_tookAhead && !m_aheadPath.isEmpty()) {
                    QFile::remove(m_aheadPath); // this track's read, begun ahead
                    m_aheadPath.clear();
                }
                files << wavPath();
            } else {
                if (m_encoder)
                    m_encoder->kill();
                m_encoder.reset();
                dropReadAhead();
                files << mp3Path();
                if (m_plan.outputMode == 1)
                    files << wavPath();
            }
            endAfterCleanUp(JobOutcome::aborted(), files);
            continue;
        }
        if (m_stage == Stage::Reading && m_readEnded) {
            afterRead();
            continue;
        }
        if (m_stage == Stage::Encoding && encoderEnded()) {
            afterEncoder();
            continue;
        }
        break;
    }
    m_inStep = false;
}

void RipEncodeJob::startTrack()
{
    if (m_index >= m_plan.tracks.size()) {
        m_stage = Stage::Idle;
        m_tick.stop();
        ConversionRunning = 0;
        finish(JobOutcome::finishedWell());
        return;
    }
    if (abortAsked()) {
        // Asked between two tracks: the next one is not begun.
        dropReadAhead();
        endAfterCleanUp(JobOutcome::aborted(), {});
        return;
    }
    const RipTrack& t = m_plan.tracks[m_index];
    RipAbort = 0;
    m_stage = Stage::Reading;
    // A track without a usable name (a CDDB entry may leave it empty) keeps its number.
    m_base = removeinvalid(t.name.trimmed().isEmpty() ? QStringLiteral("Track No. ") + QString::number(t.number)
                                                      : t.name);
    m_wavName = checkduplwav(m_base + QStringLiteral(".wav"));
    m_mp3Name.clear();
    m_readEnded = false;
    m_readFailed = false;
    m_readNoRoom = false;
    m_readInexact = 0;
    m_tookAhead = false;
    emit nextTrack(m_done + 1, static_cast<int>(m_plan.tracks.size()));
    emit reading(t.number, m_wavName);
    if (m_aheadIndex == static_cast<int>(m_index)) {
        // Read ahead while the last track encoded: the read goes on (or has ended) as this one's.
        m_tookAhead = true;
        emit percent(m_aheadPercent);
        if (m_aheadEnded) {
            m_readEnded = true;
            m_readFailed = m_aheadFailed;
            m_readNoRoom = m_aheadNoRoom;
            m_readInexact = m_aheadInexact;
        } else {
            m_read = Read::Current;
        }
        m_aheadIndex = -1;
        return;
    }
    dropReadAhead();
    int16_t number = t.number;
    int16_t r = ACD::NoDisc;
    if (m_reader)
        r = m_reader->ReadTrack(number, wavPath());
    if (r != ACD::Started) {
        RipAbort = -1;
        // A WAV that cannot be made is a write that failed, not a disc that cannot be read.
        const QString why = r == ACD::CannotWrite ? WriteFailedText(m_plan.folder, m_wavName, QStringLiteral("WAV"))
                                                  : readErrorText();
        endAfterCleanUp(JobOutcome::failed(why), {wavPath()});
        return;
    }
    m_read = Read::Current;
    emit readStarted(t.number, false);
}

void RipEncodeJob::onPosition(int32_t position)
{
    if (m_read == Read::Ahead)
        m_aheadPercent = position / 10;
    else if (m_read == Read::Current)
        emit percent(position / 10);
}

void RipEncodeJob::onReadComplete()
{
    if (!m_reader)
        return;
    if (m_read == Read::Ahead) {
        m_aheadEnded = true;
        m_aheadFailed = m_reader->ReadFailed();
        m_aheadNoRoom = m_reader->ReadFailedForRoom();
        m_aheadInexact = m_reader->InexactSectors();
    } else if (m_read == Read::Current) {
        m_readEnded = true;
        m_readFailed = m_reader->ReadFailed();
        m_readNoRoom = m_reader->ReadFailedForRoom();
        m_readInexact = m_reader->InexactSectors();
    }
    m_read = Read::None;
    advance();
}

void RipEncodeJob::afterRead()
{
    bool failed = m_readFailed;
    bool notRenamed = false;
    if (m_tookAhead) {
        // The track was read whole; its file could not take the track's name.
        if (!failed && !QFile::rename(m_aheadPath, wavPath()))
            failed = notRenamed = true;
        QFile::remove(m_aheadPath);
        m_aheadPath.clear();
    }
    // A WAV that is not there whole is no track, whatever the reader said.
    if (!failed && QFileInfo(wavPath()).size() <= 44)
        failed = true;
    if (failed) {
        RipAbort = -1;
        QString why = readErrorText();
        if (m_readNoRoom)
            why = DiskFullText(m_plan.folder, m_wavName);
        else if (const WriteTrouble trouble = WriteTroubleOf(m_plan.folder);
                 notRenamed || trouble != WriteTrouble::None)
            why = WriteFailedText(trouble, m_plan.folder, m_wavName, QStringLiteral("WAV"));
        endAfterCleanUp(JobOutcome::failed(why), {wavPath()});
        return;
    }
    if (m_readInexact > 0)
        emit infoMessage(ACD::inexactText(m_readInexact), Warning);
    if (m_plan.outputMode != 1 && m_plan.outputMode != 3) {
        finishTrack(QString());
        return;
    }
    m_mp3Name = checkduplmp3(m_base + QStringLiteral(".mp3"));
    startEncoder();
    if (m_stage == Stage::Encoding)
        startReadAhead();
}

void RipEncodeJob::startEncoder()
{
    RipAbort = 0;
    m_stage = Stage::Encoding;
    const QString wav = wavPath();
    qint64 expected = 0;
    tryStep(QStringLiteral("StartEncoding"), [&] {
        const double ratio = getencoderratio(m_plan.bitRate);
        expected = ratio > 0 ? static_cast<qint64>(std::nearbyint(QFileInfo(wav).size() / ratio)) : 0;
    });
    emit percent(0);
    emit encoding(m_mp3Name, mp3Path(), std::clamp<qint64>(expected, 0, INT32_MAX));
    const EncoderCommand cmd = BuildEncoderCommand(m_plan.bitRate, wav, mp3Path());
    m_encoder = ChildProcesses().create();
    if (!m_encoder->start(cmd.program, cmd.arguments)) {
        // Without the encoder no MP3 is made: the run fails rather than pass an empty result on.
        m_encoder.reset();
        WriteErrorLog(kModule, QStringLiteral("StartEncoding"), Err::FileNotFound,
                 QStringLiteral("The MP3 encoder could not be started: ") + cmd.display, QStringLiteral("lame"));
        RipAbort = -1;
        endAfterCleanUp(JobOutcome::failed(encoderMissingText()), {mp3Path()});
        return;
    }
    const quint64 run = ++m_encoderRun;
    m_encoderNotifies = m_encoder->notifyWhenFinished([this, run] {
        // Queued: a kill() reports the end from inside the call.
        QMetaObject::invokeMethod(
            this,
            [this, run] {
                if (run == m_encoderRun)
                    advance();
            },
            Qt::QueuedConnection);
    });
    m_tick.setInterval(m_encoderNotifies ? kFlagCheckMs : kPollMs);
}

bool RipEncodeJob::encoderEnded() { return m_encoder && m_encoder->finished(); }

void RipEncodeJob::afterEncoder()
{
    const int code = m_encoder->exitCode();
    const EncoderCommand cmd = BuildEncoderCommand(m_plan.bitRate, wavPath(), mp3Path());
    m_encoder.reset();
    ++m_encoderRun;
    m_tick.setInterval(kFlagCheckMs);
    const QFileInfo made(mp3Path());
    if (code != 0 || !made.exists() || made.size() == 0) {
        if (code != 0)
            WriteErrorLog(kModule, QStringLiteral("StartEncoding"), Err::FileNotFound,
                     QStringLiteral("The MP3 encoder ended with exit code %1: ").arg(code) + cmd.display,
                     QStringLiteral("lame"));
        // A failed encoder keeps the track's WAV: the rip itself is good.
        RipAbort = -1;
        dropReadAhead();
        const WriteTrouble trouble = WriteTroubleOf(m_plan.folder);
        const QString why = trouble != WriteTrouble::None
                                 ? WriteFailedText(trouble, m_plan.folder, m_mp3Name, QStringLiteral("MP3"))
                                 : encoderFailedText(m_wavName);
        endAfterCleanUp(JobOutcome::failed(why), {mp3Path()});
        return;
    }
    if (m_plan.outputMode == 1)
        QFile::remove(wavPath());
    finishTrack(m_mp3Name.left(m_mp3Name.size() - 4));
}

// The track's files are whole: its tag, song record and playlist entry follow.
void RipEncodeJob::finishTrack(const QString& title)
{
    const QString procedure = QStringLiteral("sscmdEncode_Click");
    const auto trap = [&](const std::function<void()>& step) { tryStep(procedure, step); };
    const int n = m_done + 1;
    const RipTrack& t = m_plan.tracks[m_index];
    if (!title.isEmpty()) {
        QString category = m_plan.category;
        QString genre = GetGenreNumber(category);
        if (category.isEmpty() || same(category, QStringLiteral("Category")) ||
            (genre == QLatin1String("0") && !same(category, QStringLiteral("Blues"))))
            genre = QStringLiteral("80");
        trap([&] {
            MP3WriteTag(mp3Path(), title, m_plan.artist, m_plan.album, QStringLiteral("Time=") + t.length, genre,
                        [this](int number, const QString& why) { emit logError(QStringLiteral("MP3WriteTag"), number, why); });
        });
        if (same(category, QStringLiteral("Category")))
            category = QStringLiteral("N/A");
        trap([&] {
            if (SongLibrary)
                SongLibrary->Add(title, m_plan.artist, t.length, m_plan.album, category, QString(), QString());
        });
        if (!m_plan.playlist.isEmpty()) {
            trap([&] {
                if (Playlists)
                    Playlists->Add(m_plan.playlist, static_cast<int16_t>(n), title, m_plan.artist, t.length, QString(),
                                   QString());
            });
            if (n == 1) {
                trap([&] {
                    QFile marker(m_plan.folder + m_plan.playlist + QStringLiteral(".lst"));
                    if (!marker.open(QIODevice::WriteOnly | QIODevice::Truncate) || marker.write("1\r\n") != 3)
                        throw AppError(Err::FileNotFound,
                                       FileNotWrittenText(marker.fileName()) + QLatin1Char('\n') + marker.errorString(),
                                       marker.fileName());
                });
            }
        }
    }
    m_done = n;
    emit percent(100);
    emit trackDone(n, title.isEmpty() ? m_wavName.left(m_wavName.size() - 4) : title);
    ++m_index;
    startTrack();
}

void RipEncodeJob::startReadAhead()
{
    const size_t next = m_index + 1;
    if (next >= m_plan.tracks.size() || !m_reader)
        return;
    dropReadAhead();
    const QString path = m_plan.folder + kAheadName;
    int16_t number = m_plan.tracks[next].number;
    m_aheadEnded = false;
    m_aheadFailed = false;
    m_aheadNoRoom = false;
    m_aheadInexact = 0;
    m_aheadPercent = 0;
    if (m_reader->ReadTrack(number, path) != ACD::Started)
        return; // the track is read when its turn comes, and says why it cannot be
    m_aheadIndex = static_cast<int>(next);
    m_aheadPath = path;
    m_read = Read::Ahead;
    emit readStarted(number, true);
}

void RipEncodeJob::dropReadAhead()
{
    if (m_reader && m_read == Read::Ahead) {
        m_reader->StopRead();
        m_read = Read::None;
    }
    if (!m_aheadPath.isEmpty() && m_aheadIndex >= 0) {
        QFile::remove(m_aheadPath);
        m_aheadPath.clear();
    }
    m_aheadIndex = -1;
}

void RipEncodeJob::endAfterCleanUp(const JobOutcome& outcome, QStringList files)
{
    m_stage = Stage::CleaningUp;
    m_outcome = outcome;
    m_cleanUp = std::move(files);
    m_alarmAt = Clocks().monotonicMs() + kPauseMs;
    m_tick.setInterval(kPollMs);
    if (!m_tick.isActive())
        m_tick.start();
}

void RipEncodeJob::cleanUpNext()
{
    if (!m_cleanUp.isEmpty())
        QFile::remove(m_cleanUp.takeFirst());
    if (!m_cleanUp.isEmpty()) {
        m_alarmAt = Clocks().monotonicMs() + kPauseMs;
        return;
    }
    m_stage = Stage::Idle;
    m_tick.stop();
    ConversionRunning = 0;
    RipAbort = -1;
    finish(m_outcome);
}
