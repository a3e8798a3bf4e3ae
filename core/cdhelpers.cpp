#include "core/cdhelpers.h"

#include "platform/errors.h"
#include "core/globals.h"
#include "controls/mci.h"
#include "core/settings.h"
#include "platform/cddrives.h"
#include "platform/prompt.h"

#include <QFileInfo>
#include <QStorageInfo>
#include <optional>
#include <cdio/cdio.h>
// after cdio.h, which defines the types it uses
#include <cdio/cd_types.h>

namespace {
const QString kModule = QStringLiteral("modMP3");

// The label of the disc in a CD drive or image (possibly blank); nullopt when there is
// no disc, the disc is blank or its label cannot be read.
std::optional<QString> discLabel(const QString& device)
{
    if (!QFileInfo::exists(device))
        return std::nullopt;
    CdIo_t* cdio = cdio_open(QFile::encodeName(device).constData(), DRIVER_UNKNOWN);
    if (!cdio)
        return {};
    std::optional<QString> label;
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first != CDIO_INVALID_TRACK && count != CDIO_INVALID_TRACK && count > 0) {
        if (cdio_get_track_format(cdio, first) == TRACK_FORMAT_AUDIO) {
            label = QStringLiteral("Audio CD");
        } else {
            cdio_iso_analysis_t iso{};
            const cdio_fs_anal_t fs = cdio_guess_cd_type(cdio, 0, first, &iso);
            switch (CDIO_FSTYPE(fs)) {
            case CDIO_FS_ISO_9660:
            case CDIO_FS_ISO_HFS:
            case CDIO_FS_ISO_9660_INTERACTIVE:
            case CDIO_FS_ISO_UDF:
            case CDIO_FS_HIGH_SIERRA:
                // The volume identifier is padded with blanks.
                iso.iso_label[sizeof iso.iso_label - 1] = '\0';
                label = QString::fromLatin1(iso.iso_label).trimmed();
                break;
            default: break;
            }
        }
    }
    cdio_destroy(cdio);
    return label;
}
} // namespace

void DetectCDDrives(const int16_t& mode)
{
    Trap trap(kModule, QStringLiteral("DetectCDDrives"));
    std::vector<CdDriveInfo> drives;
    trap([&] { drives = CdDrives::list(); });
    QStringList listed;
    int i = 0;
    bool found = false;
    for (const CdDriveInfo& d : drives) {
        found = true;
        if (mode == 1)
            listed << d.device;
        if (mode == 0)
            trap([&] {
                if (getdriveletterno() == i)
                    CDDriveLetter = d.device;
            });
        ++i;
    }
    if (mode == 1)
        trap([&] {
            // An index past the last drive selects none.
            const int index = getdriveletterno();
            emit SettingsRead::instance().drives(listed, index < listed.size() ? index : -1);
        });
    if (!found)
        trap([] {
            MsgBox(QStringLiteral("No CD-ROM drives were detected on your system.") + CdAccessNote(),
                   Mb::OKOnly | Mb::NoIcon);
        });
}

QString GetVolumeLabel(const QString& path)
{
    QString label;
    Trap trap(kModule, QStringLiteral("GetVolumeLabel"));
    trap([&] {
        if (path.isEmpty())
            return;
        std::optional<QString> read;
        if (QFileInfo(path).isDir()) {
            // A mounted drive's root: the file system's own label.
            const QStorageInfo info(path);
            if (info.isValid() && info.isReady())
                read = info.name();
        } else {
            read = discLabel(path);
        }
        if (read)
            label = read->trimmed().isEmpty() ? QStringLiteral("(no label)") : *read;
    });
    return label;
}

int16_t CheckCDMedia(const QString& drive)
{
    int16_t result = 0;
    Trap trap(kModule, QStringLiteral("CheckCDMedia"));
    trap([&] {
        if (drive.isEmpty())
            return;
        const QString label = GetVolumeLabel(drive);
        if (label.isEmpty() || label.compare(QStringLiteral("(no label)"), Qt::CaseInsensitive) == 0 ||
            label.compare(QStringLiteral("-empty-"), Qt::CaseInsensitive) == 0)
            return;
        MsgBox(QStringLiteral("You Have An Audio CD Or A Used CD-R In Your CD Writer.\n"
                              "Please Insert A New Blank CD-R In Your CD Writer And Try Again."),
               Mb::OKOnly | Mb::NoIcon, kAppTitle);
        result = 1;
    });
    return result;
}

bool EjectCDNumber(const QString& drive)
{
    Trap trap(kModule, QStringLiteral("EjectCDNumber"));
    bool opened = false;
    // No reply is read; the one device error looked at is a disc in use.
    trap([&] {
        if (drive.isEmpty())
            return;
        mciSendString(QStringLiteral("open ") + drive + QStringLiteral(" type cdaudio alias cdeject wait shareable"),
                      nullptr, 0);
        const unsigned rc = mciSendString(QStringLiteral("set cdeject door open"), nullptr, 0);
        mciSendString(QStringLiteral("close cdeject"), nullptr, 0);
        ReportDiscInUse(rc);
        opened = rc == 0;
    });
    return opened;
}

bool ReportDiscInUse(unsigned mciResult)
{
    if (mciResult != MciErr::DeviceLocked)
        return false;
    MsgBox(QStringLiteral("The disc is in use and cannot be ejected. The desktop or another program holds it: eject "
                          "it from the file manager, or close the programs and windows that use its files, then "
                          "try again."),
           Mb::OKOnly | Mb::Exclamation, kAppTitle);
    return true;
}

QString CdAccessNote()
{
    const QStringList denied = DriveIo().deniedDevices();
    if (denied.isEmpty())
        return {};
    QStringList groups;
    for (const QString& d : denied) {
        const QString g = DriveIo().deviceGroup(d);
        if (!g.isEmpty() && !groups.contains(g))
            groups << g;
    }
    if (groups.isEmpty())
        groups << QStringLiteral("cdrom");
    return QStringLiteral("\nYou do not have permission to use ") + denied.join(QStringLiteral(", ")) +
           QStringLiteral(". Ask the administrator to add your user to the ") + groups.join(QStringLiteral(", ")) +
           (groups.size() > 1 ? QStringLiteral(" groups") : QStringLiteral(" group")) +
           QStringLiteral(", then log in again.");
}
