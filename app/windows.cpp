#include "app/windows.h"

#include <QProgressBar>

#include "burner/frmburner.h"
#include "cd/frmcd.h"
#include "controls/mp3play.h"
#include "convert/frmconvertchoice.h"
#include "convert/frmmp3towav.h"
#include "convert/frmprogmp3towav.h"
#include "convert/frmwavtomp3.h"
#include "core/windowlinks.h"
#include "jobs/mp3towavjob.h"
#include "platform/controls.h"
#include "platform/forms.h"
#include "player/frmplay.h"
#include "shell/frmabout.h"
#include "shell/frmmain.h"
#include "shell/frmoptions.h"
#include "shell/frmskindir.h"
#include "songs/frmsongs.h"

void RegisterWindows()
{
    Forms::registerKind<frmMain>(FormKind::Main);
    Forms::registerKind<frmOptions>(FormKind::Options);
    Forms::registerKind<frmAbout>(FormKind::About);
    Forms::registerKind<frmSkinDir>(FormKind::SkinDir);
    Forms::registerKind<frmPlay>(FormKind::Play);
    Forms::registerKind<frmSongs>(FormKind::Songs);
    Forms::registerKind<frmCD>(FormKind::CD);
    Forms::registerKind<frmConvertChoice>(FormKind::ConvertChoice);
    Forms::registerKind<frmWAVToMP3>(FormKind::WAVToMP3);
    Forms::registerKind<frmMP3ToWAV>(FormKind::MP3ToWAV);
    Forms::registerKind<frmProgMP3ToWAV>(FormKind::ProgMP3ToWAV);
    Forms::registerKind<frmBurner>(FormKind::Burner);

    // The burner's preparation is shown by the MP3-to-WAV progress window.
    BurnPreparationView& prep = frmBurner::PreparationView();
    prep.watch = [](Mp3ToWavJob& job) { Forms::get<frmProgMP3ToWAV>().watch(job); };
    prep.fileStarted = [](const QString& caption) {
        frmProgMP3ToWAV& p = Forms::get<frmProgMP3ToWAV>();
        p.setCaption(caption);
        p.RipProgress->setValue(0);
        p.nCompleted->setText(QStringLiteral("%"));
    };

    WindowLinks& links = Links();
    links.stopMp3ForCd = [] {
        if (frmPlay* p = Forms::find<frmPlay>()) {
            p->Mp3Play1->Stop();
            p->picPause->setBorderStyle(0);
        }
    };
    links.mp3Stop = [] { Forms::get<frmPlay>().Mp3Stop(); };
    links.stopCdPlayer = [] {
        if (frmCD* cd = Forms::find<frmCD>())
            cd->picStop_Click();
    };
    links.cdOutputMode = [](int mode) {
        if (frmCD* cd = Forms::find<frmCD>()) {
            cd->lblConfig->setText(frmCD::OutputModeText(mode));
            if (mode == 2)
                turnoffEncOptions();
            else
                turnonencoptions();
        }
    };
    links.cdEncoderSelection = [](const QString& selection) {
        if (frmCD* cd = Forms::find<frmCD>()) {
            cd->Label27->setText(QStringLiteral("Encoder Selection:"));
            cd->Label28->setText(selection);
        }
    };
    links.wavEncoderSelection = [](const QString& selection) {
        if (frmWAVToMP3* w = Forms::find<frmWAVToMP3>()) {
            w->Label21->setText(QStringLiteral("Encoder Selection:"));
            w->Label23->setText(selection);
        }
    };
    links.showSettings = [](int tab) {
        frmOptions& dlg = Forms::get<frmOptions>();
        dlg.Show();
        dlg.SSTab1->setCurrentIndex(tab);
    };
    links.showEditedSong = [](const QStringList& texts) {
        frmSongs* songs = Forms::find<frmSongs>();
        ListItem* row = songs ? songs->ListView2->currentItem() : nullptr;
        if (!row)
            return;
        for (int i = 0; i < 5; ++i)
            row->setText(i, texts.value(i));
    };
    links.chosenPlaylist = []() -> std::optional<QString> {
        frmSongs* songs = Forms::find<frmSongs>();
        ListItem* row = songs ? songs->ListView3->currentItem() : nullptr;
        if (!row)
            return std::nullopt;
        return row->text(0);
    };
}
