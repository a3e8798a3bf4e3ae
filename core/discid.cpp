#include "core/discid.h"

#include "core/cdaudio.h"
#include "platform/errors.h"

#include <limits>

QString LeftZeroPad(const QString& text, int16_t width)
{
    if (text.size() < width)
        return QString(width - text.size(), QLatin1Char('0')) + text;
    return text;
}

namespace {
// Base 16, upper case, no prefix; a negative number is written in two's complement of its width.
QString hex32(int32_t v) { return QString::number(static_cast<uint32_t>(v), 16).toUpper(); }
QString hex16(int16_t v) { return QString::number(static_cast<uint16_t>(v), 16).toUpper(); }

int32_t checked(int64_t v)
{
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        throw AppError(Err::Overflow, QStringLiteral("Overflow"));
    return static_cast<int32_t>(v);
}

// Frames of an mm:ss:ff text read from its fixed positions.
int32_t framesOf(const QString& s)
{
    return checked(int64_t(TextToInt32(s.mid(0, 2))) * 4500 + int64_t(TextToInt32(s.mid(3, 2))) * 75 +
                   TextToInt32(s.mid(6, 2)));
}
} // namespace

CdDiscId::CdDiscId(CDAudio& cd, QString module) : m_cd(cd), m_module(std::move(module)) {}

TocEntry& CdDiscId::toc(int index)
{
    if (index < 0 || index >= static_cast<int>(TrackToc.size()))
        throw AppError(Err::Subscript, QStringLiteral("Subscript out of range"));
    return TrackToc[static_cast<size_t>(index)];
}

QString CdDiscId::GetCDID()
{
    Trap trap(m_module, QStringLiteral("GetCDID"));
    TrackCount = m_cd.GetNumTracks();
    trap([&] {
        if (TrackCount + 2 < 1)
            throw AppError(Err::Subscript, QStringLiteral("Subscript out of range"));
        TrackToc.assign(static_cast<size_t>(TrackCount + 2), TocEntry{});
    });
    for (int i = 1; i <= TrackCount; ++i) {
        const QString s = m_cd.GetTrackStart(i);
        trap([&] { toc(i).Frame = TextToInt32(s.mid(6, 2)); });
        trap([&] { toc(i).Sec = TextToInt32(s.mid(3, 2)); });
        trap([&] { toc(i).Min = TextToInt32(s.mid(0, 2)); });
    }
    int32_t L = 0, F1 = 0, FN = 0;
    const QString length = m_cd.GetCDLength();
    trap([&] { L = framesOf(length); });
    const QString first = m_cd.GetTrackStart(1);
    trap([&] { F1 = framesOf(first); });
    const QString last = m_cd.GetTrackStart(TrackCount);
    trap([&] { FN = framesOf(last); });
    trap([&] {
        // The last track's length, split and added back to its start: the lead-out is F1 + L.
        const int32_t X = checked(int64_t(L) + F1 - FN);
        int32_t LO = checked(int64_t(FN) + int64_t(X / 4500) * 4500 + int64_t(X % 4500 / 75) * 75 + X % 75);
        TocEntry& out = toc(TrackCount + 1);
        out.Frame = LO % 75;
        LO /= 75;
        out.Sec = LO % 60;
        out.Min = LO / 60;
    });
    trap([&] {
        const TocEntry& lo = toc(TrackCount + 1);
        const TocEntry& t1 = toc(1);
        DiscSeconds = checked((int64_t(lo.Min) * 60 + lo.Sec) - (int64_t(t1.Min) * 60 + t1.Sec));
    });
    int32_t n = 0;
    trap([&] {
        for (int i = 1; i <= TrackCount; ++i) {
            int64_t t = int64_t(toc(i).Min) * 60 + toc(i).Sec;
            while (t > 0) {
                n = checked(int64_t(n) + t % 10);
                t /= 10;
            }
        }
    });
    return LeftZeroPad(hex32(n % 255), 2) + LeftZeroPad(hex32(DiscSeconds), 4) + LeftZeroPad(hex16(TrackCount), 2);
}

QString CdDiscId::GetQueryString()
{
    Trap trap(m_module, QStringLiteral("GetQueryString"));
    cdidb = GetCDID();
    QString result = cdidb + QLatin1Char(' ') + QString::number(TrackCount);
    trap([&] {
        for (int i = 1; i <= TrackCount; ++i) {
            const TocEntry& e = toc(i);
            result += QLatin1Char(' ') + QString::number(int64_t(e.Min) * 4500 + int64_t(e.Sec) * 75 + e.Frame);
        }
    });
    result += QLatin1Char(' ') + QString::number(DiscSeconds);
    return result;
}
