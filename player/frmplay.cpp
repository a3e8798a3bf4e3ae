#include "player/frmplay.h"

#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QSlider>

#include "controls/mp3play.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "core/mp3tags.h"
#include "core/skin.h"
#include "platform/files.h"
#include "player/playerinternal.h"
#include "shell/windowchrome.h"

using namespace playerinternal;

QString SongFile(const QString& title)
{
    const QString name = title + QStringLiteral(".mp3");
    const QString found = findIgnoringCase(MusicFolder, name);
    return found.isEmpty() ? MusicFolder + name : found;
}

bool OrdinaryFileExists(const QString& folder, const QString& name)
{
    const QString found = findIgnoringCase(folder, name);
    if (found.isEmpty())
        return false;
    const QFileInfo fi(found);
    return fi.isFile() && !fi.isHidden();
}

namespace playerinternal {
const QString kModule = QStringLiteral("frmPlay");

void moveTw(QWidget* w, int left, int top)
{
    placeTwips(w, left, top, widthTwips(w), heightTwips(w));
}

ListItem* row(const ListView* lv, int index)
{
    if (index < 1 || index > lv->topLevelItemCount())
        throw AppError(Err::InvalidCall, QStringLiteral("Invalid procedure call or argument"));
    return lv->topLevelItem(index - 1);
}

ListItem* selected(const ListView* lv)
{
    const auto items = lv->selectedItems();
    if (items.isEmpty())
        throw AppError(91, QStringLiteral("Object variable or With block variable not set"));
    return items.first();
}

bool sameText(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

} // namespace playerinternal

namespace {
// Twips of a window's outer size taken by its frame (left and right) and by caption and frame.
constexpr int kFrameTw = 120;
constexpr int kCaptionTw = 405;

// Colour of the transport pictures before a skin gives the window its label colour.
const QColor kDesignGlyph(40, 40, 40);

// The transport pictures, drawn on the window's own ground in the window's label colour.
QPixmap transportPicture(const QString& kind, const QColor& colour)
{
    QPixmap pm(28, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    auto tri = [&](qreal x0, qreal x1) {
        QPainterPath path;
        path.moveTo(x0, 4);
        path.lineTo(x1, 10);
        path.lineTo(x0, 16);
        path.closeSubpath();
        p.drawPath(path);
    };
    if (kind == QLatin1String("play"))
        tri(9, 20);
    else if (kind == QLatin1String("pause")) {
        p.drawRect(QRectF(8, 4, 4, 12));
        p.drawRect(QRectF(16, 4, 4, 12));
    } else if (kind == QLatin1String("stop"))
        p.drawRect(QRectF(8, 4, 12, 12));
    else if (kind == QLatin1String("next")) {
        tri(7, 15);
        tri(14, 22);
    } else if (kind == QLatin1String("prev")) {
        QPainterPath path;
        path.moveTo(21, 4);
        path.lineTo(13, 10);
        path.lineTo(21, 16);
        path.moveTo(14, 4);
        path.lineTo(6, 10);
        path.lineTo(14, 16);
        p.drawPath(path);
    } else if (kind == QLatin1String("updown")) {
        QPainterPath path;
        path.moveTo(7, 9);
        path.lineTo(14, 3);
        path.lineTo(21, 9);
        path.moveTo(7, 11);
        path.lineTo(14, 17);
        path.lineTo(21, 11);
        p.drawPath(path);
    } else if (kind == QLatin1String("pic")) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colour, 1.5));
        p.drawRect(QRectF(6, 3, 16, 14));
        p.setBrush(colour);
        QPainterPath path;
        path.moveTo(7, 16);
        path.lineTo(12, 9);
        path.lineTo(16, 13);
        path.lineTo(21, 16);
        p.drawPath(path);
    }
    return pm;
}

Label* makeLabel(QWidget* parent, const QString& name, const QString& caption, int l, int t, int w, int h)
{
    auto* lbl = new Label(caption, parent);
    lbl->setObjectName(name);
    placeTwips(lbl, l, t, w, h);
    return lbl;
}

