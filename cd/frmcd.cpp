#include "cd/frmcd.h"

#include <QAbstractButton>
#include <array>
#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QStyledItemDelegate>

#include "core/cdaudio.h"
#include "cd/cddbclient.h"
#include "core/discid.h"
#include "cd/frmcddbstatus.h"
#include "cd/frmcdrip.h"
#include "controls/mp3play.h"
#include "core/windowlinks.h"
#include "core/windowrefresh.h"
#include "core/cdhelpers.h"
#include "core/driveinfo.h"
#include "core/encoderoptions.h"
#include "platform/errors.h"
#include "core/filenames.h"
#include "core/globals.h"
#include "core/mp3tags.h"
#include "core/playlistname.h"
#include "core/settings.h"
#include "core/skin.h"
#include "core/writablefolder.h"
#include "jobs/ripencodejob.h"
#include "platform/cddrives.h"
#include "platform/freespace.h"
#include "platform/prompt.h"
#include "platform/services.h"
#include "shell/frmoptions.h"
#include "shell/uisound.h"
#include "shell/windowchrome.h"

namespace {
const QString kModule = QStringLiteral("frmCD");
const QString kTitle = QStringLiteral("Quillory");
// The full layout in pixels: wide enough for the navigation row and the encoder panel.
constexpr int kFullWidth = 680;
constexpr int kFullHeight = 480;

bool same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Network and typed texts go into record files whose fields are separated by control
// characters: keep none of them.
QString clean(QString s)
{
    s.removeIf([](QChar c) { return c.unicode() < 0x20; });
    return s;
}

QString twoDigits(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

// Length text of a number of frames: minutes (two digits at least), ":", two-digit seconds.
QString framesText(qint64 frames)
{
    if (frames < 0)
        frames = 0;
    return twoDigits(static_cast<int>(frames / 4500)) + QLatin1Char(':') + twoDigits(static_cast<int>((frames % 4500) / 75));
}

qint64 framesOf(const TocEntry& t) { return qint64(t.Min) * 4500 + qint64(t.Sec) * 75 + t.Frame; }

// The pictures of the transport buttons.
QPixmap glyph(const QString& kind, int w, int h)
{
    QPixmap pm(w * 2, h * 2);
    pm.fill(QColor(0xE8, 0xE8, 0xE8));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x30, 0x50));
    const qreal cx = w, cy = h, s = h * 0.55;
    auto tri = [&](qreal x, qreal dir) {
        QPainterPath path;
        path.moveTo(x, cy - s);
        path.lineTo(x + dir * s * 1.2, cy);
        path.lineTo(x, cy + s);
        path.closeSubpath();
        p.drawPath(path);
    };
    if (kind == QLatin1String("play")) {
        tri(cx - s * 0.6, 1);
    } else if (kind == QLatin1String("pause")) {
        p.drawRect(QRectF(cx - s * 0.8, cy - s, s * 0.5, 2 * s));
        p.drawRect(QRectF(cx + s * 0.3, cy - s, s * 0.5, 2 * s));
    } else if (kind == QLatin1String("stop")) {
        p.drawRect(QRectF(cx - s * 0.85, cy - s * 0.85, s * 1.7, s * 1.7));
    } else if (kind == QLatin1String("next")) {
        tri(cx - s * 1.1, 1);
        p.drawRect(QRectF(cx + s * 0.2, cy - s, s * 0.35, 2 * s));
    } else if (kind == QLatin1String("prev")) {
        tri(cx + s * 1.1, -1);
        p.drawRect(QRectF(cx - s * 0.55, cy - s, s * 0.35, 2 * s));
    } else if (kind == QLatin1String("eject")) {
        QPainterPath path;
        path.moveTo(cx - s, cy + s * 0.2);
        path.lineTo(cx, cy - s);
        path.lineTo(cx + s, cy + s * 0.2);
        path.closeSubpath();
        p.drawPath(path);
        p.drawRect(QRectF(cx - s, cy + s * 0.5, 2 * s, s * 0.4));
    } else if (kind == QLatin1String("updown")) {
        QPainterPath path;
        path.moveTo(cx - s, cy - s * 0.1);
        path.lineTo(cx, cy - s);
        path.lineTo(cx + s, cy - s * 0.1);
        path.moveTo(cx - s, cy + s * 0.1);
        path.lineTo(cx, cy + s);
        path.lineTo(cx + s, cy + s * 0.1);
        p.drawPath(path);
    } else if (kind == QLatin1String("cddb")) {
        p.setBrush(QColor(0x30, 0x60, 0xB0));
        p.drawEllipse(QPointF(cx, cy), s * 1.4, s * 1.4);
        p.setBrush(QColor(0xE8, 0xE8, 0xE8));
        p.drawEllipse(QPointF(cx, cy), s * 0.35, s * 0.35);
    }
    return pm;
}

// Only the title column of the track list is edited in place.
class TitleOnlyDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& o, const QModelIndex& i) const override
    {
        return i.column() == 0 ? QStyledItemDelegate::createEditor(parent, o, i) : nullptr;
    }
};
} // namespace

CdWindowState& frmCD::state() const { return Forms::persistent<CdWindowState>(); }

