#include "core/windowrefresh.h"

#include "burner/frmburner.h"
#include "cd/frmcd.h"
#include "convert/frmmp3towav.h"
#include "convert/frmwavtomp3.h"
#include "core/errors.h"
#include "core/globals.h"
#include "platform/forms.h"
#include "player/frmplay.h"
#include "songs/frmsongs.h"

namespace {
const QString kModule = QStringLiteral("modMP3");

Form* findCaption(const char* caption) { return Forms::findByCaption(QString::fromLatin1(caption)); }

// Unloads window T (found as h) and creates it again with the same window state; shows it
// again only when it was visible.
template <class T> void refreshWindow(Trap& trap, Form* h)
{
    bool visible = false;
    int state = WinState::Normal;
    trap([&] { visible = h->isVisible(); });
    trap([&] { state = Forms::windowState<T>(); });
    if constexpr (std::is_same_v<T, frmPlay>)
        trap([] { Forms::get<frmPlay>().Mp3Stop(); });
    Refreshing = 1;
    trap([] { Forms::unload<T>(); });
    Refreshing = 0;
    trap([&] { Forms::setWindowState<T>(state); });
    if (visible)
        trap([] { Forms::get<T>().Show(); });
}
} // namespace

void RefreshMP3()
{
    Trap trap(kModule, QStringLiteral("RefreshMP3"));
    Refreshing = 1;
    Form* a = findCaption("The MP3 Player");
    Form* b = findCaption("The MP3 Player (Shuffle Play)");
    if (a)
        refreshWindow<frmPlay>(trap, a);
    if (b)
        refreshWindow<frmPlay>(trap, b);
    if (Form* h = findCaption("Playlists"))
        refreshWindow<frmSongs>(trap, h);
    if (Form* h = findCaption("Convert WAV To MP3"))
        refreshWindow<frmWAVToMP3>(trap, h);
    if (Form* h = findCaption("Convert MP3 To WAV"))
        refreshWindow<frmMP3ToWAV>(trap, h);
    if (Form* h = findCaption("Burn MP3 Or WAV Files To An Audio CD"))
        refreshWindow<frmBurner>(trap, h);
    Refreshing = 0;
}

void CloseFeatureWindows()
{
    // Unloading a window in the middle of a rip or encode would leave the encoder running
    // with nobody to finish it, and the program could no longer exit.
    if (ConversionRunning == 1)
        return;
    const bool player = findCaption("The MP3 Player") || findCaption("The MP3 Player (Shuffle Play)");
    const bool songs = findCaption("Playlists");
    const bool burner = findCaption("Burn MP3 Or WAV Files To An Audio CD");
    const bool cd = findCaption("The CD Player / MP3 Encoder") ||
                    findCaption("CD Player / MP3 Encoder - Encoding in Progress") ||
                    findCaption("The CD Player / MP3 Encoder (Play Selected Tracks Only)") ||
                    findCaption("CD Player (Sel Tracks Only)");
    auto close = [](auto unload) {
        SwitchingWindow = 1;
        unload();
        SwitchingWindow = 0;
    };
    if (player)
        close([] { Forms::unload<frmPlay>(); });
    if (songs)
        close([] { Forms::unload<frmSongs>(); });
    if (burner)
        close([] { Forms::unload<frmBurner>(); });
    if (cd)
        close([] { Forms::unload<frmCD>(); });
}

void GetLastForm()
{
    Trap trap(kModule, QStringLiteral("GetLastForm"));
    trap([] {
        Form* f = Forms::foreground();
        LastWindow = f ? f->windowId() : 0;
    });
}
