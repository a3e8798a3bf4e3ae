#include "shell/chromeactions.h"

#include <QUrl>

#include "platform/appcontext.h"
#include "platform/forms.h"
#include "platform/services.h"

const std::vector<MusicSite>& FreeMusicSites()
{
    static const std::vector<MusicSite> sites = {
        {QStringLiteral("Free Music Archive"), QStringLiteral("https://freemusicarchive.org/")},
        {QStringLiteral("Jamendo"), QStringLiteral("https://www.jamendo.com/")},
        {QStringLiteral("Internet Archive Audio"), QStringLiteral("https://archive.org/details/audio")},
    };
    return sites;
}

const std::vector<MusicSite>& SearchMusicSites()
{
    static const std::vector<MusicSite> sites = {
        {QStringLiteral("Search Free Music Archive"), QStringLiteral("https://freemusicarchive.org/search")},
        {QStringLiteral("Search Internet Archive Audio"),
         QStringLiteral("https://archive.org/search?query=mediatype%3Aaudio")},
    };
    return sites;
}

namespace {
void openProgramFile(const QString& name) { DesktopSeam().openUrl(QUrl::fromLocalFile(Ctx().programFile(name))); }
} // namespace

void ChromeHelp() { openProgramFile(QStringLiteral("Quillory.html")); }
void ChromeManual() { openProgramFile(QStringLiteral("Quillory Manual.html")); }
void ChromeWebsite() { DesktopSeam().openUrl(QUrl(QStringLiteral("https://www.quillory.example/"))); }
void ChromeOpenSite(const QString& address) { DesktopSeam().openUrl(QUrl(address)); }

void ChromeAbout()
{
    // The About box shows itself when it is loaded; until then there is nothing to show.
    if (Form* f = Forms::findByName(QStringLiteral("frmAbout")))
        f->Show();
}

void ChromeSkinChooser()
{
    if (Form* f = Forms::findByName(QStringLiteral("frmSkinDir")))
        f->Show(true);
}
