#include "convert/frmwavtomp3.h"

#include <QGridLayout>
#include <QAction>
#include <QHeaderView>

#include "convert/frmmp3towav.h"
#include "core/encoderoptions.h"
#include "core/errors.h"
#include "core/globals.h"
#include "core/skin.h"
#include "shell/windowchrome.h"

namespace {
const QString kModule = QStringLiteral("frmWAVToMP3");
}

frmWAVToMP3::frmWAVToMP3()
    : FeatureForm({QStringLiteral("frmWAVToMP3"), QStringLiteral("Convert WAV To MP3"), Feature::Convert,
                   QStringLiteral("Close Converter"), 0, 620, 420})
{
    auto* lay = new QGridLayout(body);
    lay->setContentsMargins(0, 4, 0, 0);
    lvwFiles = new ListView(body);
    lvwFiles->setObjectName(QStringLiteral("lvwFiles"));
    lvwFiles->setHeaderLabels({QStringLiteral("WAV File"), QStringLiteral("Size")});
    lvwFiles->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    Label21 = new Label(QStringLiteral("Encoder Selection:"), body);
    Label21->setObjectName(QStringLiteral("Label21"));
    Label23 = new Label(QString(), body);
    Label23->setObjectName(QStringLiteral("Label23"));
    lay->addWidget(lvwFiles, 0, 0, 1, 2);
    lay->addWidget(Label21, 1, 0);
    lay->addWidget(Label23, 1, 1);
    lay->setColumnStretch(1, 1);
    chrome->entry(QStringLiteral("mnuConvert"))->setText(QStringLiteral("Convert MP3 To WAV"));
}

void frmWAVToMP3::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    if (EncoderMode.isEmpty())
        EncoderMode = QStringLiteral("CBR1");
    trap([this] { Label21->setText(QStringLiteral("Encoder Selection:")); });
    trap([this] { Label23->setText(EncoderSelectionText(EncoderMode)); });
    trap([this] { putskin(this); });
    trap([this] { centreOnScreen(); });
}

void frmWAVToMP3::picConvert_Click()
{
    Trap trap(kModule, QStringLiteral("picConvert_Click"));
    Form* target = nullptr;
    trap([&] { target = &Forms::get<frmMP3ToWAV>(); });
    if (target)
        switchTo(*target, QStringLiteral("picConvert_Click"));
}

void frmWAVToMP3::Form_Unload(int& cancel)
{
    Trap trap(kModule, QStringLiteral("Form_Unload"));
    trap([] { ClosingRule(); });
}
