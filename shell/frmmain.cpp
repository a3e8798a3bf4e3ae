#include "shell/frmmain.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <optional>

#include "platform/errors.h"
#include "core/fieldreader.h"
#include "core/globals.h"
#include "core/settings.h"
#include "core/skin.h"
#include "core/windowrefresh.h"
#include "platform/appcontext.h"
#include "platform/files.h"
#include "platform/prompt.h"
#include "platform/services.h"
#include "shell/artwork.h"
#include "shell/frmoptions.h"
#include "shell/frmskindir.h"
#include "shell/uisound.h"
#include "shell/windowchrome.h"

namespace {
const QString kModule = QStringLiteral("frmMain");

PictureBox* launcher(QWidget* parent, const QString& name, const QString& kind, const QString& tip, int left)
{
    auto* pic = new PictureBox(parent);
    pic->setObjectName(name);
    pic->setPicture(LauncherPicture(kind));
    pic->setToolTip(tip);
    pic->setBorderStyle(1);
    pic->setCursor(Qt::PointingHandCursor);
    placeTwips(pic, left, 1680, 540, 540);
    return pic;
}

Label* caption(QWidget* parent, const QString& name, const QString& text, const QString& tip, int l, int w, int h)
{
    auto* lbl = new Label(text, parent);
    lbl->setObjectName(name);
    lbl->setToolTip(tip);
    lbl->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lbl->setWordWrap(true);
    placeTwips(lbl, l, 2280, w, h);
    // A one-line caption wider than its design width grows on both sides instead of wrapping.
    if (h < 300 && lbl->fontMetrics().horizontalAdvance(text) > lbl->width()) {
        const int grow = lbl->fontMetrics().horizontalAdvance(text) - lbl->width() + 4;
        lbl->setGeometry(lbl->x() - grow / 2, lbl->y(), lbl->width() + grow, lbl->height());
    }
    return lbl;
}
} // namespace

