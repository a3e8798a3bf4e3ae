#include "shell/frmskindir.h"

#include <QDir>
#include <QShortcut>

#include "platform/errors.h"
#include "core/globals.h"
#include "platform/savefile.h"
#include "core/skin.h"
#include "platform/appcontext.h"
#include "platform/files.h"
#include "platform/prompt.h"
#include "shell/smallwindow.h"

namespace {

const QString kModule = QStringLiteral("frmSkinDir");
// A preview colour: an empty value is 0, black.
QColor previewColour(const QVariant& v) { return colorFromNumber(v.isValid() ? static_cast<long>(v.toLongLong()) : 0); }

template <class W> W* place(W* w, const char* name, int left, int top, int width, int height)
{
    w->setObjectName(QString::fromLatin1(name));
    placeTwips(w, left, top, width, height);
    return w;
}

} // namespace

frmSkinDir::frmSkinDir() : Form(QStringLiteral("frmSkinDir"))
{
    setCaption(QStringLiteral("Skin Directory"));
    setFixedSize(twipsToPx(6900), twipsToPx(4440));

    Label2 = place(new Label(QStringLiteral("To Load A Skin, Double Click On The Skin Name In The List Box"), this),
                   "Label2", 240, 150, 6420, 255);

    List1 = place(new QListWidget(this), "List1", 240, 480, 2520, 2310);

    Label1 = place(new Label(QString(), this), "Label1", 240, 2880, 2520, 315);
    Label1->setTextFormat(Qt::PlainText);
    Label1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Label1->setIndent(4);
    setBackColor(Label1, Qt::white);
    setForeColor(Label1, Qt::black);

    Check1 = place(new CheckBox(QStringLiteral("Plain List Background"), this), "Check1", 240, 3300, 2520, 285);
    Check1->setChecked(true);

    picView = place(new PictureBox(this), "picView", 3000, 480, 3660, 3105);
    picView->setBorderStyle(1);
    Label3 = place(new Label(QStringLiteral("Labels"), picView), "Label3", 240, 210, 1500, 255);
    SSCommand1 = place(new SSCommand(QStringLiteral("Buttons"), picView), "SSCommand1", 2250, 150, 1170, 375);
    SSCommand1->setFocusPolicy(Qt::NoFocus);
    Text1 = place(new TextBox(picView), "Text1", 240, 660, 3180, 315);
    Text1->setText(QStringLiteral("Textboxes"));
    Text1->setFocusPolicy(Qt::NoFocus);
    ListView1 = place(new ListView(picView), "ListView1", 240, 1110, 3180, 1800);
    ListView1->setHeaderHidden(true);
    ListView1->setColumnCount(1);
    ListView1->setFocusPolicy(Qt::NoFocus);
    ListView1->setSelectionMode(QAbstractItemView::NoSelection);

    Command1 = place(new QPushButton(QStringLiteral("OK"), this), "Command1", 4230, 3810, 1170, 375);
    Command2 = place(new QPushButton(QStringLiteral("Cancel"), this), "Command2", 5490, 3810, 1170, 375);
    Command1->setDefault(true);
    Command1->setAutoDefault(true);

    setTabOrder(List1, Check1);
    setTabOrder(Check1, Command1);
    setTabOrder(Command1, Command2);
    SmallWindow::dialogKeys(this, Command1, Command2);

    // Selecting a name with the mouse or the arrow keys previews it; the focus mark alone
    // (the list taking the focus) chooses nothing.
    connect(List1, &QListWidget::itemSelectionChanged, this, [this] {
        if (!List1->selectedItems().isEmpty())
            List1_Click();
    });
    connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

void frmSkinDir::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] { SmallWindow::makeTopmost(this); });
    trap([this] {
        const QDir skins(SkinsFolder());
        if (!skins.exists())
            return;
        // Folders only ("." and "..", hidden folders and files are left out), by name.
        const QStringList names =
            skins.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
        for (const QString& name : names) {
            // A name that cannot stand on one line of "skinmain.ini" cannot be chosen.
            if (name.contains('\r') || name.contains('\n'))
                continue;
            List1->addItem(name);
        }
    });
    trap([this] {
        if (PixelScale == 1.0)
            return;
        QFont f = SSCommand1->font();
        f.setFamily(QStringLiteral("Arial Narrow"));
        SSCommand1->setFont(f);
        placeTwips(SSCommand1, qRound(leftTwips(SSCommand1) * PixelScale), topTwips(SSCommand1),
                   qRound(1170 / PixelScale), qRound(375 / PixelScale));
    });
    trap([this] { SmallWindow::centre(this); });
    // The focus mark starts on the skin in use, unselected, so the arrow keys go on from it.
    trap([this] {
        const auto current = List1->findItems(SkinName, Qt::MatchFixedString);
        if (!current.isEmpty())
            List1->selectionModel()->setCurrentIndex(List1->indexFromItem(current.first()),
                                                     QItemSelectionModel::NoUpdate);
    });
    List1->setFocus();
}

