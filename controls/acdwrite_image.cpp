#include "controls/acdwrite_image.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <mutex>

#include "controls/wavpcmreader.h"
#include "platform/services.h"

namespace {
std::mutex g_mutex;
std::vector<ImageWriterSetup> g_specs;

// Sectors copied between progress reports: a third of a second of audio at 1x.
constexpr qint64 kChunkSectors = 25;

QString msf(qint64 sector)
{
    const qint64 frames = sector % kCdSectorsPerSecond;
    const qint64 seconds = (sector / kCdSectorsPerSecond) % 60;
    const qint64 minutes = sector / (kCdSectorsPerSecond * 60);
    return QStringLiteral("%1:%2:%3")
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(seconds, 2, 10, QLatin1Char('0'))
        .arg(frames, 2, 10, QLatin1Char('0'));
}
} // namespace

void ImageWriters::setInjected(const std::vector<ImageWriterSetup>& specs)
{
    std::lock_guard lk(g_mutex);
    g_specs = specs;
}

std::vector<ImageWriterSetup> ImageWriters::injected()
{
    std::lock_guard lk(g_mutex);
    return g_specs;
}

QString cueSheetText(const QString& binName, const std::vector<qint64>& trackSectors)
{
    QString cue = QStringLiteral("FILE \"%1\" BINARY\r\n").arg(binName);
    qint64 start = 0;
    for (size_t i = 0; i < trackSectors.size(); ++i) {
        cue += QStringLiteral("  TRACK %1 AUDIO\r\n").arg(static_cast<int>(i + 1), 2, 10, QLatin1Char('0'));
        cue += QStringLiteral("    INDEX 01 %1\r\n").arg(msf(start));
        start += trackSectors[i];
    }
    return cue;
}

ImageCdWriter::ImageCdWriter(ImageWriterSetup layout, QString name) : m_setup(std::move(layout)), m_name(std::move(name)) {}

QString ImageCdWriter::binPath() const
{
    const QFileInfo fi(m_setup.cuePath);
    return fi.path() + QLatin1Char('/') + fi.completeBaseName() + QStringLiteral(".bin");
}

int ImageCdWriter::checkDisc()
{
    if (m_setup.fault == ImageWriterSetup::NoDisc)
        return DiscNone;
    // An image that already exists is a used disc: it is never written over.
    if (m_setup.fault == ImageWriterSetup::DiscNotBlank || QFileInfo::exists(m_setup.cuePath) ||
        QFileInfo::exists(binPath()))
        return DiscNotBlank;
    return DiscBlank;
}

BurnOutcome ImageCdWriter::write(const BurnJob& job, BurnReporter& report)
{
    switch (checkDisc()) {
    case DiscBlank:
        break;
    case DiscNone:
        report.info(BurnText::noDisc());
        return BurnOutcome::failed(BurnOutcome::NoDisc, BurnText::noDisc());
    default:
        report.info(BurnText::notBlank());
        return BurnOutcome::failed(BurnOutcome::DiscNotBlank, BurnText::notBlank());
    }
    const qint64 need = job.totalSectors();
    if (need > m_setup.capacitySectors) {
        const QString why = BurnText::tooLong(need, m_setup.capacitySectors);
        report.info(why);
        return BurnOutcome::failed(BurnOutcome::TooLong, why);
    }

    QFile bin(binPath());
    const bool real = !job.simulate;
    // Whatever ends the write early takes the partial image away again.
    const auto discard = [&] {
        if (!real)
            return;
        bin.close();
        QFile::remove(binPath());
        QFile::remove(m_setup.cuePath);
    };
    const auto fail = [&](BurnOutcome::Reason r, const QString& why) {
        discard();
        report.info(why);
        return BurnOutcome::failed(r, why);
    };
    if (real && !bin.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return fail(BurnOutcome::WriteError, BurnText::writeError(0));

    report.info(job.simulate ? QStringLiteral("Simulating Write") : QStringLiteral("Writing Tracks"));
    const qint64 rate = kCdSectorsPerSecond * std::max(job.speed, 1);
    const qint64 startMs = Clocks().monotonicMs();
    qint64 done = 0; // sectors written so far, over all tracks
    QByteArray buf;
    std::vector<qint64> trackSectors;
    for (size_t i = 0; i < job.tracks.size(); ++i) {
        const BurnTrack& track = job.tracks[i];
        report.actTrack(static_cast<int>(i + 1));
        report.trackPercent(0);
        WavPcmReader wav;
        QString why;
        if (!wav.open(track.path, &why))
            return fail(BurnOutcome::BadTrack, why);
        const qint64 sectors = track.sectors();
        trackSectors.push_back(sectors);
        qint64 written = 0;
        while (written < sectors) {
            if (report.abortRequested()) {
                discard();
                return BurnOutcome::aborted();
            }
            const qint64 n = std::min(kChunkSectors, sectors - written);
            buf.fill('\0', n * kCdSectorBytes);
            if (wav.read(buf.data(), n * kCdFramesPerSector) < 0)
                return fail(BurnOutcome::BadTrack, BurnText::badTrack(track.path));
            if (m_setup.fault == ImageWriterSetup::WriteErrorAt && m_setup.errorSector < done + n) {
                // The sectors before the bad one reach the disc, then the write fails.
                const qint64 good = std::max<qint64>(0, m_setup.errorSector - done);
                if (real)
                    bin.write(buf.constData(), good * kCdSectorBytes);
                return fail(BurnOutcome::WriteError, BurnText::writeError(m_setup.errorSector));
            }
            if (real && bin.write(buf) != buf.size())
                return fail(BurnOutcome::WriteError, BurnText::writeError(done));
            written += n;
            done += n;
            report.trackPercent(static_cast<int>(written * 100 / sectors));
            if (m_setup.realTime)
                Clocks().sleepUntilMs(startMs + done * 1000 / rate);
        }
    }

    // Finalising: the table of contents is written and the write can no longer be stopped.
    if (!report.fixating()) {
        discard();
        return BurnOutcome::aborted();
    }
    if (real) {
        if (!bin.flush())
            return fail(BurnOutcome::WriteError, BurnText::writeError(done));
        bin.close();
        QSaveFile cue(m_setup.cuePath);
        const QByteArray text = cueSheetText(QFileInfo(bin.fileName()).fileName(), trackSectors).toUtf8();
        if (!cue.open(QIODevice::WriteOnly) || cue.write(text) != text.size() || !cue.commit())
            return fail(BurnOutcome::WriteError, BurnText::writeError(done));
    }
    return job.simulate ? BurnOutcome::testRunDone() : BurnOutcome::written();
}