frmMain::frmMain() : Form(QStringLiteral("frmMain"))
{
    setWindowTitle(QStringLiteral("The Quillory "));
    setTag(this, QStringLiteral("Skin"));
    setWindowIcon(QIcon(LauncherPicture(QStringLiteral("quillory"))));
    setFixedSize(twipsToPx(5385), twipsToPx(2745));
    setMouseTracking(true);
    QFont small = font();
    small.setPointSizeF(8.25);
    setFont(small);

    chrome = new WindowChrome(this, kModule);

    Label5 = new Label(QStringLiteral("Quillory"), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setToolTip(QStringLiteral("Read The Tool Tip Under Each Icon"));
    QFont tf(QStringLiteral("Comic Sans MS"), 20);
    tf.setBold(true);
    Label5->setFont(tf);
    Label5->setAlignment(Qt::AlignCenter);
    placeTwips(Label5, 360, 580, 3480, 495);

    picQuillory = new PictureBox(this);
    picQuillory->setObjectName(QStringLiteral("picQuillory"));
    picQuillory->setPicture(LauncherPicture(QStringLiteral("quillory")));
    picQuillory->setToolTip(QStringLiteral("Enjoy Quillory"));
    placeTwips(picQuillory, 4080, 600, 480, 480);

    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    placeTwips(Line1, 0, 330, 5385, 30);
    Line2 = new QFrame(this);
    Line2->setObjectName(QStringLiteral("Line2"));
    Line2->setFrameShape(QFrame::HLine);
    Line2->setFrameShadow(QFrame::Sunken);
    placeTwips(Line2, 120, 1440, 5145, 30);

    picPlayer = launcher(this, QStringLiteral("picPlayer"), QStringLiteral("player"),
                         QStringLiteral("Play MP3 Files And Display CD Covers"), 135);
    picEncoder = launcher(this, QStringLiteral("picEncoder"), QStringLiteral("encoder"),
                          QStringLiteral("Play Or Encode CD Tracks "), 1015);
    picConvert = launcher(this, QStringLiteral("picConvert"), QStringLiteral("convert"),
                          QStringLiteral("Convert WAVtoMP3 or MP3toWAV"), 1915);
    picPlayLists = launcher(this, QStringLiteral("picPlayLists"), QStringLiteral("playlist"),
                            QStringLiteral("Edit Or Create PlayLists And Associate Pictures"), 2840);
    picBurner = launcher(this, QStringLiteral("picBurner"), QStringLiteral("burner"),
                         QStringLiteral("Burn MP3 Or WAV Files To CD"), 3765);
    picExit = launcher(this, QStringLiteral("picExit"), QStringLiteral("exit"), QStringLiteral("Exit Quillory"), 4695);

    Label1 = caption(this, QStringLiteral("Label1"), QStringLiteral("MP3 Player"),
                     QStringLiteral("Play MP3 Files And Display CD Covers"), 15, 795, 405);
    Label2 = caption(this, QStringLiteral("Label2"), QStringLiteral("CD/MP3 Encoder"),
                     QStringLiteral("Play Or Encode CD Tracks "), 915, 795, 405);
    Label9 = caption(this, QStringLiteral("Label9"), QStringLiteral("Converter"),
                     QStringLiteral("Convert WAVtoMP3/MP3ToWAV"), 1695, 1035, 405);
    Label3 = caption(this, QStringLiteral("Label3"), QStringLiteral("PlayLists"),
                     QStringLiteral("Edit Or Create PlayLists And Associate Pictures"), 2715, 795, 405);
    Label11 = caption(this, QStringLiteral("Label11"), QStringLiteral("CD Burner"),
                      QStringLiteral("Burn MP3 Or WAV Files To CD"), 3695, 915, 255);
    Label4 = caption(this, QStringLiteral("Label4"), QStringLiteral("Exit "), QStringLiteral("Exit Quillory"), 4575,
                     795, 405);

    connect(picPlayer, &PictureBox::clicked, this, &frmMain::picPlayer_Click);
    connect(picEncoder, &PictureBox::clicked, this, &frmMain::picEncoder_Click);
    connect(picConvert, &PictureBox::clicked, this, &frmMain::picConvert_Click);
    connect(picPlayLists, &PictureBox::clicked, this, &frmMain::picPlayLists_Click);
    connect(picBurner, &PictureBox::clicked, this, &frmMain::picBurner_Click);
    connect(picExit, &PictureBox::clicked, this, &frmMain::picExit_Click);
    connect(picPlayer, &PictureBox::mouseMoved, this, &frmMain::picPlayer_MouseMove);
    connect(picEncoder, &PictureBox::mouseMoved, this, &frmMain::picEncoder_MouseMove);
    connect(picConvert, &PictureBox::mouseMoved, this, &frmMain::picConvert_MouseMove);
    connect(picPlayLists, &PictureBox::mouseMoved, this, &frmMain::picPlayLists_MouseMove);
    connect(picBurner, &PictureBox::mouseMoved, this, &frmMain::picBurner_MouseMove);
    connect(picExit, &PictureBox::mouseMoved, this, &frmMain::picExit_MouseMove);
    connect(picPlayer, &PictureBox::mouseDown, this, &frmMain::picPlayer_MouseDown);
    connect(picEncoder, &PictureBox::mouseDown, this, &frmMain::picEncoder_MouseDown);
    connect(picPlayLists, &PictureBox::mouseDown, this, &frmMain::picPlayLists_MouseDown);
    connect(picExit, &PictureBox::mouseDown, this, &frmMain::picExit_MouseDown);
    for (Label* l : {Label1, Label2, Label3, Label4, Label5}) {
        const QString name = l->objectName();
        connect(l, &Label::mouseMoved, this, [this, name] { Label_MouseMove(name); });
    }

    chrome->addFileEntry(QStringLiteral("mnuPlayer"), QStringLiteral("MP3 Player"), [this] { picPlayer_Click(); });
    chrome->addFileEntry(QStringLiteral("mnuEncoder"), QStringLiteral("CD Player/MP3 Encoder"),
                         [this] { picEncoder_Click(); });
    chrome->addFileEntry(QStringLiteral("mnuConvert"), QStringLiteral("Convert WAV Or MP3 Files"),
                         [this] { picConvert_Click(); });
    chrome->addFileEntry(QStringLiteral("mnuPlayLists"), QStringLiteral("Edit Or Create Play Lists"),
                         [this] { picPlayLists_Click(); });
    chrome->addFileEntry(QStringLiteral("mnuBurner"), QStringLiteral("CD Burner"), [this] { picBurner_Click(); });
    chrome->addFileSeparator();
    chrome->addFileEntry(QStringLiteral("mnuExit"), QStringLiteral("Exit Quillory"), [this] { picExit_Click(); });
    // The main window opens the settings dialog on whatever tab it shows.
    chrome->setSettingsHandler([] { Forms::get<frmOptions>().Show(true); });
}

void frmMain::readSkinChoice()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    std::optional<FieldReader> reader;
    trap([&] { reader.emplace(resolveIgnoringCase(Ctx().programFile(QStringLiteral("Skins/skinmain.ini")))); });
    auto read = [&]() {
        if (!reader) // the file did not open
            throw AppError(Err::BadFileName, QStringLiteral("Bad file name or number"));
        return reader->next();
    };
    trap([&] { SkinName = read(); });
    trap([&] { SkinFlag = static_cast<int16_t>(ToWholeNumber(read(), -32768, 32767)); });
}

