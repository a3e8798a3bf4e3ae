// The player's transport, the choice of the next song at the end of play, the status
// line, shuffle play and the cover of the current song.
#include <QDir>
#include <QPixmap>
#include <QSlider>
#include <cmath>

#include "controls/mp3play.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "core/windowlinks.h"
#include "platform/appcontext.h"
#include "platform/files.h"
#include "platform/forms.h"
#include "platform/prompt.h"
#include "player/frmplay.h"
#include "player/playerinternal.h"

using namespace playerinternal;

namespace {
// Runs a step whose failure is skipped without a report.
template <class F> void quietly(F&& step)
{
    try {
        step();
    } catch (const std::exception&) {
    }
}

// Stops a playing disc through the CD window's Stop. Only a loaded CD window can be playing
// one: a window that is not loaded is not created (and its start-up messages shown) to stop nothing.
void stopCdPlayer()
{
    CDPlayState = QStringLiteral("Stop");
    runLink(Links().stopCdPlayer);
}
} // namespace

int frmPlay::volume() const
{
    const int v = Slider1->value() * 10;
    if (v < -32768 || v > 32767)
        throw AppError(Err::Overflow, QStringLiteral("Overflow"));
    return v;
}

void frmPlay::playCurrent(const QString& procedure, bool withVolume)
{
    int16_t opened = 0;
    quietly([&] { opened = Mp3Play1->Open(SongFile(Text2->text()), QString()); });
    if (opened != 0) {
        skipUnplayable(opened, procedure);
        return;
    }
    if (withVolume)
        quietly([this] {
            const auto v = static_cast<int16_t>(volume());
            Mp3Play1->SetVolume(v, v);
        });
    quietly([this] { Mp3Play1->Play(); });
}

void frmPlay::skipUnplayable(int16_t result, const QString& procedure)
{
    const QString title = Text2->text();
    // Play on an empty list names no song: nothing to report, nothing to go on to.
    if (title.isEmpty())
        return;
    const QString file = QDir::toNativeSeparators(SongFile(title));
    const bool unreadable = result == 1;
    const QString why = unreadable ? QStringLiteral("The file %1 is missing or cannot be read.")
                                   : QStringLiteral("The file %1 holds no MP3 audio.");
    Text3->setText(QStringLiteral("Could not play ") + title);
    WriteErrorLog(kModule, procedure, unreadable ? Err::PathFileAccess : Err::InvalidFileFormat,
                     QStringLiteral("Could not play \"%1\": ").arg(title) + why.arg(file), QStringLiteral("Mp3Play"));
    MsgBox(QStringLiteral("Could not play \"%1\".\n\n").arg(title) + why.arg(file) +
               QStringLiteral("\n\nThe play list goes on with the next song."),
           Mb::OKOnly | Mb::Exclamation, QStringLiteral("The MP3 Player"));
    if (Forms::gone(this))
        return;
    // Goes on as when a song ends; a Stop meanwhile is respected there.
    QMetaObject::invokeMethod(this, [this] { Mp3Play1_ThreadEnded(); }, Qt::QueuedConnection);
}

void frmPlay::picPlay_Click()
{
    // Failures are skipped without a report.
    if (CDPlayState.compare(QLatin1String("Play"), Qt::CaseInsensitive) == 0)
        quietly([] { stopCdPlayer(); });
    StoppedOnPurpose = 0;
    PlaySelectedNext = 0;
    PlayerStarted = 1;
    quietly([this] { picPause->setBorderStyle(0); });
    if (Check1->isChecked()) {
        bool empty = true;
        quietly([&] { empty = shuffleplay(); });
        if (empty)
            return;
    } else if (Text2->text().isEmpty()) {
        quietly([this] { selectRow(ListView1, 1); });
        quietly([this] { Text2->setText(row(ListView1, 1)->text(0)); });
    }
    playCurrent(QStringLiteral("picPlay_Click"), false);
}

void frmPlay::picStop_Click()
{
    Trap trap(kModule, QStringLiteral("picStop_Click"));
    StoppedOnPurpose = 1;
    trap([this] { Mp3Play1->Stop(); });
    trap([this] { picPause->setBorderStyle(0); });
}

