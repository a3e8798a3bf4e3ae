#include "convert/frmconvertchoice.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "convert/frmmp3towav.h"
#include "convert/frmwavtomp3.h"
#include "core/errors.h"
#include "core/globals.h"
#include "core/windowrefresh.h"
#include "shell/artwork.h"
#include "shell/frmmain.h"
#include "shell/smallwindow.h"

namespace {
const QString kModule = QStringLiteral("frmConvertChoice");
}

frmConvertChoice::frmConvertChoice() : Form(QStringLiteral("frmConvertChoice"))
{
    setWindowTitle(QStringLiteral("Convert WAV Or MP3 Files"));
    setWindowIcon(QIcon(LauncherPicture(QStringLiteral("convert"))));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setTag(this, QStringLiteral("Skin"));
    auto* lay = new QVBoxLayout(this);
    auto* box = new QGroupBox(QStringLiteral("Choose A Conversion"), this);
    auto* boxLay = new QVBoxLayout(box);
    optWAVToMP3 = new OptionButton(QStringLiteral("Convert WAV Files To MP3 Files"), box);
    optWAVToMP3->setObjectName(QStringLiteral("optWAVToMP3"));
    optMP3ToWAV = new OptionButton(QStringLiteral("Convert MP3 Files To WAV Files"), box);
    optMP3ToWAV->setObjectName(QStringLiteral("optMP3ToWAV"));
    optWAVToMP3->setChecked(true);
    boxLay->addWidget(optWAVToMP3);
    boxLay->addWidget(optMP3ToWAV);
    lay->addWidget(box);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cmdOK = new SSCommand(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new SSCommand(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (SSCommand* b : {cmdOK, cmdCancel}) {
        b->setMinimumWidth(88);
        buttons->addWidget(b);
    }
    lay->addLayout(buttons);
    setFixedSize(340, 160);
    connect(cmdOK, &QPushButton::clicked, this, &frmConvertChoice::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmConvertChoice::cmdCancel_Click);
    SmallWindow::dialogKeys(this, cmdOK, cmdCancel);
}

void frmConvertChoice::closeEvent(QCloseEvent* e)
{
    // The close box is Cancel: the window the chooser was opened from comes back rather
    // than leaving the program running with no window shown.
    e->ignore();
    if (!isUnloading())
        cmdCancel_Click();
}

void frmConvertChoice::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] { centreOnScreen(); });
}

void frmConvertChoice::cmdOK_Click()
{
    Trap trap(kModule, QStringLiteral("cmdOK_Click"));
    trap([] { CloseFeatureWindows(); });
    if (optMP3ToWAV->isChecked())
        trap([] { Forms::get<frmMP3ToWAV>().Show(); });
    else
        trap([] { Forms::get<frmWAVToMP3>().Show(); });
    trap([this] { Hide(); });
}

void frmConvertChoice::cmdCancel_Click()
{
    Trap trap(kModule, QStringLiteral("cmdCancel_Click"));
    // The window the chooser was opened from comes back as it was; it is no longer being
    // replaced, so its closing rule must show the main window again later.
    SwitchingWindow = 0;
    trap([] { Forms::restore(Forms::byId(LastWindow)); });
    trap([this] { Hide(); });
    // Never leave the user without a window.
    trap([] {
        for (Form* f : Forms::loaded())
            if (f->isVisible())
                return;
        Forms::get<frmMain>().Show();
    });
}
