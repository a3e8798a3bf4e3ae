#include "convert/frmprogmp3towav.h"

#include <QCloseEvent>
#include <QProgressBar>

#include "controls/mp3play.h"
#include "convert/frmmp3towav.h"
#include "core/errors.h"
#include "core/globals.h"
#include "platform/prompt.h"

namespace {
const QString kModule = QStringLiteral("frmProgMP3ToWAV");

Label* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h)
{
    auto* l = new Label(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(x, y, w, h);
    return l;
}
} // namespace

frmProgMP3ToWAV::frmProgMP3ToWAV() : Form(QStringLiteral("frmProgMP3ToWAV"))
{
    setWindowTitle(QStringLiteral("MP3 To WAV Conversion Status"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint);
    setFixedSize(480, 124);
    Label11 = makeLabel(this, "Label11", QStringLiteral("Converting "), 12, 12, 72, 20);
    lblMP3 = makeLabel(this, "lblMP3", QString(), 84, 12, 270, 20);
    lblProcess = makeLabel(this, "lblProcess", QString(), 360, 12, 110, 20);
    lblProcess->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1 = makeLabel(this, "Label1", QStringLiteral("To"), 12, 38, 72, 20);
    lblwave = makeLabel(this, "lblwave", QString(), 84, 38, 386, 20);
    for (Label* l : {lblwave, lblMP3}) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    Label8 = makeLabel(this, "Label8", QStringLiteral("Progress"), 12, 78, 72, 22);
    RipProgress = new QProgressBar(this);
    RipProgress->setObjectName(QStringLiteral("RipProgress"));
    RipProgress->setRange(0, 100);
    RipProgress->setValue(0);
    RipProgress->setTextVisible(false);
    RipProgress->setGeometry(84, 78, 230, 22);
    nCompleted = makeLabel(this, "nCompleted", QStringLiteral("%"), 320, 78, 50, 22);
    AbortButton = new SSCommand(QStringLiteral("Abort"), this);
    AbortButton->setObjectName(QStringLiteral("AbortButton"));
    AbortButton->setGeometry(380, 74, 90, 30);
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
