#include "convert/frmprogwavtomp3.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QProgressBar>
#include <QTimer>

#include "convert/convertsupport.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "platform/prompt.h"

namespace {
const QString kModule = QStringLiteral("frmProgWAVToMP3");
} // namespace

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

void frmProgWAVToMP3::watch(WavToMp3Job& job)
{
    if (m_job == &job)
        return;
    if (m_job)
        disconnect(m_job, nullptr, this, nullptr);
    m_job = &job;
    ShowJobSteps(job, this, lblProcess, nCompleted, RipProgress);
    connect(&job, &WavToMp3Job::fileStarted, this,
            [this](int, const QString& wavName, const QString& mp3Name, qint64 expected) {
                lblwave->setText(wavName);
                Show();
                lblMP3->setText(mp3Name);
                MP3Path = MusicFolder + mp3Name;
                ExpectedSize = int32_t(expected);
                PercentDone = 0;
            });
    connect(&job, &Job::percent, this, [this](int value) { PercentDone = int16_t(value); });
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
    QPointer<frmProgWAVToMP3> self(this);
    // While the question is open the file in hand stays in hand: Yes removes it, No goes on.
    QPointer<WavToMp3Job> job = m_job;
    if (job)
        job->hold();
    int answer = Mb::No;
    trap([&] { answer = MsgBox(QStringLiteral("Are You Sure You Want To Abort Converting?"), Mb::YesNo); });
    if (!job)
        return;
    job->release();
    if (answer == Mb::Yes)
        job->cancel();
}

void frmProgWAVToMP3::closeEvent(QCloseEvent* e)
{
    e->ignore();
    if (!isUnloading())
        AbortButton_Click();
}
