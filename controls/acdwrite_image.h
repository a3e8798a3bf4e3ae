#pragma once
// A writer that burns to a disc image instead of a drive: NAME.bin (raw CD audio,
// 2352-byte sectors of 16-bit little-endian stereo at 44,100 Hz, tracks back to back)
// and NAME.cue (one FILE line, then TRACK nn AUDIO / INDEX 01 mm:ss:ff per track),
// which the CD reading layer opens like a disc. Reaches the writer list only through
// test injection; the NAME.cue path must also be one of CdDrives' injected images so
// that every drive list shows it in the same place.
#include <QString>
#include <vector>

#include "controls/acdwrite_types.h"

struct ImageWriterSetup {
    QString cuePath;          // the writer's device: NAME.cue; NAME.bin is written beside it
    QString name;             // display name; empty = the drive enumerator's name
    int driver = 1;           // driver number it reports
    qint64 capacitySectors = kCdR80Sectors;
    // Pace: false = as fast as possible; true = real time at the burn speed (75 sectors
    // a second at 1x), measured on the clock seam.
    bool realTime = false;
    // Failures to act out.
    enum Fault { NoFault, NoDisc, DiscNotBlank, WriteErrorAt } fault = NoFault;
    qint64 errorSector = -1;  // WriteErrorAt: the first sector (from 0) that fails
};

namespace ImageWriters {
// Test injection: the image writers. An empty list removes them.
void setInjected(const std::vector<ImageWriterSetup>& specs);
std::vector<ImageWriterSetup> injected();
} // namespace ImageWriters

class ImageCdWriter : public CdWriter {
public:
    ImageCdWriter(ImageWriterSetup layout, QString name);
    QString device() const override { return m_setup.cuePath; }
    QString name() const override { return m_name; }
    int driver() const override { return m_setup.driver; }
    int checkDisc() override;
    qint64 capacitySectors() const override { return m_setup.capacitySectors; }
    BurnOutcome write(const BurnJob& job, BurnReporter& report) override;

    QString binPath() const;

private:
    ImageWriterSetup m_setup;
    QString m_name;
};

// The cue sheet text for tracks of these sector counts stored back to back in binName.
QString cueSheetText(const QString& binName, const std::vector<qint64>& trackSectors);
