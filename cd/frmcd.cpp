#include "cd/frmcd.h"

#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QHBoxLayout>

#include "cd/cdaudio.h"
#include "core/encoderoptions.h"
#include "core/cdhelpers.h"
#include "core/errors.h"
#include "core/globals.h"
#include "core/skin.h"
#include "platform/cddrives.h"
#include "platform/prompt.h"
#include "shell/frmoptions.h"
#include "shell/windowchrome.h"

namespace {
const QString kModule = QStringLiteral("frmCD");
}

frmCD::frmCD()
    : FeatureForm({QStringLiteral("frmCD"), QStringLiteral("The CD Player / MP3 Encoder"), Feature::Encoder,
                   QStringLiteral("Close CD Player"), 0, 680, 460})
{
    m_switchOnConvert = true;
    auto* lay = new QHBoxLayout(body);
    lay->setContentsMargins(0, 4, 0, 0);
    lvwTracks = new ListView(body);
    lvwTracks->setObjectName(QStringLiteral("lvwTracks"));
    lvwTracks->setHeaderLabels({QStringLiteral("Track"), QStringLiteral("Title"), QStringLiteral("Length")});
    lvwTracks->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    lay->addWidget(lvwTracks, 1);

    auto* enc = new QGroupBox(QStringLiteral("MP3 Encoder"), body);
    auto* g = new QGridLayout(enc);
    lblConfig = new Label(QStringLiteral("MP3 ONLY"), enc);
    lblConfig->setObjectName(QStringLiteral("lblConfig"));
    QFont bold = lblConfig->font();
    bold.setBold(true);
    lblConfig->setFont(bold);
    Label27 = new Label(QStringLiteral("Encoder Selection:"), enc);
    Label27->setObjectName(QStringLiteral("Label27"));
    Label28 = new Label(QString(), enc);
    Label28->setObjectName(QStringLiteral("Label28"));
    g->addWidget(lblConfig, 0, 0, 1, 2);
    g->addWidget(Label27, 1, 0, 1, 2);
    g->addWidget(Label28, 2, 0, 1, 2);
    auto option = [&](OptionButton*& opt, Label*& lbl, const QString& optName, const QString& lblName,
                      const QString& caption, int row) {
        opt = new OptionButton(enc);
        opt->setObjectName(optName);
        lbl = new Label(caption, enc);
        lbl->setObjectName(lblName);
        lbl->setBuddy(opt);
        OptionButton* o = opt;
        connect(lbl, &Label::clicked, o, [o] {
            if (o->isEnabled())
                o->setChecked(true);
        });
        g->addWidget(opt, row, 0);
        g->addWidget(lbl, row, 1);
    };
    option(Opt320, Label30, QStringLiteral("Opt320"), QStringLiteral("Label30"), QStringLiteral("320 Kbps Ultra-Fi "), 3);
    option(Opt256, Label25, QStringLiteral("Opt256"), QStringLiteral("Label25"), QStringLiteral("256 Kbps Super-Fi "), 4);
    option(Opt192, Label20, QStringLiteral("Opt192"), QStringLiteral("Label20"), QStringLiteral("192 Kbps HiFi+ "), 5);
    option(Opt128, Label15, QStringLiteral("Opt128"), QStringLiteral("Label15"), QStringLiteral("128 Kbps CD Quality"), 6);
    option(Opt64, Label19, QStringLiteral("Opt64"), QStringLiteral("Label19"), QStringLiteral("64 Kbps Near CD "), 7);
    Opt128->setChecked(true);
    chkAutoCreate = new CheckBox(enc);
    chkAutoCreate->setObjectName(QStringLiteral("chkAutoCreate"));
    Label35 = new Label(QStringLiteral("Auto-Create Playlist"), enc);
    Label35->setObjectName(QStringLiteral("Label35"));
    g->addWidget(chkAutoCreate, 8, 0);
    g->addWidget(Label35, 8, 1);
    sscmdOptions = new SSCommand(QStringLiteral("Options..."), enc);
    sscmdOptions->setObjectName(QStringLiteral("sscmdOptions"));
    g->addWidget(sscmdOptions, 9, 0, 1, 2);
    g->setColumnStretch(1, 1);
    g->setRowStretch(10, 1);
    enc->setFixedWidth(220);
    lay->addWidget(enc);

    // A change made by code raises the handler like a click, as the check box always did.
    connect(chkAutoCreate, &QCheckBox::toggled, this, &frmCD::chkAutoCreate_Click);
    connect(sscmdOptions, &QPushButton::clicked, this, &frmCD::sscmdOptions_Click);
}