void frmMain::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([] { GetMWFolders(); });
    readSkinChoice();
    trap([] { formskins(); });
    trap([] { PlayLauncherSound(); });
    trap([this] { centreOnScreen(); });
    trap([this] { Show(); });
}

// ---- launcher buttons ----
void frmMain::picPlayer_Click()
{
    Trap trap(kModule, QStringLiteral("picPlayer_Click"));
    trap([] { PlayLauncherSound(); });
    trap([] { Forms::get(FormKind::Play).Show(); });
    trap([this] { Hide(); });
    trap([this] { shortReset(); });
}

void frmMain::picPlayLists_Click()
{
    Trap trap(kModule, QStringLiteral("picPlayLists_Click"));
    trap([] { PlayLauncherSound(); });
    trap([] { Forms::get(FormKind::Songs).Show(); });
    trap([this] { Hide(); });
    trap([this] { shortReset(); });
}

void frmMain::picBurner_Click()
{
    Trap trap(kModule, QStringLiteral("picBurner_Click"));
    trap([] { PlayLauncherSound(); });
    trap([] { Forms::get(FormKind::Burner).Show(); });
    trap([this] { Hide(); });
    trap([this] { shortReset(); });
}

void frmMain::picConvert_Click()
{
    Trap trap(kModule, QStringLiteral("picConvert_Click"));
    trap([] { GetLastForm(); });
    trap([] { PlayLauncherSound(); });
    trap([this] {
        picConvert->setBorderStyle(0);
        for (PictureBox* p : {picPlayer, picEncoder, picPlayLists, picExit})
            p->setBorderStyle(1);
        for (Label* l : {Label1, Label2, Label3, Label4})
            l->setFontBold(false);
    });
    trap([] { Forms::get(FormKind::ConvertChoice).Show(); });
    trap([this] { Hide(); });
}

void frmMain::picEncoder_Click()
{
    Trap trap(kModule, QStringLiteral("picEncoder_Click"));
    trap([] { PlayLauncherSound(); });
    trap([] { Forms::get(FormKind::CD).Show(); });
    if (CDPlayerFailed == 1) {
        // The CD window has told the user why; close it again and stay.
        trap([] { Forms::unload(FormKind::CD); });
        return;
    }
    trap([this] { Hide(); });
}

void frmMain::picExit_Click()
{
    Trap trap(kModule, QStringLiteral("picExit_Click"));
    bool unloaded = false;
    trap([&] { unloaded = Forms::unload(this); });
    if (!unloaded)
        trap([this] { shortReset(); });
}

