#include "core/mp3tags.h"

#include "controls/mp3play.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "core/mp3listing.h"
#include "library/catalogues.h"
#include "platform/controls.h"

#include <cmath>

namespace {

const QString kModule = QStringLiteral("modMP3");

[[noreturn]] void typeMismatch() { throw AppError(Err::TypeMismatch, QStringLiteral("Type mismatch")); }
[[noreturn]] void overflow() { throw AppError(Err::Overflow, QStringLiteral("Overflow")); }
[[noreturn]] void invalidCall()
{
    throw AppError(Err::InvalidCall, QStringLiteral("Invalid procedure call or argument"));
}

// A text read as a 16-bit whole number: blanks around it allowed, nothing else.
int16_t wholeNumber(const QString& s)
{
    const QString t = s.trimmed();
    if (t.isEmpty())
        typeMismatch();
    for (qsizetype i = 0; i < t.size(); ++i)
        if (!t[i].isDigit() && !(i == 0 && (t[i] == '-' || t[i] == '+')))
            typeMismatch();
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    if (!ok || v < -32768 || v > 32767)
        overflow();
    return static_cast<int16_t>(v);
}

int16_t toInt16(qint64 v)
{
    if (v < -32768 || v > 32767)
        overflow();
    return static_cast<int16_t>(v);
}

} // namespace

Mp3Play& MainMp3Play()
{
    static Mp3Play control;
    return control;
}

QString GetGenreNumber(const QString& genre)
{
    QString result = QStringLiteral("80");
    Trap trap(kModule, QStringLiteral("GetGenreNumber"));
    trap([&] {
        if (!Categories)
            return;
        for (int i = 1; i <= Categories->Count(); ++i) {
            const auto c = Categories->Item(i);
            if (c->Category().compare(genre, Qt::CaseInsensitive) == 0) {
                result = c->CategoryNumber();
                return;
            }
        }
    });
    return result;
}

void MP3WriteTag(const QString& file, const QString& title, const QString& artist, const QString& album,
                 const QString& comment, const QString& genre, const TagErrorReport& report)
{
    const QString proc = QStringLiteral("MP3WriteTag");
    Trap logged(kModule, proc);
    const auto trap = [&](const std::function<void()>& step) {
        if (!report) {
            logged(step);
            return;
        }
        RunStep(step, [&](int number, const QString& description, const QString&) { report(number, description); });
    };
    Mp3Play& c = MainMp3Play();
    int16_t opened = -1;
    trap([&] { opened = c.Open(file, QString()); });
    trap([&] { c.Close(); });
    // The tag goes into this file only: when it cannot be opened nothing is written.
    if (opened != 0) {
        const QString why = QStringLiteral("Cannot open ") + file + QStringLiteral(" to write its tag");
        if (report)
            report(Err::FileNotFound, why);
        else
            LogError(kModule, proc, Err::FileNotFound, why, kModule);
        return;
    }
    trap([&] { c.SetTagTitle(title); });
    trap([&] { c.SetTagArtist(artist); });
    trap([&] { c.SetTagAlbum(album); });
    trap([&] { c.SetTagComment(comment); });
    trap([&] {
        bool ok = false;
        const double d = genre.trimmed().toDouble(&ok);
        if (!ok)
            typeMismatch();
        const double n = std::nearbyint(d); // halves to the even neighbour
        if (n < 0 || n > 255)
            overflow();
        c.SetTagGenre(static_cast<uint8_t>(n));
    });
    trap([&] { c.WriteTag(); });
    Mp3ListCache::instance().forget(file);
}

qint64 PlayTimeByBitRate(int32_t bitRate, int32_t lengthMs, qint64 audioBytes)
{
    const qint64 L = lengthMs;
    if (bitRate != 48000 && bitRate != 64000)
        return L / 1000;
    const qint64 f = bitRate == 48000 ? 48 : 64;
    const qint64 est = (L * f) / 8000; // thousands of bytes the audio should take
    const qint64 actual = audioBytes / 1000;
    if (est - 10 < actual && actual < est + 10)
        return L / 1000;
    return bitRate == 48000 ? L / 2300 : est / 18;
}

