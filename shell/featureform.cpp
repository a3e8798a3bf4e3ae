#include "shell/featureform.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>

#include "platform/errors.h"
#include "core/globals.h"
#include "core/windowrefresh.h"
#include "shell/artwork.h"
#include "shell/frmmain.h"
#include "shell/frmoptions.h"
#include "shell/uisound.h"
#include "shell/windowchrome.h"

namespace {
constexpr int kNavTop = 60;     // navigation row: pixels from the bottom edge
constexpr int kNavStep = 100;
constexpr int kPic = 36;
} // namespace

FeatureForm::FeatureForm(const Design& d) : Form(d.formName), m_module(d.formName), m_settingsTab(d.settingsTab)
{
    setWindowTitle(d.caption);
    setTag(this, QStringLiteral("Skin"));
    setWindowIcon(QIcon(LauncherPicture(QStringLiteral("quillory"))));
    setFixedSize(d.width, d.height);
    setMouseTracking(true);

    chrome = new WindowChrome(this, m_module);

    body = new QWidget(this);
    body->setObjectName(QStringLiteral("body"));
    body->setMouseTracking(true);
    body->setGeometry(8, 26, d.width - 16, d.height - 26 - kNavTop - 30);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(8, d.height - kNavTop - 20, d.width - 16, 2);

    // The row is centred under the window's contents.
    int count = 2;
    for (Feature f : {Feature::Player, Feature::Encoder, Feature::Convert, Feature::PlayLists, Feature::Burner})
        if (f != d.own)
            ++count;
    m_navLeft = qMax(8, (d.width - count * kNavStep) / 2);

    int i = 0;
    addNav(QStringLiteral("Quillory"), picQuillory, lblQuillory, QStringLiteral("quillory"), QStringLiteral("Quillory"),
           QStringLiteral("Back To The Main Window"), i++, &FeatureForm::picQuillory_Click);
    if (d.own != Feature::Player)
        addNav(QStringLiteral("Player"), picPlayer, lblPlayer, QStringLiteral("player"), QStringLiteral("MP3 Player"),
               QStringLiteral("Play MP3 Files And Display CD Covers"), i++, &FeatureForm::picPlayer_Click);
    if (d.own != Feature::Encoder)
        addNav(QStringLiteral("Encoder"), picEncoder, lblEncoder, QStringLiteral("encoder"),
               QStringLiteral("CD/MP3 Encoder"), QStringLiteral("Play Or Encode CD Tracks "), i++,
               &FeatureForm::picEncoder_Click);
    if (d.own != Feature::Convert)
        addNav(QStringLiteral("Convert"), picConvert, lblConvert, QStringLiteral("convert"), QStringLiteral("Converter"),
               QStringLiteral("Convert WAVtoMP3/MP3ToWAV"), i++, &FeatureForm::picConvert_Click);
    if (d.own != Feature::PlayLists)
        addNav(QStringLiteral("PlayLists"), picPlayLists, lblPlayLists, QStringLiteral("playlist"),
               QStringLiteral("PlayLists"), QStringLiteral("Edit Or Create PlayLists And Associate Pictures"), i++,
               &FeatureForm::picPlayLists_Click);
    if (d.own != Feature::Burner)
        addNav(QStringLiteral("Burner"), picBurner, lblBurner, QStringLiteral("burner"), QStringLiteral("CD Burner"),
               QStringLiteral("Burn MP3 Or WAV Files To CD"), i++, &FeatureForm::picBurner_Click);
    addNav(QStringLiteral("Exit"), picExit, lblExit, QStringLiteral("exit"), QStringLiteral("Exit"),
           QStringLiteral("Exit Quillory"), i++, &FeatureForm::picExit_Click);

    // File menu: back to the main window, the other features in launcher order, close, exit.
    chrome->addFileEntry(QStringLiteral("mnuQuillory"), QStringLiteral("Quillory"), [this] { picQuillory_Click(); });
    if (d.own != Feature::Player)
        chrome->addFileEntry(QStringLiteral("mnuPlayer"), QStringLiteral("MP3 Player"), [this] { picPlayer_Click(); });
    if (d.own != Feature::Encoder)
        chrome->addFileEntry(QStringLiteral("mnuEncoder"), QStringLiteral("CD Player/MP3 Encoder"),
                             [this] { picEncoder_Click(); });
    // A converter window keeps this entry: it opens the other converter.
    chrome->addFileEntry(QStringLiteral("mnuConvert"), QStringLiteral("Convert WAV Or MP3 Files"),
                             [this] { picConvert_Click(); });
    if (d.own != Feature::PlayLists)
        chrome->addFileEntry(QStringLiteral("mnuPlayLists"), QStringLiteral("Edit Or Create Play Lists"),
                             [this] { picPlayLists_Click(); });
    if (d.own != Feature::Burner)
        chrome->addFileEntry(QStringLiteral("mnuBurner"), QStringLiteral("CD Burner"), [this] { picBurner_Click(); });
    chrome->addFileSeparator();
    chrome->addFileEntry(QStringLiteral("mnuClose"), d.closeCaption, [this] { CloseWindow(); });
    chrome->addFileSeparator();
    chrome->addFileEntry(QStringLiteral("mnuExit"), QStringLiteral("Exit Quillory"), [this] { picExit_Click(); });
    chrome->setSettingsHandler([this] { OpenSettings(); });
}

