#include "cd/frmcdrip.h"

#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QProgressBar>
#include <cmath>

#include "cd/frmcd.h"
#include "controls/acd.h"
#include "core/encoderoptions.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "core/settings.h"
#include "platform/childprocess.h"
#include "platform/prompt.h"
#include "platform/services.h"

namespace {
const QString kModule = QStringLiteral("frmCDRip");
const QString kReadError =
    QStringLiteral("Error: can not read track. Be sure You Have A Music CD Loaded And Not A Data CD!");

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
    g->setColumnStretch(1, 1);
    Label11->hide();
    lblMP3->hide();

    Timer1 = new QTimer(this);
    connect(Timer1, &QTimer::timeout, this, &frmCDRip::Timer1_Timer);
    connect(ACD1, &ACD::ActPosition, this, &frmCDRip::ACD1_ActPosition);
    connect(ACD1, &ACD::ReadComplete, this, &frmCDRip::ACD1_ReadComplete);
    connect(AbortButton, &QPushButton::clicked, this, &frmCDRip::AbortButton_Click);
}

frmCDRip::~frmCDRip()
{
    if (m_encoder)
        m_encoder->kill();
}

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
    // Closing the window while a step runs is an abort: ask first, then the step stops
    // and the caller unloads the window.
    if (m_stepRunning) {
        cancel = 1;
        AbortButton_Click();
        return;
    }
    RipAbort = -1;
    Timer1->stop();
    ACD1->StopRead();
    dropReadAhead();
    if (m_encoder)
        m_encoder->kill();
}

void frmCDRip::initrip()
{
    Trap trap(kModule, QStringLiteral("initrip"));
    trap([this] { (void)ACD1->InitStatus(); });
    trap([this] { ACD1->SelectDrive(static_cast<int16_t>(getdriveletterno() + 1)); });
}

void frmCDRip::StartRipping()
{
    Trap trap(kModule, QStringLiteral("StartRipping"));
    RipAbort = 0;
    trap([this] {
        Label10->show();
        lblwave->show();
        Label11->hide();
        lblMP3->hide();
    });
    int16_t track = 0;
    trap([&] {
        bool ok = false;
        const double v = BeginSector->text().trimmed().toDouble(&ok);
        track = ok && std::abs(v) < 32767.5 ? static_cast<int16_t>(roundEven(v)) : 0;
    });
    const QString wav = MusicFolder + lblwave->text();
    // A track read ahead while the last one encoded is taken over: its read goes on (or
    // has ended) and now shows its progress.
    const bool ahead = m_aheadTrack != 0 && m_aheadTrack == track;
    if (ahead) {
        m_aheadQuiet = false;
        PercentDone = static_cast<int16_t>(m_aheadPosition / 10);
    } else {
        dropReadAhead();
        ReadDone = 0;
        int16_t r = 1;
        trap([&] { r = ACD1->ReadTrack(track, wav); });
        if (r != 0) {
            trap([] { MsgBox(kReadError, Mb::OKOnly, QStringLiteral("Quillory")); });
            RipAbort = -1;
        }
    }
    m_stepRunning = true;
    Clocks().waitUntil([this] { return ReadDone != 0 || RipAbort == -1; }, -1);
    m_stepRunning = false;
    if (ReadDone == 0 || RipAbort == -1) {
        trap([this] { ACD1->StopRead(); });
        dropReadAhead();
        ReadDone = -1;
        return;
    }
    // A read that broke off half-way is no track: say so, and let the caller stop.
    bool failed = ACD1->ReadFailed();
    if (ahead && !failed) {
        failed = !QFile::rename(m_aheadPath, wav);
    }
    if (ahead)
        dropReadAhead();
    if (failed) {
        trap([] { MsgBox(kReadError, Mb::OKOnly, QStringLiteral("Quillory")); });
        RipAbort = -1;
    }
}

void frmCDRip::ReadAhead(int16_t track)
{
    Trap trap(kModule, QStringLiteral("ReadAhead"));
    dropReadAhead();
    // Hidden, so no listing of the music folder shows it before it is the track's WAV.
    const QString path = MusicFolder + QStringLiteral(".readahead.wav");
    ReadDone = 0;
    m_aheadPosition = 0;
    int16_t t = track;
    int16_t r = 1;
    trap([&] { r = ACD1->ReadTrack(t, path); });
    if (r != 0)
        return;
    m_aheadTrack = track;
    m_aheadPath = path;
    m_aheadQuiet = true;
}

