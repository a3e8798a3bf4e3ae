#include "convert/frmwavtomp3.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QMenu>

#include "convert/convertsupport.h"
#include "convert/frmprogwavtomp3.h"
#include "controls/wavcheck.h"
#include "core/encoderoptions.h"
#include "platform/errors.h"
#include "core/filenames.h"
#include "core/globals.h"
#include "platform/prompt.h"
#include "shell/listsearch.h"
#include "shell/windowchrome.h"

namespace {
const QString kModule = QStringLiteral("frmWAVToMP3");
const QString kCaption = QStringLiteral("Convert WAV To MP3");
const QString kRunCaption = QStringLiteral("Convert WAV To MP3 - Conversion in Progress");
} // namespace

frmWAVToMP3::frmWAVToMP3()
    : FeatureForm({QStringLiteral("frmWAVToMP3"), kCaption, Feature::Convert,
                   QStringLiteral("Close WAV to MP3 Converter"), 0, 760, 540})
{
    // Navigation: the other converter's button, and the captions and menu entries of this window.
    lblEncoder->setText(QStringLiteral("CD/Encoder"));
    AddConverterButton(this, QStringLiteral("MP3 To WAV"), QStringLiteral("Convert MP3 To WAV"));
    picQuillory->setToolTip(QStringLiteral("Return To The Quillory"));
    lblQuillory->setToolTip(QStringLiteral("Return To The Quillory"));
    chrome->Label8->setToolTip(QStringLiteral("Program Settings "));
    chrome->Label12->setToolTip(QStringLiteral("Change Skins (Appearance)"));
    chrome->mnuskin->setTitle(QStringLiteral("Change Skin"));
    chrome->mnuweb->setTitle(QStringLiteral("Website"));
    chrome->mnuAbout->setText(QStringLiteral("About Quillory "));
    if (QAction* a = chrome->entry(QStringLiteral("mnuConvert"))) {
        a->setObjectName(QStringLiteral("mnuMP3ToWAV"));
        a->setText(QStringLiteral("MP3 To WAV Converter"));
    }
    if (QAction* a = chrome->entry(QStringLiteral("mnuPlayLists")))
        a->setText(QStringLiteral("Edit Or Create PlayLists"));
    if (QAction* a = chrome->entry(QStringLiteral("mnuClose")))
        a->setObjectName(QStringLiteral("mnuCloseMP3Convert"));
    if (QAction* a = chrome->entry(QStringLiteral("mnuExit")))
        a->setText(QStringLiteral("Exit"));
    connect(picEncoder, &PictureBox::mouseMoved, this, &frmWAVToMP3::picEncoder_MouseMove);
    connect(picConvert, &PictureBox::mouseMoved, this, &frmWAVToMP3::picConvert_MouseMove);
    connect(lblEncoder, &Label::mouseMoved, this, &frmWAVToMP3::Label14_MouseMove);
    connect(lblConvert, &Label::mouseMoved, this, &frmWAVToMP3::Label7_MouseMove);

    // The file list and the search, on the left.
    Label6 = MakeLabel(body, "Label6", QStringLiteral("WAV Files In Music Folder"), 0, 0, 470, 18);
    SetBold(Label6);
    Label17 = MakeLabel(body, "Label17", QString(), 0, 20, 470, 18);
    Label17->setToolTip(QStringLiteral("Current Music Folder Path"));
    lblTitle = MakeLabel(body, "lblTitle", QStringLiteral("WAV File Name"), 0, 44, 470, 20);
    lblTitle->setFrameShape(QFrame::StyledPanel);
    lblTitle->setIndent(4);
    SetBold(lblTitle);
    ListView2 = new ListView(body);
    ListView2->setObjectName(QStringLiteral("ListView2"));
    ListView2->setColumnCount(2);
    ListView2->setHeaderLabels({QStringLiteral("Song"), QStringLiteral("Artist")});
    ListView2->setHeaderHidden(true);
    ListView2->setColumnHidden(1, true);
    ListView2->setRootIsDecorated(false);
    ListView2->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView2->setGeometry(0, 64, 470, 252);
    LineUpCaptions(ListView2, {lblTitle});
    text1 = new TextBox(body);
    text1->setObjectName(QStringLiteral("text1"));
    text1->setGeometry(0, 326, 330, 26);
    SSSearch = new SSCommand(QStringLiteral("S&earch"), body);
    SSSearch->setObjectName(QStringLiteral("SSSearch"));
    SSSearch->setToolTip(QStringLiteral("Find Song Using A Few Letters"));
    SSSearch->setGeometry(340, 324, 130, 30);
    Label1 = MakeLabel(body, "Label1",
                       QStringLiteral("Ctl+Click To Multi-Select/Deselect WAV Files  You Wish To Convert"), 0, 362,
                       470, 18);
    Label11 = MakeLabel(body, "Label11", QStringLiteral("Click 'Convert' Button To Convert From WAV To MP3 File."), 0,
                        384, 470, 18);

    // The encoder panel, the Convert button and the settings panel, on the right.
    Picture1 = new PictureBox(body);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setToolTip(QStringLiteral("Select Bit Rate (Recording Quality) "));
    Picture1->setFrameShape(QFrame::StyledPanel);
    Picture1->setGeometry(486, 0, 258, 246);
    Label4 = MakeLabel(Picture1, "Label4", QStringLiteral("Encoder Controls"), 10, 6, 238, 20);
    SetBold(Label4);
    struct Rate {
        OptionButton** opt;
        const char* optName;
        Label** label;
        const char* labelName;
        const char* text;
    } rates[] = {{&Opt320, "Opt320", &Label25, "Label25", "320 Kbps Ultra-Fi "},
                 {&Opt256, "Opt256", &Label20, "Label20", "256 Kbps Super-Fi "},
                 {&Opt192, "Opt192", &Label2, "Label2", "192 Kbps Hi-Fi+ Quality"},
                 {&Opt128, "Opt128", &Label19, "Label19", "128 Kbps CD Quality"},
                 {&opt64, "opt64", &Label18, "Label18", "64 Kbps Near CD "}};
    int y = 32;
    for (const Rate& r : rates) {
        auto* o = new OptionButton(Picture1);
        o->setObjectName(QString::fromLatin1(r.optName));
        o->setGeometry(12, y, 22, 22);
        *r.opt = o;
        *r.label = MakeLabel(Picture1, r.labelName, QString::fromLatin1(r.text), 36, y, 210, 22);
        connect(*r.label, &Label::clicked, o, [o] {
            if (o->isEnabled())
                o->setChecked(true);
        });
        y += 26;
    }
    Opt128->setChecked(true);
    Label21 = MakeLabel(Picture1, "Label21", QStringLiteral("Encoder Selection:"), 12, 174, 236, 20);
    SetBold(Label21);
    Label23 = MakeLabel(Picture1, "Label23", QString(), 12, 196, 236, 20);

    SSConvert = new SSCommand(QStringLiteral("Convert"), body);
    SSConvert->setObjectName(QStringLiteral("SSConvert"));
    SSConvert->setToolTip(QStringLiteral("Convert Selected WAVs To MP3"));
    SSConvert->setGeometry(486, 256, 258, 40);
    SetBold(SSConvert);

    Picture2 = new PictureBox(body);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setFrameShape(QFrame::StyledPanel);
    Picture2->setGeometry(486, 306, 258, 96);
    Label8 = MakeLabel(Picture2, "Label8", QStringLiteral("Program Settings"), 10, 6, 238, 20);
    SetBold(Label8);
    SSFolder = new SSCommand(QStringLiteral("Options..."), Picture2);
    SSFolder->setObjectName(QStringLiteral("SSFolder"));
    SSFolder->setToolTip(QStringLiteral("Select A New Music Folder Or Encoder Option"));
    SSFolder->setGeometry(10, 32, 100, 32);
    Label24 = MakeLabel(Picture2, "Label24", QStringLiteral("More Encoder And Folder Options"), 118, 30, 134, 40);
    Label24->setWordWrap(true);

    connect(ListView2, &ListView::itemClicked, this, [this] { ListView2_Click(); });
    connect(SSSearch, &QPushButton::clicked, this, &frmWAVToMP3::SSSearch_Click);
    connect(text1, &QLineEdit::returnPressed, this, &frmWAVToMP3::SSSearch_Click);
    connect(SSFolder, &QPushButton::clicked, this, &frmWAVToMP3::SSFolder_Click);
    connect(SSConvert, &QPushButton::clicked, this, &frmWAVToMP3::SSConvert_Click);
    connect(Label17, &Label::mouseMoved, this, &frmWAVToMP3::Label17_MouseMove);
    connect(Label6, &Label::mouseMoved, this, &frmWAVToMP3::Label6_MouseMove);

    // The run: the job encodes; the window shows its steps and what went wrong.
    job = new WavToMp3Job(this);
    connect(job, &Job::nextTrack, this, [this](int n, int) { NumberofFile = int16_t(n); });
    connect(job, &Job::logError, this, [](const QString& procedure, int number, const QString& text) {
        const bool own = procedure == QLatin1String("SSConvert_Click");
        LogAndTell(own ? kModule : QStringLiteral("frmProgWAVToMP3"), procedure, number, text, kAppTitle);
    });
    connect(job, &Job::infoMessage, this, [](const QString& text, Job::InfoKind) { MsgBox(text); });
    connect(job, &Job::finished, this, &frmWAVToMP3::endRun);
}

