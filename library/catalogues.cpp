#include "library/catalogues.h"

#include "platform/appcontext.h"
#include "platform/files.h"
#include "platform/forms.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>


namespace {
// One text property of a record kind, in file order.
template <class Rec>
struct TextField {
    const QString& (Rec::*get)() const;
    void (Rec::*set)(QString&&, RecordFile::NoSep); // takes over a text without character 4
};

template <class Rec, size_t N>
void setFields(Rec& r, const TextField<Rec> (&fields)[N], std::initializer_list<QString> values)
{
    Q_ASSERT(values.size() == N);
    auto v = values.begin();
    for (const TextField<Rec>& f : fields)
        (r.*f.set)(RecordFile::StripSep(*v++), {});
}

// Moves parsed field texts (which hold no separator) into the record, in file order.
template <class Rec, size_t N>
void takeFields(Rec& r, const TextField<Rec> (&fields)[N], QString* values)
{
    for (const TextField<Rec>& f : fields)
        (r.*f.set)(std::move(*values++), {});
}

template <class Rec, size_t N>
void visitFields(const Rec& r, const TextField<Rec> (&fields)[N], RecordFile::RecordWriter& out)
{
    for (const TextField<Rec>& f : fields)
        out.field((r.*f.get)());
}

const TextField<clsMP3> kMp3Fields[] = {
    {&clsMP3::MP3Title, &clsMP3::setMP3Title}, {&clsMP3::artist, &clsMP3::setArtist},
    {&clsMP3::Length, &clsMP3::setLength},     {&clsMP3::CDTitle, &clsMP3::setCDTitle},
    {&clsMP3::Category, &clsMP3::setCategory}, {&clsMP3::Cover, &clsMP3::setCover},
    {&clsMP3::Notes, &clsMP3::setNotes},
};
// The fields after the playlist name and the item number.
const TextField<clsPlaylist> kPlaylistTail[] = {
    {&clsPlaylist::MP3Title, &clsPlaylist::setMP3Title}, {&clsPlaylist::artist, &clsPlaylist::setArtist},
    {&clsPlaylist::Length, &clsPlaylist::setLength},     {&clsPlaylist::Cover, &clsPlaylist::setCover},
    {&clsPlaylist::Notes, &clsPlaylist::setNotes},
};
const TextField<clsCD> kCdFields[] = {
    {&clsCD::CDID, &clsCD::setCDID},
    {&clsCD::CDTitle, &clsCD::setCDTitle},
    {&clsCD::artist, &clsCD::setArtist},
    {&clsCD::TrackTitle, &clsCD::setTrackTitle},
    {&clsCD::TrackLength, &clsCD::setTrackLength},
    {&clsCD::Category, &clsCD::setCategory},
    {&clsCD::Notes, &clsCD::setNotes},
    {&clsCD::TrackSelected, &clsCD::setTrackSelected},
};
const TextField<clsCategory> kCategoryFields[] = {
    {&clsCategory::CategoryNumber, &clsCategory::setCategoryNumber},
    {&clsCategory::Category, &clsCategory::setCategory},
};
} // namespace

// ---- shared loading and saving ----

QString CatalogueBase::GetAppFolder()
{
    QString folder = Ctx().programFolder();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString CatalogueBase::recordPath() const
{
    return m_fileName.contains(QLatin1Char('/')) ? m_fileName : GetAppFolder() + m_fileName;
}

void CatalogueBase::reportAdd(const std::exception& e) const
{
    if (const auto* app = dynamic_cast<const AppError*>(&e))
        LogError(module(), QStringLiteral("Add"), app->number, app->description, app->source);
    else
        LogError(module(), QStringLiteral("Add"), Err::InvalidCall, QString::fromLocal8Bit(e.what()),
                 QStringLiteral("Quillory"));
}

bool CatalogueBase::OpenFile()
{
    Trap trap(module(), QStringLiteral("OpenFile"));
    const QString path = recordPath();
    QFile file(path);
    const bool opened = trap([&] {
        if (!QFileInfo(path).isFile())
            throw AppError(Err::FileNotFound, QStringLiteral("File not found"));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            // The file holds records this catalogue now lacks.
            m_notWhole = true;
            throw AppError(Err::PathFileAccess, QStringLiteral("Path/File access error"));
        }
    });
    if (!opened)
        return true;
    bool read = false;
    trap([&] {
        // A file of two bytes or fewer is an empty catalogue (CR LF alone).
        if (file.size() > m_smallestParsedSize) {
            if (file.peek(3) == "\xEF\xBB\xBF")
                file.skip(3);
            read = true;
        }
    });
    if (read) {
        // Read piece by piece: a large catalogue is never held whole in memory.
        startParse();
        const RecordFile::ParseResult result = RecordFile::ParseRecordsFrom(
            [&file](char* buffer, qsizetype max) { return RecordFile::ReadFile(file, buffer, max); }, m_fieldCount,
            [this](QString* fields) { addParsed(fields); }, pumpEvents, 1024,
            std::min<qint64>(file.size() + 1, 256 * 1024)); // a small file is read into a buffer of its size
        if (result.readFailed)
            trap([&] { throw readError(result.records); });
        reportDamage(result);
    }
    return true;
}