frmCD::frmCD()
    : FeatureForm({QStringLiteral("frmCD"), kCaption, Feature::Encoder, QStringLiteral("Close CD Player/Encoder"), 0,
                   kFullWidth, kFullHeight})
{
    m_switchOnConvert = true;
    body->hide();
    cddb = new CDDBClient(this);

    // ---- Chrome under the CD window's own names ----
    Label22 = chrome->Label6;
    Label34 = chrome->Label12;
    Label26 = chrome->Label8;
    Label2 = chrome->Label10;
    Label23 = chrome->Label7;
    const std::pair<Label*, const char*> bar[] = {{Label22, "Label22"}, {Label34, "Label34"}, {Label26, "Label26"},
                                                  {Label2, "Label2"},   {Label23, "Label23"}};
    for (const auto& [l, name] : bar)
        l->setObjectName(QString::fromLatin1(name));
    Label34->setToolTip(QStringLiteral("Change Skins (Appearance)"));
    Label23->setToolTip(QStringLiteral("Help, About, Developer Credits, Order Information"));
    Label6 = lblQuillory;
    Label8 = lblPlayer;
    Label18 = lblConvert;
    Label9 = lblPlayLists;
    Label31 = lblBurner;
    Label10 = lblExit;
    const std::tuple<PictureBox*, Label*, const char*, const char*, QString> nav[] = {
        {picQuillory, Label6, "picQuillory", "Label6", QStringLiteral("Return To The Quillory")},
        {picPlayer, Label8, "picPlayer", "Label8", QStringLiteral("Play MP3 Files/Display CD Covers")},
        {picConvert, Label18, "picConvert", "Label18", QStringLiteral("Convert WAVtoMP3/MP3ToWAV")},
        {picPlayLists, Label9, "picPlayLists", "Label9", QStringLiteral("Edit Or Create PlayLists")},
        {picBurner, Label31, "picBurner", "Label31", QStringLiteral("Burn MP3 Or WAV Files To CD")},
        {picExit, Label10, "picExit", "Label10", QStringLiteral("Exit Quillory")}};
    for (const auto& [pic, lbl, picName, lblName, tip] : nav) {
        pic->setObjectName(QString::fromLatin1(picName));
        lbl->setObjectName(QString::fromLatin1(lblName));
        pic->setToolTip(tip);
        lbl->setToolTip(tip);
    }
    Label9->setToolTip(QStringLiteral("Edit Or Create Play Lists"));
    connect(Label6, &Label::mouseMoved, this, &frmCD::Label6_MouseMove);
    connect(Label8, &Label::clicked, this, &frmCD::Label8_Click);

    // Menu entries as this window names and captions them.
    auto rename = [this](const char* from, const char* to, const QString& caption) {
        if (QAction* a = chrome->entry(QString::fromLatin1(from))) {
            a->setObjectName(QString::fromLatin1(to));
            if (!caption.isEmpty())
                a->setText(caption);
        }
    };
    rename("mnuConvert", "mnuConvert", QStringLiteral("Convert WAV Or MP3"));
    rename("mnuClose", "mnuClosencoder", QStringLiteral("Close CD Player/Encoder"));
    rename("mnuSettings", "mnuSettings", QStringLiteral("Program Settings"));
    rename("mnuOpenSkins", "mnuskins", QStringLiteral("Change Skins"));
    rename("mnuAbout", "mnuabout", QStringLiteral("About Quillory "));
    rename("mnuSearchSite1", "mnuFindSite1", QString());
    rename("mnuSearchSite2", "mnuFindSite2", QString());

    auto label = [this](const char* name, const QString& text) {
        auto* l = new Label(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setMouseTracking(true);
        return l;
    };
    auto textBox = [this](const char* name) {
        auto* t = new TextBox(this);
        t->setObjectName(QString::fromLatin1(name));
        return t;
    };
    auto picture = [this](const char* name, const QString& kind, int l, int t, int w, int h) {
        auto* p = new PictureBox(this);
        p->setObjectName(QString::fromLatin1(name));
        p->setPicture(glyph(kind, Form::twipsToPx(w), Form::twipsToPx(h)));
        p->setCursor(Qt::PointingHandCursor);
        placeTwips(p, l, t, w, h);
        // Pressed look: a border while the mouse button is held down.
        connect(p, &PictureBox::mouseDown, p, [this, p, name] {
            Trap trap(kModule, QString::fromLatin1(name) + QStringLiteral("_MouseDown"));
            trap([p] { p->setBorderStyle(1); });
        });
        connect(p, &PictureBox::mouseUp, p, [this, p, name] {
            Trap trap(kModule, QString::fromLatin1(name) + QStringLiteral("_MouseUp"));
            trap([p] { p->setBorderStyle(0); });
        });
        return p;
    };

    Label33 = label("Label33", QString());
    QFont narrow(QStringLiteral("Arial Narrow"));
    narrow.setPointSizeF(8);
    Label33->setFont(narrow);
    Label33->setGeometry(8, 24, 440, 16);
    connect(Label33, &Label::mouseMoved, this, &frmCD::Label33_MouseMove);
    label29 = label("label29", QStringLiteral("CD Player"));
    QFont bold = label29->font();
    bold.setBold(true);
    label29->setFont(bold);
    label29->setGeometry(64, 48, 380, 20);

    picPrev = picture("picPrev", QStringLiteral("prev"), 960, 1200, 480, 300);
    picNext = picture("picNext", QStringLiteral("next"), 1440, 1200, 480, 300);
    picPlay = picture("picPlay", QStringLiteral("play"), 1920, 1200, 480, 300);
    picPause = picture("picPause", QStringLiteral("pause"), 2400, 1200, 480, 300);
    picStop = picture("picStop", QStringLiteral("stop"), 2880, 1200, 480, 300);
    picEject = picture("picEject", QStringLiteral("eject"), 3360, 1200, 480, 300);
    picUpDown = picture("picUpDown", QStringLiteral("updown"), 4800, 1200, 285, 285);
    picPrev->setToolTip(QStringLiteral("Previous Track"));
    picNext->setToolTip(QStringLiteral("Next Track"));
    picPlay->setToolTip(QStringLiteral("Play"));
    picPause->setToolTip(QStringLiteral("Pause"));
    picStop->setToolTip(QStringLiteral("Stop"));
    picEject->setToolTip(QStringLiteral("Eject"));
    picUpDown->setToolTip(QStringLiteral("Compact Player / Full Window"));

    Label12 = label("Label12", QStringLiteral("Now Playing"));
    Label12->setWordWrap(true);
    Label12->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label12->setGeometry(4, 100, 56, 28);
    txtPlaying = textBox("txtPlaying");
    txtPlaying->setReadOnly(true);
    placeTwips(txtPlaying, 945, 1545, 5300, 315);

    Label3 = label("Label3", QStringLiteral("Artist"));
    Label1 = label("Label1", QStringLiteral("CD Title"));
    Label4 = label("Label4", QStringLiteral("Category"));
    txtArtist = textBox("txtArtist");
    txtCDTitle = textBox("txtCDTitle");
    txtcategory = textBox("txtcategory");
    txtArtist->setText(QStringLiteral("Artist"));
    txtCDTitle->setText(QStringLiteral("Title"));
    txtcategory->setText(QStringLiteral("Category"));
    int y = 134;
    for (auto [l, t] : {std::pair{Label3, txtArtist}, std::pair{Label1, txtCDTitle}, std::pair{Label4, txtcategory}}) {
        l->setGeometry(8, y + 3, 60, 18);
        l->setBuddy(t);
        t->setGeometry(70, y, 378, 22);
        y += 26;
    }

    Check1 = new CheckBox(this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(8, 214, 18, 18);
    Label21 = label("Label21", QStringLiteral("Play Selected Tracks Only"));
    Label21->setGeometry(28, 214, 200, 18);
    Label21->setBuddy(Check1);
    connect(Label21, &Label::clicked, Check1, [this] {
        if (Check1->isEnabled())
            Check1->toggle();
    });
    Label24 = label("Label24", QStringLiteral("Ctrl + Click Tracks To Multi-Select/Deselect.   Click and Hold to Edit."));
    Label24->setGeometry(8, 234, 440, 16);
    QFont small = Label24->font();
    small.setPointSizeF(7.5);
    Label24->setFont(small);

    ListView1 = new ListView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Track"), QStringLiteral("Length")});
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setItemDelegate(new TitleOnlyDelegate(ListView1));
    ListView1->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    ListView1->header()->resizeSection(1, 50);
    ListView1->header()->resizeSection(2, 60);
    ListView1->setGeometry(8, 252, 440, 142);
    ListView1->viewport()->installEventFilter(this);

    // ---- Right-hand column: CDDB, encoder panel, commands ----
    Label32 = label("Label32", QStringLiteral("Connect To"));
    Label32->setAlignment(Qt::AlignRight);
    Label32->setGeometry(470, 28, 160, 16);
    Label7 = label("Label7", QStringLiteral("Remote CDDB"));
    Label7->setAlignment(Qt::AlignRight);
    Label7->setGeometry(470, 44, 160, 16);
    picCDDB = picture("picCDDB", QStringLiteral("cddb"), 9510, 420, 375, 375);
    picCDDB->setToolTip(QStringLiteral("Connect To CD Data Base On WWW"));
    Label7->setToolTip(picCDDB->toolTip());

    fraEncoder = new QGroupBox(QStringLiteral("MP3 Encoder"), this);
    fraEncoder->setObjectName(QStringLiteral("fraEncoder"));
    fraEncoder->setGeometry(460, 70, 212, 238);
    auto* g = new QGridLayout(fraEncoder);
    g->setVerticalSpacing(2);
    lblConfig = new Label(QStringLiteral("MP3 ONLY"), fraEncoder);
    lblConfig->setObjectName(QStringLiteral("lblConfig"));
    lblConfig->setFont(bold);
    Label27 = new Label(QStringLiteral("Encoder Selection:"), fraEncoder);
    Label27->setObjectName(QStringLiteral("Label27"));
    Label28 = new Label(QString(), fraEncoder);
    Label28->setObjectName(QStringLiteral("Label28"));
    g->addWidget(lblConfig, 0, 0, 1, 2);
    g->addWidget(Label27, 1, 0, 1, 2);
    g->addWidget(Label28, 2, 0, 1, 2);
    auto option = [&](OptionButton*& opt, Label*& lbl, const QString& optName, const QString& lblName,
                      const QString& caption, int row) {
        opt = new OptionButton(fraEncoder);
        opt->setObjectName(optName);
        lbl = new Label(caption, fraEncoder);
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
    chkAutoCreate = new CheckBox(fraEncoder);
    chkAutoCreate->setObjectName(QStringLiteral("chkAutoCreate"));
    Label35 = new Label(QStringLiteral("Auto-Create Playlist"), fraEncoder);
    Label35->setObjectName(QStringLiteral("Label35"));
    Label35->setToolTip(QStringLiteral("Automatically Create Playlist From Selected Tracks"));
    chkAutoCreate->setToolTip(Label35->toolTip());
    connect(Label35, &Label::clicked, chkAutoCreate, [this] {
        if (chkAutoCreate->isEnabled())
            chkAutoCreate->toggle();
    });
    g->addWidget(chkAutoCreate, 8, 0);
    g->addWidget(Label35, 8, 1);
    sscmdOptions = new SSCommand(QStringLiteral("Options..."), fraEncoder);
    sscmdOptions->setObjectName(QStringLiteral("sscmdOptions"));
    sscmdOptions->setToolTip(QStringLiteral("Detailed Encoder Configurations"));
    g->addWidget(sscmdOptions, 9, 0, 1, 2);
    g->setColumnStretch(1, 1);

    auto command = [this](const char* name, const QString& caption, const QString& tip, int x, int yy) {
        auto* b = new SSCommand(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        b->setGeometry(x, yy, 104, 26);
        return b;
    };
    ssCmdSelect = command("ssCmdSelect", QStringLiteral("Select All"), QStringLiteral("Select All Tracks In ListView"), 460, 314);
    ssCmdDesel = command("ssCmdDesel", QStringLiteral("Deselect All"), QStringLiteral("Deselect All Selected Tracks"), 568, 314);
    sscmdSave = command("sscmdSave", QStringLiteral("Save"),
                        QStringLiteral("Remember Selected Tracks For This CD (Next Time You Play It)"), 460, 344);
    sscmdEncode = command("sscmdEncode", QStringLiteral("Encode"), QStringLiteral("Encode The Selected Tracks"), 568, 344);
    QFont encodeFont = sscmdEncode->font();
    encodeFont.setBold(true);
    sscmdEncode->setFont(encodeFont);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);

    // A change made by code raises the handlers like a click, as the check boxes always did.
    connect(Check1, &QCheckBox::toggled, this, &frmCD::Check1_Click);
    connect(chkAutoCreate, &QCheckBox::toggled, this, &frmCD::chkAutoCreate_Click);
    connect(sscmdOptions, &QPushButton::clicked, this, &frmCD::sscmdOptions_Click);
    connect(ssCmdSelect, &QPushButton::clicked, this, &frmCD::ssCmdSelect_Click);
    connect(ssCmdDesel, &QPushButton::clicked, this, &frmCD::ssCmdDesel_Click);
    connect(sscmdSave, &QPushButton::clicked, this, &frmCD::sscmdSave_Click);
    connect(sscmdEncode, &QPushButton::clicked, this, &frmCD::sscmdEncode_Click);
    connect(picPlay, &PictureBox::clicked, this, &frmCD::picPlay_Click);
    connect(picStop, &PictureBox::clicked, this, &frmCD::picStop_Click);
    connect(picNext, &PictureBox::clicked, this, &frmCD::picNext_Click);
    connect(picPrev, &PictureBox::clicked, this, &frmCD::picPrev_Click);
    connect(picPause, &PictureBox::clicked, this, &frmCD::picPause_Click);
    connect(picEject, &PictureBox::clicked, this, &frmCD::picEject_Click);
    connect(picUpDown, &PictureBox::clicked, this, &frmCD::picUpDown_Click);
    connect(picCDDB, &PictureBox::clicked, this, &frmCD::picCDDB_Click);
    connect(Timer1, &QTimer::timeout, this, &frmCD::Timer1_Timer);

    setTabOrder(txtArtist, txtCDTitle);
    setTabOrder(txtCDTitle, txtcategory);
    setTabOrder(txtcategory, Check1);
    setTabOrder(Check1, ListView1);
    setTabOrder(ListView1, ssCmdSelect);
    setTabOrder(ssCmdSelect, ssCmdDesel);
    setTabOrder(ssCmdDesel, sscmdSave);
    setTabOrder(sscmdSave, sscmdEncode);
}

frmCD::~frmCD() = default;

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
    return BitRateOptionText(Opt320->isChecked(), Opt256->isChecked(), Opt192->isChecked(), Opt128->isChecked(),
                             Opt64->isChecked());
}

int frmCD::rowCount() const { return ListView1->topLevelItemCount(); }

bool frmCD::rowSelected(int row) const
{
    ListItem* it = row >= 1 && row <= rowCount() ? ListView1->topLevelItem(row - 1) : nullptr;
    return it && it->isSelected();
}

void frmCD::setRowSelected(int row, bool on)
{
    if (ListItem* it = row >= 1 && row <= rowCount() ? ListView1->topLevelItem(row - 1) : nullptr)
        it->setSelected(on);
}

QAction* frmCD::menuEntry(const QString& name) const { return chrome->entry(name); }

// ===================================================================== start-up

void frmCD::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] {
        QString s = QStringLiteral("Current Music Folder=") + MusicFolder;
        s.chop(1);
        Label33->setText(QStringLiteral("(") + s + QStringLiteral(")"));
    });
    trap([] { DetectCDDrives(0); });
    trap([this] { label29->setText(QStringLiteral("CD Player (Drive ") + CDDriveLetter + QStringLiteral(")")); });
    cdplayer = std::make_unique<CDAudio>();
    disc = std::make_unique<CdDiscId>(*cdplayer);
    int16_t opened = 1;
    // With no drive at all the stored drive is gone too (an unplugged drive, a removed image).
    trap([&] { opened = CdDrives::list().empty() ? 1 : cdplayer->ReadyDevice(); });
    if (opened == 1) {
        CDPlayerFailed = 1;
        trap([] {
            MsgBox(QStringLiteral("Could not open Quillory CD Player. Please close any other CD Player (such as "
                                  "Windows CD player) which may be running, and try again."),
                   Mb::OKOnly, kTitle);
        });
        disc.reset();
        cdplayer.reset();
        return;
    }
    int16_t noDisc = 1;
    trap([&] { noDisc = cdplayer->CheckCD(); });
    if (noDisc == 1) {
        CDPlayerFailed = 1;
        trap([] {
            MsgBox(QStringLiteral("Please insert a CD in the CD player (Drive ") + CDDriveLetter +
                       QStringLiteral("), wait a few seconds and try again."),
                   Mb::OKOnly, kTitle);
        });
        disc.reset();
        cdplayer.reset();
        return;
    }
    CDPlayerFailed = 0;
    trap([this] { CDInfo(); });
    CDPlayState = QStringLiteral("Stop");
    currenttrack = 1;
    lasttrack = 1;
    trap([this] {
        switch (EncodeOutputMode) {
        case 1:
            lblConfig->setText(OutputModeText(1));
            turnonencoptions();
            break;
        case 2:
            lblConfig->setText(OutputModeText(2));
            turnoffEncOptions();
            break;
        case 3:
            lblConfig->setText(OutputModeText(3));
            turnonencoptions();
            break;
        default: break;
        }
    });
    if (EncoderMode.isEmpty())
        EncoderMode = QStringLiteral("CBR1");
    trap([this] { Label27->setText(QStringLiteral("Encoder Selection:")); });
    trap([this] { Label28->setText(EncoderSelectionText(EncoderMode)); });
    trap([this] { putskin(this); });
    trap([this] { centreOnScreen(); });
    trap([this] { Timer1->start(); });
}