void frmWAVToMP3::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    // No device is ever opened under the alias "sound": the original's stop and close are moot.
    trap([this] { Label17->setText(MusicFolderCaption()); });
    trap([this] {
        for (const QString& name : FolderFileNames(MusicFolder))
            if (name.contains(QLatin1String(".wav"), Qt::CaseInsensitive))
                new ListItem(ListView2, {name});
    });
    if (EncoderMode.isEmpty())
        EncoderMode = QStringLiteral("CBR1");
    trap([this] { Label21->setText(QStringLiteral("Encoder Selection:")); });
    trap([this] { Label23->setText(EncoderSelectionText(EncoderMode)); });
    FinishConverterLoad(this, ListView2, kModule);
}

void frmWAVToMP3::Form_Unload(int& cancel)
{
    ConverterUnload(kModule, isRunning(), cancel);
}

void frmWAVToMP3::ListView2_Click()
{
    Trap trap(kModule, QStringLiteral("ListView2_Click"));
    trap([this] {
        ListItem* row = ClickedRow(ListView2);
        if (!row)
            return;
        const QString text = row->text(0);
        if (RefuseExistingTwin(row, text.left(text.size() - 4), QStringLiteral("MP3")))
            return;
        const int index = ListView2->indexOfTopLevelItem(row);
        if (!CheckWAVFormat(shortpathname(MusicFolder + text))) {
            MsgBox(QStringLiteral("This WAV File Is Not A Standard PCM 44,100 Hz, 16 Bit, Stereo File So It Can Not "
                                  "Be Converted"));
            if (ListItem* again = ListView2->topLevelItem(index); again && again->isSelected())
                again->setSelected(false);
        }
    });
}

