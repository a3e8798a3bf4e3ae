#include "library/catalogues.h"

#include "platform/appcontext.h"
#include "platform/files.h"
#include "platform/forms.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>


namespace {
// One text property of a record kind, in file order.
template <class Rec>
struct TextField {
    const QString& (Rec::*get)() const;
    void (Rec::*set)(const QString&);
};

template <class Rec, size_t N>
void setFields(Rec& r, const TextField<Rec> (&fields)[N], std::initializer_list<QString> values)
{
    Q_ASSERT(values.size() == N);
    auto v = values.begin();
    for (const TextField<Rec>& f : fields)
        (r.*f.set)(*v++);
}

template <class Rec, size_t N>
void visitFields(const Rec& r, const TextField<Rec> (&fields)[N], const std::function<void(QStringView)>& put)
{
    for (const TextField<Rec>& f : fields)
        put((r.*f.get)());
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
        if (!file.open(QIODevice::ReadOnly))
            throw AppError(Err::PathFileAccess, QStringLiteral("Path/File access error"));
    });
    if (!opened)
        return true;
    QByteArray text;
    bool read = false;
    trap([&] {
        // A file of two bytes or fewer is an empty catalogue (CR LF alone).
        if (file.size() > m_smallestParsedSize) {
            text = RecordFile::Utf8Text(file.readAll());
            read = true;
        }
    });
    file.close();
    if (read)
        ParseFileText(text);
    return true;
}

void CatalogueBase::ParseFileText(const QByteArray& text)
{
    startParse();
    const auto pump = [] {
        if (QCoreApplication::instance())
            DoEvents();
    };
    const RecordFile::ParseResult result = RecordFile::ParseRecords(
        text, m_fieldCount, [this](QString* fields) { addParsed(fields); }, pump);
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
        const qsizetype n = Count();
        // One pass for the size of the file, one to write it.
        qsizetype bound = n;
        const FieldVisitor measure = [&bound](QStringView v) { bound += RecordFile::RecordWriter::Bound(v); };
        for (qsizetype i = 0; i < n; ++i)
            visitRecord(i, measure);
        RecordFile::RecordWriter out(bound);
        const FieldVisitor write = [&out](QStringView v) { out.field(v); };
        for (qsizetype i = 0; i < n; ++i) {
            visitRecord(i, write);
            out.endRecord();
        }
        RecordFile::WriteAtomically(recordPath(), out.finish());
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

void colMp3::visitRecord(qsizetype index, const FieldVisitor& put) const { visitFields(at(index), kMp3Fields, put); }

void colMp3::addParsed(QString* f)
{
    Add(f[0], f[1], f[2], f[3], f[4], f[5], f[6], QString());
}

// ---- SongsByTitle ----

SongsByTitle::SongsByTitle(const colMp3* songs)
{
    if (!songs)
        return;
    m_first.reserve(songs->Count());
    // Walked from the end, so that the first song of a title is the one kept.
    for (auto it = songs->end(); it != songs->begin();) {
        const clsMP3* song = (--it)->get();
        m_first.insert(caseFoldKey(song->MP3Title()), song);
    }
}

const clsMP3* SongsByTitle::find(const QString& title) const { return m_first.value(caseFoldKey(title), nullptr); }

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

void colPlaylist::visitRecord(qsizetype index, const FieldVisitor& put) const
{
    const clsPlaylist& r = at(index);
    put(r.PlaylistName());
    put(QString::number(r.ItemNumber()));
    visitFields(r, kPlaylistTail, put);
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
    Add(f[0], m_lastItemNumber, f[2], f[3], f[4], f[5], f[6], QString());
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

void colCD::visitRecord(qsizetype index, const FieldVisitor& put) const { visitFields(at(index), kCdFields, put); }

void colCD::addParsed(QString* f)
{
    Add(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], QString());
}

// ---- colCategory ----

// The category list is parsed whenever its file is not empty.
colCategory::colCategory() : Catalogue({"colCategory", "colCategory", "ParseFileText"}, 2, 0) {}

colCategory::Ptr colCategory::Add(const QString& CategoryNumber, const QString& Category, const QString&)
{
    return addRecord([&](clsCategory& r) { setFields(r, kCategoryFields, {CategoryNumber, Category}); });
}

void colCategory::visitRecord(qsizetype index, const FieldVisitor& put) const
{
    visitFields(at(index), kCategoryFields, put);
}

void colCategory::addParsed(QString* f)
{
    Add(f[0], f[1], QString());
}
