// The player's window furniture: the navigation row and caption bar with their menus and
// hover looks, and the three layouts (full player, mini player, cover view).
#include <QAction>
#include <QMenu>

#include "controls/mp3play.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "core/windowrefresh.h"
#include "player/frmplay.h"
#include "player/playerinternal.h"
#include "shell/frmmain.h"
#include "shell/uisound.h"
#include "shell/windowchrome.h"

using namespace playerinternal;

void frmPlay::buildChrome()
{
    // The navigation row along the top, with its caption labels.
    struct Nav {
        PictureBox* pic;
        const char* name;
        const char* tip;
        int left;
        Label* lbl;
        Label*& alias;
        const char* lblName;
        const char* lblTip;
        int lblLeft, lblTop, lblWidth, lblHeight;
    };
    const Nav navs[] = {
        {picQuillory, "picQuillory", "Return To The Quillory", 75, lblQuillory, Label3, "Label3", "Return To The Quillory",
         120, 825, 465, 195},
        {picEncoder, "picEncoder", "Play Or Encode CD Tracks ", 870, lblEncoder, Label5, "Label5",
         "Play Or Encode CD Tracks ", 750, 795, 840, 375},
        {picConvert, "picConvert", "Convert WAVtoMP3 or MP3toWAV", 1680, lblConvert, Label21, "Label21",
         "Convert WAVtoMP3/MP3ToWAV", 1500, 825, 855, 255},
        {picPlayLists, "picPlayLists", "Edit Or Create PlayLists And Associate Pictures", 2460, lblPlayLists, Label6,
         "Label6", "Edit Or Create PlayLists And Associate Pictures", 2235, 825, 975, 255},
        {picBurner, "picBurner", "Burn MP3 Or WAV Files To CD", 3255, lblBurner, Label29, "Label29",
         "Burn MP3 Or WAV Files To CD", 3165, 840, 930, 255},
        // The Exit picture stands 30 twips left of the design's 4050 so that it shows whole in the
        // narrowest full player (4700 twips, a client 305 pixels wide, once its right pane closes).
        {picExit, "picExit", "Exit Quillory", 4020, lblExit, Label7, "Label7", "Exit Quillory", 4140, 825, 285, 195},
    };
    for (const Nav& n : navs) {
        n.pic->setObjectName(QString::fromLatin1(n.name));
        n.pic->setToolTip(QString::fromLatin1(n.tip));
        placeTwips(n.pic, n.left, 240, 540, 540);
        n.alias = n.lbl;
        n.lbl->setObjectName(QString::fromLatin1(n.lblName));
        n.lbl->setToolTip(QString::fromLatin1(n.lblTip));
        n.lbl->setWordWrap(true);
        n.lbl->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        QFont f = n.lbl->font();
        f.setPointSizeF(7.5);
        n.lbl->setFont(f);
        placeTwips(n.lbl, n.lblLeft, n.lblTop, n.lblWidth, n.lblHeight);
        // The captions are centred under their pictures, wide enough for the type in use.
        const int centre = n.left + 270;
        const int width = std::max(n.lblWidth, 780);
        placeTwips(n.lbl, centre - width / 2, n.lblTop, width, std::max(n.lblHeight, 375));
        // The player's own hover rules replace the family's.
        disconnect(n.pic, SIGNAL(mouseMoved(QPoint)), this, nullptr);
        PictureBox* pic = n.pic;
        connect(pic, &PictureBox::mouseMoved, this, [this, pic] { hoverNav(pic); });
    }
    // Hover on the labels that take highlights away.
    connect(Label1, &Label::mouseMoved, this, [this] {
        Trap trap(kModule, QStringLiteral("Label1_MouseMove"));
        picQuillory->setBorderStyle(1);
        Label3->setFontBold(false);
    });
    connect(Label3, &Label::mouseMoved, this, [this] {
        Trap trap(kModule, QStringLiteral("Label3_MouseMove"));
        picQuillory->setBorderStyle(1);
        Label3->setFontBold(false);
    });
    connect(Label6, &Label::mouseMoved, this, [this] {
        Trap trap(kModule, QStringLiteral("Label6_MouseMove"));
        picPlayLists->setBorderStyle(1);
        Label6->setFontBold(false);
    });
    connect(Label7, &Label::mouseMoved, this, [this] {
        Trap trap(kModule, QStringLiteral("Label7_MouseMove"));
        for (PictureBox* p : {picQuillory, picEncoder, picPlayLists, picExit})
            p->setBorderStyle(1);
        for (Label* l : {Label7, Label6, Label5})
            l->setFontBold(false);
    });

    // The caption bar: the family's menu labels under the player's names and places.
    Label22 = chrome->Label6;
    Label30 = chrome->Label12;
    Label23 = chrome->Label8;
    Label27 = chrome->Label10;
    Label14 = chrome->Label7;
    const struct {
        Label* lbl;
        const char* name;
        const char* tip;
        int left, width, height;
    } bar[] = {{Label22, "Label22", "Navigate And Close Program", 90, 345, 200},
               {Label30, "Label30", "Change Skins (Appearance)", 600, 475, 200},
               {Label23, "Label23", "Program Settings ", 1200, 855, 200},
               {Label27, "Label27", "Visit Our Quillory Web Site", 2235, 870, 195},
               {Label14, "Label14", "Help, Program Info/Credits, And Order Info", 3165, 390, 200}};
    for (const auto& b : bar) {
        b.lbl->setObjectName(QString::fromLatin1(b.name));
        b.lbl->setToolTip(QString::fromLatin1(b.tip));
        placeTwips(b.lbl, b.left, 0, b.width, b.height);
        if (b.lbl->sizeHint().width() > b.lbl->width())
            b.lbl->resize(b.lbl->sizeHint().width(), b.lbl->height());
    }
    Label28 = new Label(QString(), this);
    Label28->setObjectName(QStringLiteral("Label28"));
    QFont f(QStringLiteral("Arial Narrow"));
    f.setPointSizeF(8.25);
    Label28->setFont(f);
    placeTwips(Label28, 4695, 0, 4440, 210);
    connect(Label28, &Label::mouseMoved, this, &frmPlay::Label28_MouseMove);

    // The menus under the player's names and captions.
    chrome->mnuskin->setObjectName(QStringLiteral("mnuskins"));
    chrome->mnuOpenSkins->setObjectName(QStringLiteral("mnuskin"));
    chrome->mnuFreeMP3s->setObjectName(QStringLiteral("frmFreeMP3s"));
    for (size_t i = 0; i < chrome->mnuSearchSite.size(); ++i)
        chrome->mnuSearchSite[i]->setObjectName(QStringLiteral("mnuFindSite%1").arg(i + 1));
    chrome->mnuwebsite->setObjectName(QStringLiteral("mnusite"));
    chrome->mnuweb->setTitle(QStringLiteral("Web Sites"));
    chrome->mnuAbout->setText(QStringLiteral("About Quillory"));
    const struct {
        const char* from;
        const char* to;
        const char* caption;
    } file[] = {{"mnuConvert", "mnuConvert", "Converter"},
                {"mnuPlayLists", "mnuPlaylist", "Edit Or Create PlayLists"},
                {"mnuClose", "mnuClosePlayer", "Close MP3 Player"},
                {"mnuExit", "mnuExit", "Exit"}};
    for (const auto& e : file)
        if (QAction* a = chrome->entry(QString::fromLatin1(e.from))) {
            a->setObjectName(QString::fromLatin1(e.to));
            a->setText(QString::fromLatin1(e.caption));
        }
}

