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

// One song of the song catalogue.
class clsMP3 {
    QUILLORY_TEXT_PROPERTY(MP3Title, setMP3Title)
    QUILLORY_TEXT_PROPERTY(artist, setArtist)
    QUILLORY_TEXT_PROPERTY(Length, setLength)
    QUILLORY_TEXT_PROPERTY(CDTitle, setCDTitle)
    QUILLORY_TEXT_PROPERTY(Category, setCategory)
    QUILLORY_TEXT_PROPERTY(Cover, setCover)
    QUILLORY_TEXT_PROPERTY(Notes, setNotes)
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
