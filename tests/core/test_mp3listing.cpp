#include "tonefixture.h"

#include "core/busylisting.h"
#include "core/mp3listing.h"
#include "core/mp3tags.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <mutex>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

using namespace testaudio;

namespace {

class Mp3ListingTest : public ToneMp3Fixture {
protected:
    void SetUp() override
    {
        ToneMp3Fixture::SetUp();
        // Every read of a file is counted, then done for real.
        setMp3FactsReader([this](const QString& path) {
            {
                const std::lock_guard lock(m_mutex);
                ++m_reads[path];
            }
            return ReadMp3FileFacts(path);
        });
    }
    int reads(const QString& path)
    {
        const std::lock_guard lock(m_mutex);
        return m_reads.value(path);
    }
    QString copy(const QString& name)
    {
        const QString path = homeDir() + name;
        QFile::copy(song, path);
        return path;
    }
    static void tag(const QString& path, const QString& artist, const QString& comment = {})
    {
        TagLib::MPEG::File f(QFile::encodeName(path).constData());
        f.ID3v2Tag(true)->setArtist(TagLib::String(artist.toStdString(), TagLib::String::UTF8));
        f.ID3v2Tag(true)->setComment(TagLib::String(comment.toStdString(), TagLib::String::UTF8));
        f.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3);
    }
    static void setModified(const QString& path, const QDateTime& when)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    }

private:
    std::mutex m_mutex;
    QHash<QString, int> m_reads;
};

// A file is read once; it is read again when its size or modification time changed, or its
// tag was written here; a file that is not there is never read.
TEST_F(Mp3ListingTest, AFileIsReadOnceAndAgainOnlyWhenItChanged)
{
    Mp3ListCache& cache = Mp3ListCache::instance();
    const QString a = copy(QStringLiteral("a.mp3"));
    tag(a, QStringLiteral("Ann"));
    EXPECT_EQ(cache.facts(a).artist, QStringLiteral("Ann"));
    EXPECT_EQ(cache.facts(a).artist, QStringLiteral("Ann"));
    EXPECT_EQ(reads(a), 1);

    // Changed by another program: a longer artist makes no longer file (the tag has room).
    const qint64 size = QFileInfo(a).size();
    tag(a, QStringLiteral("Bea Longer"));
    setModified(a, QDateTime::currentDateTime().addSecs(5));
    EXPECT_EQ(QFileInfo(a).size(), size);
    EXPECT_EQ(cache.facts(a).artist, QStringLiteral("Bea Longer"));
    EXPECT_EQ(reads(a), 2);

    // Same time, other size.
    const QDateTime when = QFileInfo(a).lastModified();
    {
        QFile f(a);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(QByteArray(417, '\0'));
    }
    setModified(a, when);
    EXPECT_NE(cache.facts(a).audioBytes, 0);
    EXPECT_EQ(reads(a), 3);

    // A tag written by the program, even when size and time come out the same.
    MP3WriteTag(a, QStringLiteral("A"), QStringLiteral("Cal"), QString(), QString(), QStringLiteral("17"));
    setModified(a, when);
    EXPECT_EQ(cache.facts(a).artist, QStringLiteral("Cal"));
    EXPECT_EQ(reads(a), 4);
    const qint64 tagged = QFileInfo(a).size();
    MP3WriteTag(a, QStringLiteral("A"), QStringLiteral("Dan"), QString(), QString(), QStringLiteral("17"));
    setModified(a, when);
    EXPECT_EQ(QFileInfo(a).size(), tagged);
    EXPECT_EQ(cache.facts(a).artist, QStringLiteral("Dan"));
    EXPECT_EQ(cache.facts(a).artist, QStringLiteral("Dan"));
    EXPECT_EQ(reads(a), 5);

    const QString missing = homeDir() + QStringLiteral("missing.mp3");
    EXPECT_FALSE(cache.facts(missing).opened);
    EXPECT_FALSE(cache.facts(QString()).opened);
    EXPECT_EQ(reads(missing), 0);
}

// The same names read on one thread and on several give the same facts in the same order.
TEST_F(Mp3ListingTest, ReadingOnSeveralThreadsGivesWhatOneThreadGives)
{
    QStringList names;
    for (int i = 0; i < 24; ++i) {
        const QString name = QStringLiteral("song %1").arg(i);
        const QString path = copy(name + QStringLiteral(".mp3"));
        switch (i % 6) {
        case 0: tag(path, QStringLiteral("Artist %1").arg(i)); break;
        case 1: tag(path, QStringLiteral("Timed %1").arg(i), QStringLiteral("[Time=%1:07]").arg(i)); break;
        case 2: writeAll(path, QByteArray(300 + i, 'z')); break; // no MPEG audio
        case 3: QFile::remove(path); break;
        default: break; // the tone as it is
        }
        names << name;
    }
    names << QString(); // a name without a file
    const auto listing = [&](int threads) {
        Mp3ListCache::instance().clear();
        BusyListing busy;
        Mp3ListReader reader(
            names, [this](const QString& n) { return n.isEmpty() ? QString() : homeDir() + n + QStringLiteral(".mp3"); },
            threads);
        QStringList rows;
        for (qsizetype i = 0; i < reader.size(); ++i) {
            const Mp3ListEntry e = Mp3ListEntryOf(reader.take(i, busy));
            rows << QStringLiteral("%1|%2|%3|%4|%5|%6")
                        .arg(names[i])
                        .arg(e.opened)
                        .arg(e.seconds)
                        .arg(e.artist, e.album, e.genre);
        }
        return rows;
    };
    const QStringList one = listing(1);
    EXPECT_EQ(listing(4), one);
    EXPECT_EQ(one[0], QStringLiteral("song 0|1|5|Artist 0||"));
    EXPECT_EQ(one[1], QStringLiteral("song 1|1|67|Timed 1||"));
    EXPECT_EQ(one[2], QStringLiteral("song 2|0|0|||"));
    EXPECT_EQ(one[3], QStringLiteral("song 3|0|0|||"));
    EXPECT_EQ(one[4], QStringLiteral("song 4|1|5|||"));
    EXPECT_EQ(one.back(), QStringLiteral("|0|0|||"));
}

} // namespace
