#pragma once
// The About, Help, Manual and web-site entries of every window's menus.
#include <QString>
#include <array>

// Each opener says so in a box when no program could open its page.

// The maker's web page, opened by GoToWebsite.
inline const QString kMakerWebPage = QStringLiteral("https://www.quillory.example/");

// Shows the About box and plays "quillory.wav".
void about();
// Opens the help file "Quillory.html" of the program folder.
void Help();
// Opens the user manual "Quillory Manual.html" of the program folder.
void manual();
// Asks, then opens the maker's web page.
void GoToWebsite();

// The outside music sites of the WebSites menus: three sites that offer MP3 songs for free,
// legal download ("Free MP3s") and two places to search for them ("Find MP3s").
struct MusicSite {
    QString caption;
    QString address;
};
const std::array<MusicSite, 3>& FreeMp3Sites();
const std::array<MusicSite, 2>& FindMp3Sites();
// Opens a site's page in the browser.
void OpenMusicSite(const MusicSite& site);