void frmCD::CDInfo()
{
    // A disc reading lets events run; a tick or click inside it must not start a second one.
    if (m_readingDisc || !cdplayer)
        return;
    m_readingDisc = true;
    QPointer<frmCD> self(this);
    Trap trap(kModule, QStringLiteral("CDInfo"));
    int16_t tracks = 1;
    trap([&] { tracks = cdplayer->GetNumTracks(); });
    if (tracks == 1)
        trap([] {
            MsgBox(QStringLiteral("There is only one track on the current CD. The CD may be a data CD, not an audio CD."),
                   Mb::OKOnly | Mb::Exclamation, kTitle);
        });
    if (Forms::gone(self))
        return;
    trap([this] {
        state().cdidb = disc->GetCDID();
        state().numtracks = disc->TrackCount;
    });
    trap([this] { Check1->setChecked(false); });
    bool found = false;
    trap([this] { ListView1->clear(); });
    int row = 1;
    for (qsizetype i = 1; CDLibrary && i <= CDLibrary->Count(); ++i) {
        DoEvents();
        if (Forms::gone(self))
            return;
        if (!CDLibrary || i > CDLibrary->Count())
            break;
        trap([&] {
            const auto rec = CDLibrary->Item(i);
            if (!same(rec->CDID(), state().cdidb))
                return;
            txtArtist->setText(rec->artist());
            txtCDTitle->setText(rec->CDTitle());
            txtcategory->setText(rec->Category());
            auto* item = new ListItem(ListView1);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
            item->setText(0, rec->TrackTitle());
            item->setText(1, QString::number(row));
            item->setText(2, rec->TrackLength());
            const bool yes = same(rec->TrackSelected(), QStringLiteral("Yes"));
            if (yes)
                item->setSelected(true);
            if (row == 1 && !yes)
                item->setSelected(false);
            found = true;
            ++row;
        });
    }
    if (!found) {
        trap([this] {
            txtArtist->setText(QStringLiteral("Artist"));
            txtCDTitle->setText(QStringLiteral("CD Title"));
            ListView1->clear();
        });
        trap([this] { LoadCDInfo(); });
    }
    CDPlayState = QStringLiteral("Stop");
    m_readingDisc = false;
}

