#include "library/catalogues.h"

#include "platform/appcontext.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

using RecordFile::AppendField;
using RecordFile::kSep;

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
    QString text;
    bool read = false;
    trap([&] {
        // A file of two bytes or fewer is an empty catalogue (CR LF alone).
        if (file.size() > m_smallestParsedSize) {
            text = RecordFile::DecodeText(file.readAll());
            read = true;
        }
    });
    file.close();
    if (read)
        ParseFileText(text);
    return true;
}

void CatalogueBase::ParseFileText(const QString& text)
{
    startParse();
    const auto pump = [] {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    };
    const RecordFile::ParseResult result = RecordFile::ParseRecords(
        text, m_fieldCount, [this](const QStringList& fields) { addParsed(fields); }, pump);
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
        QString text;
        for (qsizetype i = 0; i < n; ++i) {
            writeRecord(text, i);
            text += kSep;
        }
        text += QStringLiteral("\r\n");
        RecordFile::WriteAtomically(recordPath(), text.toUtf8());
    });
}

// ---- colMp3 ----

colMp3::colMp3() : Catalogue({"colMP3", "colMp3", "OpenFile"}, 7, 2) {}

colMp3::Ptr colMp3::Add(const QString& MP3Title, const QString& artist, const QString& Length,
                        const QString& CDTitle, const QString& Category, const QString& Cover, const QString& Notes,
                        const QString&)
{
    try {
        auto r = std::make_shared<clsMP3>();
        r->setMP3Title(MP3Title);
        r->setArtist(artist);
        r->setLength(Length);
        r->setCDTitle(CDTitle);
        r->setCategory(Category);
        r->setCover(Cover);
        r->setNotes(Notes);
        return append(std::move(r));
    } catch (const std::exception& e) {
        reportAdd(e);
        return nullptr;
    }
}

void colMp3::writeRecord(QString& out, qsizetype index) const
{
    const clsMP3& r = at(index);
    AppendField(out, r.MP3Title());
    AppendField(out, r.artist());
    AppendField(out, r.Length());
    AppendField(out, r.CDTitle());
    AppendField(out, r.Category());
    AppendField(out, r.Cover());
    AppendField(out, r.Notes());
}

void colMp3::addParsed(const QStringList& f)
{
    Add(f[0], f[1], f[2], f[3], f[4], f[5], f[6], QString());
}

// ---- colPlaylist ----

colPlaylist::colPlaylist() : Catalogue({"colPlaylist", "colPlaylist", "OpenFile"}, 7, 2) {}

colPlaylist::Ptr colPlaylist::Add(const QString& PlaylistName, int16_t ItemNumber, const QString& MP3Title,
                                  const QString& artist, const QString& Length, const QString& Cover,
                                  const QString& Notes, const QString&)
{
    try {
        auto r = std::make_shared<clsPlaylist>();
        r->setPlaylistName(PlaylistName);
        r->setItemNumber(ItemNumber);
        r->setMP3Title(MP3Title);
        r->setArtist(artist);
        r->setLength(Length);
        r->setCover(Cover);
        r->setNotes(Notes);
        return append(std::move(r));
    } catch (const std::exception& e) {
        reportAdd(e);
        return nullptr;
    }
}

void colPlaylist::writeRecord(QString& out, qsizetype index) const
{
    const clsPlaylist& r = at(index);
    AppendField(out, r.PlaylistName());
    AppendField(out, QString::number(r.ItemNumber()));
    AppendField(out, r.MP3Title());
    AppendField(out, r.artist());
    AppendField(out, r.Length());
    AppendField(out, r.Cover());
    AppendField(out, r.Notes());
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

void colPlaylist::addParsed(const QStringList& f)
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
    try {
        auto r = std::make_shared<clsCD>();
        r->setCDID(CDID);
        r->setCDTitle(CDTitle);
        r->setArtist(artist);
        r->setTrackTitle(TrackTitle);
        r->setTrackLength(TrackLength);
        r->setCategory(Category);
        r->setNotes(Notes);
        r->setTrackSelected(TrackSelected);
        return append(std::move(r));
    } catch (const std::exception& e) {
        reportAdd(e);
        return nullptr;
    }
}

void colCD::writeRecord(QString& out, qsizetype index) const
{
    const clsCD& r = at(index);
    AppendField(out, r.CDID());
    AppendField(out, r.CDTitle());
    AppendField(out, r.artist());
    AppendField(out, r.TrackTitle());
    AppendField(out, r.TrackLength());
    AppendField(out, r.Category());
    AppendField(out, r.Notes());
    AppendField(out, r.TrackSelected());
}

void colCD::addParsed(const QStringList& f)
{
    Add(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], QString());
}

// ---- colCategory ----

// The category list is parsed whenever its file is not empty.
colCategory::colCategory() : Catalogue({"colCategory", "colCategory", "ParseFileText"}, 2, 0) {}

colCategory::Ptr colCategory::Add(const QString& CategoryNumber, const QString& Category, const QString&)
{
    try {
        auto r = std::make_shared<clsCategory>();
        r->setCategoryNumber(CategoryNumber);
        r->setCategory(Category);
        return append(std::move(r));
    } catch (const std::exception& e) {
        reportAdd(e);
        return nullptr;
    }
}

void colCategory::writeRecord(QString& out, qsizetype index) const
{
    const clsCategory& r = at(index);
    AppendField(out, r.CategoryNumber());
    AppendField(out, r.Category());
}

void colCategory::addParsed(const QStringList& f)
{
    Add(f[0], f[1], QString());
}
