#include "convert/frmprogmp3towav.h"

#include <QCloseEvent>
#include <QProgressBar>

#include "convert/convertsupport.h"
#include "jobs/mp3towavjob.h"
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
    trap([this] {
        if (m_job && m_job->running())
            m_job->cancel();
    });
}

void frmProgMP3ToWAV::watch(Mp3ToWavJob& job)
{
    if (m_job == &job)
        return;
    if (m_job)
        disconnect(m_job, nullptr, this, nullptr);
    m_job = &job;
    ShowJobSteps(job, this, lblProcess, nCompleted, RipProgress);
    connect(&job, &Mp3ToWavJob::fileStarted, this, [this](int, const QString& mp3Name, const QString& wavName) {
        lblwave->setText(wavName);
        Show();
        lblMP3->setText(mp3Name);
    });
}

void frmProgMP3ToWAV::closeEvent(QCloseEvent* e)
{
    e->ignore();
    if (!isUnloading())
        AbortButton_Click();
}
