#include "songs/frmedit.h"

#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "core/driveinfo.h"
#include "platform/errors.h"
#include "core/filenames.h"
#include "core/globals.h"
#include "core/windowlinks.h"
#include "platform/files.h"
#include "platform/prompt.h"
#include "songs/filelist.h"

namespace {
const QString kModule = QStringLiteral("frmEdit");

// Gives every entry of a store that belongs to the edited song its new title and artist,
// then saves the store.
void renameEntries(colPlaylist* store, const QString& title, const QString& artist)
{
    if (!store)
        return;
    for (const auto& e : *store)
        if (e->MP3Title() == EditSongTitle && e->artist() == EditSongArtist) {
            e->setMP3Title(title);
            e->setArtist(artist);
        }
    store->SaveFile();
}
} // namespace

frmEdit::frmEdit() : Form(QStringLiteral("frmEdit"))
{
    setWindowTitle(QStringLiteral("Edit MP3 Info"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setTag(this, QStringLiteral("Skin"));

    auto* top = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;

    Frame1 = new QGroupBox(QStringLiteral("Type In Song Information"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* g = new QGridLayout(Frame1);
    auto box = [this](const QString& name) {
        auto* t = new TextBox(Frame1);
        t->setObjectName(name);
        t->setMinimumWidth(260);
        return t;
    };
    txtSong = box(QStringLiteral("txtSong"));
    txtArtist = box(QStringLiteral("txtArtist"));
    txtCDTitle = box(QStringLiteral("txtCDTitle"));
    txtCategory = box(QStringLiteral("txtCategory"));
    int r = 0;
    for (auto [caption, edit] : {std::pair{QStringLiteral("Song"), txtSong}, std::pair{QStringLiteral("Artist"), txtArtist},
                                 std::pair{QStringLiteral("CD Title"), txtCDTitle},
                                 std::pair{QStringLiteral("Category"), txtCategory}}) {
        auto* l = new Label(caption, Frame1);
        l->setBuddy(edit);
        g->addWidget(l, r, 0);
        g->addWidget(edit, r++, 1);
    }
    txtlength = new TextBox(this);
    txtlength->setObjectName(QStringLiteral("txtlength"));
    txtlength->hide();
    left->addWidget(Frame1);

    auto* coverRow = new QHBoxLayout;
    coverRow->addWidget(new Label(QStringLiteral("CD Cover Image "), this));
    lblCDCover = new Label(QString(), this);
    lblCDCover->setObjectName(QStringLiteral("lblCDCover"));
    lblCDCover->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblCDCover->setMinimumWidth(160);
    coverRow->addWidget(lblCDCover, 1);
    Command3 = new QPushButton(QStringLiteral("Clear"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    coverRow->addWidget(Command3);
    left->addLayout(coverRow);

    auto* hint = new Label(QStringLiteral("Select An Image To Display With This Song By Clicking On An Image File In "
                                          "The List At The Right.  The File Name Will Be Automatically Entered."),
                           this);
    hint->setWordWrap(true);
    left->addWidget(hint);
    left->addStretch(1);

    auto* buttons = new QHBoxLayout;
    Command1 = new QPushButton(QStringLiteral("Save"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addStretch(1);
    left->addLayout(buttons);
    top->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    Image1 = new PictureBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(160, 160);
    Image1->setBorderStyle(1);
    fileCover = new FileListBox(this);
    fileCover->setObjectName(QStringLiteral("fileCover"));
    fileCover->setPattern(QStringLiteral("*.bmp;*.jpg;*.gif;*.wmf"));
    fileCover->setFixedWidth(160);
    right->addWidget(Image1);
    right->addWidget(fileCover, 1);
    top->addLayout(right);

    setTabOrder(txtSong, txtArtist);
    setTabOrder(txtArtist, txtCDTitle);
    setTabOrder(txtCDTitle, txtCategory);
    setTabOrder(txtCategory, Command3);
    setTabOrder(Command3, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, fileCover);

    setFixedSize(sizeHint().expandedTo(QSize(560, 300)));

    connect(Command1, &QPushButton::clicked, this, &frmEdit::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmEdit::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmEdit::Command3_Click);
    connect(fileCover, &QListWidget::itemClicked, this, [this] { fileCover_Click(); });
    connect(fileCover, &QListWidget::itemActivated, this, [this] { fileCover_Click(); });
}

void frmEdit::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] { centreOnScreen(); });
    trap([this] { setWindowFlag(Qt::WindowStaysOnTopHint, true); });
    trap([this] {
        if (CheckDriveType(MusicFolder).toInt() == 3) {
            MsgBox(QStringLiteral("This (Song) file is on a CD-ROM. Can't change the (Song) file name on a CD-ROM. "
                                  "The rest of the Song's data can be edited."),
                   Mb::OKOnly, kAppTitle);
            txtSong->setEnabled(false);
        } else {
            txtSong->setEnabled(true);
        }
    });
}

void frmEdit::Command1_Click()
{
    Trap trap(kModule, QStringLiteral("Command1_Click"));
    const QString title = txtSong->text();
    const bool titleEditable = txtSong->isEnabled();
    if (titleEditable) {
        if (title.isEmpty()) {
            MsgBox(QStringLiteral("You Must Enter A Song Name"), Mb::OKOnly, kAppTitle);
            return;
        }
        if (checkinvalid(title) == 1) {
            MsgBox(QStringLiteral("You Cannot Use the Characters  \\ = /: * ? \" < > | In A Song Name (File) Or Name "
                                  "Must Be Less Than 250 Characters Long"),
                   Mb::OKOnly, kAppTitle);
            return;
        }
        if (title != EditSongTitle) {
            const QString existing = findIgnoringCase(MusicFolder, title + QStringLiteral(".mp3"));
            if (!existing.isEmpty() && QFileInfo(existing).isFile()) {
                MsgBox(QStringLiteral("A Song File by That Name Already Exists, Enter A New Song Name"), Mb::OKOnly,
                       kAppTitle);
                return;
            }
        }
    }

    // The file is renamed first: when that fails nothing is stored, so the catalogue never
    // names a file that is not there, and the dialog stays open.
    if (titleEditable && title != EditSongTitle) {
        const bool renamed = trap([&] {
            const QString oldPath = findIgnoringCase(MusicFolder, EditSongTitle + QStringLiteral(".mp3"));
            if (oldPath.isEmpty() || !QFileInfo(oldPath).isFile())
                throw AppError(Err::FileNotFound, QStringLiteral("File not found: ") + MusicFolder + EditSongTitle +
                                                      QStringLiteral(".mp3"));
            if (!QFile::rename(oldPath, MusicFolder + title + QStringLiteral(".mp3")))
                throw AppError(Err::PathFileAccess, QStringLiteral("Path/File access error: ") + oldPath);
        });
        if (!renamed)
            return;
    }

    const QString artist = txtArtist->text();
    const QString length = txtlength->text();
    const QString cdTitle = txtCDTitle->text();
    const QString category = txtCategory->text();
    const QString cover = lblCDCover->text();

    trap([&] {
        if (!SongLibrary) {
            SongLibrary = std::make_unique<colMp3>();
            SongLibrary->setFileName(QStringLiteral("MP3.mpd"));
        }
        bool found = false;
        for (const auto& s : *SongLibrary)
            if (s->MP3Title() == EditSongTitle && s->artist() == EditSongArtist) {
                s->setMP3Title(title);
                s->setLength(length);
                s->setArtist(artist);
                s->setCDTitle(cdTitle);
                s->setCategory(category);
                s->setCover(cover);
                found = true;
                break;
            }
        if (!found)
            SongLibrary->Add(title, artist, length, cdTitle, category, cover, QString(), QString());
        SongLibrary->SaveFile();
    });
    trap([&] { renameEntries(Playlists.get(), title, artist); });
    trap([&] { renameEntries(RecentList.get(), title, artist); });
    trap([&] { runLink(Links().showEditedSong, QStringList{title, artist, length, cdTitle, category}); });
    trap([this] { Forms::unload(this); });
}

void frmEdit::Command2_Click()
{
    Trap trap(kModule, QStringLiteral("Command2_Click"));
    trap([this] { Forms::unload(this); });
}

void frmEdit::Command3_Click()
{
    Trap trap(kModule, QStringLiteral("Command3_Click"));
    trap([this] {
        lblCDCover->setText(QString());
        Image1->setPicture(QPixmap());
    });
}

void frmEdit::fileCover_Click() { ShowChosenCover(kModule, fileCover, lblCDCover, Image1); }

void frmEdit::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        Command2_Click();
        return;
    }
    Form::keyPressEvent(e);
}