void frmCD::LoadCDInfo()
{
    Trap trap(kModule, QStringLiteral("LoadCDInfo"));
    const int count = disc ? disc->TrackCount : 0;
    for (int n = 1; n <= count; ++n) {
        auto* item = new ListItem(ListView1);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        item->setText(0, QStringLiteral("Track No. ") + QString::number(n));
        item->setText(1, QString::number(n));
    }
    for (int n = 1; n <= count; ++n) {
        if (n + 1 >= static_cast<int>(disc->TrackToc.size()) || n > rowCount())
            continue; // no such row or table entry: nothing to show
        trap([&] {
            const qint64 len = framesOf(disc->TrackToc[n + 1]) - framesOf(disc->TrackToc[n]);
            ListView1->topLevelItem(n - 1)->setText(2, framesText(len));
        });
    }
}

void frmCD::fullLayout(bool full)
{
    for (QWidget* w : std::initializer_list<QWidget*>{Label22, Label23, Label26, picConvert, picQuillory, picPlayer,
                                                      picPlayLists, picCDDB, Label2})
        w->setVisible(full);
    const int top = full ? 1185 : 0;
    const int lefts[] = {960, 1440, 1920, 2400, 2880, 3360};
    PictureBox* row[] = {picPrev, picNext, picPlay, picPause, picStop, picEject};
    for (int i = 0; i < 6; ++i)
        placeTwips(row[i], full ? lefts[i] : lefts[i] - 960, top, 480, 300);
    placeTwips(txtPlaying, full ? 945 : 40, full ? 1545 : 310, 5300, 315);
    if (!full)
        txtPlaying->resize(Form::twipsToPx(4390) - 8 - txtPlaying->x(), txtPlaying->height());
    placeTwips(picUpDown, full ? 4820 : 3880, full ? 1200 : 10, 285, 285);
    if (full)
        setFixedSize(kFullWidth, kFullHeight);
    else
        setFixedSize(Form::twipsToPx(4390), Form::twipsToPx(1040));
    if (Check1->isChecked() && ConversionRunning != 1)
        setWindowTitle(full ? kCaptionSelected : QStringLiteral("CD Player (Sel Tracks Only)"));
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, !full);
    if (wasVisible)
        show();
}

