#include "core/windowrefresh.h"

#include "core/globals.h"
#include "core/windowlinks.h"
#include "platform/errors.h"
#include "platform/forms.h"

namespace {
const QString kModule = QStringLiteral("modMP3");

Form* findCaption(const char* caption) { return Forms::findByCaption(QString::fromLatin1(caption)); }

// Unloads the window of kind k (found as h) and creates it again with the same window state;
// shows it again only when it was visible.
void refreshWindow(Trap& trap, FormKind k, Form* h)
{
    bool visible = false;
    int state = WinState::Normal;
    trap([&] { visible = h->isVisible(); });
    trap([&] { state = Forms::windowState(k); });
    if (k == FormKind::Play)
        trap([] { runLink(Links().mp3Stop); });
    Refreshing = 1;
    trap([k] { Forms::unload(k); });
    Refreshing = 0;
    trap([&] { Forms::setWindowState(k, state); });
    if (visible)
        trap([k] { Forms::get(k).Show(); });
}
} // namespace

void RefreshMP3()
{
    Trap trap(kModule, QStringLiteral("RefreshMP3"));
    Refreshing = 1;
    Form* a = findCaption("The MP3 Player");
    Form* b = findCaption("The MP3 Player (Shuffle Play)");
    if (a)
        refreshWindow(trap, FormKind::Play, a);
    if (b)
        refreshWindow(trap, FormKind::Play, b);
    if (Form* h = findCaption("Playlists"))
        refreshWindow(trap, FormKind::Songs, h);
    if (Form* h = findCaption("Convert WAV To MP3"))
        refreshWindow(trap, FormKind::WAVToMP3, h);
    if (Form* h = findCaption("Convert MP3 To WAV"))
        refreshWindow(trap, FormKind::MP3ToWAV, h);
    if (Form* h = findCaption("Burn MP3 Or WAV Files To An Audio CD"))
        refreshWindow(trap, FormKind::Burner, h);
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
        close([] { Forms::unload(FormKind::Play); });
    if (songs)
        close([] { Forms::unload(FormKind::Songs); });
    if (burner)
        close([] { Forms::unload(FormKind::Burner); });
    if (cd)
        close([] { Forms::unload(FormKind::CD); });
}

void GetLastForm()
{
    Trap trap(kModule, QStringLiteral("GetLastForm"));
    trap([] {
        Form* f = Forms::foreground();
        LastWindow = f ? f->windowId() : 0;
    });
}