void frmPlay::picPause_Click()
{
    Trap trap(kModule, QStringLiteral("picPause_Click"));
    trap([this] { picPause->setBorderStyle(picPause->borderStyle() == 0 ? 1 : 0); });
    trap([this] { Mp3Play1->Pause(); });
}

void frmPlay::picNext_Click()
{
    Trap trap(kModule, QStringLiteral("picNext_Click"));
    const int n = ListView1->topLevelItemCount();
    if (n > 0 && selectedIndex(ListView1) != n) {
        NextPressed = 1;
        trap([this] { Mp3Play1->Stop(); });
        trap([this] { picPause->setBorderStyle(0); });
    }
}

void frmPlay::picPrev_Click()
{
    if (selectedIndex(ListView1) != 1) {
        PreviousPressed = 1;
        quietly([this] { Mp3Play1->Stop(); });
        quietly([this] { picPause->setBorderStyle(0); });
    }
}

void frmPlay::ListView1_Click()
{
    Trap trap(kModule, QStringLiteral("ListView1_Click"));
    if (ListView1->topLevelItemCount() == 0)
        return;
    PlaySelectedNext = 1;
    trap([this] { Text2->setText(selected(ListView1)->text(0)); });
    trap([this] { Mp3Play1->Stop(); });
}

void frmPlay::Slider1_Click()
{
    Trap trap(kModule, QStringLiteral("Slider1_Click"));
    trap([this] {
        const auto v = static_cast<int16_t>(volume());
        Mp3Play1->SetVolume(v, v);
    });
}

void frmPlay::startRow(int k, int16_t& flag)
{
    quietly([&] { selectRow(ListView1, k); });
    quietly([this] { ListView1->scrollToItem(selected(ListView1)); });
    quietly([this] { Text2->setText(selected(ListView1)->text(0)); });
    flag = 0;
    playCurrent(QStringLiteral("Mp3Play1_ThreadEnded"), true);
}

void frmPlay::Mp3Play1_ThreadEnded()
{
    // Failures are skipped without a report; a list without a selected row plays nothing more.
    const bool shuffle = Check1->isChecked();
    const bool onPurpose = StoppedOnPurpose == 1;
    const int i = selectedIndex(ListView1);
    const int n = ListView1->topLevelItemCount();
    if (shuffle && onPurpose) {
        quietly([this] { reloadshuffle(); });
        return;
    }
    if (onPurpose)
        return;
    if (PlaySelectedNext == 1) {
        if (i >= 1) {
            startRow(i, PlaySelectedNext);
        } else {
            // No row is selected (the playing row was removed): the player stops here, and
            // the title of a song that is no longer listed is not opened again.
            PlaySelectedNext = 0;
            Text2->setText(QString());
            Text3->setText(QString());
        }
        return;
    }
    if (PreviousPressed == 1) {
        if (i > 1)
            startRow(i - 1, PreviousPressed);
        return;
    }
    if (!shuffle || NextPressed == 1) {
        if (i >= 1 && i < n)
            startRow(i + 1, NextPressed);
        return;
    }
    bool empty = true;
    quietly([&] { empty = shuffleplay(); });
    if (empty)
        return;
    playCurrent(QStringLiteral("Mp3Play1_ThreadEnded"), false);
}

QString frmPlay::StatusLine(const QString& title, const QString& artist, const QString& total, double secs)
{
    const qsizetype lt = title.size();
    const qsizetype la = artist.size();
    const qsizetype bt = la < 11 ? 30 - la : 20;
    const qsizetype ba = lt < 21 ? 30 - lt : 10;
    const QString shownTitle = lt <= bt ? title : title.left(bt - 2) + QStringLiteral("...");
    const QString shownArtist = la <= ba ? artist : artist.left(9) + QStringLiteral("...");
    const auto minutes = static_cast<long long>(std::floor(secs / 60));
    // Rounded to the nearest second, halves to the even neighbour.
    const auto seconds = static_cast<long long>(std::nearbyint(secs)) % 60;
    return shownTitle + QStringLiteral("   ") + shownArtist + QStringLiteral("   ") + QString::number(minutes) +
           QLatin1Char(':') + (seconds < 10 ? QStringLiteral("0") : QString()) + QString::number(seconds) +
           QLatin1Char('/') + total;
}