AppError CatalogueBase::readError(qsizetype records)
{
    // What was read stays in the catalogue, which is never saved over its file from now on.
    m_notWhole = true;
    return AppError(Err::PathFileAccess,
                    QStringLiteral("The file \"%1\" could not be read to its end (only %2 records were read). "
                                   "Changes to it will not be saved, so that the file keeps what it holds.")
                        .arg(recordPath())
                        .arg(records));
}

void CatalogueBase::pumpEvents()
{
    if (QCoreApplication::instance())
        DoEvents();
}

void CatalogueBase::reportDamage(const RecordFile::ParseResult& result) const
{
    if (result.damaged) {
        // What parsed is kept; the rest of the file is reported once.
        LogError(parseModule(), parseProcedure(), Err::InvalidCall,
                 QStringLiteral("Damaged record file \"%1\": the text after record %2 is not a complete record "
                                "and was not read")
                     .arg(recordPath())
                     .arg(result.records),
                 QStringLiteral("Quillory"));
    }
}

bool CatalogueBase::saveRecords() const
{
    Trap trap(module(), QStringLiteral("SaveFile"));
    return trap([&] {
        // Saving a catalogue that lacks some of its file's records would lose them for good.
        if (m_notWhole)
            throw AppError(Err::PathFileAccess,
                           QStringLiteral("The file \"%1\" was not read whole, so it was not saved: it keeps what "
                                          "it held, and the changes made since it was read are lost when Quillory "
                                          "ends. Restart Quillory to read it again.")
                               .arg(recordPath()));
        // Written in pieces through one small buffer: a large catalogue is never held twice.
        RecordFile::WriteAtomically(recordPath(), [this](const AtomicFile::Put& put) {
            RecordFile::RecordWriter out(256 * 1024, put);
            for (qsizetype i = 0, n = Count(); i < n; ++i) {
                visitRecord(i, out);
                out.endRecord();
            }
            out.finish();
        });
    });
}

// ---- colMp3 ----

colMp3::colMp3() : Catalogue({"colMP3", "colMp3", "OpenFile"}, 7, 2) {}

colMp3::Ptr colMp3::Add(const QString& MP3Title, const QString& artist, const QString& Length,
                        const QString& CDTitle, const QString& Category, const QString& Cover, const QString& Notes,
                        const QString&)
{
    return addRecord([&](clsMP3& r) {
        setFields(r, kMp3Fields, {MP3Title, artist, Length, CDTitle, Category, Cover, Notes});
    });
}

void colMp3::visitRecord(qsizetype index, RecordFile::RecordWriter& out) const
{
    // The fields in file order (kMp3Fields), named so that the calls are made directly.
    const clsMP3& r = at(index);
    out.field(r.MP3Title());
    out.field(r.artist());
    out.field(r.Length());
    out.field(r.CDTitle());
    out.field(r.Category());
    out.field(r.Cover());
    out.field(r.Notes());
}

void colMp3::addParsed(QString* f)
{
    addRecord([f](clsMP3& r) {
        r.setMP3Title(std::move(f[0]), {});
        r.setArtist(std::move(f[1]), {});
        r.setLength(std::move(f[2]), {});
        r.setCDTitle(std::move(f[3]), {});
        r.setCategory(std::move(f[4]), {});
        r.setCover(std::move(f[5]), {});
        r.setNotes(std::move(f[6]), {});
    });
}

// ---- SongsByTitle ----

SongsByTitle::SongsByTitle(const colMp3* songs) : m_songs(songs)
{
    if (!songs || songs->Count() == 0)
        return;
    size_t size = 16;
    while (size < 2 * size_t(songs->Count()))
        size *= 2;
    m_slots.resize(size);
    const size_t mask = size - 1;
    // The hashes first, in catalogue order; then each song goes in, the places of the songs a
    // few ahead asked for before they are reached (the table is larger than the caches).
    std::vector<quint64> hashes;
    hashes.reserve(size_t(songs->Count()));
    for (const auto& s : *songs)
        hashes.push_back(caseFoldKeyHash(s->MP3Title()));
    constexpr size_t kAhead = 16;
    quint32 place = 0;
    for (const auto& s : *songs) {
        if (place + kAhead < hashes.size())
            __builtin_prefetch(&m_slots[hashes[place + kAhead] & mask]);
        const quint64 hash = hashes[place++];
        const QString& title = s->MP3Title();
        const quint32 tag = quint32(hash >> 32);
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& slot = m_slots[i];
            if (slot.song == 0) {
                slot = {tag, place};
                break;
            }
            // A title met before keeps its first song.
            if (slot.hash == tag && sameCaseFoldKey(song(slot)->MP3Title(), title))
                break;
        }
    }
}

