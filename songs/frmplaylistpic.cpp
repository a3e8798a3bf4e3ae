#include "songs/frmplaylistpic.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "platform/errors.h"
#include "core/globals.h"
#include "core/windowlinks.h"
#include "platform/prompt.h"
#include "songs/filelist.h"

namespace {
const QString kModule = QStringLiteral("frmPlayListPic");
bool same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }
} // namespace

frmPlayListPic::frmPlayListPic() : Form(QStringLiteral("frmPlayListPic"))
{
    setWindowTitle(QStringLiteral("Display An Image With All Songs In PlayList"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setTag(this, QStringLiteral("Skin"));

    auto* top = new QVBoxLayout(this);
    lblPlayListName = new Label(QStringLiteral("PlayList ="), this);
    lblPlayListName->setObjectName(QStringLiteral("lblPlayListName"));
    lblPlayListName->setFontBold(true);
    top->addWidget(lblPlayListName);

    auto* mid = new QHBoxLayout;
    fileCover = new FileListBox(this);
    fileCover->setObjectName(QStringLiteral("fileCover"));
    fileCover->setPattern(QStringLiteral("*.bmp;*.jpg;*.gif;*.wmf"));
    fileCover->setFixedWidth(200);
    mid->addWidget(fileCover);
    auto* pic = new QVBoxLayout;
    Label3 = new Label(QStringLiteral("CD Cover Image "), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Image1 = new PictureBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(180, 180);
    Image1->setBorderStyle(1);
    lblCDCover = new Label(QString(), this);
    lblCDCover->setObjectName(QStringLiteral("lblCDCover"));
    lblCDCover->setFrameStyle(QFrame::Box | QFrame::Plain);
    pic->addWidget(Label3);
    pic->addWidget(Image1);
    pic->addWidget(lblCDCover);
    pic->addStretch(1);
    mid->addLayout(pic);
    top->addLayout(mid, 1);

    Label2 = new Label(QStringLiteral("Select An Image To Display With All Songs In This PlayList By Clicking On An "
                                      "Image File Name Above-Left. The File Name Will Automatically Be Entered. "),
                       this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    top->addWidget(Label2);

    auto* buttons = new QHBoxLayout;
    Command1 = new QPushButton(QStringLiteral("Save"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3 = new QPushButton(QStringLiteral("Clear"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addWidget(Command3);
    buttons->addStretch(1);
    top->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(430, 340)));

    connect(Command1, &QPushButton::clicked, this, &frmPlayListPic::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmPlayListPic::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmPlayListPic::Command3_Click);
    connect(fileCover, &QListWidget::itemClicked, this, [this] { fileCover_Click(); });
    connect(fileCover, &QListWidget::itemActivated, this, [this] { fileCover_Click(); });
}

void frmPlayListPic::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] { centreOnScreen(); });
    trap([this] { setWindowFlag(Qt::WindowStaysOnTopHint, true); });
}

void frmPlayListPic::fileCover_Click() { ShowChosenCover(kModule, fileCover, lblCDCover, Image1); }

void frmPlayListPic::Command3_Click()
{
    lblCDCover->setText(QString());
    Image1->setPicture(QPixmap());
}

void frmPlayListPic::Command2_Click() { Forms::unload(this); }

void frmPlayListPic::Command1_Click()
{
    Trap trap(kModule, QStringLiteral("Command1_Click"));
    QString name;
    trap([&] {
        const std::optional<QString> chosen = Links().chosenPlaylist ? Links().chosenPlaylist() : std::nullopt;
        if (!chosen)
            throw AppError(91, QStringLiteral("Object variable or With block variable not set"));
        name = *chosen;
    });
    const QString cover = lblCDCover->text();
    trap([&] {
        if (!Playlists || name.isEmpty())
            return;
        for (const auto& e : *Playlists) {
            if (!same(e->PlaylistName(), name))
                continue;
            e->setCover(cover);
            if (SongLibrary)
                for (const auto& s : *SongLibrary)
                    if (same(s->MP3Title(), e->MP3Title())) {
                        s->setCover(cover);
                        break;
                    }
        }
    });
    trap([] {
        if (Playlists)
            Playlists->SaveFile();
    });
    trap([] {
        if (SongLibrary)
            SongLibrary->SaveFile();
    });
    trap([this] { Forms::unload(this); });
}

void frmPlayListPic::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        Command2_Click();
        return;
    }
    Form::keyPressEvent(e);
}