void frmCD::picUpDown_Click()
{
    Trap trap(kModule, QStringLiteral("picUpDown_Click"));
    CdWindowState& s = state();
    if (s.compactflag == 1) {
        trap([this] { fullLayout(true); });
        s.compactflag = 0;
    } else {
        trap([this] { fullLayout(false); });
        s.compactflag = 1;
    }
}

bool frmCD::eventFilter(QObject* o, QEvent* e)
{
    if (o == ListView1->viewport() && e->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(e);
        int shift = 0;
        if (me->modifiers() & Qt::ShiftModifier)
            shift |= 1;
        if (me->modifiers() & Qt::ControlModifier)
            shift |= 2;
        ListView1_MouseUp(static_cast<int>(me->button()), shift);
    }
    return FeatureForm::eventFilter(o, e);
}

void frmCD::ListView1_MouseUp(int, int shift)
{
    Trap trap(kModule, QStringLiteral("listview1_MouseUp"));
    const bool plain = shift != 1 && shift != 2;
    if (Check1->isChecked() && plain)
        trap([this] { Check1->setChecked(false); });
    if (same(CDPlayState, QStringLiteral("Play")) && plain) {
        trap([this] {
            ListItem* it = ListView1->currentItem();
            if (!it || !cdplayer)
                return;
            currenttrack = static_cast<int16_t>(ListView1->indexOfTopLevelItem(it) + 1);
            cdplayer->SeekCDtoX(currenttrack);
        });
    }
}

void frmCD::Form_Unload(int& cancel)
{
    // The window stays while its own rip and encode runs: the run stops it first.
    if (ConversionRunning == 1 && !m_disabledWidgets.empty()) {
        cancel = 1;
        return;
    }
    Trap trap(kModule, QStringLiteral("Form_Unload"));
    trap([this] { Timer1->stop(); });
    if (same(CDPlayState, QStringLiteral("Play"))) {
        CDPlayState = QStringLiteral("Stop");
        trap([this] {
            CDAudio cd;
            cd.StopPlay();
            cd.UnloadAll();
        });
    }
    trap([] { ClosingRule(true); });
    SwitchingWindow = 0;
    SkipAutoCreateClick = 0;
}

// ===================================================================== check boxes

void frmCD::Check1_Click()
{
    Trap trap(kModule, QStringLiteral("Check1_Click"));
    if (Check1->isChecked()) {
        trap([this] { setWindowTitle(kCaptionSelected); });
        if (same(CDPlayState, QStringLiteral("Play")))
            trap([this] { picPlay_Click(); });
    } else {
        trap([this] { setWindowTitle(kCaption); });
    }
}

void frmCD::chkAutoCreate_Click()
{
    Trap trap(kModule, QStringLiteral("chkAutoCreate_Click"));
    if (SkipAutoCreateClick == 1) {
        SkipAutoCreateClick = 0;
        return;
    }
    for (;;) {
        AutoPlaylistName = InputBox(QStringLiteral("Do You Want Quillory To Auto-Create A Playlist Of The Selected Songs "
                                                   "After They Are Encoded? If So, Enter Name Of Playlist To Save As..."),
                                    kTitle, txtCDTitle->text());
        if (AutoPlaylistName.isEmpty()) {
            SkipAutoCreateClick = 1;
            trap([this] { chkAutoCreate->setChecked(false); });
            return;
        }
        // The name becomes the marker file's name: the playlist name rule applies.
        bool accepted = false;
        trap([&] { accepted = AcceptNewPlaylistName(AutoPlaylistName); });
        if (!accepted)
            continue;
        SkipAutoCreateClick = 1;
        return;
    }
}

// ===================================================================== transport

void frmCD::picPlay_Click()
{
    Trap trap(kModule, QStringLiteral("picPlay_Click"));
    if (!cdplayer)
        return;
    CdWindowState& s = state();
    const bool fromTick = m_inTick;
    if (PlayerStarted == 1) {
        StoppedOnPurpose = 1;
        trap([] { runLink(Links().stopMp3ForCd); });
    }
    if (same(CDPlayState, QStringLiteral("Pause"))) {
        trap([this] { cdplayer->StartPlay(); });
        CDPlayState = QStringLiteral("Play");
        return;
    }
    if (same(CDPlayState, QStringLiteral("Stop")))
        currenttrack = 1;
    if (!Check1->isChecked()) {
        trap([this] { cdplayer->SetTrack(currenttrack); });
        if (s.endflag == 1 && currenttrack >= s.numtracks) {
            s.endflag = 0;
            CDPlayState = QStringLiteral("Stop");
            return;
        }
        trap([this] { cdplayer->StartPlay(); });
        CDPlayState = QStringLiteral("Play");
        return;
    }
    // Selected tracks only. After a track has ended by itself the search goes on after it.
    const int start = fromTick && s.endflag == 1 ? currenttrack + 1 : currenttrack;
    int found = 0;
    for (int i = std::max(start, 1); i <= s.numtracks; ++i)
        if (rowSelected(i)) {
            found = i;
            break;
        }
    if (found == 0) {
        if (fromTick)
            s.endflag = 0;
        CDPlayState = QStringLiteral("Stop");
        return;
    }
    if (s.endflag == 1 && currenttrack >= s.numtracks) {
        s.endflag = 0;
        trap([this] { cdplayer->StopPlay(); });
        CDPlayState = QStringLiteral("Stop");
        return;
    }
    currenttrack = static_cast<int16_t>(found);
    trap([&] {
        if (found == s.numtracks)
            cdplayer->PlayLastTrack(static_cast<int16_t>(found));
        else
            cdplayer->PlayTrack(static_cast<int16_t>(found));
    });
    CDPlayState = QStringLiteral("Play");
}

void frmCD::picStop_Click()
{
    Trap trap(kModule, QStringLiteral("picStop_Click"));
    CDPlayState = QStringLiteral("Stop");
    trap([this] {
        if (cdplayer)
            cdplayer->StopPlay();
    });
}