SSCommand* makeButton(QWidget* parent, const QString& name, const QString& caption, const QString& tip, int l, int t,
                      int w, int h)
{
    auto* b = new SSCommand(caption, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    placeTwips(b, l, t, w, h);
    return b;
}

ListView* makeList(QWidget* parent, const QString& name, const QStringList& columns)
{
    auto* lv = new ListView(parent);
    lv->setObjectName(name);
    lv->setHeaderLabels(columns);
    lv->setSelectionMode(QAbstractItemView::SingleSelection);
    lv->setSortingEnabled(false);
    lv->setSortCaseSensitivity(Qt::CaseInsensitive);
    return lv;
}

QFrame* makeLine(QWidget* parent, const QString& name, bool vertical, int l, int t, int w, int h)
{
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameShape(vertical ? QFrame::VLine : QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    placeTwips(f, l, t, w, h);
    return f;
}
} // namespace

frmPlay::frmPlay()
    : FeatureForm({QStringLiteral("frmPlay"), QStringLiteral("The MP3 Player"), Feature::Player,
                   QStringLiteral("Close MP3 Player"), 1, 4740 / 15, 6360 / 15})
{
    random = [] { return QRandomGenerator::global()->generateDouble(); };
    Mp3Play1 = new Mp3Play(this);
    // The player lays its controls out on the window itself, in twips.
    body->hide();
    for (QFrame* f : findChildren<QFrame*>(QString(), Qt::FindDirectChildrenOnly))
        if (f->metaObject() == &QFrame::staticMetaObject)
            f->hide();
    buildPlayer();
    buildPane();
    buildChrome();
    setSizeTw(4740, 6360);

    connect(Mp3Play1, &Mp3Play::ThreadEnded, this, &frmPlay::Mp3Play1_ThreadEnded);
    connect(Mp3Play1, &Mp3Play::ActFrame, this, &frmPlay::Mp3Play1_ActFrame);
    installKeyPreview(this);
}

void frmPlay::buildPlayer()
{
    struct Transport {
        PictureBox*& pic;
        const char* name;
        const char* kind;
        const char* tip;
        int left;
    };
    const Transport transport[] = {{picPrev, "picPrev", "prev", "Previous Song", 120},
                                   {picNext, "picNext", "next", "Next Song", 600},
                                   {picPlay, "picPlay", "play", "Play", 1080},
                                   {picPause, "picPause", "pause", "Pause", 1560},
                                   {picStop, "picStop", "stop", "Stop", 2040}};
    for (const Transport& t : transport) {
        t.pic = new PictureBox(this);
        t.pic->setObjectName(QString::fromLatin1(t.name));
        t.pic->setPicture(transportPicture(QString::fromLatin1(t.kind), kDesignGlyph));
        t.pic->setToolTip(QString::fromLatin1(t.tip));
        t.pic->setCursor(Qt::PointingHandCursor);
        placeTwips(t.pic, t.left, 1245, 450, 300);
    }
    // Pressed look of the four command buttons; the pause button's border is the pause state.
    for (PictureBox* p : {picPlay, picStop, picPrev, picNext}) {
        connect(p, &PictureBox::mouseDown, this, [p] { p->setBorderStyle(1); });
        connect(p, &PictureBox::mouseUp, this, [p] { p->setBorderStyle(0); });
    }
    connect(picPlay, &PictureBox::clicked, this, &frmPlay::picPlay_Click);
    connect(picStop, &PictureBox::clicked, this, &frmPlay::picStop_Click);
    connect(picPause, &PictureBox::clicked, this, &frmPlay::picPause_Click);
    connect(picNext, &PictureBox::clicked, this, &frmPlay::picNext_Click);
    connect(picPrev, &PictureBox::clicked, this, &frmPlay::picPrev_Click);

    Label20 = makeLabel(this, QStringLiteral("Label20"), QStringLiteral("Vol"), 2565, 1290, 330, 210);
    Slider1 = new QSlider(Qt::Horizontal, this);
    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider1->setRange(0, 100);
    Slider1->setValue(100);
    Slider1->setPageStep(10);
    Slider1->setToolTip(QStringLiteral("Volume"));
    Slider1->setMouseTracking(true);
    placeTwips(Slider1, 2895, 1260, 900, 285);
    connect(Slider1, &QSlider::valueChanged, this, &frmPlay::Slider1_Click);
    connect(Slider1, &QSlider::sliderPressed, this, &frmPlay::Slider1_Click);
    connect(Slider1, &QSlider::sliderReleased, this, &frmPlay::Slider1_Click);

    picPic = new PictureBox(this);
    picPic->setObjectName(QStringLiteral("picPic"));
    picPic->setPicture(transportPicture(QStringLiteral("pic"), kDesignGlyph));
    picPic->setToolTip(QStringLiteral("Display CD Covers"));
    placeTwips(picPic, 3840, 1245, 330, 285);
    picUpDown = new PictureBox(this);
    picUpDown->setObjectName(QStringLiteral("picUpDown"));
    picUpDown->setPicture(transportPicture(QStringLiteral("updown"), kDesignGlyph));
    picUpDown->setToolTip(QStringLiteral("Miniaturize/Expand MP3 Player"));
    placeTwips(picUpDown, 4215, 1245, 330, 285);
    for (PictureBox* p : {picPic, picUpDown}) {
        p->setCursor(Qt::PointingHandCursor);
        const QString name = p->objectName();
        connect(p, &PictureBox::mouseDown, this, [p, name] {
            Trap trap(kModule, name + QStringLiteral("_MouseDown"));
            trap([p] { p->setBorderStyle(1); });
        });
        connect(p, &PictureBox::mouseUp, this, [p, name] {
            Trap trap(kModule, name + QStringLiteral("_MouseUp"));
            trap([p] { p->setBorderStyle(0); });
        });
    }
    connect(picPic, &PictureBox::clicked, this, &frmPlay::picPic_Click);
    connect(picUpDown, &PictureBox::clicked, this, &frmPlay::picUpDown_Click);

    Text3 = new TextBox(this);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setReadOnly(true);
    Text3->setFocusPolicy(Qt::NoFocus);
    placeTwips(Text3, 100, 1590, 4420, 285);

    Text2 = new TextBox(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->hide();
    connect(Text2, &QLineEdit::textChanged, this, &frmPlay::Text2_Change);

    Label11 = makeLabel(this, QStringLiteral("Label11"), QStringLiteral("Title"), 130, 1905, 1700, 210);
    Label12 = makeLabel(this, QStringLiteral("Label12"), QStringLiteral("Artist"), 1920, 1905, 1250, 210);
    Label13 = makeLabel(this, QStringLiteral("Label13"), QStringLiteral("Length"), 3210, 1905, 700, 210);
    Label26 = makeLabel(this, QStringLiteral("Label26"), QStringLiteral("No."), 4050, 1905, 450, 210);
    for (Label* l : {Label11, Label12, Label13, Label26})
        l->setFontBold(true);

    ListView1 = makeList(this, QStringLiteral("ListView1"),
                         {QStringLiteral("Title"), QStringLiteral("Artist"), QStringLiteral("Length"),
                          QStringLiteral("No.")});
    ListView1->setHeaderHidden(true);
    ListView1->setToolTip(QStringLiteral("Click A Song To Play It Next"));
    placeTwips(ListView1, 100, 2130, 4420, 2400);
    {
        // The number column holds four digits and the length column its caption, with room
        // kept for the scroll bar, so a long play list cuts no number; the title takes the rest.
        const int margins = 2 * ListTextMargin(ListView1) + 2;
        const QFontMetrics rows(ListView1->font()), captions(Label26->font());
        const int number = std::max(rows.horizontalAdvance(QStringLiteral("9999")),
                                    captions.horizontalAdvance(Label26->text())) + margins;
        const int length = std::max(rows.horizontalAdvance(QStringLiteral("999:59")),
                                    captions.horizontalAdvance(Label13->text())) + margins;
        const int artist = 86;
        const int inner = ListView1->contentsRect().width() -
                          ListView1->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ListView1);
        ListView1->setColumnWidth(0, std::max(40, inner - artist - length - number));
        ListView1->setColumnWidth(1, artist);
        ListView1->setColumnWidth(2, length);
        ListView1->setColumnWidth(3, number);
    }
    LineUpCaptions(ListView1, {Label11, Label12, Label13, Label26});
    connect(ListView1, &ListView::itemClicked, this, [this] { ListView1_Click(); });

    ListView5 = makeList(this, QStringLiteral("ListView5"),
                         {QStringLiteral("Title"), QStringLiteral("Artist"), QStringLiteral("Length")});
    ListView5->hide();

    Label2 = makeLabel(this, QStringLiteral("Label2"), QStringLiteral("Total Time"), 100, 4575, 4420, 210);

    Check1 = new CheckBox(this);
    Check1->setObjectName(QStringLiteral("Check1"));
    placeTwips(Check1, 100, 4830, 255, 255);
    Label19 = makeLabel(this, QStringLiteral("Label19"), QStringLiteral("Shuffle Play"), 360, 4845, 1080, 210);
    connect(Check1, &QCheckBox::toggled, this, &frmPlay::Check1_Click);
    connect(Label19, &Label::clicked, Check1, &QCheckBox::toggle);
    Check2 = new CheckBox(this);
    Check2->setObjectName(QStringLiteral("Check2"));
    placeTwips(Check2, 1500, 4830, 255, 255);
    Label18 = makeLabel(this, QStringLiteral("Label18"), QStringLiteral("No Duplicates"), 1760, 4845, 1230, 210);
    connect(Label18, &Label::clicked, Check2, &QCheckBox::toggle);

    sscmdClear = makeButton(this, QStringLiteral("sscmdClear"), QStringLiteral("Clear"),
                            QStringLiteral("Remove All Songs In Player"), 3000, 4800, 750, 330);
    sscmdRemove = makeButton(this, QStringLiteral("sscmdRemove"), QStringLiteral("Remove"),
                             QStringLiteral("Remove A Selected Song From Player"), 3780, 4800, 750, 330);
    connect(sscmdClear, &QPushButton::clicked, this, &frmPlay::sscmdClear_Click);
    connect(sscmdRemove, &QPushButton::clicked, this, &frmPlay::sscmdRemove_Click);

    Picture1 = new QFrame(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    placeTwips(Picture1, 60, 5220, 2460, 690);
    Label1 = makeLabel(Picture1, QStringLiteral("Label1"), QStringLiteral("Load MP3 Player From"), 60, 15, 2340, 210);
    Label1->setToolTip(QStringLiteral("Load The Player From Individual MP3 Files Or From PlayLists"));
    Label1->setAlignment(Qt::AlignHCenter);
    sscmdMP3 = makeButton(Picture1, QStringLiteral("sscmdMP3"), QStringLiteral("MP3 Files"),
                          QStringLiteral("Show MP3 Songs Music Folder At Window Right"), 60, 255, 1140, 360);
    sscmdPlayLists = makeButton(Picture1, QStringLiteral("sscmdPlayLists"), QStringLiteral("Play Lists"),
                                QStringLiteral("Show PlayLists In Current Music Folder At Window Right"), 1260, 255,
                                1140, 360);
    connect(sscmdMP3, &QPushButton::clicked, this, &frmPlay::sscmdMP3_Click);
    connect(sscmdPlayLists, &QPushButton::clicked, this, &frmPlay::sscmdPlayLists_Click);

    Picture2 = new QFrame(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    placeTwips(Picture2, 2565, 5220, 2010, 690);
    Label24 = makeLabel(Picture2, QStringLiteral("Label24"), QStringLiteral("Change Music Folder"), 45, 15, 1920, 210);
    Label24->setAlignment(Qt::AlignHCenter);
    SSCommand1 = makeButton(Picture2, QStringLiteral("SSCommand1"), QStringLiteral("Change Folder"),
                            QStringLiteral("Select A New Music Folder/Program Settings"), 60, 255, 1890, 360);
    connect(SSCommand1, &QPushButton::clicked, this, &frmPlay::SSCommand1_Click);

    Line1 = makeLine(this, QStringLiteral("Line1"), false, 0, 1185, 4620, 30);
    Line2 = makeLine(this, QStringLiteral("Line2"), false, 0, 5145, 4620, 30);
    Line3 = makeLine(this, QStringLiteral("Line3"), false, 0, 210, 4620, 30);
    Line4 = makeLine(this, QStringLiteral("Line4"), true, 4620, 210, 30, 5745);

    imgCover = new QLabel(this);
    imgCover->setObjectName(QStringLiteral("imgCover"));
    imgCover->setScaledContents(true);
    imgCover->setFrameStyle(QFrame::Box | QFrame::Plain);
    placeTwips(imgCover, 45, -3000, 4425, 4425);
    imgCover->hide();
}

void frmPlay::buildPane()
{
    Label8 = makeLabel(this, QStringLiteral("Label8"), QStringLiteral("Title "), 4680, 240, 4440, 210);
    Label9 = makeLabel(this, QStringLiteral("Label9"), QStringLiteral("Artist"), 6945, 240, 705, 210);
    Label10 = makeLabel(this, QStringLiteral("Label10"), QStringLiteral("Length"), 8115, 240, 705, 210);
    Label9->raise();
    Label10->raise();
    for (Label* l : {Label8, Label9, Label10}) {
        l->setFontBold(true);
        l->setCursor(Qt::PointingHandCursor);
        l->setToolTip(QStringLiteral("Click To Sort"));
    }
    connect(Label8, &Label::clicked, this, [this] { ListView2_ColumnClick(1); });
    connect(Label9, &Label::clicked, this, [this] { ListView2_ColumnClick(2); });
    connect(Label10, &Label::clicked, this, [this] { ListView2_ColumnClick(3); });

    ListView2 = makeList(this, QStringLiteral("ListView2"),
                         {QStringLiteral("Song"), QStringLiteral("Artist"), QStringLiteral("Length")});
    ListView2->setHeaderHidden(true);
    ListView2->setColumnWidth(0, 150);
    ListView2->setColumnWidth(1, 78);
    ListView2->setColumnWidth(2, 50);
    placeTwips(ListView2, 4680, 465, 4440, 3660);
    LineUpCaptions(ListView2, {Label8, Label9, Label10});
    connect(ListView2, &ListView::itemClicked, this, [this] {
        // The click that ends a double click is not a second click.
        if (m_sinceDouble.isValid() && m_sinceDouble.elapsed() < QApplication::doubleClickInterval())
            return;
        ListView2_Click();
    });
    connect(ListView2, &ListView::itemDoubleClicked, this, [this] {
        m_sinceDouble.start();
        ListView2_DblClick();
    });

    ListView3 = makeList(this, QStringLiteral("ListView3"), {QStringLiteral("PlayList")});
    placeTwips(ListView3, 4680, 465, 4440, 1500);
    connect(ListView3, &ListView::itemClicked, this, [this] { ListView3_Click(); });
    ListView4 = makeList(this, QStringLiteral("ListView4"),
                         {QStringLiteral("Song"), QStringLiteral("Artist"), QStringLiteral("Length")});
    ListView4->setColumnWidth(0, 150);
    ListView4->setColumnWidth(1, 78);
    placeTwips(ListView4, 4680, 2025, 4440, 2100);
    connect(ListView4, &ListView::itemClicked, this, [this] { ListView4_Click(); });
    ListView3->hide();
    ListView4->hide();

    Text1 = new TextBox(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setToolTip(QStringLiteral("Type A Few Letters Of A Song Or Artist"));
    placeTwips(Text1, 4680, 4200, 3300, 315);
    connect(Text1, &QLineEdit::returnPressed, this, &frmPlay::sscmdSearch_Click);
    sscmdSearch = makeButton(this, QStringLiteral("sscmdSearch"), QStringLiteral("Search"),
                             QStringLiteral("Search For Song With A Few Letters"), 8055, 4185, 1065, 345);
    connect(sscmdSearch, &QPushButton::clicked, this, &frmPlay::sscmdSearch_Click);
    Label25 = makeLabel(this, QStringLiteral("Label25"), QStringLiteral("Single Click Song Above To Add To Player On Left"),
                        4680, 4590, 4440, 210);
    sscmdMP3AddAll = makeButton(this, QStringLiteral("sscmdMP3AddAll"), QStringLiteral("Add All"),
                                QStringLiteral("Add All Songs To Player"), 4680, 4860, 1065, 345);
    connect(sscmdMP3AddAll, &QPushButton::clicked, this, &frmPlay::sscmdMP3AddAll_Click);
    sscmdAddAll = makeButton(this, QStringLiteral("sscmdAddAll"), QStringLiteral("Add All"),
                             QStringLiteral("Add All Songs To Player"), 4680, 4860, 1065, 345);
    sscmdAddAll->hide();
    connect(sscmdAddAll, &QPushButton::clicked, this, &frmPlay::sscmdAddAll_Click);
    Label32 = makeLabel(this, QStringLiteral("Label32"), QStringLiteral("Click To Add All Above Songs To Player"),
                        5820, 4920, 3300, 210);
    auto* hint = makeLabel(this, QStringLiteral("Label31"), QStringLiteral("Double Click Song To Add All Songs By That Artist To Player"),
                           4680, 5280, 4440, 210);
    // The hints are in a smaller type.
    for (Label* l : {Label25, Label32, hint}) {
        QFont f = l->font();
        f.setPointSizeF(7.5);
        l->setFont(f);
    }
    sscmdDone = makeButton(this, QStringLiteral("sscmdDone"), QStringLiteral("OK"), QStringLiteral("Close Window Right"),
                           8055, 5535, 1065, 345);
    connect(sscmdDone, &QPushButton::clicked, this, &frmPlay::sscmdDone_Click);
}

void frmPlay::skinForeColourChanged(const QColor& fore)
{
    const std::pair<PictureBox*, const char*> pictures[] = {{picPrev, "prev"}, {picNext, "next"},
                                                            {picPlay, "play"}, {picPause, "pause"},
                                                            {picStop, "stop"}, {picPic, "pic"},
                                                            {picUpDown, "updown"}};
    for (const auto& [pic, kind] : pictures)
        if (pic)
            pic->setPicture(transportPicture(QString::fromLatin1(kind), fore));
}

void frmPlay::setSizeTw(int widthTwips, int heightTwips)
{
    // The sizes are outer sizes: the client area is what is left inside the frame and caption.
    m_wTw = widthTwips;
    m_hTw = heightTwips;
    setFixedSize(qRound((widthTwips - kFrameTw) / 15.0), qRound((heightTwips - kCaptionTw) / 15.0));
}

void frmPlay::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] { LoadRecentList(); });
    trap([this] { Label28->setText(QStringLiteral("Current Music Folder=") + MusicFolder.left(MusicFolder.size() - 1)); });
    trap([this] { putskin(this); });
    trap([this] { setSizeTw(4740, 6360); });
    trap([this] { centreOnScreen(); });
}

void frmPlay::Mp3Stop() { Mp3Play1->Stop(); }
void frmPlay::Mp3Close() { Mp3Play1->Close(); }

void frmPlay::Form_Unload(int& cancel)
{
    (void)cancel;
    Trap trap(kModule, QStringLiteral("Form_Unload"));
    if (PlayerStarted == 1) {
        StoppedOnPurpose = 1;
        trap([this] { Mp3Stop(); });
        trap([this] { Mp3Close(); });
        trap([this] { picPause->setBorderStyle(0); });
    }
    trap([this] { Mp3Stop(); });
    trap([this] { Mp3Close(); });
    trap([this] { SaveRecentList(); });
    trap([] { ClosingRule(); });
}

// ---- keyboard: the window sees every key before its controls ----

void frmPlay::installKeyPreview(QWidget* w)
{
    w->installEventFilter(this);
    for (QWidget* c : w->findChildren<QWidget*>())
        if (!qobject_cast<QMenu*>(c) && !c->inherits("QMenu"))
            c->installEventFilter(this);
}

bool frmPlay::eventFilter(QObject* watched, QEvent* e)
{
    // Moving over the volume slider sends the volume, as its other events do.
    if (watched == Slider1 && e->type() == QEvent::MouseMove)
        Slider1_Click();
    if (e->type() != QEvent::KeyPress)
        return FeatureForm::eventFilter(watched, e);
    auto* ke = static_cast<QKeyEvent*>(e);
    if (watched == Text1 || (watched == this && focusWidget() == Text1))
        return false;
    // Up and Down do not move the play list's selection.
    if (watched == ListView1 || watched == ListView1->viewport()) {
        Trap trap(kModule, QStringLiteral("ListView1_KeyDown"));
        if (ke->key() == Qt::Key_Up || ke->key() == Qt::Key_Down)
            return true;
    }
    const QString text = ke->text();
    if (text.size() != 1 || !text.at(0).isPrint() || (ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    Form_KeyPress(text.at(0).unicode());
    return true;
}

void frmPlay::keyPressEvent(QKeyEvent* e)
{
    if (eventFilter(this, e))
        return;
    FeatureForm::keyPressEvent(e);
}

void frmPlay::Form_KeyPress(int key)
{
    Trap trap(kModule, QStringLiteral("Form_KeyPress"));
    if (key == 'p' || key == 'P')
        trap([this] { picPlay_Click(); });
    if (key == '.')
        trap([this] { picNext_Click(); });
    if (key == ',')
        trap([this] { picPrev_Click(); });
    if (key == 's' || key == 'S')
        trap([this] { picStop_Click(); });
    if (key == 'u' || key == 'U')
        trap([this] { picPause_Click(); });
    if (key >= '0' && key <= '9')
        JumpDigits += QChar(key);
    if (key == '+' || key == '=') {
        trap([this] {
            if (JumpDigits.isEmpty())
                return;
            const double m = JumpDigits.toDouble();
            if (m > 0 && m <= ListView1->topLevelItemCount()) {
                selectRow(ListView1, static_cast<int>(m));
                ListView1_Click();
            }
        });
        JumpDigits.clear();
    }
    if (key == '-')
        JumpDigits.clear();
}

// ---- list helpers ----

int frmPlay::selectedIndex(const ListView* lv)
{
    const auto items = lv->selectedItems();
    return items.isEmpty() ? 0 : lv->indexOfTopLevelItem(items.first()) + 1;
}

void frmPlay::selectRow(ListView* lv, int index)
{
    ListItem* it = row(lv, index);
    lv->clearSelection();
    lv->setCurrentItem(it);
    it->setSelected(true);
}

void frmPlay::appendSong(const QString& title, const QString& artist, const QString& length)
{
    ListView1->addTopLevelItem(new RowItem({title, artist, length, QString()}));
}

void frmPlay::renumber()
{
    for (int k = 0; k < ListView1->topLevelItemCount(); ++k)
        ListView1->topLevelItem(k)->setText(3, QString::number(k + 1));
}

void frmPlay::showTotal() { Label2->setText(QStringLiteral("Total Play Time = ") + fncGetPlayTime(*ListView1)); }

bool frmPlay::inPlayList(const QString& title, const QString& artist) const
{
    for (int k = 0; k < ListView1->topLevelItemCount(); ++k) {
        const ListItem* it = ListView1->topLevelItem(k);
        if (sameText(it->text(0), title) && sameText(it->text(1), artist))
            return true;
    }
    return false;
}
