#include "burner/frmburnprep.h"

#include <QCloseEvent>
#include <QGridLayout>

#include "burner/frmburner.h"
#include "controls/mp3play.h"
#include "core/errors.h"
#include "core/globals.h"
#include "platform/prompt.h"
#include "shell/smallwindow.h"

namespace {
const QString kModule = QStringLiteral("frmBurnPrep");
}

frmBurnPrep::frmBurnPrep() : Form(QStringLiteral("frmBurnPrep"))
{
    setWindowTitle(QStringLiteral("MP3 To WAV Conversion Status"));
    setWindowFlag(Qt::Dialog);
    auto* lay = new QGridLayout(this);
    lay->addWidget(new Label(QStringLiteral("Converting "), this), 0, 0);
    lblMP3 = new Label(QString(), this);
    lblMP3->setObjectName(QStringLiteral("lblMP3"));
    lblMP3->setMinimumWidth(260);
    lay->addWidget(lblMP3, 0, 1, 1, 2);
    lblProcess = new Label(QString(), this);
    lblProcess->setObjectName(QStringLiteral("lblProcess"));
    lblProcess->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lay->addWidget(lblProcess, 0, 3, 1, 2);
    lay->addWidget(new Label(QStringLiteral("To"), this), 1, 0);
    lblwave = new Label(QString(), this);
    lblwave->setObjectName(QStringLiteral("lblwave"));
    lay->addWidget(lblwave, 1, 1, 1, 4);
    lay->addWidget(new Label(QStringLiteral("Progress"), this), 2, 0);
    RipProgress = new QProgressBar(this);
    RipProgress->setObjectName(QStringLiteral("RipProgress"));
    RipProgress->setRange(0, 100);
    RipProgress->setValue(0);
    RipProgress->setTextVisible(false);
    lay->addWidget(RipProgress, 2, 1, 1, 2);
    nCompleted = new Label(QStringLiteral("%"), this);
    nCompleted->setObjectName(QStringLiteral("nCompleted"));
    nCompleted->setMinimumWidth(40);
    lay->addWidget(nCompleted, 2, 3);
    AbortButton = new QPushButton(QStringLiteral("Abort"), this);
    AbortButton->setObjectName(QStringLiteral("AbortButton"));
    lay->addWidget(AbortButton, 2, 4);
    lay->setColumnStretch(2, 1);
    setFixedSize(520, 120);
    connect(AbortButton, &QPushButton::clicked, this, &frmBurnPrep::AbortButton_Click);
}

void frmBurnPrep::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] { SmallWindow::centre(this); });
    trap([this] { SmallWindow::makeTopmost(this); });
}

void frmBurnPrep::AbortButton_Click()
{
    Trap trap(kModule, QStringLiteral("AbortButton_Click"));
    int answer = Mb::No;
    trap([&] { answer = MsgBox(QStringLiteral("Are You Sure You Want To Abort Converting?"), Mb::YesNo, kAppTitle); });
    if (answer != Mb::Yes)
        return;
    DecodeAbort = -1;
    // The decoder's end event, raised by the stop, cleans up and closes this window.
    if (frmBurner* burner = Forms::find<frmBurner>()) {
        trap([&] { burner->Mp3Play1->Stop(); });
        trap([&] { burner->Mp3Play1->Close(); });
    }
}

void frmBurnPrep::closeEvent(QCloseEvent* e)
{
    if (isUnloading()) {
        Form::closeEvent(e);
        return;
    }
    e->ignore();
    if (AbortButton->isEnabled())
        AbortButton_Click();
}
