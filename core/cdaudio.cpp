#include "core/cdaudio.h"

#include "controls/mci.h"
#include "platform/errors.h"
#include "core/globals.h"

#include <cmath>
#include <limits>

namespace {

const QString kModule = QStringLiteral("CDAudio");

// Sends a command without a reply.
void send(const QString& command) { mciSendString(command, nullptr, 0); }

// Sends a query into a fresh buffer of `length` NUL characters; returns the whole buffer.
QByteArray query(const QString& command, int length)
{
    QByteArray buf(length, '\0');
    mciSendString(command, buf.data(), length);
    return buf;
}

// The reply: the text before the first NUL.
QString replyText(const QByteArray& buf) { return QString::fromLocal8Bit(buf.constData()); }

bool bufferContains(const QByteArray& buf, const char* word) { return buf.toLower().contains(word); }

double toNumber(const QString& text)
{
    bool ok = false;
    const QString t = text.trimmed();
    const double v = t.isEmpty() ? 0.0 : t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw AppError(Err::TypeMismatch, QStringLiteral("Type mismatch"));
    return std::nearbyint(v); // the default rounding mode rounds halves to even
}

} // namespace

int16_t TextToInt16(const QString& text)
{
    const double v = toNumber(text);
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max())
        throw AppError(Err::Overflow, QStringLiteral("Overflow"));
    return static_cast<int16_t>(v);
}

int32_t TextToInt32(const QString& text)
{
    const double v = toNumber(text);
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        throw AppError(Err::Overflow, QStringLiteral("Overflow"));
    return static_cast<int32_t>(v);
}

void CDAudio::SetFormat_msf() { send(QStringLiteral("set cd time format msf wait")); }

QString CDAudio::GetTrackStart(int32_t tracknum)
{
    SetFormat_msf();
    const QByteArray buf = query(QStringLiteral("status cd position track ") + QString::number(tracknum), 30);
    SetFormat_tmsf();
    return QString::fromLatin1(buf.constData(), buf.size());
}

void CDAudio::StartPlay() { send(QStringLiteral("play cd")); }

void CDAudio::PlayTrack(int16_t track)
{
    Trap trap(kModule, QStringLiteral("PlayTrack"));
    trap([&] {
        if (track == std::numeric_limits<int16_t>::max())
            throw AppError(Err::Overflow, QStringLiteral("Overflow"));
        send(QStringLiteral("play cd from ") + QString::number(track) + QStringLiteral(" to ") +
             QString::number(track + 1));
    });
}

void CDAudio::PlayLastTrack(int16_t track) { send(QStringLiteral("play cd from ") + QString::number(track)); }

void CDAudio::SetTrack(int16_t track)
{
    // The number keeps a sign position: a blank before 0 or more, "-" before a negative.
    const QString number = track >= 0 ? QStringLiteral(" ") + QString::number(track) : QString::number(track);
    send(QStringLiteral("seek cd to ") + number);
}

void CDAudio::StopPlay() { send(QStringLiteral("stop cd wait")); }
void CDAudio::PausePlay() { send(QStringLiteral("pause cd")); }
unsigned CDAudio::EjectCD() { return mciSendString(QStringLiteral("set cd door open"), nullptr, 0); }
void CDAudio::CloseCD() { send(QStringLiteral("set cd door closed")); }
void CDAudio::UnloadAll() { send(QStringLiteral("close all")); }

int16_t CDAudio::SetCDPlayerReady()
{
    const QByteArray buf = query(QStringLiteral("open ") + CDDriveLetter + QStringLiteral(" type cdaudio alias cd wait shareable"), 30);
    return buf.contains('1') ? 0 : 1;
}

void CDAudio::SetFormat_tmsf() { send(QStringLiteral("set cd time format tmsf wait")); }
void CDAudio::SetFormat_milliseconds() { send(QStringLiteral("set cd time format milliseconds")); }

int16_t CDAudio::CheckCD()
{
    const QByteArray buf = query(QStringLiteral("status cd media present"), 30);
    int16_t result = 0;
    if (bufferContains(buf, "true"))
        result = 0;
    if (bufferContains(buf, "false"))
        result = 1;
    return result;
}