QString frmCD::OutputModeText(int mode)
{
    switch (mode) {
    case 2: return QStringLiteral("WAV ONLY - 44 KHz");
    case 3: return QStringLiteral("WAV AND MP3");
    default: return QStringLiteral("MP3 ONLY");
    }
}

QString frmCD::BitRateOption() const
{
    if (Opt320->isChecked())
        return QStringLiteral("-b320 ");
    if (Opt256->isChecked())
        return QStringLiteral("-b256 ");
    if (Opt192->isChecked())
        return QStringLiteral("-b192 ");
    if (Opt64->isChecked())
        return QStringLiteral("-b64 ");
    return QStringLiteral("-b128 ");
}

int frmCD::readDisc()
{
    // The drive stored in "cdrip.ini" (CDDriveLetter); no drive at all means no player.
    DetectCDDrives(0);
    if (CdDrives::list().empty())
        return 1;
    CDAudio cd;
    if (cd.ReadyDevice() == 1)
        return 1;
    if (cd.CheckCD() == 1)
        return 2;
    const int16_t count = cd.GetNumTracks();
    if (count <= 0)
        return 2;
    lvwTracks->clear();
    for (int16_t t = 1; t <= count; ++t) {
        // The length comes as mm:ss:ff; the list shows m:ss.
        const QStringList msf = cd.GetTrackLength(t).remove(QChar(0)).trimmed().split(':');
        const int secs = msf.value(0).toInt() * 60 + msf.value(1).toInt();
        auto* row = new QTreeWidgetItem(lvwTracks);
        row->setText(0, QString::number(t));
        row->setText(1, QStringLiteral("Track %1").arg(t));
        row->setText(2, QStringLiteral("%1:%2").arg(secs / 60).arg(secs % 60, 2, 10, QLatin1Char('0')));
    }
    return 0;
}

void frmCD::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    int result = 1;
    trap([&] { result = readDisc(); });
    if (result == 1) {
        MsgBox(QStringLiteral("Could not open Quillory CD Player. Please close any other CD Player (such as Windows "
                              "CD player) which may be running, and try again."),
               Mb::OKOnly, QStringLiteral("Quillory"));
        CDPlayerFailed = 1;
        return;
    }
    if (result == 2) {
        MsgBox(QStringLiteral("Please insert a CD in the CD player (Drive ") + CDDriveLetter +
                   QStringLiteral("), wait a few seconds and try again."),
               Mb::OKOnly, QStringLiteral("Quillory"));
        CDPlayerFailed = 1;
        return;
    }
    CDPlayerFailed = 0;
    if (EncoderMode.isEmpty())
        EncoderMode = QStringLiteral("CBR1");
    trap([this] { lblConfig->setText(OutputModeText(EncodeOutputMode)); });
    trap([this] { Label27->setText(QStringLiteral("Encoder Selection:")); });
    trap([this] { Label28->setText(EncoderSelectionText(EncoderMode)); });
    if (EncodeOutputMode == 2)
        trap([] { turnoffEncOptions(); });
    else if (EncodeOutputMode == 1 || EncodeOutputMode == 3)
        trap([] { turnonencoptions(); });
    trap([this] { putskin(this); });
    trap([this] { centreOnScreen(); });
}

void frmCD::Form_Unload(int& cancel)
{
    Trap trap(kModule, QStringLiteral("Form_Unload"));
    if (CDPlayState == QLatin1String("Play")) {
        CDPlayState = QStringLiteral("Stop");
        trap([] {
            CDAudio cd;
            cd.StopPlay();
            cd.UnloadAll();
        });
    }
    trap([] { ClosingRule(true); });
    SwitchingWindow = 0;
    SkipAutoCreateClick = 0;
}

void frmCD::chkAutoCreate_Click()
{
    // A change made by code (turnoffEncOptions) is not the user's click.
    if (SkipAutoCreateClick == 1) {
        SkipAutoCreateClick = 0;
        return;
    }
}

void frmCD::sscmdOptions_Click()
{
    Trap trap(kModule, QStringLiteral("sscmdOptions_Click"));
    OptionsFromCD = -1;
    trap([] {
        frmOptions& o = Forms::get<frmOptions>();
        o.SSTab1->setCurrentIndex(0);
        o.Show(true);
    });
}

void frmCD::OpenSettings() { sscmdOptions_Click(); }

void frmCD::CloseWindow()
{
    Trap trap(kModule, QStringLiteral("mnuClose_Click"));
    trap([this] { Forms::unload(this); });
}
