#include "core/launchers.h"

#include <QUrl>

#include "platform/errors.h"
#include "platform/appcontext.h"
#include "platform/forms.h"
#include "platform/prompt.h"
#include "platform/services.h"
#include "controls/uisound.h"

namespace {
// Opens a page with the desktop's program for it; when none could open it, says so.
void openPage(const QUrl& page)
{
    if (DesktopSeam().openUrl(page))
        return;
    const QString where = page.isLocalFile() ? page.toLocalFile() : page.toString();
    MsgBox(QStringLiteral("No Program Could Open The Page\r") + where +
               QStringLiteral("\r\rPlease Install A Web Browser To Read It."),
           Mb::OKOnly | Mb::Exclamation, kAppTitle);
}
} // namespace

void about()
{
    Trap trap(QStringLiteral("modMP3"), QStringLiteral("about"));
    trap([] { Forms::get(FormKind::About).Show(); });
    trap([] { sndPlaySoundA(Ctx().programFile(QStringLiteral("quillory.wav")), Snd::Async | Snd::NoDefault); });
}

void Help()
{
    Trap trap(QStringLiteral("modMP3"), QStringLiteral("Help"));
    trap([] { openPage(QUrl::fromLocalFile(Ctx().programFile(QStringLiteral("Quillory.html")))); });
}

void manual()
{
    Trap trap(QStringLiteral("modMP3"), QStringLiteral("manual"));
    trap([] { openPage(QUrl::fromLocalFile(Ctx().programFile(QStringLiteral("Quillory Manual.html")))); });
}

void GoToWebsite()
{
    Trap trap(QStringLiteral("modMP3"), QStringLiteral("GoToWebsite"));
    int answer = Mb::No;
    trap([&] {
        const QString question = QStringLiteral("This Will Take You To Quillory's Web Site,\r"
                                                "Where You Can Order Quillory, Get The\r"
                                                "Latest Version, Download Free MP3 Songs And New Skins,\r"
                                                "And Get The Latest News On Our Products, Upgrades, etc.\r"
                                                "\r"
                                                "Do You Wish To Go To Quillory's Web Site Now?");
        answer = MsgBox(question, Mb::YesNo | Mb::Information, QStringLiteral("Quillory"));
    });
    if (answer != Mb::Yes)
        return;
    trap([] { openPage(QUrl(kMakerWebPage)); });
}

const std::array<MusicSite, 3>& FreeMp3Sites()
{
    static const std::array<MusicSite, 3> sites{{
        {QStringLiteral("Free Music Archive"), QStringLiteral("https://freemusicarchive.org/")},
        {QStringLiteral("Jamendo Music"), QStringLiteral("https://www.jamendo.com/")},
        {QStringLiteral("Internet Archive Live Music"), QStringLiteral("https://archive.org/details/etree")},
    }};
    return sites;
}

const std::array<MusicSite, 2>& FindMp3Sites()
{
    static const std::array<MusicSite, 2> sites{{
        {QStringLiteral("Internet Archive Audio Search"), QStringLiteral("https://archive.org/details/audio")},
        {QStringLiteral("ccMixter"), QStringLiteral("https://ccmixter.org/")},
    }};
    return sites;
}

void OpenMusicSite(const MusicSite& site) { openPage(QUrl(site.address)); }