void frmPlay::hoverNav(PictureBox* over)
{
    struct Row {
        PictureBox* pic;
        Label* lbl;
        std::initializer_list<PictureBox*> resetPics;
        std::initializer_list<Label*> resetLabels;
        const char* procedure;
    };
    const Row rows[] = {
        {picQuillory, Label3, {}, {}, "picQuillory_MouseMove"},
        {picEncoder, Label5, {picQuillory, picPlayLists, picExit}, {Label7, Label6}, "picEncoder_MouseMove"},
        {picConvert, Label21, {}, {}, "picConvert_MouseMove"},
        {picPlayLists, Label6, {picQuillory, picEncoder, picExit}, {Label7, Label5}, "picPlayLists_MouseMove"},
        {picBurner, Label29, {picQuillory, picEncoder, picExit}, {Label7, Label6, Label5}, "picBurner_MouseMove"},
        {picExit, Label7, {}, {}, "picExit_MouseMove"},
    };
    for (const Row& r : rows) {
        if (r.pic != over)
            continue;
        Trap trap(kModule, QString::fromLatin1(r.procedure));
        trap([&] {
            r.pic->setBorderStyle(0);
            r.lbl->setFontBold(true);
            for (PictureBox* p : r.resetPics)
                p->setBorderStyle(1);
            for (Label* l : r.resetLabels)
                l->setFontBold(false);
        });
    }
}

