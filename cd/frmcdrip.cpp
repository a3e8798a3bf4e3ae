#include "cd/frmcdrip.h"

#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QProgressBar>
#include <cmath>

#include "controls/acd.h"
#include "core/encoderoptions.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "core/settings.h"
#include "jobs/ripencodejob.h"
#include "platform/prompt.h"

namespace {
const QString kModule = QStringLiteral("frmCDRip");

// Rounds to the nearest whole number, halves to the even neighbour.
qint64 roundEven(double v) { return static_cast<qint64>(std::nearbyint(v)); }
} // namespace

frmCDRip::frmCDRip() : Form(QStringLiteral("frmCDRip"))
{
    setWindowTitle(QStringLiteral("MP3 Encode Status"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    setTag(this, QStringLiteral("Skin"));

    ACD1 = new ACD(this);
    auto* g = new QGridLayout(this);
    g->setContentsMargins(12, 12, 12, 12);
    g->setHorizontalSpacing(10);
    auto label = [this](const QString& name, const QString& text) {
        auto* l = new Label(text, this);
        l->setObjectName(name);
        l->setTextFormat(Qt::PlainText);
        return l;
    };
    lblProcess = label(QStringLiteral("lblProcess"), QString());
    QFont bold = lblProcess->font();
    bold.setBold(true);
    lblProcess->setFont(bold);
    Label10 = label(QStringLiteral("Label10"), QStringLiteral("Ripping"));
    lblwave = label(QStringLiteral("lblwave"), QString());
    Label11 = label(QStringLiteral("Label11"), QStringLiteral("Encoding"));
    lblMP3 = label(QStringLiteral("lblMP3"), QString());
    nCompleted = label(QStringLiteral("nCompleted"), QStringLiteral("%"));
    lblInexact = label(QStringLiteral("lblInexact"), QString());
    lblInexact->hide();
    BeginSector = new TextBox(this);
    BeginSector->setObjectName(QStringLiteral("BeginSector"));
    BeginSector->setText(QStringLiteral("Text1"));
    BeginSector->hide(); // carries the track number only
    RipProgress = new QProgressBar(this);
    RipProgress->setObjectName(QStringLiteral("RipProgress"));
    RipProgress->setRange(0, 100);
    RipProgress->setTextVisible(false);
    AbortButton = new SSCommand(QStringLiteral("Abort"), this);
    AbortButton->setObjectName(QStringLiteral("AbortButton"));
    for (Label* l : {lblwave, lblMP3})
        l->setMinimumWidth(280);

    g->addWidget(lblProcess, 0, 0, 1, 2);
    g->addWidget(Label10, 1, 0);
    g->addWidget(lblwave, 1, 1);
    g->addWidget(Label11, 2, 0);
    g->addWidget(lblMP3, 2, 1);
    g->addWidget(RipProgress, 3, 0, 1, 2);
    auto* row = new QHBoxLayout();
    row->addWidget(nCompleted);
    row->addStretch(1);
    row->addWidget(AbortButton);
    g->addLayout(row, 4, 0, 1, 2);
    g->addWidget(lblInexact, 5, 0, 1, 2);
    g->setColumnStretch(1, 1);
    Label11->hide();
    lblMP3->hide();

    Timer1 = new QTimer(this);
    connect(Timer1, &QTimer::timeout, this, &frmCDRip::Timer1_Timer);
    connect(ACD1, &ACD::ReadComplete, this, &frmCDRip::ACD1_ReadComplete);
    connect(AbortButton, &QPushButton::clicked, this, &frmCDRip::AbortButton_Click);
}

frmCDRip::~frmCDRip() = default;

void frmCDRip::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    PercentDone = 0;
    trap([this] { Timer1->start(2000); });
    trap([this] {
        adjustSize();
        setFixedSize(sizeHint().expandedTo(QSize(380, 150)));
        centreOnScreen();
    });
}

void frmCDRip::Form_Unload(int& cancel)
{
    // Closing the window while the run goes on is an abort: ask first; the run then ends
    // and its owner unloads the window.
    if (running()) {
        cancel = 1;
        AbortButton_Click();
        return;
    }
    RipAbort = -1;
    Timer1->stop();
    ACD1->StopRead();
}

bool frmCDRip::running() const { return m_job && m_job->running(); }

void frmCDRip::initrip()
{
    Trap trap(kModule, QStringLiteral("initrip"));
    trap([this] { (void)ACD1->InitStatus(); });
    trap([this] { ACD1->SelectDrive(static_cast<int16_t>(getdriveletterno() + 1)); });
}

void frmCDRip::watch(RipEncodeJob& job)
{
    m_job = &job;
    connect(&job, &Job::nextTrack, this, [this](int n, int of) {
        lblProcess->setText(QStringLiteral("Processing %1 of %2").arg(n).arg(of));
    });
    connect(&job, &RipEncodeJob::reading, this, [this](int track, const QString& wavName) {
        lblwave->setText(wavName);
        BeginSector->setText(QString::number(track));
        showStep(true);
        if (!isVisible())
            Show();
    });
    connect(&job, &RipEncodeJob::readStarted, this, [this] { ReadDone = 0; });
    // A track whose read was not exact is told beside its name and stays listed for the run.
    connect(&job, &Job::infoMessage, this, [this](const QString& text) {
        const QString line = lblwave->text() + QStringLiteral(": ") + text;
        lblInexact->setText(lblInexact->text().isEmpty() ? line : lblInexact->text() + QLatin1Char('\n') + line);
        lblInexact->show();
        setFixedSize(sizeHint().expandedTo(size()));
    });
    connect(&job, &Job::percent, this, [this](int value) { PercentDone = static_cast<int16_t>(value); });
    connect(&job, &RipEncodeJob::encoding, this,
            [this](const QString& mp3Name, const QString& mp3Path, qint64 expectedBytes) {
                lblMP3->setText(mp3Name);
                MP3Path = mp3Path;
                ExpectedMP3Size = static_cast<int32_t>(expectedBytes);
                PercentDone = 0;
                showStep(false);
            });
}

void frmCDRip::showStep(bool ripping)
{
    Trap trap(kModule, ripping ? QStringLiteral("StartRipping") : QStringLiteral("StartEncoding"));
    trap([&] {
        Label10->setVisible(ripping);
        lblwave->setVisible(ripping);
        Label11->setVisible(!ripping);
        lblMP3->setVisible(!ripping);
    });
}

void frmCDRip::ACD1_ActPosition(int32_t position)
{
    Trap trap(kModule, QStringLiteral("ACD1_ActPosition"));
    trap([&] { PercentDone = static_cast<int16_t>(position / 10); });
}

void frmCDRip::ACD1_ReadComplete() { ReadDone = -1; }

void frmCDRip::AbortButton_Click()
{
    Trap trap(kModule, QStringLiteral("AbortButton_Click"));
    // The run takes no next step while the question is open.
    QPointer<RipEncodeJob> job = m_job;
    if (job)
        job->hold();
    bool yes = false;
    trap([&] {
        yes = MsgBox(QStringLiteral("Are You Sure You Want To Abort Ripping/Encoding?"), Mb::YesNo,
                     QStringLiteral("Quillory")) == Mb::Yes;
    });
    if (yes)
        RipAbort = -1;
    if (job) {
        if (yes)
            job->cancel();
        else
            job->release();
    }
}

void frmCDRip::Timer1_Timer()
{
    Trap trap(kModule, QStringLiteral("Timer1_Timer"));
    if (!Label11->isHidden()) {
        trap([this] {
            const qint64 size = QFileInfo(MP3Path).exists() ? QFileInfo(MP3Path).size() : 0;
            // No expected size (an empty WAV) shows 0 rather than dividing by zero.
            PercentDone = ExpectedMP3Size > 0
                              ? static_cast<int16_t>(std::min<qint64>(roundEven(100.0 * size / ExpectedMP3Size), 32767))
                              : 0;
        });
    }
    if (PercentDone > 95)
        PercentDone = 95;
    trap([this] { nCompleted->setText(QString::number(PercentDone) + QStringLiteral("%")); });
    trap([this] { RipProgress->setValue(std::clamp<int>(PercentDone, 0, 100)); });
}