void frmCD::picNext_Click()
{
    Trap trap(kModule, QStringLiteral("picNext_Click"));
    if (!cdplayer)
        return;
    if (!Check1->isChecked()) {
        trap([this] { cdplayer->SeekCDtoX(static_cast<int16_t>(currenttrack + 1)); });
        return;
    }
    const int n = state().numtracks;
    for (int i = currenttrack + 1; i <= n; ++i)
        if (rowSelected(i)) {
            currenttrack = static_cast<int16_t>(i);
            trap([&] {
                if (i == n)
                    cdplayer->SeekCDtoX(static_cast<int16_t>(i));
                else
                    cdplayer->PlayTrack(static_cast<int16_t>(i));
            });
            return;
        }
}

void frmCD::picPrev_Click()
{
    Trap trap(kModule, QStringLiteral("PicPrev_Click"));
    if (!cdplayer)
        return;
    if (!Check1->isChecked()) {
        trap([this] { cdplayer->SeekCDtoX(static_cast<int16_t>(currenttrack - 1)); });
        return;
    }
    for (int i = currenttrack - 1; i >= 1; --i)
        if (rowSelected(i)) {
            currenttrack = static_cast<int16_t>(i);
            trap([&] { cdplayer->PlayTrack(static_cast<int16_t>(i)); });
            return;
        }
}

void frmCD::picPause_Click()
{
    Trap trap(kModule, QStringLiteral("picPause_Click"));
    trap([this] {
        if (cdplayer)
            cdplayer->PausePlay();
    });
    CDPlayState = QStringLiteral("Pause");
}

void frmCD::picEject_Click()
{
    Trap trap(kModule, QStringLiteral("picEject_Click"));
    trap([this] {
        if (cdplayer)
            ReportDiscInUse(cdplayer->EjectCD());
    });
}

void frmCD::ssCmdSelect_Click()
{
    Trap trap(kModule, QStringLiteral("ssCmdSelect_Click"));
    trap([this] {
        for (int i = 1; i <= rowCount(); ++i)
            setRowSelected(i, true);
        ListView1->setFocus();
    });
}

void frmCD::ssCmdDesel_Click()
{
    Trap trap(kModule, QStringLiteral("ssCmdDesel_Click"));
    trap([this] {
        for (int i = 1; i <= rowCount(); ++i)
            setRowSelected(i, false);
    });
}

void frmCD::Timer1_Timer()
{
    // One tick at a time: an error box inside a tick must not let further ticks stack up,
    // and a tick waits while the disc is being read.
    if (m_inTick || m_readingDisc || !cdplayer)
        return;
    m_inTick = true;
    QPointer<frmCD> self(this);
    Trap trap(kModule, QStringLiteral("Timer1_Timer"));
    CdWindowState& s = state();
    auto mode = [this] { return cdplayer ? cdplayer->Mode() : QString(); };
    auto is = [](const QString& a, const char* b) { return same(a, QString::fromLatin1(b)); };

    if (s.numtracks == rowCount() && currenttrack >= 1 && currenttrack <= s.numtracks) {
        QString m;
        trap([&] { m = mode(); });
        if (is(m, "Play")) {
            CDPlayState = QStringLiteral("Play");
            trap([this] { cdplayer->GetCDPosition(); });
            // A play that ended between the two questions left the position at its end, the
            // next track's start: the position counts only when the device still plays.
            trap([&] { m = mode(); });
        }
        if (is(m, "Play")) {
            if (!Check1->isChecked() && lasttrack != currenttrack) {
                setRowSelected(lasttrack, false);
                lasttrack = currenttrack;
                setRowSelected(currenttrack, true);
            }
            trap([this] { currenttrack = TextToInt16(CDPosTrack); });
            trap([this] {
                ListItem* it =
                    currenttrack >= 1 && currenttrack <= rowCount() ? ListView1->topLevelItem(currenttrack - 1) : nullptr;
                txtPlaying->setText((it ? it->text(0) : QString()) + QStringLiteral("   ") +
                                    twoDigits(TextToInt16(CDPosMin)) + QLatin1Char(':') + twoDigits(TextToInt16(CDPosSec)));
            });
        }
    }
    QString m;
    trap([&] { m = mode(); });
    if (!Forms::gone(self) && is(m, "Stop") && same(CDPlayState, QStringLiteral("Play"))) {
        s.endflag = 1;
        picPlay_Click();
    }
    trap([&] { m = mode(); });
    if (!Forms::gone(self) && is(m, "Ready") && same(CDPlayState, QStringLiteral("Stop"))) {
        s.endflag = 1;
        picPlay_Click();
    }
    trap([&] { m = mode(); });
    if (!Forms::gone(self) && is(m, "Eject")) {
        CDPlayState = QStringLiteral("Eject");
        trap([this] {
            txtPlaying->clear();
            txtCDTitle->setText(QStringLiteral("No Audio CD"));
            txtArtist->setText(QStringLiteral("No Audio CD"));
            txtcategory->clear();
            ListView1->clear();
            chkAutoCreate->setChecked(false);
        });
        SkipAutoCreateClick = 0;
    }
    trap([&] { m = mode(); });
    if (!Forms::gone(self) && is(m, "Stop") && same(CDPlayState, QStringLiteral("Eject"))) {
        m_inTick = false;
        trap([this] { CDInfo(); });
        return;
    }
    if (!Forms::gone(self))
        m_inTick = false;
}

// ===================================================================== CDDB and catalogue

void frmCD::picCDDB_Click()
{
    Trap trap(kModule, QStringLiteral("picCDDB_Click"));
    // One conversation at a time: a second press during a lookup does nothing.
    if (m_lookupRunning)
        return;
    int16_t missing = 1;
    trap([&] { missing = funGetCDDBINI(1); });
    if (missing == 1)
        return;
    m_lookupRunning = true;
    QPointer<frmCD> self(this);
    trap([] { Forms::get<frmCDDBStatus>().Show(); });
    trap([this] { AccessCddb(); });
    trap([] { Forms::unload<frmCDDBStatus>(); });
    if (self)
        m_lookupRunning = false;
}

void frmCD::removeDiscRecords()
{
    if (!CDLibrary)
        return;
    qsizetype i = 1;
    while (i <= CDLibrary->Count()) {
        if (same(CDLibrary->Item(i)->CDID(), state().cdidb))
            CDLibrary->Remove(i);
        else
            ++i;
    }
}