void FeatureForm::addNav(const QString& name, PictureBox*& pic, Label*& lbl, const QString& kind,
                         const QString& caption, const QString& tip, int index, void (FeatureForm::*handler)())
{
    const int x = m_navLeft + index * kNavStep; // left edge of the button's column
    const int y = height() - kNavTop - 6;
    pic = new PictureBox(this);
    // Named as the skins name their bitmaps' controls, so that putskin dresses every button.
    pic->setObjectName(QStringLiteral("pic") + name);
    pic->setPicture(LauncherPicture(kind));
    pic->setToolTip(tip);
    pic->setBorderStyle(1);
    pic->setCursor(Qt::PointingHandCursor);
    pic->setGeometry(x + (kNavStep - kPic) / 2, y, kPic, kPic);
    lbl = new Label(caption, this);
    lbl->setObjectName(QStringLiteral("lbl") + name);
    lbl->setToolTip(tip);
    lbl->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // Wide enough for the bold caption of the hover look, centred under its button.
    QFont bold = lbl->font();
    bold.setBold(true);
    const int width = qMax(kNavStep, QFontMetrics(bold).horizontalAdvance(caption) + 6);
    lbl->setGeometry(x + (kNavStep - width) / 2, y + kPic + 2, width, 18);
    PictureBox* p = pic;
    Label* l = lbl;
    connect(pic, &PictureBox::clicked, this, [this, handler] { (this->*handler)(); });
    connect(pic, &PictureBox::mouseMoved, this, [p, l] {
        p->setBorderStyle(0);
        l->setFontBold(true);
    });
}

void FeatureForm::changeEvent(QEvent* e)
{
    Form::changeEvent(e);
    // putskin dresses the window (a new palette) before its labels: check boxes, option
    // buttons and frame captions stand on the skin's picture without a ground of their own,
    // so their captions take the labels' colour with it to stay readable. The box or circle
    // keeps its own ground and mark (base and text colours): a light caption colour on the
    // box's light ground would hide the tick.
    if (e->type() == QEvent::PaletteChange && SkinForeColor.isValid()) {
        const QColor fore = colorFromNumber(static_cast<long>(SkinForeColor.toLongLong()));
        for (QAbstractButton* b : findChildren<QAbstractButton*>())
            if (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b))
                setCaptionColor(b, fore);
        for (QGroupBox* g : findChildren<QGroupBox*>()) {
            QPalette p = g->palette();
            p.setColor(QPalette::WindowText, fore);
            g->setPalette(p);
        }
        skinForeColourChanged(fore);
    }
}

void FeatureForm::mouseMoveEvent(QMouseEvent* e)
{
    Form_MouseMove();
    Form::mouseMoveEvent(e);
}

