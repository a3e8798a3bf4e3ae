#pragma once
// The music library's catalogues: ordered, 1-based lists of records held in memory, each
// loaded from and saved to one ".mpd" record file.
//
//   auto lib = std::make_unique<colMp3>();
//   lib->setFileName(Ctx().programFile("MP3.mpd"));
//   lib->OpenFile();
//   for (int i = 1; i <= lib->Count(); ++i)
//       if (lib->Item(i)->MP3Title().compare(title, Qt::CaseInsensitive) == 0) ...
//   for (const auto& song : *lib) ...          // the same records, in order
//   lib->Add(title, artist, "3:25", album, "Rock", "", "");
//   lib->SaveFile();
//
// Item gives the stored record itself (a shared reference): changing its properties changes
// the catalogue, and the next SaveFile writes the change. Item and Remove throw
// AppError 9 for a position outside 1..Count; the caller's trap reports it.
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/errors.h"
#include "library/records.h"

// What every catalogue shares: its record file, loading and saving.
class CatalogueBase {
public:
    virtual ~CatalogueBase() = default;
    CatalogueBase(const CatalogueBase&) = delete;
    CatalogueBase& operator=(const CatalogueBase&) = delete;

    // The record file's path as set; a name without "/" lies in the program folder.
    const QString& FileName() const { return m_fileName; }
    void setFileName(const QString& value) { m_fileName = value; }

    virtual int Count() const = 0;

    // Reads the record file and appends its records to those already held. A missing or
    // unreadable file is reported; a damaged tail is reported once and the records before
    // it are kept. Always returns true. When a file that exists could not be opened or read
    // to its end, the failure is reported, the records read are kept, and SaveFile refuses
    // (reported) from then on, so the file keeps the records the catalogue lacks.
    bool OpenFile();

protected:
    // The names a collection reports its failures under.
    struct Names {
        const char* module;         // Add, OpenFile, SaveFile
        const char* parseModule;    // ParseFileText
        const char* parseProcedure;
    };
    CatalogueBase(Names names, int fieldCount, qint64 smallestParsedSize)
        : m_names(names), m_fieldCount(fieldCount), m_smallestParsedSize(smallestParsedSize)
    {
    }

    // Writes every record to the record file in one atomic step; reports a failure and
    // leaves the old file as it was. Returns true when the file was written.
    bool saveRecords() const;
    // Writes the fields of record `index` (0-based) to out, in file order.
    virtual void visitRecord(qsizetype index, RecordFile::RecordWriter& out) const = 0;
    // Adds one parsed record (fieldCount fields in file order).
    virtual void addParsed(QString* fields) = 0;
    // Called before a file's records are parsed.
    virtual void startParse() {}

    // The error of a read that failed after records read; marks the catalogue as not whole.
    AppError readError(qsizetype records);
    // Reports a damaged tail once.
    void reportDamage(const RecordFile::ParseResult& result) const;
    // Lets window events run while a large file loads.
    static void pumpEvents();
    // The program folder, ending in "/".
    static QString GetAppFolder();
    // The record file by the path rule.
    QString recordPath() const;

    void reportAdd(const std::exception& e) const;
    QString module() const { return QString::fromLatin1(m_names.module); }
    QString parseModule() const { return QString::fromLatin1(m_names.parseModule); }
    QString parseProcedure() const { return QString::fromLatin1(m_names.parseProcedure); }

private:
    QString m_fileName;
    Names m_names;
    int m_fieldCount;
    qint64 m_smallestParsedSize;
    bool m_notWhole = false;
};

// The list of records every collection holds.
template <class Rec>
class Catalogue : public CatalogueBase {
public:
    using Record = Rec;
    using Ptr = std::shared_ptr<Rec>;

