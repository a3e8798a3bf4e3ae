#include "convert/frmprogwavtomp3.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QTimer>
#include <cmath>
#include <memory>

#include "convert/convertsupport.h"
#include "convert/frmwavtomp3.h"
#include "core/encoderoptions.h"
#include "core/errors.h"
#include "core/globals.h"
#include "core/writablefolder.h"
#include "platform/childprocess.h"
#include "platform/prompt.h"
#include "platform/services.h"

namespace {
const QString kModule = QStringLiteral("frmProgWAVToMP3");
} // namespace

int16_t EncodePercent(qint64 length, qint64 expected)
{
    if (expected <= 0)
        return 0;
    const double percent = std::nearbyint(double(length) / double(expected) * 100.0);
    return int16_t(std::min(percent, 95.0));
}

frmProgWAVToMP3::frmProgWAVToMP3() : Form(QStringLiteral("frmProgWAVToMP3"))
{
    const ProgressControls c =
        BuildProgressControls(this, QStringLiteral("WAV To MP3  Conversion Status"), "lblwave", "lblMP3");
    Label11 = c.Label11;
    lblwave = c.first;
    lblProcess = c.lblProcess;
    Label1 = c.Label1;
    lblMP3 = c.second;
    Label8 = c.Label8;
    RipProgress = c.RipProgress;
    nCompleted = c.nCompleted;
    AbortButton = c.AbortButton;
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &frmProgWAVToMP3::Timer1_Timer);
    connect(AbortButton, &QPushButton::clicked, this, &frmProgWAVToMP3::AbortButton_Click);
}

void frmProgWAVToMP3::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    PercentDone = 0;
    trap([this] { centreOnScreen(); });
    trap([this] { setWindowFlag(Qt::WindowStaysOnTopHint, true); });
    Timer1->start();
}

void frmProgWAVToMP3::Form_Unload(int&) { Timer1->stop(); }

void frmProgWAVToMP3::WAVToMP3Encode()
{
    Trap trap(kModule, QStringLiteral("WAVToMP3Encode"));
    EncodeAbort = 0;
    PercentDone = 0;
    const QString wavPath = MusicFolder + lblwave->text();
    MP3Path = MusicFolder + lblMP3->text();
    if (!QFile::exists(wavPath))
        return;

    QString rate;
    trap([&] {
        if (frmWAVToMP3* w = Forms::find<frmWAVToMP3>()) {
            if (w->Opt320->isChecked())
                rate = QStringLiteral("-b320 ");
            if (w->Opt256->isChecked())
                rate = QStringLiteral("-b256 ");
            if (w->Opt192->isChecked())
                rate = QStringLiteral("-b192 ");
            if (w->Opt128->isChecked())
                rate = QStringLiteral("-b128 ");
            if (w->opt64->isChecked())
                rate = QStringLiteral("-b64 ");
        }
    });
    trap([&] {
        const double ratio = getencoderratio(rate);
        if (ratio <= 0)
            throw AppError(Err::InvalidCall, QStringLiteral("No expected size for the bit rate \"") + rate + '"');
        ExpectedSize = int32_t(std::nearbyint(double(QFileInfo(wavPath).size()) / ratio));
    });

    const EncoderCommand cmd = BuildEncoderCommand(rate, wavPath, MP3Path);
    std::unique_ptr<ChildProcess> encoder = ChildProcesses().create();
    if (!encoder->start(cmd.program, cmd.arguments)) {
        LogError(kModule, QStringLiteral("WAVToMP3Encode"), Err::FileNotFound,
                 QStringLiteral("The encoder could not be started: ") + cmd.display, kAppTitle);
        return;
    }
    Clocks().waitUntil([&] { return encoder->finished() || EncodeAbort == -1; }, -1);
    if (EncodeAbort == -1) {
        encoder->kill();
        return;
    }
    if (const int code = encoder->exitCode(); code != 0) {
        // The encoder failed: its partial MP3 goes, its WAV stays, and the run goes on.
        const QString why = code < 0 ? QStringLiteral("The encoder was ended abnormally: ")
                                     : QStringLiteral("The encoder ended with exit code %1: ").arg(code);
        QFile::remove(MP3Path);
        LogError(kModule, QStringLiteral("WAVToMP3Encode"), Err::InvalidCall, why + cmd.display, kAppTitle);
    } else if (QFileInfo(MP3Path).size() <= 0) {
        // An encoder that says it succeeded but left no MP3 has not converted the file.
        QFile::remove(MP3Path);
        MsgBox(FileNotWrittenText(MP3Path));
    }
}

void frmProgWAVToMP3::Timer1_Timer()
{
    Trap trap(kModule, QStringLiteral("Timer1_Timer"));
    trap([this] {
        // The size is read without opening: the MP3 is never made here.
        const QFileInfo fi(MP3Path);
        const qint64 length = fi.exists() ? fi.size() : 0;
        PercentDone = EncodePercent(length, ExpectedSize);
        nCompleted->setText(QString::number(PercentDone) + QStringLiteral("%"));
        RipProgress->setValue(PercentDone);
    });
}

void frmProgWAVToMP3::AbortButton_Click()
{
    Trap trap(kModule, QStringLiteral("AbortButton_Click"));
    trap([] {
        if (MsgBox(QStringLiteral("Are You Sure You Want To Abort Converting?"), Mb::YesNo) == Mb::Yes)
            EncodeAbort = -1;
    });
}

void frmProgWAVToMP3::closeEvent(QCloseEvent* e)
{
    e->ignore();
    if (!isUnloading())
        AbortButton_Click();
}