namespace {

// What the play-time rules ask of an open file.
struct PlayTimeInputs {
    bool hasTag = false;
    QString comment;
    int32_t bitRate = 0;
    int32_t lengthMs = 0;
    qint64 audioBytes = 0;
};

// Steps of GetMP3PlayTime on an open file: the "[Time=" note of the tag comment, else the
// length with the bit-rate rule.
int16_t playTimeOf(const PlayTimeInputs& in, Trap& trap)
{
    int16_t result = 0;
    if (in.hasTag) {
        const QString& cm = in.comment;
        const qsizetype p = cm.indexOf(QStringLiteral("[Time="), 0, Qt::CaseInsensitive);
        const qsizetype q = p < 0 ? -1 : cm.indexOf(QLatin1Char(']'), p + 6);
        if (q >= 0) {
            const QString t = cm.mid(p + 6, q - p - 6);
            const qsizetype k = t.indexOf(QLatin1Char(':'));
            int16_t minutes = 0, seconds = 0;
            trap([&] {
                if (k < 0)
                    invalidCall();
                minutes = wholeNumber(t.left(k));
            });
            // Without ":" the seconds are the first two characters.
            trap([&] { seconds = wholeNumber(t.mid(k + 1, 2)); });
            trap([&] { result = toInt16(qint64(minutes) * 60 + seconds); });
            return result;
        }
    }
    trap([&] { result = toInt16(PlayTimeByBitRate(in.bitRate, in.lengthMs, in.audioBytes)); });
    return result;
}

int16_t playTimeOfOpen(const Mp3Play& c, Trap& trap)
{
    return playTimeOf({c.HasTag(), c.TagComment(), c.BitRate(), c.LengthMs(), c.AudioBytes()}, trap);
}

} // namespace

int16_t GetMP3PlayTime(const QString& file)
{
    Trap trap(kModule, QStringLiteral("GetMP3PlayTime"));
    Mp3Play& c = MainMp3Play();
    int16_t result = 0;
    int16_t r = -1;
    trap([&] { r = c.Open(file, QString()); });
    if (r == 0)
        result = playTimeOfOpen(c, trap);
    trap([&] { c.Close(); });
    return result;
}

Mp3ListEntry Mp3ListEntryOf(const Mp3ListFacts& f)
{
    Mp3ListEntry e;
    e.opened = f.opened;
    if (!e.opened)
        return e;
    Trap trap(kModule, QStringLiteral("GetMP3PlayTime"));
    e.seconds = playTimeOf({f.hasTag, f.timeNote, f.bitRate, f.lengthMs, f.audioBytes}, trap);
    if (f.hasTag) {
        e.artist = f.artist;
        e.album = f.album;
        // The few genre names are made once and shared by every row.
        static QString names[256];
        static bool made[256] = {};
        const auto g = size_t(uint8_t(f.genre));
        if (!made[g]) {
            names[g] = Mp3GenreName(f.genre);
            made[g] = true;
        }
        e.genre = names[g];
    }
    return e;
}

QString fncGetPlayTime(const ListView& listView)
{
    Trap trap(kModule, QStringLiteral("fncGetPlayTime"));
    qint64 total = 0;
    for (int i = 0; i < listView.topLevelItemCount(); ++i) {
        const QString t = listView.topLevelItem(i)->text(2);
        if (t.isEmpty())
            continue;
        // A malformed row is logged and counts 0.
        trap([&] {
            if (t.size() < 3)
                invalidCall();
            const int16_t seconds = wholeNumber(t.right(2));
            const int16_t minutes = wholeNumber(t.left(t.size() - 3));
            total += toInt16(qint64(minutes) * 60 + seconds);
        });
    }
    return MinutesSeconds(total);
}

QString MinutesSeconds(qint64 seconds)
{
    return QString::number(seconds / 60) + QLatin1Char(':') + QStringLiteral("%1").arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