const clsMP3* SongsByTitle::find(QStringView title) const
{
    if (m_slots.empty())
        return nullptr;
    const size_t mask = m_slots.size() - 1;
    const quint64 hash = caseFoldKeyHash(title);
    const quint32 tag = quint32(hash >> 32);
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = m_slots[i];
        if (slot.song == 0)
            return nullptr;
        if (slot.hash == tag && sameCaseFoldKey(song(slot)->MP3Title(), title))
            return song(slot);
    }
}

// ---- colPlaylist ----

colPlaylist::colPlaylist() : Catalogue({"colPlaylist", "colPlaylist", "OpenFile"}, 7, 2) {}

colPlaylist::Ptr colPlaylist::Add(const QString& PlaylistName, int16_t ItemNumber, const QString& MP3Title,
                                  const QString& artist, const QString& Length, const QString& Cover,
                                  const QString& Notes, const QString&)
{
    return addRecord([&](clsPlaylist& r) {
        r.setPlaylistName(PlaylistName);
        r.setItemNumber(ItemNumber);
        setFields(r, kPlaylistTail, {MP3Title, artist, Length, Cover, Notes});
    });
}

void colPlaylist::visitRecord(qsizetype index, RecordFile::RecordWriter& out) const
{
    const clsPlaylist& r = at(index);
    out.field(r.PlaylistName());
    out.field(QString::number(r.ItemNumber()));
    visitFields(r, kPlaylistTail, out);
}

namespace {
// A 16-bit integer written in decimal, blanks around it allowed.
int16_t toItemNumber(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype digits = 0;
    for (qsizetype i = (t.startsWith(u'-') || t.startsWith(u'+')) ? 1 : 0; i < t.size(); ++i, ++digits)
        if (t[i] < u'0' || t[i] > u'9')
            throw AppError(Err::TypeMismatch, QStringLiteral("Type mismatch"));
    if (digits == 0)
        throw AppError(Err::TypeMismatch, QStringLiteral("Type mismatch"));
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok, 10);
    if (!ok || v < INT16_MIN || v > INT16_MAX)
        throw AppError(Err::Overflow, QStringLiteral("Overflow"));
    return int16_t(v);
}
} // namespace

void colPlaylist::addParsed(QString* f)
{
    // A number that does not convert is reported; the record keeps the previous record's number.
    Trap trap(parseModule(), parseProcedure());
    trap([&] { m_lastItemNumber = toItemNumber(f[1]); });
    addRecord([this, f](clsPlaylist& r) {
        r.setPlaylistName(std::move(f[0]), {});
        r.setItemNumber(m_lastItemNumber);
        takeFields(r, kPlaylistTail, f + 2);
    });
}

// ---- colCD ----

colCD::colCD() : Catalogue({"colCD", "colCD", "ParseFileText"}, 8, 2) {}

colCD::Ptr colCD::Add(const QString& CDID, const QString& CDTitle, const QString& artist, const QString& TrackTitle,
                      const QString& TrackLength, const QString& Category, const QString& Notes,
                      const QString& TrackSelected, const QString&)
{
    return addRecord([&](clsCD& r) {
        setFields(r, kCdFields, {CDID, CDTitle, artist, TrackTitle, TrackLength, Category, Notes, TrackSelected});
    });
}

void colCD::visitRecord(qsizetype index, RecordFile::RecordWriter& out) const { visitFields(at(index), kCdFields, out); }

void colCD::addParsed(QString* f)
{
    addRecord([f](clsCD& r) { takeFields(r, kCdFields, f); });
}

// ---- colCategory ----

// The category list is parsed whenever its file is not empty.
colCategory::colCategory() : Catalogue({"colCategory", "colCategory", "ParseFileText"}, 2, 0) {}

colCategory::Ptr colCategory::Add(const QString& CategoryNumber, const QString& Category, const QString&)
{
    return addRecord([&](clsCategory& r) { setFields(r, kCategoryFields, {CategoryNumber, Category}); });
}

void colCategory::visitRecord(qsizetype index, RecordFile::RecordWriter& out) const
{
    visitFields(at(index), kCategoryFields, out);
}

void colCategory::addParsed(QString* f)
{
    addRecord([f](clsCategory& r) { takeFields(r, kCategoryFields, f); });
}
