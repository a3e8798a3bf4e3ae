#pragma once
// What the Help, Skins and WebSites menus of every window call.
#include <QString>
#include <vector>

class QWidget;

// A music site of the WebSites menu.
struct MusicSite {
    QString caption;
    QString address;
};
// The three "Free MP3s" sites and the two "Find MP3s" services, in menu order.
const std::vector<MusicSite>& FreeMusicSites();
const std::vector<MusicSite>& SearchMusicSites();

void ChromeHelp();            // the help file
void ChromeManual();          // the manual
void ChromeAbout();           // the About box
void ChromeWebsite();         // the program's web site
void ChromeOpenSite(const QString& address); // a music site, in the browser
void ChromeSkinChooser();     // the skin chooser, modal