void frmPlay::Label28_MouseMove() { Label28->setToolTip(Label28->text()); }

void frmPlay::picQuillory_Click() { FeatureForm::picQuillory_Click(); }

void frmPlay::picConvert_Click()
{
    Trap trap(kModule, QStringLiteral("picConvert_Click"));
    trap([] { GetLastForm(); });
    trap([] { PlayLauncherSound(); });
    trap([this] {
        for (PictureBox* p : {picConvert, picEncoder, picPlayLists, picExit})
            p->setBorderStyle(1);
    });
    trap([] { Forms::get(FormKind::ConvertChoice).Show(); });
    trap([this] { Hide(); });
}

void frmPlay::picPlayLists_Click()
{
    Trap trap(kModule, QStringLiteral("picPlayLists_Click"));
    trap([this] {
        for (PictureBox* p : {picQuillory, picPlayLists, picExit, picEncoder})
            p->setBorderStyle(1);
        for (Label* l : {Label7, Label6, Label3})
            l->setFontBold(false);
    });
    FeatureForm::picPlayLists_Click();
}

void frmPlay::picBurner_Click()
{
    Trap trap(kModule, QStringLiteral("picBurner_Click"));
    trap([this] {
        picBurner->setBorderStyle(1);
        Label29->setFontBold(false);
    });
    FeatureForm::picBurner_Click();
}

void frmPlay::picExit_Click()
{
    Trap trap(kModule, QStringLiteral("picExit_Click"));
    trap([] { Forms::get<frmMain>().setWindowStateValue(WinState::Normal); });
    trap([] { Forms::unload(&Forms::get<frmMain>()); });
}

void frmPlay::OpenSettings()
{
    Trap trap(kModule, QStringLiteral("SSCommand1_Click"));
    trap([this] { FeatureForm::OpenSettings(); });
}

// ---- layouts ----

bool frmPlay::isTopmost() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

void frmPlay::setTopmost(bool on)
{
    if (isTopmost() == on)
        return;
    const QPoint at = pos();
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    move(at);
    if (shown)
        show();
}

// The controls that both compact layouts hide and the full player shows.
void frmPlay::setFullHidden(bool hidden)
{
    const std::initializer_list<QWidget*> controls = {
        picQuillory, picEncoder, picConvert, picPlayLists, picBurner, picExit, Label3, Label5, Label6, Label29,
        Label7, Label22, Label23, Label27, Label14, Label30, ListView1, Label11, Label26, Label2, SSCommand1,
        sscmdMP3, sscmdPlayLists, Picture2, Picture1, Label24, Label1, Line1, Line2, Line3, Line4};
    for (QWidget* w : controls)
        w->setVisible(!hidden);
}

void frmPlay::compactControls()
{
    moveTw(picPrev, 0, 0);
    moveTw(picNext, 480, 0);
    moveTw(picPlay, 960, 0);
    moveTw(picPause, 1440, 0);
    moveTw(picStop, 1920, 0);
    // The design left is 2450.65 twips; positions are kept in whole twips.
    moveTw(Label20, 2450, 40);
}