void FeatureForm::Form_MouseMove()
{
    Trap trap(m_module, QStringLiteral("Form_MouseMove"));
    trap([this] {
        for (PictureBox* p : {picQuillory, picPlayer, picEncoder, picConvert, picPlayLists, picBurner, picExit})
            if (p)
                p->setBorderStyle(1);
        for (Label* l : {lblQuillory, lblPlayer, lblEncoder, lblConvert, lblPlayLists, lblBurner, lblExit})
            if (l)
                l->setFontBold(false);
    });
}

void FeatureForm::switchTo(FormKind kind, const QString& procedure)
{
    Trap trap(m_module, procedure);
    Form* target = nullptr;
    trap([&] { target = &Forms::get(kind); });
    if (target)
        switchTo(*target, procedure);
}

void FeatureForm::switchTo(Form& target, const QString& procedure)
{
    Trap trap(m_module, procedure);
    trap([] { PlayLauncherSound(); });
    trap([&] { target.Show(); });
    SwitchingWindow = 1;
    trap([this] { Forms::unload(this); });
}

void FeatureForm::picPlayer_Click()
{
    switchTo(FormKind::Play, QStringLiteral("picPlayer_Click"));
}

void FeatureForm::picPlayLists_Click()
{
    switchTo(FormKind::Songs, QStringLiteral("picPlayLists_Click"));
}

void FeatureForm::picBurner_Click()
{
    switchTo(FormKind::Burner, QStringLiteral("picBurner_Click"));
}

void FeatureForm::picEncoder_Click()
{
    Trap trap(m_module, QStringLiteral("picEncoder_Click"));
    trap([] { PlayLauncherSound(); });
    trap([] { Forms::get(FormKind::CD).Show(); });
    if (CDPlayerFailed == 1) {
        // The CD window has told the user why; close it and stay here.
        SwitchingWindow = 1;
        trap([] { Forms::unload(FormKind::CD); });
        SwitchingWindow = 0;
        return;
    }
    SwitchingWindow = 1;
    trap([this] { Forms::unload(this); });
}

void FeatureForm::picConvert_Click()
{
    Trap trap(m_module, QStringLiteral("picConvert_Click"));
    if (m_switchOnConvert)
        SwitchingWindow = 1;
    trap([] { GetLastForm(); });
    trap([] { PlayLauncherSound(); });
    trap([] { Forms::get(FormKind::ConvertChoice).Show(); });
    trap([this] { Hide(); });
}

void FeatureForm::picQuillory_Click()
{
    Trap trap(m_module, QStringLiteral("picQuillory_Click"));
    trap([] { PlayLauncherSound(); });
    trap([] { Forms::get<frmMain>().Show(); });
    trap([this] { Forms::unload(this); });
}

void FeatureForm::picExit_Click()
{
    Trap trap(m_module, QStringLiteral("picExit_Click"));
    trap([] { Forms::unload(&Forms::get<frmMain>()); });
}

void FeatureForm::OpenSettings()
{
    Trap trap(m_module, QStringLiteral("OpenSettings"));
    trap([this] {
        frmOptions& o = Forms::get<frmOptions>();
        o.SSTab1->setCurrentIndex(m_settingsTab);
        o.Show(true);
    });
}

void FeatureForm::CloseWindow() { picQuillory_Click(); }

void SetRunControlsEnabled(QWidget* form, bool enabled)
{
    const auto widgets = form->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        // Picture boxes are drawn on labels but are controls; plain caption labels stay active.
        const bool picture = qobject_cast<PictureBox*>(w) != nullptr;
        if (!picture && qobject_cast<QLabel*>(w))
            continue;
        if (picture || qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
            qobject_cast<ListView*>(w) || qobject_cast<QComboBox*>(w))
            w->setEnabled(enabled);
    }
    for (QMenu* m : form->findChildren<QMenu*>())
        for (QAction* a : m->actions())
            if (!a->isSeparator())
                a->setEnabled(enabled);
}