    // The record at a 1-based position: the stored record itself.
    Ptr Item(qsizetype vntIndexKey) const
    {
        check(vntIndexKey);
        return m_items[size_t(vntIndexKey - 1)];
    }
    int Count() const override { return int(m_items.size()); }
    // Removes the record at a 1-based position; the records after it move down one place.
    void Remove(qsizetype vntIndexKey)
    {
        check(vntIndexKey);
        m_items.erase(m_items.begin() + (vntIndexKey - 1));
    }
    // The records in order, as a list of their own (safe to walk while the catalogue changes).
    std::vector<Ptr> NewEnum() const { return m_items; }
    // Range-for over the records themselves.
    auto begin() const { return m_items.cbegin(); }
    auto end() const { return m_items.cend(); }

protected:
    using CatalogueBase::CatalogueBase;
    // Makes a record, lets fill set its properties and appends it. A failure is reported
    // (module, "Add") and gives nullptr.
    template <class Fill>
    Ptr addRecord(Fill&& fill)
    {
        try {
            auto r = std::make_shared<Rec>();
            fill(*r);
            m_items.push_back(r);
            return r;
        } catch (const std::exception& e) {
            reportAdd(e);
            return nullptr;
        }
    }
    void clearAll() { m_items.clear(); }
    const Rec& at(qsizetype index) const { return *m_items[size_t(index)]; }

private:
    void check(qsizetype i) const
    {
        if (i < 1 || i > qsizetype(m_items.size()))
            throw AppError(Err::Subscript, QStringLiteral("Subscript out of range"));
    }
    std::vector<Ptr> m_items;
};

// The song catalogue ("MP3.mpd").
class colMp3 : public Catalogue<clsMP3> {
public:
    colMp3();
    Ptr Add(const QString& MP3Title, const QString& artist, const QString& Length, const QString& CDTitle,
            const QString& Category, const QString& Cover, const QString& Notes, const QString& sKey = QString());
    void SaveFile() { saveRecords(); }

protected:
    void visitRecord(qsizetype index, RecordFile::RecordWriter& out) const override;
    void addParsed(QString* f) override;
};

// The songs of a catalogue by title, letter case ignored; of several songs with one title,
// the first in catalogue order. Built once for a listing, so that finding a song does not
// walk the catalogue; the catalogue must not change while it is in use. The titles are not
// copied: the table holds each song's place and the hash of its title's case-fold key.
class SongsByTitle {
public:
    explicit SongsByTitle(const colMp3* songs);
    // The first song whose title equals title ignoring case; nullptr when there is none.
    const clsMP3* find(QStringView title) const;

private:
    struct Slot {
        quint32 hash = 0;
        quint32 song = 0; // 1 + its place in the catalogue; 0: free
    };
    const clsMP3* song(const Slot& slot) const { return (m_songs->begin() + (slot.song - 1))->get(); }
    const colMp3* m_songs = nullptr;
    std::vector<Slot> m_slots; // open addressing, a power of two in size, at most half full
};

// A playlist store ("playlist.mpd") or the recent list ("recent.mpd").
class colPlaylist : public Catalogue<clsPlaylist> {
public:
    colPlaylist();
    Ptr Add(const QString& PlaylistName, int16_t ItemNumber, const QString& MP3Title, const QString& artist,
            const QString& Length, const QString& Cover, const QString& Notes, const QString& sKey = QString());
    void SaveFile() { saveRecords(); }
    // Removes every record.
    void Clear() { clearAll(); }

protected:
    void visitRecord(qsizetype index, RecordFile::RecordWriter& out) const override;
    void addParsed(QString* f) override;
    void startParse() override { m_lastItemNumber = 0; }

private:
    int16_t m_lastItemNumber = 0;
};

// The CD catalogue ("cd.mpd").
class colCD : public Catalogue<clsCD> {
public:
    colCD();
    Ptr Add(const QString& CDID, const QString& CDTitle, const QString& artist, const QString& TrackTitle,
            const QString& TrackLength, const QString& Category, const QString& Notes, const QString& TrackSelected,
            const QString& sKey = QString());
    void SaveFile() { saveRecords(); }

protected:
    void visitRecord(qsizetype index, RecordFile::RecordWriter& out) const override;
    void addParsed(QString* f) override;
};

// The category list ("category.mpd"): shipped with the program and only read.
class colCategory : public Catalogue<clsCategory> {
public:
    colCategory();
    Ptr Add(const QString& CategoryNumber, const QString& Category, const QString& sKey = QString());

protected:
    void visitRecord(qsizetype index, RecordFile::RecordWriter& out) const override;
    void addParsed(QString* f) override;
};