void frmPlay::picUpDown_Click()
{
    Trap trap(kModule, QStringLiteral("picUpDown_Click"));
    if (upflag != 1) {
        trap([this] { setSizeTw(4600, 1000); });
        trap([this] {
            compactControls();
            moveTw(Slider1, 2790, 30);
            moveTw(picUpDown, 4125, 10);
            moveTw(picPic, 3760, 10);
        });
        trap([this] {
            moveTw(imgCover, 45, -3000);
            imgCover->hide();
        });
        trap([this] { moveTw(Text3, 40, 310); });
        trap([this] { setFullHidden(true); });
        trap([this] { setTopmost(true); });
        upflag = 1;
        return;
    }
    trap([this] { imgCover->hide(); });
    trap([this] {
        moveTw(Text3, 100, 1590);
        moveTw(picPrev, 120, 1245);
        moveTw(picNext, 600, 1245);
        moveTw(picPlay, 1080, 1245);
        moveTw(picPause, 1560, 1245);
        moveTw(picStop, 2040, 1245);
        moveTw(Label20, 2565, 1250);
        moveTw(Slider1, 2900, 1245);
        moveTw(picUpDown, 4225, 1245);
    });
    trap([this] {
        for (QWidget* w : std::initializer_list<QWidget*>{Label3, Label21, Label12, Label13, Label27, Label14, Label30})
            w->show();
    });
    trap([this] { moveTw(picPic, 3890, 1245); });
    trap([this] {
        for (QWidget* w : std::initializer_list<QWidget*>{picQuillory, picEncoder, picConvert, picPlayLists, picBurner,
                                                          picExit, Label2, Label5, Label29, Label6, Label7, Label22,
                                                          Label23, Label26})
            w->show();
    });
    trap([this] { setSizeTw(4740, 6360); });
    trap([this] {
        for (QWidget* w : std::initializer_list<QWidget*>{Label11, Label24, Label1, SSCommand1, sscmdMP3, sscmdPlayLists,
                                                          Picture1, Picture2, ListView1, Line1, Line2, Line3, Line4})
            w->show();
    });
    trap([this] { setTopmost(false); });
    trap([this] {
        imgCover->hide();
        moveTw(imgCover, leftTwips(imgCover), -3000);
    });
    upflag = 0;
    FlagPicDown = 0;
}

void frmPlay::picPic_Click()
{
    Trap trap(kModule, QStringLiteral("picPic_Click"));
    if (FlagPicDown != 1) {
        trap([this] { setSizeTw(4600, 1000); });
        trap([this] { compactControls(); });
        trap([this] {
            for (QWidget* w : std::initializer_list<QWidget*>{Label21, Label12, Label13, Label26, Label29})
                w->hide();
        });
        trap([this] {
            moveTw(Slider1, 2790, 30);
            moveTw(picUpDown, 4125, 10);
            moveTw(picPic, 3760, 10);
            moveTw(Text3, 40, 310);
        });
        trap([this] { setFullHidden(true); });
        trap([this] { setTopmost(true); });
        upflag = 1;
        trap([this] { setSizeTw(4600, 5480); });
        FlagPicDown = 1;
        trap([this] {
            placeTwips(imgCover, 38, 640, widthTwips(imgCover), 4425);
            imgCover->show();
            imgCover->raise();
        });
        return;
    }
    if (upflag == 1) {
        trap([this] {
            Label27->hide();
            Label14->hide();
            Label30->hide();
        });
        trap([this] { setSizeTw(4600, 1010); });
        trap([this] {
            moveTw(imgCover, leftTwips(imgCover), -4000);
            imgCover->hide();
        });
        FlagPicDown = 0;
        upflag = 1;
        trap([this] { moveTw(imgCover, leftTwips(imgCover), -3000); });
    }
}
