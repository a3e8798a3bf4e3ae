#include "discimage.h"

#include <QDir>
#include <QFile>

namespace DiscImage {

int framesOf(const std::vector<int16_t>& pcm)
{
    const size_t perFrame = kSamplesPerFrame * 2;
    return static_cast<int>((pcm.size() + perFrame - 1) / perFrame);
}

std::vector<int16_t> tonePcm(int frames, int seed)
{
    std::vector<int16_t> out(static_cast<size_t>(frames) * kSamplesPerFrame * 2);
    uint32_t x = 0x9E3779B9u * static_cast<uint32_t>(seed + 1);
    for (size_t i = 0; i < out.size(); ++i) {
        // A small linear congruential generator: every sample different, never all zero.
        x = x * 1664525u + 1013904223u;
        out[i] = static_cast<int16_t>((x >> 16) | 1u);
    }
    return out;
}

namespace {
QString msf(int frames)
{
    return QStringLiteral("%1:%2:%3")
        .arg(frames / 4500, 2, 10, QLatin1Char('0'))
        .arg(frames / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % 75, 2, 10, QLatin1Char('0'));
}

void appendPcm(QByteArray& bin, const std::vector<int16_t>& pcm)
{
    const int frames = framesOf(pcm);
    QByteArray bytes(frames * kBytesPerFrame, '\0');
    for (size_t i = 0; i < pcm.size(); ++i) {
        const auto v = static_cast<uint16_t>(pcm[i]);
        bytes[static_cast<qsizetype>(2 * i)] = static_cast<char>(v & 0xFF);
        bytes[static_cast<qsizetype>(2 * i + 1)] = static_cast<char>(v >> 8);
    }
    bin += bytes;
}
} // namespace

QString cueText(const QString& name, const Layout& layout)
{
    QString cue = QStringLiteral("FILE \"%1.bin\" BINARY\r\n").arg(name);
    int pos = 0;
    for (size_t i = 0; i < layout.tracks.size(); ++i) {
        const Track& t = layout.tracks[i];
        cue += QStringLiteral("  TRACK %1 %2\r\n")
                   .arg(static_cast<int>(i + 1), 2, 10, QLatin1Char('0'))
                   .arg(t.data ? QStringLiteral("MODE1/2352") : QStringLiteral("AUDIO"));
        int gap = t.gapFrames;
        if (i == 0 && !layout.hiddenTrack.empty())
            gap += framesOf(layout.hiddenTrack);
        if (gap > 0) {
            cue += QStringLiteral("    INDEX 00 %1\r\n").arg(msf(pos));
            pos += gap;
        }
        cue += QStringLiteral("    INDEX 01 %1\r\n").arg(msf(pos));
        pos += framesOf(t.pcm);
    }
    return cue;
}

QString write(const QString& dir, const QString& name, const Layout& layout)
{
    QDir().mkpath(dir);
    QByteArray bin;
    for (size_t i = 0; i < layout.tracks.size(); ++i) {
        const Track& t = layout.tracks[i];
        if (i == 0 && !layout.hiddenTrack.empty())
            appendPcm(bin, layout.hiddenTrack);
        bin += QByteArray(t.gapFrames * kBytesPerFrame, '\0');
        if (t.data)
            bin += QByteArray(framesOf(t.pcm) * kBytesPerFrame, '\0');
        else
            appendPcm(bin, t.pcm);
    }
    const QString base = QDir(dir).filePath(name);
    QFile b(base + QStringLiteral(".bin"));
    if (!b.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    b.write(bin);
    b.close();
    QFile c(base + QStringLiteral(".cue"));
    if (!c.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    c.write(cueText(name, layout).toUtf8());
    return c.fileName();
}

QString writeToc(const QString& dir, const std::vector<std::vector<int16_t>>& tracks)
{
    QDir().mkpath(dir);
    const QString bin = dir + QStringLiteral("/drive.bin");
    const QString toc = dir + QStringLiteral("/drive.toc");
    const auto msf = [](int f) {
        return QStringLiteral("%1:%2:%3")
            .arg(f / 4500, 2, 10, QLatin1Char('0'))
            .arg(f / 75 % 60, 2, 10, QLatin1Char('0'))
            .arg(f % 75, 2, 10, QLatin1Char('0'));
    };
    int total = 0;
    QString text = QStringLiteral("CD_DA\n");
    QByteArray audio;
    for (const auto& pcm : tracks) {
        const int frames = framesOf(pcm);
        text += QStringLiteral("\nTRACK AUDIO\nFILE \"%1\" %2 %3\n").arg(bin, msf(total), msf(frames));
        total += frames;
        audio.append(reinterpret_cast<const char*>(pcm.data()), qsizetype(pcm.size() * 2));
        audio.resize(qsizetype(total) * kBytesPerFrame, '\0');
    }
    QFile b(bin);
    if (!b.open(QIODevice::WriteOnly) || b.write(audio) != audio.size())
        return {};
    b.close();
    QFile t(toc);
    if (!t.open(QIODevice::WriteOnly) || t.write(text.toUtf8()) < 0)
        return {};
    return toc;
}

QString writeSilentToc(const QString& dir, const std::vector<int>& trackFrames)
{
    std::vector<std::vector<int16_t>> tracks;
    for (int f : trackFrames)
        tracks.emplace_back(size_t(f) * kSamplesPerFrame * 2, int16_t(0));
    return writeToc(dir, tracks);
}

} // namespace DiscImage