void frmWAVToMP3::SSSearch_Click()
{
    Trap trap(kModule, QStringLiteral("SSSearch_Click"));
    trap([this] {
        SearchRows(ListView2, text1->text(), [](ListItem* row, const QString& t) {
            return row->text(0).contains(t, Qt::CaseInsensitive);
        });
    });
}

void frmWAVToMP3::SSFolder_Click()
{
    ShowSettingsTab(kModule, 0);
}

void frmWAVToMP3::picConvert_Click()
{
    switchTo(FormKind::MP3ToWAV, QStringLiteral("picConvert_Click"));
}

void frmWAVToMP3::SSConvert_Click()
{
    Trap trap(kModule, QStringLiteral("SSConvert_Click"));
    if (isRunning())
        return;
    TotFiles = SelectedForConvert(kModule, ListView2, QStringLiteral("WAV"));
    if (TotFiles == 0)
        return;
    if (!MusicFolderWritable(kModule, QStringLiteral("MP3"), SSFolder->text()))
        return;

    // The plan: the selected rows in list order, at the ticked bit rate.
    WavToMp3Plan plan;
    plan.folder = MusicFolder;
    for (int i = 0; i < ListView2->topLevelItemCount(); ++i)
        if (ListView2->topLevelItem(i)->isSelected())
            plan.wavNames << ListView2->topLevelItem(i)->text(0);
    plan.rateText = BitRateOptionText(Opt320->isChecked(), Opt256->isChecked(), Opt192->isChecked(),
                                      Opt128->isChecked(), opt64->isChecked());
    job->setPlan(plan);
    trap([this] { SetRunControlsEnabled(this, false); });
    setCaption(kRunCaption);
    NumberofFile = 1;
    trap([this] { Forms::get<frmProgWAVToMP3>().watch(*job); });
    job->start();
}

void frmWAVToMP3::endRun(const JobOutcome& outcome)
{
    Trap trap(kModule, QStringLiteral("SSConvert_Click"));
    if (outcome.kind == JobOutcome::Failed && !outcome.reason.isEmpty())
        MsgBox(outcome.reason + QStringLiteral("\n\nThe conversion was stopped."));
    trap([] { Forms::unload<frmProgWAVToMP3>(); });
    trap([this] { SetRunControlsEnabled(this, true); });
    setCaption(kCaption);
}

void frmWAVToMP3::Label17_MouseMove() { Label17->setToolTip(Label17->text()); }
void frmWAVToMP3::Label6_MouseMove() { Label6->setToolTip(Label17->text()); }
void frmWAVToMP3::Label14_MouseMove() { lblConvert->setFontBold(false); }
void frmWAVToMP3::Label7_MouseMove() { lblEncoder->setFontBold(false); }
void frmWAVToMP3::picEncoder_MouseMove() { lblConvert->setFontBold(false); }
void frmWAVToMP3::picConvert_MouseMove() { lblEncoder->setFontBold(false); }