void frmCD::AccessCddb()
{
    Trap trap(kModule, QStringLiteral("AccessCddb"));
    if (!disc || !cdplayer)
        return;
    QPointer<frmCD> self(this);
    QString result = QStringLiteral("Failed");
    trap([&] {
        QString query = disc->GetQueryString();
        state().cdidb = disc->cdidb;
        state().numtracks = disc->TrackCount;
        result = cddb->GetCddbUseQueryString(query);
    });
    if (Forms::gone(self))
        return;
    if (same(result, QStringLiteral("Failed")) || cddb->ReplyTimedOut == -1 || !result.isEmpty())
        return;
    const QString artist = clean(cddb->DiscArtist);
    const QString title = clean(cddb->DiscTitle);
    const QString category = clean(cddb->DiscCategory.isEmpty() ? cddb->MatchCategory : cddb->DiscCategory);
    trap([this] { removeDiscRecords(); });
    trap([this] { ListView1->clear(); });
    const int count = disc->TrackCount;
    for (int t = 1; t <= count; ++t) {
        trap([&] {
            const QString name = clean(cddb->TrackTitles.value(t - 1));
            auto* item = new ListItem(ListView1);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
            item->setText(0, name);
            item->setText(1, QString::number(t));
            QString len;
            if (t + 1 < static_cast<int>(disc->TrackToc.size()))
                len = framesText(framesOf(disc->TrackToc[t + 1]) - framesOf(disc->TrackToc[t]));
            item->setText(2, len);
            if (CDLibrary)
                CDLibrary->Add(state().cdidb, title, artist, name, len, category, QString(), QStringLiteral("No"));
        });
    }
    trap([] {
        if (CDLibrary)
            CDLibrary->SaveFile();
    });
    trap([&] {
        txtArtist->setText(artist);
        txtCDTitle->setText(title);
        txtcategory->setText(category);
    });
}

void frmCD::sscmdSave_Click()
{
    Trap trap(kModule, QStringLiteral("sscmdSave_Click"));
    trap([this] { removeDiscRecords(); });
    trap([this] {
        if (!CDLibrary)
            return;
        for (int r = 1; r <= rowCount(); ++r) {
            ListItem* it = ListView1->topLevelItem(r - 1);
            CDLibrary->Add(state().cdidb, clean(txtCDTitle->text()), clean(txtArtist->text()), clean(it->text(0)),
                           clean(it->text(2)), clean(txtcategory->text()), QString(),
                           it->isSelected() ? QStringLiteral("Yes") : QStringLiteral("No"));
        }
    });
    trap([] {
        if (CDLibrary)
            CDLibrary->SaveFile();
    });
    trap([this] { ListView1->setFocus(); });
}

// ===================================================================== rip and encode

void frmCD::checkfreediskspace(int16_t& result)
{
    Trap trap(kModule, QStringLiteral("checkfreediskspace"));
    result = 0;
    qint64 freeBytes = -1;
    trap([&] { freeBytes = FreeBytesOf(MusicFolder); });
    if (freeBytes < 0) {
        MsgBox(QStringLiteral("Could not find hard drive free space"), Mb::OKOnly, kTitle);
        result = 1;
        return;
    }
    int rate = 0;
    if (Opt320->isChecked())
        rate = 320;
    if (Opt256->isChecked())
        rate = 256;
    if (Opt192->isChecked())
        rate = 192;
    if (Opt128->isChecked())
        rate = 128;
    if (Opt64->isChecked())
        rate = 64;
    double total = 0;
    double longest = 0;
    double second = 0; // the second longest
    for (int r = 1; r <= rowCount(); ++r) {
        if (!rowSelected(r))
            continue;
        trap([&] {
            const QString len = ListView1->topLevelItem(r - 1)->text(2);
            if (len.size() <= 3)
                return;
            const double secs = double(TextToInt32(len.left(len.size() - 3))) * 60 + TextToInt32(len.right(2));
            total += secs;
            if (secs > longest) {
                second = longest;
                longest = secs;
            } else {
                second = std::max(second, secs);
            }
        });
    }
    // WAV: 44,100 samples of 4 bytes a second; MP3: the bit rate in kbit/s.
    constexpr double wavPerSec = 176400.0;
    const double mp3PerSec = rate * 1000.0 / 8.0;
    double needed = 0;
    switch (EncodeOutputMode) {
    // While one track encodes the next is read ahead: two WAVs exist at once.
    case 1: needed = (longest + second) * wavPerSec + total * mp3PerSec; break;
    case 2: needed = total * wavPerSec; break;
    case 3: needed = total * wavPerSec + total * mp3PerSec; break;
    default: break;
    }
    if (needed + 21960000.0 > double(freeBytes)) {
        MsgBox(QStringLiteral("You do not have enough space on your hard drive for the the encoded files (after leaving "
                              "100MB free for Windows use).\n\nPlease select fewer files to encode or delete unneeded "
                              "files on your hard drive and try again."),
               Mb::OKOnly, kTitle);
        result = 1;
    }
}

void frmCD::setRunning(bool running)
{
    if (running) {
        m_disabledWidgets.clear();
        m_disabledActions.clear();
        for (QWidget* w : findChildren<QWidget*>()) {
            const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                                 qobject_cast<ListView*>(w) || qobject_cast<PictureBox*>(w) ||
                                 qobject_cast<QComboBox*>(w);
            if (control && w->isEnabled()) {
                w->setEnabled(false);
                m_disabledWidgets.push_back(w);
            }
        }
        for (QMenu* m : findChildren<QMenu*>())
            for (QAction* a : m->actions())
                if (!a->isSeparator() && !a->menu() && a->isEnabled()) {
                    a->setEnabled(false);
                    m_disabledActions.push_back(a);
                }
    } else {
        for (QWidget* w : m_disabledWidgets)
            w->setEnabled(true);
        for (QAction* a : m_disabledActions)
            a->setEnabled(true);
        m_disabledWidgets.clear();
        m_disabledActions.clear();
    }
}