int16_t CDAudio::GetNumTracks()
{
    const QByteArray buf = query(QStringLiteral("status cd number of tracks wait"), 30);
    int16_t result = 0;
    try {
        result = TextToInt16(replyText(buf).left(2));
    } catch (const AppError& e) {
        // A reply that is no number (no device, no disc) simply counts no tracks.
        if (e.number != Err::TypeMismatch)
            LogError(kModule, QStringLiteral("GetNumTracks%"), e.number, e.description, e.source);
    }
    return result;
}

QString CDAudio::GetCDLength()
{
    const QByteArray buf = query(QStringLiteral("status cd length wait"), 30);
    return QString::fromLatin1(buf.constData(), buf.size());
}

QString CDAudio::GetTrackLength(int32_t tracknum)
{
    SetFormat_msf();
    const QByteArray buf = query(QStringLiteral("status cd length track ") + QString::number(tracknum), 30);
    SetFormat_tmsf();
    return QString::fromLatin1(buf.constData(), buf.size());
}

void CDAudio::GetCDPosition()
{
    const QByteArray buf = query(QStringLiteral("status cd position"), 30);
    const QString s = QString::fromLatin1(buf.constData(), buf.size());
    QString* fields[] = {&CDPosTrack, &CDPosMin, &CDPosSec, &CDPosFrame};
    for (int i = 0; i < 4; ++i) {
        // Each field on its own; one that does not convert keeps its old value.
        try {
            *fields[i] = QString::number(TextToInt16(s.mid(i * 3, 2)));
        } catch (const AppError&) {
        }
    }
}

int16_t CDAudio::CheckIfPlaying()
{
    const QByteArray buf = query(QStringLiteral("status cd mode"), 30);
    return QString::fromLatin1(buf.constData(), 7).compare(QLatin1String("playing"), Qt::CaseInsensitive) == 0 ? 1 : 0;
}

void CDAudio::SeekCDtoX(int16_t track)
{
    StopPlay();
    SetTrack(track);
    StartPlay();
}

int16_t CDAudio::ReadyDevice()
{
    UnloadAll();
    if (SetCDPlayerReady() == 1)
        return 1;
    SetFormat_tmsf();
    return 0;
}

void CDAudio::skip(int32_t Spd, int sign, const char* procedure)
{
    Trap trap(kModule, QString::fromLatin1(procedure));
    SetFormat_milliseconds();
    const QByteArray buf = query(QStringLiteral("status cd position wait"), 40);
    int32_t p = 0;
    const bool havePosition = trap([&] { p = TextToInt32(replyText(buf)); });
    const bool playing = CheckIfPlaying() == 1;
    if (havePosition) {
        trap([&] {
            const int64_t target = int64_t(p) + sign * int64_t(Spd);
            if (target < std::numeric_limits<int32_t>::min() || target > std::numeric_limits<int32_t>::max())
                throw AppError(Err::Overflow, QStringLiteral("Overflow"));
            send((playing ? QStringLiteral("play cd from ") : QStringLiteral("seek cd to ")) + QString::number(target));
        });
    }
    SetFormat_tmsf();
}

void CDAudio::FastForward(int32_t Spd) { skip(Spd, 1, "FastForward"); }
void CDAudio::ReWind(int32_t Spd) { skip(Spd, -1, "ReWind"); }

QString CDAudio::Mode()
{
    mciSendString(QStringLiteral("status cd mode"), ModeReply, sizeof ModeReply);
    // Every keyword is looked for in the whole buffer, stale characters included; the last found wins.
    const QByteArray buf = QByteArray(ModeReply, sizeof ModeReply).toLower();
    static const struct {
        const char* keyword;
        const char* word;
    } table[] = {{"play", "Play"},   {"stop", "Stop"},   {"open", "Eject"},      {"seek", "Seek"},
                 {"pause", "Pause"}, {"ready", "Ready"}, {"notopen", "NotOpen"}};
    QString result;
    for (const auto& row : table)
        if (buf.contains(row.keyword))
            result = QString::fromLatin1(row.word);
    return result;
}