// ---- exit sequence ----
void frmMain::Form_Unload(int& cancel)
{
    Trap trap(kModule, QStringLiteral("Form_Unload"));
    if (ConversionRunning == 1) {
        MsgBox(QStringLiteral("You Are Ripping, Encoding Or Converting. You Need To Stop (Abort) "
                              "Ripping/Encoding/Converting Before You Can Exit."),
               Mb::OKOnly, QStringLiteral("Quillory"));
        cancel = 1;
        return;
    }
    trap([this] { setWindowStateValue(WinState::Normal); });
    int answer = Mb::No;
    trap([&] {
        answer = MsgBox(QStringLiteral("Do you want to exit Quillory?"), Mb::YesNo | Mb::Exclamation,
                        QStringLiteral("Quillory"));
    });
    if (answer != Mb::Yes) {
        cancel = 1;
        return;
    }
    trap([this] { Hide(); });
    trap([] { Forms::unload(FormKind::Burner); });
    trap([] { Forms::unload(FormKind::CD); });
    trap([] { Forms::unload(FormKind::MP3ToWAV); });
    trap([] { Forms::unload<frmOptions>(); });
    trap([] { Forms::unload(FormKind::Play); });
    trap([] { Forms::unload(FormKind::WAVToMP3); });
    trap([] { Forms::unload(FormKind::Songs); });
    trap([] { Forms::unload<frmSkinDir>(); });
    // The catalogues are released without saving: the windows that change them save them.
    SongLibrary.reset();
    Playlists.reset();
    CDLibrary.reset();
    Categories.reset();
    RecentList.reset();
    EndProgram(0);
}

// ---- hover ----
void frmMain::highlight(PictureBox* pic, Label* label)
{
    pic->setBorderStyle(0);
    label->setFontBold(true);
}

void frmMain::shortReset()
{
    for (PictureBox* p : {picPlayer, picEncoder, picPlayLists, picExit})
        p->setBorderStyle(1);
    for (Label* l : {Label1, Label2, Label3, Label4})
        l->setFontBold(false);
}

void frmMain::fullReset()
{
    for (PictureBox* p : {picConvert, picPlayer, picBurner, picEncoder, picPlayLists, picExit})
        p->setBorderStyle(1);
    for (Label* l : {Label1, Label2, Label3, Label4, Label9, Label11})
        l->setFontBold(false);
}

void frmMain::mouseMoveEvent(QMouseEvent* e)
{
    Form_MouseMove();
    Form::mouseMoveEvent(e);
}

void frmMain::Form_MouseMove()
{
    Trap trap(kModule, QStringLiteral("Form_MouseMove"));
    trap([this] { fullReset(); });
}

void frmMain::picPlayer_MouseMove()
{
    Trap trap(kModule, QStringLiteral("picPlayer_MouseMove"));
    trap([this] { highlight(picPlayer, Label1); });
}
void frmMain::picEncoder_MouseMove()
{
    Trap trap(kModule, QStringLiteral("picEncoder_MouseMove"));
    trap([this] { highlight(picEncoder, Label2); });
}
void frmMain::picConvert_MouseMove()
{
    Trap trap(kModule, QStringLiteral("picConvert_MouseMove"));
    trap([this] { highlight(picConvert, Label9); });
}
void frmMain::picPlayLists_MouseMove()
{
    Trap trap(kModule, QStringLiteral("picPlayLists_MouseMove"));
    trap([this] { highlight(picPlayLists, Label3); });
}
void frmMain::picBurner_MouseMove()
{
    Trap trap(kModule, QStringLiteral("picBurner_MouseMove"));
    trap([this] { highlight(picBurner, Label11); });
}
void frmMain::picExit_MouseMove()
{
    Trap trap(kModule, QStringLiteral("picExit_MouseMove"));
    trap([this] { highlight(picExit, Label4); });
}
void frmMain::picPlayer_MouseDown()
{
    Trap trap(kModule, QStringLiteral("picPlayer_MouseDown"));
    trap([this] { shortReset(); });
}
void frmMain::picEncoder_MouseDown()
{
    Trap trap(kModule, QStringLiteral("picEncoder_MouseDown"));
    trap([this] { picEncoder->setBorderStyle(1); });
}
void frmMain::picPlayLists_MouseDown()
{
    Trap trap(kModule, QStringLiteral("picPlaylists_MouseDown"));
    trap([this] { picPlayLists->setBorderStyle(1); });
}
void frmMain::picExit_MouseDown()
{
    Trap trap(kModule, QStringLiteral("picExit_MouseDown"));
    trap([this] { picExit->setBorderStyle(1); });
}
void frmMain::Label_MouseMove(const QString& label)
{
    Trap trap(kModule, label + QStringLiteral("_MouseMove"));
    trap([this] { shortReset(); });
}