void frmPlay::Mp3Play1_ActFrame(int32_t frame)
{
    Trap trap(kModule, QStringLiteral("Mp3Play1_ActFrame"));
    const double secs = double(Mp3Play1->MsPerFrame()) * frame / 1000.0;
    QString artist, total;
    trap([&] {
        const ListItem* it = selected(ListView1);
        artist = it->text(1);
        total = it->text(2);
    });
    trap([&] { Text3->setText(StatusLine(Text2->text(), artist, total, secs)); });
}

// ---- shuffle play ----

bool frmPlay::shuffleplay()
{
    Trap trap(kModule, QStringLiteral("shuffleplay"));
    const int n = ListView5->topLevelItemCount();
    if (n == 0) {
        trap([this] { reloadshuffle(); });
        return true;
    }
    int k = static_cast<int>(n * random() + 1);
    k = std::clamp(k, 1, n);
    QString title, artist;
    trap([&] {
        title = ListView5->topLevelItem(k - 1)->text(0);
        artist = ListView5->topLevelItem(k - 1)->text(1);
    });
    trap([&] {
        const int rows = ListView1->topLevelItemCount();
        for (int r = 1; r <= rows; ++r) {
            const ListItem* it = ListView1->topLevelItem(r - 1);
            if (sameText(it->text(0), title) && sameText(it->text(1), artist)) {
                selectRow(ListView1, r);
                ListView1->scrollToItem(selected(ListView1));
                break;
            }
        }
    });
    trap([this] { Text2->setText(selected(ListView1)->text(0)); });
    trap([&] { delete ListView5->takeTopLevelItem(k - 1); });
    return false;
}

void frmPlay::reloadshuffle()
{
    Trap trap(kModule, QStringLiteral("reloadshuffle"));
    trap([this] {
        ListView5->clear();
        for (int r = 0; r < ListView1->topLevelItemCount(); ++r) {
            const ListItem* it = ListView1->topLevelItem(r);
            ListView5->addTopLevelItem(new ListItem({it->text(0), it->text(1), it->text(2)}));
        }
    });
}

void frmPlay::removefromshuffle()
{
    Trap trap(kModule, QStringLiteral("removefromshuffle"));
    trap([this] {
        const ListItem* sel = selected(ListView1);
        for (int r = 0; r < ListView5->topLevelItemCount(); ++r) {
            const ListItem* it = ListView5->topLevelItem(r);
            if (sameText(it->text(0), sel->text(0)) && sameText(it->text(1), sel->text(1))) {
                delete ListView5->takeTopLevelItem(r);
                break;
            }
        }
    });
}

void frmPlay::Check1_Click()
{
    Trap trap(kModule, QStringLiteral("Check1_Click"));
    if (!Check1->isChecked()) {
        trap([this] { reloadshuffle(); });
        trap([this] { setCaption(QStringLiteral("The MP3 Player")); });
    }
    if (Check1->isChecked())
        trap([this] { setCaption(QStringLiteral("The MP3 Player (Shuffle Play)")); });
}

// ---- cover of the current song ----

namespace {
void loadPicture(QLabel* img, const QString& path)
{
    QPixmap pm;
    if (!pm.load(path))
        throw AppError(481, QStringLiteral("Invalid picture"));
    img->setPixmap(pm);
}
} // namespace

void frmPlay::Text2_Change()
{
    Trap trap(kModule, QStringLiteral("Text2_Change"));
    const QString t = Text2->text();
    if (t.isEmpty())
        return;
    QString cover;
    trap([&] {
        if (!SongLibrary)
            return;
        const int n = SongLibrary->Count();
        for (int i = 1; i <= n; ++i)
            if (sameText(SongLibrary->Item(i)->MP3Title(), t)) {
                cover = SongLibrary->Item(i)->Cover();
                break;
            }
    });
    if (!cover.isEmpty() && OrdinaryFileExists(DefaultMusicFolder, cover)) {
        trap([&] { loadPicture(imgCover, findIgnoringCase(DefaultMusicFolder, cover)); });
        return;
    }
    const QString folder = Ctx().programFolder();
    if (OrdinaryFileExists(folder, QStringLiteral("SysImage.bmp")))
        trap([&] { loadPicture(imgCover, findIgnoringCase(folder, QStringLiteral("SysImage.bmp"))); });
    else
        imgCover->setPixmap(QPixmap());
}