void frmSkinDir::List1_Click()
{
    Trap trap(kModule, QStringLiteral("List1_Click"));
    QString name;
    trap([&] {
        QListWidgetItem* item = List1->currentItem();
        Label1->setText(item ? item->text() : QString());
        name = Label1->text();
    });
    if (name.isEmpty())
        return;
    trap([&] {
        if (!ReadSkinColors(name, &PreviewForeColor, &PreviewBackColor))
            throw AppError(Err::FileNotFound, QStringLiteral("File not found"));
    });
    const bool noSkin = IsNoSkin(name);
    trap([&] { picView->setPicture(noSkin ? QPixmap() : LoadSkinPicture(name, QStringLiteral("background.bmp"))); });
    trap([&] { setForeColor(Label3, previewColour(PreviewForeColor)); });
    trap([&] { SSCommand1->setPicture(LoadSkinPicture(name, QStringLiteral("ssbutton.bmp"))); });
    trap([&] { setForeColor(SSCommand1, previewColour(PreviewForeColor)); });
    trap([&] {
        ListView1->setBackgroundPicture(noSkin ? QPixmap() : LoadSkinPicture(name, QStringLiteral("background.bmp")));
    });
    trap([&] { setForeColor(ListView1, previewColour(PreviewForeColor)); });
    trap([&] {
        ListView1->clear();
        for (const char* text : {"List Item 1", "List Item 2", "List Item 3 ... etc"})
            new ListItem(ListView1, {QString::fromLatin1(text)});
    });
    trap([&] { setBackColor(Text1, previewColour(PreviewBackColor)); });
    trap([&] { setForeColor(Text1, previewColour(PreviewForeColor)); });
    applyListBackground(trap);
}

// The preview list's background: plain in the skin's back colour while "Plain List
// Background" is checked, otherwise the skin's picture (none for "(No Skin)").
void frmSkinDir::applyListBackground(Trap& trap)
{
    const QString name = Label1->text();
    if (name.isEmpty())
        return;
    if (Check1->isChecked()) {
        trap([&] { ListView1->setBackgroundPicture(QPixmap()); });
        trap([&] { setBackColor(ListView1, previewColour(PreviewBackColor)); });
        trap([&] { setForeColor(ListView1, previewColour(PreviewForeColor)); });
    } else if (IsNoSkin(name)) {
        trap([&] { ListView1->setBackgroundPicture(QPixmap()); });
        trap([&] { setForeColor(ListView1, previewColour(PreviewForeColor)); });
    } else {
        trap([&] { ListView1->setBackgroundPicture(LoadSkinPicture(name, QStringLiteral("background.bmp"))); });
        trap([&] { setForeColor(ListView1, previewColour(PreviewForeColor)); });
    }
}

void frmSkinDir::Check1_Click()
{
    Trap trap(kModule, QStringLiteral("Check1_Click"));
    applyListBackground(trap);
}

void frmSkinDir::Command1_Click()
{
    Trap trap(kModule, QStringLiteral("Command1_Click"));
    const QString name = Label1->text();
    if (name.isEmpty()) {
        trap([] { MsgBox(QStringLiteral("Please Click On A Skin in List Above"), Mb::OKCancel, QStringLiteral("Select A Skin")); });
        return;
    }
    trap([&] { SkinName = name; });
    trap([&] { SkinFlag = Check1->isChecked() ? 1 : 0; });
    trap([] { formskins(); });
    trap([&] {
        const QString skins = SkinsFolder();
        const QString existing = findIgnoringCase(skins, QStringLiteral("skinmain.ini"));
        const QByteArray flag = SkinFlag == 1 ? " 1 " : " 0 ";
        SaveWholeFile(existing.isEmpty() ? skins + QStringLiteral("/skinmain.ini") : existing,
                      SkinName.toUtf8() + "\r\n" + flag + "\r\n");
    });
    trap([this] { Forms::unload(this); });
}

void frmSkinDir::Command2_Click()
{
    Trap trap(kModule, QStringLiteral("Command2_Click"));
    trap([this] { Forms::unload(this); });
}