void frmCD::sscmdEncode_Click()
{
    Trap trap(kModule, QStringLiteral("sscmdEncode_Click"));
    if (ConversionRunning == 1 && !m_disabledWidgets.empty())
        return;
    int selected = 0;
    for (int r = 1; r <= rowCount(); ++r)
        if (rowSelected(r))
            ++selected;
    if (selected == 0)
        return;
    QString type;
    trap([&] { type = CheckDriveType(MusicFolder); });
    if (type == QLatin1String("3")) {
        MsgBox(QStringLiteral("Can't write WAV to a CD Drive. Please select another drive using the Options button"),
               Mb::OKOnly, kTitle);
        return;
    }
    if (!CheckFolderWritable(MusicFolder, QStringLiteral("WAV"), sscmdOptions->text()))
        return;
    int16_t noRoom = 0;
    checkfreediskspace(noRoom);
    if (noRoom == 1)
        return;
    trap([] { Forms::get<frmCDRip>().initrip(); });
    Timer1->stop();
    setRunning(true);
    ConversionRunning = 1;
    setWindowTitle(QStringLiteral("CD Player / MP3 Encoder - Encoding in Progress"));

    QPointer<frmCD> self(this);
    const JobOutcome outcome = encodeTracks();
    if (Forms::gone(self))
        return;
    if (outcome.kind == JobOutcome::Failed && !outcome.reason.isEmpty())
        MsgBox(outcome.reason, Mb::OKOnly, kTitle);
    if (Forms::gone(self))
        return;
    // The tracks whose read was not exact are told once more: the progress window that
    // listed them closes now, and a user back from a long rip would not know otherwise.
    QString inexact;
    if (frmCDRip* rip = Forms::find<frmCDRip>(); rip && !rip->lblInexact->isHidden())
        inexact = rip->lblInexact->text();
    if (!inexact.isEmpty()) {
        MsgBox(inexact, Mb::OKOnly | Mb::Exclamation, kTitle);
        if (Forms::gone(self))
            return;
    }

    RipAbort = -1;
    trap([] { Forms::unload<frmCDRip>(); });
    RipAbort = 0;
    AutoPlaylistName.clear();
    if (chkAutoCreate->isChecked()) {
        SkipAutoCreateClick = 1;
        chkAutoCreate->setChecked(false);
    }
    setRunning(false);
    if (EncodeOutputMode == 2)
        trap([] { turnoffEncOptions(); });
    setWindowTitle(Check1->isChecked() ? kCaptionSelected : kCaption);
    ConversionRunning = 0;
    Timer1->start();
}

RipPlan frmCD::ripPlan() const
{
    RipPlan plan;
    plan.folder = MusicFolder;
    plan.outputMode = EncodeOutputMode;
    plan.bitRate = BitRateOption();
    plan.artist = clean(txtArtist->text());
    plan.album = clean(txtCDTitle->text());
    plan.category = clean(txtcategory->text());
    plan.playlist = AutoPlaylistName;
    for (int r = 1; r <= rowCount(); ++r)
        if (rowSelected(r)) {
            const ListItem* it = ListView1->topLevelItem(r - 1);
            plan.tracks.push_back({static_cast<int16_t>(r), it->text(0), it->text(2)});
        }
    return plan;
}

JobOutcome frmCD::encodeTracks()
{
    frmCDRip* rip = nullptr;
    Trap trap(kModule, QStringLiteral("sscmdEncode_Click"));
    trap([&] { rip = &Forms::get<frmCDRip>(); });
    if (!rip)
        return JobOutcome::aborted();
    // The run reads with the progress window's control; the job lives here, and the wait
    // below only lets events run until it has ended.
    RipEncodeJob job(ripPlan(), *rip->ACD1);
    JobOutcome outcome = JobOutcome::aborted();
    connect(&job, &Job::finished, this, [&outcome](const JobOutcome& o) { outcome = o; });
    const int songsBefore = SongLibrary ? SongLibrary->Count() : 0;
    const int entriesBefore = Playlists ? Playlists->Count() : 0;
    connect(&job, &Job::logError, this, [](const QString& procedure, int number, const QString& text) {
        const QString module = procedure == QLatin1String("sscmdEncode_Click") ? kModule
                               : procedure == QLatin1String("MP3WriteTag")     ? QStringLiteral("modMP3")
                                                                               : QStringLiteral("frmCDRip");
        LogAndTell(module, procedure, number, text, kTitle);
    });
    rip->watch(job);
    job.start();
    Clocks().waitUntil([&job] { return !job.running(); }, -1);
    // The songs and playlist entries the run added are saved as it ends, done or not: nothing
    // else saves them before the program ends. Playlists first, as the playlist editor saves.
    if (Playlists && Playlists->Count() != entriesBefore)
        trap([] { Playlists->SaveFile(); });
    if (SongLibrary && SongLibrary->Count() != songsBefore)
        trap([] { SongLibrary->SaveFile(); });
    return outcome;
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

// ===================================================================== chrome

void frmCD::OpenSettings() { sscmdOptions_Click(); }

void frmCD::CloseWindow()
{
    Trap trap(kModule, QStringLiteral("mnuClosencoder_Click"));
    trap([this] { Forms::unload(this); });
}

void frmCD::picConvert_Click()
{
    Trap trap(kModule, QStringLiteral("picConvert_Click"));
    SwitchingWindow = 1;
    trap([] { PlayLauncherSound(); });
    trap([] { GetLastForm(); });
    trap([this] {
        picConvert->setBorderStyle(1);
        picPlayLists->setBorderStyle(1);
        picExit->setBorderStyle(1);
    });
    trap([] { Forms::get(FormKind::ConvertChoice).Show(); });
    trap([this] { Hide(); });
}

void frmCD::Label6_MouseMove()
{
    Trap trap(kModule, QStringLiteral("Label6_MouseMove"));
    trap([this] {
        picPlayer->setBorderStyle(1);
        Label6->setFontBold(false);
    });
}

void frmCD::Label8_Click()
{
    Trap trap(kModule, QStringLiteral("Label8_Click"));
    trap([this] {
        picPlayLists->setBorderStyle(1);
        Label8->setFontBold(true);
    });
}

void frmCD::Label33_MouseMove() { Label33->setToolTip(Label33->text()); }

namespace {
// The CD window's bit-rate choices, their labels and the auto-playlist box, switched together.
std::array<QWidget*, 14> encoderChoices(frmCD& cd)
{
    return {cd.Opt320,  cd.Opt256,  cd.Opt192,  cd.Opt128,  cd.Opt64,          cd.Label30, cd.Label27,
            cd.Label28, cd.Label25, cd.Label15, cd.Label19, cd.Label20, cd.chkAutoCreate, cd.Label35};
}
} // namespace

void turnoffEncOptions()
{
    frmCD* cd = Forms::find<frmCD>();
    if (!cd)
        return;
    Trap trap(QStringLiteral("modMP3"), QStringLiteral("turnoffEncOptions"));
    for (QWidget* w : encoderChoices(*cd))
        trap([w] { w->setEnabled(false); });
    AutoPlaylistName.clear();
    // Clearing a ticked box raises its click event, which the CD window must ignore. The flag
    // is raised only when that event will come, so it never swallows a later real click.
    trap([cd] {
        if (cd->chkAutoCreate->isChecked()) {
            SkipAutoCreateClick = 1;
            cd->chkAutoCreate->setChecked(false);
        }
    });
}

void turnonencoptions()
{
    frmCD* cd = Forms::find<frmCD>();
    if (!cd)
        return;
    Trap trap(QStringLiteral("modMP3"), QStringLiteral("turnonencoptions"));
    for (QWidget* w : encoderChoices(*cd))
        trap([w] { w->setEnabled(true); });
}
