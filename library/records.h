#pragma once
// The four record kinds of the music library. Each property is stored as given, except
// that the character 4 (the record files' separator) is dropped from texts.
#include <QString>
#include <cstdint>
#include <utility>

#include "library/recordfile.h"

#define QUILLORY_TEXT_PROPERTY(Name, Setter)                                                                 \
public:                                                                                                      \
    const QString& Name() const { return m_##Name; }                                                         \
    void Setter(const QString& value) { m_##Name = RecordFile::StripSep(value); }                            \
    void Setter(QString&& value, RecordFile::NoSep) { m_##Name = std::move(value); }                         \
                                                                                                             \
private:                                                                                                     \
    QString m_##Name;

// A text property of a record that may hold its bytes as read: the texts are decoded on first use.
#define QUILLORY_DECODED_TEXT_PROPERTY(Name, Setter)                                                         \
public:                                                                                                      \
    const QString& Name() const                                                                              \
    {                                                                                                        \
        decode();                                                                                            \
        return m_##Name;                                                                                     \
    }                                                                                                        \
    void Setter(const QString& value)                                                                        \
    {                                                                                                        \
        decode();                                                                                            \
        m_##Name = RecordFile::StripSep(value);                                                              \
    }                                                                                                        \
    void Setter(QString&& value, RecordFile::NoSep)                                                          \
    {                                                                                                        \
        decode();                                                                                            \
        m_##Name = std::move(value);                                                                         \
    }                                                                                                        \
                                                                                                             \
private:                                                                                                     \
    mutable QString m_##Name;

// One song of the song catalogue. A song read from the catalogue file keeps its bytes as read
// until a text of it is used or changed, so a large catalogue loads and saves quickly. Reading
// a text may therefore decode the song (with the texts shared among the songs read with it):
// songs are used from the window thread only.
class clsMP3 {
    QUILLORY_DECODED_TEXT_PROPERTY(MP3Title, setMP3Title)
    QUILLORY_DECODED_TEXT_PROPERTY(artist, setArtist)
    QUILLORY_DECODED_TEXT_PROPERTY(Length, setLength)
    QUILLORY_DECODED_TEXT_PROPERTY(CDTitle, setCDTitle)
    QUILLORY_DECODED_TEXT_PROPERTY(Category, setCategory)
    QUILLORY_DECODED_TEXT_PROPERTY(Cover, setCover)
    QUILLORY_DECODED_TEXT_PROPERTY(Notes, setNotes)
public:
    static constexpr int kFieldCount = 7;
    // Takes the song's bytes as read from the catalogue file in place of its texts.
    void setRaw(RecordFile::RawRecord raw) { m_raw = std::move(raw); }
    // The bytes as read while no text has been used or changed; empty after.
    const RecordFile::RawRecord& raw() const { return m_raw; }

private:
    void decode() const
    {
        if (m_raw) [[unlikely]]
            decodeRaw();
    }
    void decodeRaw() const;
    mutable RecordFile::RawRecord m_raw;
};

// One song of a named playlist (the recent list uses the same kind).
class clsPlaylist {
    QUILLORY_TEXT_PROPERTY(PlaylistName, setPlaylistName)
public:
    int16_t ItemNumber() const { return m_ItemNumber; }
    void setItemNumber(int16_t value) { m_ItemNumber = value; }

private:
    int16_t m_ItemNumber = 0;
    QUILLORY_TEXT_PROPERTY(MP3Title, setMP3Title)
    QUILLORY_TEXT_PROPERTY(artist, setArtist)
    QUILLORY_TEXT_PROPERTY(Length, setLength)
    QUILLORY_TEXT_PROPERTY(Cover, setCover)
    QUILLORY_TEXT_PROPERTY(Notes, setNotes)
};

// One track of a known audio CD.
class clsCD {
    QUILLORY_TEXT_PROPERTY(CDID, setCDID)
    QUILLORY_TEXT_PROPERTY(CDTitle, setCDTitle)
    QUILLORY_TEXT_PROPERTY(artist, setArtist)
    QUILLORY_TEXT_PROPERTY(TrackTitle, setTrackTitle)
    QUILLORY_TEXT_PROPERTY(TrackLength, setTrackLength)
    QUILLORY_TEXT_PROPERTY(Category, setCategory)
    QUILLORY_TEXT_PROPERTY(Notes, setNotes)
    QUILLORY_TEXT_PROPERTY(TrackSelected, setTrackSelected)
};

// One entry of the read-only category list.
class clsCategory {
    QUILLORY_TEXT_PROPERTY(CategoryNumber, setCategoryNumber)
    QUILLORY_TEXT_PROPERTY(Category, setCategory)
};

#undef QUILLORY_TEXT_PROPERTY
#undef QUILLORY_DECODED_TEXT_PROPERTY
