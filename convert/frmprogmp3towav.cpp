#include "convert/frmprogmp3towav.h"

#include <QCloseEvent>
#include <QProgressBar>

#include "controls/mp3play.h"
#include "convert/convertsupport.h"
#include "convert/frmmp3towav.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "platform/prompt.h"

namespace {
const QString kModule = QStringLiteral("frmProgMP3ToWAV");
} // namespace

frmProgMP3ToWAV::frmProgMP3ToWAV() : Form(QStringLiteral("frmProgMP3ToWAV"))
{
    const ProgressControls c =
        BuildProgressControls(this, QStringLiteral("MP3 To WAV Conversion Status"), "lblMP3", "lblwave");
    Label11 = c.Label11;
    lblMP3 = c.first;
    lblProcess = c.lblProcess;
    Label1 = c.Label1;
    lblwave = c.second;
    Label8 = c.Label8;
    RipProgress = c.RipProgress;
    nCompleted = c.nCompleted;
    AbortButton = c.AbortButton;
    connect(AbortButton, &QPushButton::clicked, this, &frmProgMP3ToWAV::AbortButton_Click);
}

void frmProgMP3ToWAV::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] { centreOnScreen(); });
    trap([this] { setWindowFlag(Qt::WindowStaysOnTopHint, true); });
}

void frmProgMP3ToWAV::AbortButton_Click()
{
    Trap trap(kModule, QStringLiteral("AbortButton_Click"));
    QPointer<frmProgMP3ToWAV> self(this);
    int answer = Mb::No;
    trap([&] { answer = MsgBox(QStringLiteral("Are You Sure You Want To Abort Converting?"), Mb::YesNo); });
    // The run may have ended while the question was open; then there is nothing left to stop.
    if (answer != Mb::Yes || !self || isUnloading())
        return;
    if (Caption().contains(QLatin1String("Burn"))) {
        DecodeAbort = -1;
        ConversionRunning = 0;
        trap([this] {
            if (BurnerMp3Play) {
                BurnerMp3Play->Stop();
                BurnerMp3Play->Close();
            }
        });
        return;
    }
    trap([] {
        if (frmMP3ToWAV* conv = Forms::find<frmMP3ToWAV>(); conv && conv->isRunning())
            conv->AbortRun();
    });
}

void frmProgMP3ToWAV::closeEvent(QCloseEvent* e)
{
    e->ignore();
    if (!isUnloading())
        AbortButton_Click();
}