void frmCDRip::dropReadAhead()
{
    if (m_aheadTrack == 0)
        return;
    ACD1->StopRead();
    QFile::remove(m_aheadPath);
    m_aheadTrack = 0;
    m_aheadQuiet = false;
}

void frmCDRip::ACD1_ActPosition(int32_t position)
{
    Trap trap(kModule, QStringLiteral("ACD1_ActPosition"));
    if (m_aheadQuiet) {
        m_aheadPosition = position;
        return;
    }
    trap([&] { PercentDone = static_cast<int16_t>(position / 10); });
}

void frmCDRip::ACD1_ReadComplete() { ReadDone = -1; }

QString frmCDRip::BitRateFromCdWindow()
{
    frmCD* cd = Forms::find<frmCD>();
    return cd ? cd->BitRateOption() : QString();
}

void frmCDRip::StartEncoding()
{
    Trap trap(kModule, QStringLiteral("StartEncoding"));
    RipAbort = 0;
    trap([this] {
        Label10->hide();
        lblwave->hide();
        Label11->show();
        lblMP3->show();
    });
    PercentDone = 0;
    EncodeFailed = false;
    const QString wav = MusicFolder + lblwave->text();
    MP3Path = MusicFolder + lblMP3->text();
    if (!QFileInfo::exists(wav))
        return;
    const QString rate = BitRateFromCdWindow();
    trap([&] {
        const double ratio = getencoderratio(rate);
        const double expected = ratio > 0 ? QFileInfo(wav).size() / ratio : 0;
        ExpectedMP3Size = static_cast<int32_t>(std::clamp<double>(std::nearbyint(expected), 0, INT32_MAX));
    });
    const EncoderCommand cmd = BuildEncoderCommand(rate, wav, MP3Path);
    m_encoder = ChildProcesses().create();
    if (!m_encoder->start(cmd.program, cmd.arguments)) {
        // Without the encoder no MP3 is made: the step fails rather than pass an empty result on.
        LogError(kModule, QStringLiteral("StartEncoding"), Err::FileNotFound,
                 QStringLiteral("The MP3 encoder could not be started: ") + cmd.display, QStringLiteral("lame"));
        m_encoder.reset();
        EncodeFailed = true;
        trap([] {
            MsgBox(QStringLiteral("Error: the MP3 encoder (lame) could not be started. Please install lame and try again."),
                   Mb::OKOnly, QStringLiteral("Quillory"));
        });
        RipAbort = -1;
        return;
    }
    ChildProcess* p = m_encoder.get();
    m_stepRunning = true;
    Clocks().waitUntil([&] { return p->finished() || RipAbort == -1; }, -1);
    m_stepRunning = false;
    if (!p->finished()) {
        p->kill();
        m_encoder.reset();
        RipAbort = -1;
        return;
    }
    const int code = p->exitCode();
    m_encoder.reset();
    if (code != 0 && RipAbort != -1) {
        // An encoder that failed leaves no usable MP3: the caller treats the track as failed.
        LogError(kModule, QStringLiteral("StartEncoding"), Err::FileNotFound,
                 QStringLiteral("The MP3 encoder ended with exit code %1: ").arg(code) + cmd.display,
                 QStringLiteral("lame"));
        trap([this] {
            MsgBox(QStringLiteral("Error: the MP3 encoder failed on ") + lblwave->text(), Mb::OKOnly,
                   QStringLiteral("Quillory"));
        });
        EncodeFailed = true;
        RipAbort = -1;
    }
}

void frmCDRip::AbortButton_Click()
{
    Trap trap(kModule, QStringLiteral("AbortButton_Click"));
    trap([] {
        if (MsgBox(QStringLiteral("Are You Sure You Want To Abort Ripping/Encoding?"), Mb::YesNo,
                   QStringLiteral("Quillory")) == Mb::Yes)
            RipAbort = -1;
    });
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
