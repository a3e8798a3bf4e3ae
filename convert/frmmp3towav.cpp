#include "convert/frmmp3towav.h"

#include <QAction>
#include <QHeaderView>
#include <QVBoxLayout>

#include "convert/frmwavtomp3.h"
#include "core/errors.h"
#include "core/skin.h"
#include "shell/windowchrome.h"

namespace {
const QString kModule = QStringLiteral("frmMP3ToWAV");
}

frmMP3ToWAV::frmMP3ToWAV()
    : FeatureForm({QStringLiteral("frmMP3ToWAV"), QStringLiteral("Convert MP3 to WAV"), Feature::Convert,
                   QStringLiteral("Close Converter"), 1, 620, 420})
{
    auto* lay = new QVBoxLayout(body);
    lay->setContentsMargins(0, 4, 0, 0);
    lvwFiles = new ListView(body);
    lvwFiles->setObjectName(QStringLiteral("lvwFiles"));
    lvwFiles->setHeaderLabels({QStringLiteral("MP3 File"), QStringLiteral("Time")});
    lvwFiles->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lay->addWidget(lvwFiles);
    chrome->entry(QStringLiteral("mnuConvert"))->setText(QStringLiteral("Convert WAV To MP3"));
}

void frmMP3ToWAV::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] { putskin(this); });
    trap([this] { centreOnScreen(); });
}

void frmMP3ToWAV::picConvert_Click()
{
    Trap trap(kModule, QStringLiteral("picConvert_Click"));
    Form* target = nullptr;
    trap([&] { target = &Forms::get<frmWAVToMP3>(); });
    if (target)
        switchTo(*target, QStringLiteral("picConvert_Click"));
}

void frmMP3ToWAV::Form_Unload(int& cancel)
{
    Trap trap(kModule, QStringLiteral("Form_Unload"));
    trap([] { ClosingRule(); });
}
