#pragma once
// The disc id of an audio CD (the CDDB1 rule: digit-sum checksum of the track starts
// in seconds, playing time in seconds, track count) and the CDDB query arguments,
// computed from the table of contents the CD-audio device reports. The CD window and
// the burner's disc check use this one computation, so a disc gets the same id in both.
#include <QString>
#include <cstdint>
#include <vector>

class CDAudio;

// A position on the disc: 75 frames a second, 4,500 a minute.
struct TocEntry {
    int32_t Min = 0;
    int32_t Sec = 0;
    int32_t Frame = 0;
};

// text with "0"s put in front up to width characters; a longer text is left whole.
QString LeftZeroPad(const QString& text, int16_t width);

// The disc-id members of a window that owns a CDAudio object.
class CdDiscId {
public:
    // module: the module name under which failed steps are logged.
    explicit CdDiscId(CDAudio& cd, QString module = QStringLiteral("frmCD"));

    // Asks the device afresh, rebuilds TrackCount, TrackToc and DiscSeconds, returns the id.
    QString GetCDID();
    // GetCDID into cdidb, then "id count offset1 ... offsetN seconds".
    QString GetQueryString();

    int16_t TrackCount = 0;
    std::vector<TocEntry> TrackToc; // 0 unused, 1..TrackCount starts, TrackCount + 1 lead-out
    int32_t DiscSeconds = 0;
    QString cdidb;

private:
    TocEntry& toc(int index);
    CDAudio& m_cd;
    QString m_module;
};
