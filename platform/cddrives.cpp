#include "platform/cddrives.h"

#include <cdio/cdio.h>
#include <cdio/device.h>

#include <QFileInfo>
#include <mutex>

namespace {
std::mutex g_mutex;
std::vector<QString> g_images;
std::vector<CdDriveInfo> g_standIns;
bool g_hideReal = false;
bool g_driverMissing = false;

void initCdio()
{
    static std::once_flag once;
    std::call_once(once, [] { cdio_init(); });
}
} // namespace

bool CdDrives::driverAvailable()
{
    {
        std::lock_guard lk(g_mutex);
        if (g_driverMissing)
            return false;
    }
    initCdio();
    return cdio_have_driver(DRIVER_LINUX);
}

std::vector<CdDriveInfo> CdDrives::list()
{
    std::vector<CdDriveInfo> out;
    bool hide;
    std::vector<QString> images;
    std::vector<CdDriveInfo> standIns;
    {
        std::lock_guard lk(g_mutex);
        hide = g_hideReal;
        images = g_images;
        standIns = g_standIns;
    }
    if (!hide && driverAvailable()) {
        char** devices = cdio_get_devices(DRIVER_LINUX);
        for (char** d = devices; d && *d; ++d) {
            CdDriveInfo info;
            info.device = QString::fromLocal8Bit(*d);
            if (CdIo_t* cdio = cdio_open(*d, DRIVER_LINUX)) {
                cdio_hwinfo_t hw{};
                if (cdio_get_hwinfo(cdio, &hw)) {
                    info.vendor = QString::fromLatin1(hw.psz_vendor).trimmed();
                    info.model = QString::fromLatin1(hw.psz_model).trimmed();
                    info.revision = QString::fromLatin1(hw.psz_revision).trimmed();
                }
                cdio_destroy(cdio);
            }
            out.push_back(info);
        }
        cdio_free_device_list(devices);
    }
    for (CdDriveInfo d : standIns) {
        d.isImage = false;
        out.push_back(d);
    }
    for (const QString& img : images) {
        CdDriveInfo info;
        info.device = img;
        info.model = QFileInfo(img).completeBaseName();
        info.isImage = true;
        out.push_back(info);
    }
    return out;
}

void CdDrives::setInjectedImages(const std::vector<QString>& cuePaths)
{
    std::lock_guard lk(g_mutex);
    g_images = cuePaths;
}

void CdDrives::setInjectedDrives(const std::vector<CdDriveInfo>& drives)
{
    std::lock_guard lk(g_mutex);
    g_standIns = drives;
}

void CdDrives::setHideRealDrives(bool hide)
{
    std::lock_guard lk(g_mutex);
    g_hideReal = hide;
}

void CdDrives::setDriverMissing(bool missing)
{
    std::lock_guard lk(g_mutex);
    g_driverMissing = missing;
}
