#include "convert/frmconvertchoice.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "convert/frmmp3towav.h"
#include "convert/frmwavtomp3.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "core/windowrefresh.h"
#include "shell/artwork.h"
#include "shell/frmmain.h"
#include "shell/smallwindow.h"
#include "shell/uisound.h"

namespace {
const QString kModule = QStringLiteral("frmConChoice");

// A 32 x 32 picture of a conversion: a source file marked from, an arrow, a file marked to.
QPixmap conversionPicture(const QString& from, const QString& to, const QColor& fromColour, const QColor& toColour)
{
    QPixmap pm(32, 32);
    pm.fill(QColor(236, 236, 236));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f = p.font();
    f.setPixelSize(8);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::NoPen);
    p.setBrush(fromColour);
    p.drawRoundedRect(QRectF(1, 2, 17, 12), 2, 2);
    p.setBrush(toColour);
    p.drawRoundedRect(QRectF(14, 18, 17, 12), 2, 2);
    p.setPen(Qt::white);
    p.drawText(QRectF(1, 2, 17, 12), Qt::AlignCenter, from);
    p.drawText(QRectF(14, 18, 17, 12), Qt::AlignCenter, to);
    QPen arrow(QColor(60, 60, 60), 1.6);
    p.setPen(arrow);
    p.drawLine(QPointF(9, 15), QPointF(9, 24));
    p.drawLine(QPointF(9, 24), QPointF(13, 24));
    p.drawLine(QPointF(11, 22), QPointF(13, 24));
    p.drawLine(QPointF(11, 26), QPointF(13, 24));
    return pm;
}
} // namespace

frmConvertChoice::frmConvertChoice() : Form(QStringLiteral("frmConvertChoice"))
{
    setWindowTitle(QStringLiteral("Convert"));
    setWindowIcon(QIcon(LauncherPicture(QStringLiteral("convert"))));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint);
    setTag(this, QStringLiteral("Skin"));
    setMouseTracking(true);

    auto* lay = new QVBoxLayout(this);
    Frame1 = new QGroupBox(QStringLiteral("Convert"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setMouseTracking(true);
    auto* grid = new QGridLayout(Frame1);
    grid->setHorizontalSpacing(10);
    Picture1 = new PictureBox(Frame1);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPicture(conversionPicture(QStringLiteral("WAV"), QStringLiteral("MP3"), QColor(40, 110, 170),
                                           QColor(190, 90, 30)));
    Picture2 = new PictureBox(Frame1);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setPicture(conversionPicture(QStringLiteral("MP3"), QStringLiteral("WAV"), QColor(190, 90, 30),
                                           QColor(40, 110, 170)));
    for (PictureBox* p : {Picture1, Picture2}) {
        p->setFixedSize(36, 36);
        p->setBorderStyle(1);
        p->setCursor(Qt::PointingHandCursor);
    }
    Option1 = new OptionButton(QStringLiteral("WAV Files To MP3 Files"), Frame1);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new OptionButton(QStringLiteral("MP3 Files To WAV Files"), Frame1);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option1->setChecked(true);
    grid->addWidget(Picture1, 0, 0);
    grid->addWidget(Option1, 0, 1);
    grid->addWidget(Picture2, 1, 0);
    grid->addWidget(Option2, 1, 1);
    grid->setColumnStretch(1, 1);
    lay->addWidget(Frame1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = new SSCommand(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new SSCommand(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    for (SSCommand* b : {btnOK, btnCancel}) {
        b->setMinimumWidth(88);
        b->setMouseTracking(true);
        b->installEventFilter(this);
        buttons->addWidget(b);
    }
    Frame1->installEventFilter(this);
    lay->addLayout(buttons);
    setFixedSize(300, 170);

    connect(btnOK, &QPushButton::clicked, this, &frmConvertChoice::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmConvertChoice::btnCancel_Click);
    connect(Picture1, &PictureBox::clicked, this, &frmConvertChoice::Picture1_Click);
    connect(Picture2, &PictureBox::clicked, this, &frmConvertChoice::Picture2_Click);
    connect(Picture1, &PictureBox::mouseMoved, this, &frmConvertChoice::Picture1_MouseMove);
    connect(Picture2, &PictureBox::mouseMoved, this, &frmConvertChoice::Picture2_MouseMove);
    SmallWindow::dialogKeys(this, btnOK, btnCancel);
}

void frmConvertChoice::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] { setWindowFlag(Qt::WindowStaysOnTopHint, true); });
    trap([this] { centreOnScreen(); });
}

void frmConvertChoice::btnOK_Click()
{
    Trap trap(kModule, QStringLiteral("btnOK_Click"));
    trap([] { CloseFeatureWindows(); });
    if (Option1->isChecked())
        trap([] { Forms::get<frmWAVToMP3>().Show(); });
    if (Option2->isChecked())
        trap([] { Forms::get<frmMP3ToWAV>().Show(); });
    trap([this] { Forms::unload(this); });
}

void frmConvertChoice::btnCancel_Click()
{
    Trap trap(kModule, QStringLiteral("btnCancel_Click"));
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

void frmConvertChoice::Picture1_Click()
{
    PlayLauncherSound();
    Option1->setChecked(true);
    btnOK_Click();
}

void frmConvertChoice::Picture2_Click()
{
    PlayLauncherSound();
    Option2->setChecked(true);
    btnOK_Click();
}

void frmConvertChoice::Picture1_MouseMove()
{
    Picture1->setBorderStyle(0);
    Option1->setChecked(true);
}

void frmConvertChoice::Picture2_MouseMove()
{
    Picture2->setBorderStyle(0);
    Option2->setChecked(true);
}

void frmConvertChoice::Form_MouseMove()
{
    Picture2->setBorderStyle(1);
    Picture1->setBorderStyle(1);
}

void frmConvertChoice::closeEvent(QCloseEvent* e)
{
    e->ignore();
    if (!isUnloading())
        btnCancel_Click();
}

void frmConvertChoice::mouseMoveEvent(QMouseEvent* e)
{
    Form_MouseMove();
    Form::mouseMoveEvent(e);
}

bool frmConvertChoice::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseMove && (watched == Frame1 || watched == btnOK || watched == btnCancel))
        Form_MouseMove();
    return Form::eventFilter(watched, e);
}
