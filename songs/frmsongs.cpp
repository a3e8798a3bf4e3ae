#include "songs/frmsongs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QVBoxLayout>
#include <array>

#include "controls/mp3play.h"
#include "core/busylisting.h"
#include "core/driveinfo.h"
#include "platform/errors.h"
#include "core/filenames.h"
#include "core/globals.h"
#include "core/mp3listing.h"
#include "core/mp3tags.h"
#include "core/playlistname.h"
#include "core/skin.h"
#include "jobs/musicmovejob.h"
#include "platform/files.h"
#include "platform/prompt.h"
#include "shell/frmmovestatus.h"
#include "shell/listsearch.h"
#include "shell/windowchrome.h"
#include "songs/filelist.h"
#include "songs/frmedit.h"
#include "songs/frmplaylistpic.h"

namespace {
const QString kModule = QStringLiteral("frmSongs");
const QString kRecentListName = QStringLiteral("*%#Recent List#%*");

bool same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The catalogues as the window changes them; start-up creates them, a window opened
// without them works on empty ones.
colMp3& songLibrary()
{
    if (!SongLibrary) {
        SongLibrary = std::make_unique<colMp3>();
        SongLibrary->setFileName(QStringLiteral("MP3.mpd"));
    }
    return *SongLibrary;
}
colPlaylist& playlists()
{
    if (!Playlists) {
        Playlists = std::make_unique<colPlaylist>();
        Playlists->setFileName(QStringLiteral("playlist.mpd"));
    }
    return *Playlists;
}

// The song file of a title in the music folder, found ignoring letter case; empty when missing.
QString songFile(const QString& title)
{
    if (MusicFolder.isEmpty())
        return {};
    const QString p = findIgnoringCase(MusicFolder, title + QStringLiteral(".mp3"));
    return !p.isEmpty() && QFileInfo(p).isFile() ? p : QString();
}

ListItem* addRow(ListView* lv, const QStringList& texts)
{
    auto* it = new ListItem(texts);
    lv->addTopLevelItem(it);
    return it;
}

// Files of a folder in name order, as the folder's file list shows them.
QStringList folderFiles(const QString& folder)
{
    if (folder.isEmpty())
        return {};
    return FileNamesByName(folder);
}

// Whether a file name holds ext (a dot and three letters, as ".mp3") anywhere, letter case
// ignored. Only the places of its dots are compared, so a long listing is tested quickly.
bool holdsExtension(QStringView name, QLatin1String ext)
{
    for (qsizetype i = name.indexOf(u'.'); i >= 0 && i + ext.size() <= name.size(); i = name.indexOf(u'.', i + 1))
        if (name.mid(i, ext.size()).compare(ext, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool isCdRomMusicFolder() { return CheckDriveType(MusicFolder).toInt() == 3; }

void removePlaylistEntries(colPlaylist& store, const QString& name)
{
    int i = 1;
    while (i <= store.Count()) {
        if (same(store.Item(i)->PlaylistName(), name))
            store.Remove(i);
        else
            ++i;
    }
}

SSCommand* button(QWidget* parent, const QString& name, const QString& caption, const QString& tip = {})
{
    auto* b = new SSCommand(caption, parent);
    b->setObjectName(name);
    if (!tip.isEmpty())
        b->setToolTip(tip);
    return b;
}

Label* label(QWidget* parent, const QString& name, const QString& caption, const QString& tip = {})
{
    auto* l = new Label(caption, parent);
    l->setObjectName(name);
    if (!tip.isEmpty())
        l->setToolTip(tip);
    return l;
}

ListView* listView(QWidget* parent, const QString& name, const QStringList& headers)
{
    auto* lv = new ListView(parent);
    lv->setObjectName(name);
    lv->setHeaderLabels(headers);
    lv->setSelectionMode(QAbstractItemView::SingleSelection);
    lv->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return lv;
}
} // namespace

QStringList frmSongs::RowTexts(const ListItem* item)
{
    QStringList t;
    for (int c = 0; c < 5; ++c)
        t << (item ? item->text(c) : QString());
    return t;
}

frmSongs::frmSongs()
    : FeatureForm({QStringLiteral("frmSongs"), QStringLiteral("PlayLists"), Feature::PlayLists,
                   QStringLiteral("Close PlayLists"), 1, 860, 640})
{
    Mp3Play1 = new Mp3Play(this);
    lstDirs = new QListWidget(this);
    lstDirs->setObjectName(QStringLiteral("lstDirs"));
    lstDirs->hide();

    auto* v = new QVBoxLayout(body);
    v->setContentsMargins(0, 4, 0, 0);
    v->setSpacing(4);

    // Music folder line, folder and move buttons.
    auto* rowA = new QHBoxLayout;
    Label28 = label(body, QStringLiteral("Label28"), QString());
    Label28->setMinimumWidth(200);
    Label28->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    SSCommand1 = button(body, QStringLiteral("SSCommand1"), QStringLiteral("Change Folder"),
                        QStringLiteral("Select A New Music Folder/Program Settings"));
    sscmdMoveFiles = button(body, QStringLiteral("sscmdMoveFiles"), QStringLiteral("Move MP3s"),
                            QStringLiteral("Move all MP3 Files to the My Music Folders"));
    rowA->addWidget(Label28, 1);
    rowA->addWidget(SSCommand1);
    rowA->addWidget(sscmdMoveFiles);
    v->addLayout(rowA);

    // Hint and search.
    auto* rowB = new QHBoxLayout;
    Label6 = label(body, QStringLiteral("lblSongsShown"), QStringLiteral("Songs In Music Folder Are Shown Below"));
    text1 = new TextBox(body);
    text1->setObjectName(QStringLiteral("text1"));
    text1->setFixedWidth(180);
    SSSearch = button(body, QStringLiteral("SSSearch"), QStringLiteral("Search"),
                      QStringLiteral("Find Song Using A Few Letters"));
    rowB->addWidget(Label6, 1);
    rowB->addWidget(text1);
    rowB->addWidget(SSSearch);
    v->addLayout(rowB);

    // Sort labels above the song list.
    lblTitle = label(body, QStringLiteral("lblTitle"), QStringLiteral("Song Title"));
    lblArtist = label(body, QStringLiteral("lblArtist"), QStringLiteral("Artist"));
    lblLength = label(body, QStringLiteral("lblLength"), QStringLiteral("Length"));
    lblCDTitle = label(body, QStringLiteral("lblCDTitle"), QStringLiteral("CD Title"));
    lblCategory = label(body, QStringLiteral("lblCategory"), QStringLiteral("Category"));
    for (Label* l : {lblTitle, lblArtist, lblLength, lblCDTitle, lblCategory}) {
        l->setCursor(Qt::PointingHandCursor);
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    // Each label stands over its column of the song list, on a row of their own.
    auto* rowC = new QWidget(body);
    const int widths[] = {250, 190, 70, 190};
    for (Label* l : {lblTitle, lblArtist, lblLength, lblCDTitle, lblCategory}) {
        l->setParent(rowC);
        l->resize(l->width(), l->sizeHint().height());
    }
    rowC->setFixedHeight(lblTitle->sizeHint().height());
    v->addWidget(rowC);

    ListView2 = listView(body, QStringLiteral("ListView2"),
                         {QStringLiteral("Song"), QStringLiteral("Artist"), QStringLiteral("Length"),
                          QStringLiteral("CD Title"), QStringLiteral("Category")});
    for (int c = 0; c < 4; ++c)
        ListView2->setColumnWidth(c, widths[c]);
    ListView2->header()->setSectionsClickable(true);
    // The captions above the list are its column headings; its own would show them twice.
    ListView2->header()->hide();
    v->addWidget(ListView2, 3);
    LineUpCaptions(ListView2, {lblTitle, lblArtist, lblLength, lblCDTitle, lblCategory});

    // Song commands.
    auto* rowD = new QHBoxLayout;
    Label2 = label(body, QStringLiteral("Label2"),
                   QStringLiteral("Click A Song To Add It To The PlayList (First Click \"New\" Or \"Edit\" Above)"),
                   QStringLiteral("Click A Song Above To Add It To A New Or Existing PlayList Then Click \"Save\" "
                                  "(First Click \"New\" Or \"Edit\")"));
    SSEditMP3 = button(body, QStringLiteral("SSEditMP3"), QStringLiteral("Edit Song Info"));
    SSDeleteMP3 = button(body, QStringLiteral("SSDeleteMP3"), QStringLiteral("Delete Song"),
                         QStringLiteral("Pemanently Delete The Song File From Your Computer"));
    rowD->addWidget(Label2, 1);
    rowD->addWidget(SSEditMP3);
    rowD->addWidget(SSDeleteMP3);
    v->addLayout(rowD);

    // Playlists, playlist commands and the playlist's songs.
    auto* rowE = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    Label17 = label(body, QStringLiteral("Label17"), QStringLiteral("Click On PlayList To Display Songs"),
                    QStringLiteral("Clicking The Existing PlayList Above Will Display Its Songs To The Right"));
    ListView3 = listView(body, QStringLiteral("ListView3"), {QStringLiteral("PlayList")});
    Label17->setWordWrap(true);
    left->addWidget(ListView3, 1);
    left->addWidget(Label17);
    auto* mid = new QVBoxLayout;
    SSAdd = button(body, QStringLiteral("SSAdd"), QStringLiteral("New "),
                   QStringLiteral("To Create A New PlayList Click On \"New\" Then Click On Songs Below To Add Them "
                                  "Then Click \"Save\""));
    SSEdit = button(body, QStringLiteral("SSEdit"), QStringLiteral("Edit "),
                    QStringLiteral("Click On \"Edit\" To Add Or Delete Songs In Existing PlayList "));
    SSSave = button(body, QStringLiteral("SSSave"), QStringLiteral("Save"),
                    QStringLiteral("Save New PlayList Or Save Changes To Existing PlayList"));
    SSCancel = button(body, QStringLiteral("SSCancel"), QStringLiteral("Cancel"),
                      QStringLiteral("Cancel  The Current \"Edit\" Or \"New\" Operation"));
    SSDelete = button(body, QStringLiteral("SSDelete"), QStringLiteral("Delete "),
                      QStringLiteral("Delete Selected PlayList Form Your Computer (Its Song Files Won't Be Deleted)"));
    SSPicEdit = button(body, QStringLiteral("SSPicEdit"), QStringLiteral("Cover"),
                       QStringLiteral("Associate A Picture With All The Songs In The Selected PlayList"));
    for (SSCommand* b : {SSAdd, SSEdit, SSSave, SSCancel, SSDelete, SSPicEdit}) {
        b->setFixedWidth(80);
        mid->addWidget(b);
    }
    mid->addStretch(1);
    auto* right = new QVBoxLayout;
    ListView1 = listView(body, QStringLiteral("ListView1"),
                         {QStringLiteral("Title"), QStringLiteral("Artist"), QStringLiteral("Length"),
                          QStringLiteral("CDTitle"), QStringLiteral("Category")});
    ListView1->setColumnWidth(0, 170);
    ListView1->setColumnWidth(1, 120);
    ListView1->setColumnWidth(2, 55);
    Label12 = label(body, QStringLiteral("lblRemoveHint"),
                    QStringLiteral("Dbl-Click To Remove Selected Song From PlayList (First Click \"Edit\" To Edit An "
                                   "Existing PlayList, Click \"New\" To Create A New One) "),
                    QStringLiteral("Double Click A Song Above To Remove It From The New Or Existing PlayList (First "
                                   "Click \"New\" Or \"Edit\")"));
    Label12->setWordWrap(true);
    Label3 = label(body, QStringLiteral("Label3"), QStringLiteral("Total Play Time = 0:00"));
    right->addWidget(ListView1, 1);
    auto* under = new QHBoxLayout;
    under->addWidget(Label12, 1);
    under->addWidget(Label3);
    right->addLayout(under);
    auto* leftBox = new QWidget(body);
    leftBox->setLayout(left);
    leftBox->setFixedWidth(200);
    left->setContentsMargins(0, 0, 0, 0);
    rowE->addWidget(leftBox);
    rowE->addLayout(mid);
    rowE->addLayout(right, 1);
    v->addLayout(rowE, 2);

    SSCancel->setEnabled(false);
    SSSave->setEnabled(false);

    // The shared chrome under this window's names, with this window's captions and hover texts.
    Label22 = chrome->Label6;
    Label8 = chrome->Label8;
    Label11 = chrome->Label12;
    Label5 = chrome->Label7;
    Label16 = chrome->Label10;
    Label11->setToolTip(QStringLiteral("Change Skins (Appearance)"));
    Label10 = lblQuillory;
    Label13 = lblPlayer;
    Label14 = lblEncoder;
    Label7 = lblConvert;
    Label9 = lblBurner;
    Label15 = lblExit;
    picQuillory->setToolTip(QStringLiteral("Return To The Quillory"));
    Label10->setToolTip(QStringLiteral("Return To The Quillory"));
    chrome->mnuskin->setTitle(QStringLiteral("Change Skins"));
    chrome->mnuAbout->setText(QStringLiteral("About Quillory "));
    if (QAction* a = chrome->entry(QStringLiteral("mnuConvert")))
        a->setText(QStringLiteral("Converter"));
    if (QAction* a = chrome->entry(QStringLiteral("mnuClose")))
        a->setObjectName(QStringLiteral("mnuClosePlayLists"));
    if (QAction* a = chrome->entry(QStringLiteral("mnuExit")))
        a->setText(QStringLiteral("Exit"));

    // Events.
    connect(ListView2->header(), &QHeaderView::sectionClicked, this,
            [this](int logical) { ListView2_ColumnClick(logical + 1); });
    connect(lblTitle, &Label::clicked, this, &frmSongs::lblTitle_Click);
    connect(lblArtist, &Label::clicked, this, &frmSongs::lblArtist_Click);
    connect(lblLength, &Label::clicked, this, &frmSongs::lblLength_Click);
    connect(lblCDTitle, &Label::clicked, this, &frmSongs::lblCDTitle_Click);
    connect(lblCategory, &Label::clicked, this, &frmSongs::lblCategory_Click);
    connect(SSSearch, &QPushButton::clicked, this, &frmSongs::SSSearch_Click);
    connect(text1, &QLineEdit::returnPressed, this, &frmSongs::SSSearch_Click);
    connect(ListView3, &ListView::itemClicked, this, [this] { ListView3_Click(); });
    connect(ListView2, &ListView::itemClicked, this, [this] { ListView2_Click(); });
    connect(ListView1, &ListView::itemDoubleClicked, this, [this] { ListView1_DblClick(); });
    connect(SSAdd, &QPushButton::clicked, this, &frmSongs::SSAdd_Click);
    connect(SSEdit, &QPushButton::clicked, this, &frmSongs::SSEdit_Click);
    connect(SSCancel, &QPushButton::clicked, this, &frmSongs::SSCancel_Click);
    connect(SSSave, &QPushButton::clicked, this, &frmSongs::SSSave_Click);
    connect(SSDelete, &QPushButton::clicked, this, &frmSongs::SSDelete_Click);
    connect(SSEditMP3, &QPushButton::clicked, this, &frmSongs::SSEditMP3_Click);
    connect(SSDeleteMP3, &QPushButton::clicked, this, &frmSongs::SSDeleteMP3_Click);
    connect(SSPicEdit, &QPushButton::clicked, this, &frmSongs::SSPicEdit_Click);
    connect(sscmdMoveFiles, &QPushButton::clicked, this, &frmSongs::sscmdMoveFiles_Click);
    connect(SSCommand1, &QPushButton::clicked, this, &frmSongs::SSCommand1_Click);
    connect(Label28, &Label::mouseMoved, this, [this] { Label28_MouseMove(); });
    connect(Label6, &Label::mouseMoved, this, [this] { Label6_MouseMove(); });
    // Keyboard: Enter or Space acts as a click on a song or playlist, Delete as the double
    // click that removes a song from the playlist being built.
    for (ListView* lv : {ListView1, ListView2, ListView3})
        lv->installEventFilter(this);
}

bool frmSongs::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        const bool activate = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
        if (watched == ListView2 && activate) {
            ListView2_Click();
            return true;
        }
        if (watched == ListView3 && activate) {
            ListView3_Click();
            return true;
        }
        if (watched == ListView1 && key == Qt::Key_Delete) {
            ListView1_DblClick();
            return true;
        }
    }
    return FeatureForm::eventFilter(watched, e);
}

// ---- Loading ----

void frmSongs::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] {
        Label28->setText(QStringLiteral("(Current Music Folder=") + MusicFolder.left(MusicFolder.size() - 1) +
                         QLatin1Char(')'));
    });
    // The music folder is listed once for the songs and the playlist markers.
    const FolderNames musicFiles = MusicFolder.isEmpty() ? FolderNames() : FolderFilesByName(MusicFolder);
    trap([&] { loadSongs(musicFiles); });
    trap([&] { loadPlaylists(musicFiles); });
    trap([this] { putskin(this); });
    trap([this] {
        SSAdd->setEnabled(true);
        SSEdit->setEnabled(true);
        SSDelete->setEnabled(true);
        SSSave->setEnabled(false);
    });
    NewPlaylistFlag = 0;
    EditPlaylistFlag = 0;
    trap([this] { ListView3_Click(); });
    trap([this] { centreOnScreen(); });
}

void frmSongs::loadSongs(const FolderNames& files)
{
    if (MusicFolder.isEmpty())
        return;
    Trap trap(kModule, QStringLiteral("Form_Load"));
    BusyListing busy(ListView2);
    const SongsByTitle known(SongLibrary.get());
    // Catalogue songs are rows at once; the other songs' files are read on worker threads,
    // first to last, while their places wait in the row order (nullptr, a place of songs).
    QList<ListItem*> rows;
    rows.reserve(files.size());
    QStringList unknown;
    for (const QStringView file : files) {
        busy.tick();
        trap([&] {
            if (!holdsExtension(file, QLatin1String(".mp3")))
                return;
            if (const clsMP3* s = known.find(file.chopped(4))) {
                rows.append(new ListItem({s->MP3Title(), s->artist(), s->Length(), s->CDTitle(), s->Category()}));
                return;
            }
            unknown.append(file.chopped(4).toString());
            rows.append(nullptr);
        });
    }
    // Not in the catalogue: the file's own tag and play time.
    Mp3ListReader reader(unknown, [](const QString& song) { return songFile(song); });
    FillFromFiles(rows, reader, busy, [&](const QString& song, const Mp3ListFacts& facts) -> ListItem* {
        ListItem* row = nullptr;
        trap([&] {
            const Mp3ListEntry e = Mp3ListEntryOf(facts);
            if (e.opened)
                row = new ListItem({song, e.artist, e.seconds != 0 ? MinutesSeconds(e.seconds) : QString(), e.album, e.genre});
        });
        return row;
    });
    ListView2->addTopLevelItems(rows);
    if (ListView2->topLevelItemCount() > 0)
        ListView2->setCurrentItem(ListView2->topLevelItem(0));
}

void frmSongs::loadPlaylists(const FolderNames& musicFiles)
{
    if (MusicFolder.isEmpty())
        return;
    Trap trap(kModule, QStringLiteral("Form_Load"));
    if (isCdRomMusicFolder()) {
        // On a CD a playlist is offered only when all of its songs are on the disc.
        for (const QString& file : folderFiles(DefaultMusicFolder)) {
            trap([&] {
                if (!file.contains(QLatin1String(".cdr"), Qt::CaseInsensitive))
                    return;
                const QString name = file.left(file.size() - 4);
                if (same(name, kRecentListName))
                    return;
                if (Playlists)
                    for (const auto& e : *Playlists)
                        if (same(e->PlaylistName(), name) && songFile(e->MP3Title()).isEmpty())
                            return;
                addRow(ListView3, {name});
            });
        }
    } else {
        for (const QStringView file : musicFiles) {
            trap([&] {
                if (!holdsExtension(file, QLatin1String(".lst")) || !Playlists)
                    return;
                const QString marker = file.chopped(4).toString();
                QString current;
                for (const auto& e : *Playlists) {
                    if (same(e->PlaylistName(), current))
                        continue;
                    current = e->PlaylistName();
                    if (same(marker, current) && current != kRecentListName)
                        addRow(ListView3, {current});
                }
            });
        }
    }
    if (ListView3->topLevelItemCount() > 0)
        ListView3->setCurrentItem(ListView3->topLevelItem(0));
}

void frmSongs::Form_Unload(int&)
{
    Trap trap(kModule, QStringLiteral("Form_Unload"));
    trap([] { ClosingRule(); });
}

// ---- Sorting and search ----

void frmSongs::ListView2_ColumnClick(int header)
{
    Trap trap(kModule, QStringLiteral("ListView2_ColumnClick"));
    trap([&] {
        const int key = header - 1;
        if (key < 0 || key > 4)
            throw AppError(Err::Subscript, QStringLiteral("Subscript out of range"));
        const Qt::SortOrder order = ColumnSortFlags[size_t(key)] == 0 ? Qt::DescendingOrder : Qt::AscendingOrder;
        // Sorted mode from now on; the header's own toggle is not used (each column keeps its own).
        ListView2->setSortingEnabled(true);
        ListView2->header()->setSortIndicatorShown(false); // a shown indicator would flip itself on a click
        ListView2->sortByColumn(key, order);
        ColumnSortFlags[size_t(key)] = int16_t(~ColumnSortFlags[size_t(key)]);
    });
}

void frmSongs::lblTitle_Click() { ListView2_ColumnClick(1); }
void frmSongs::lblArtist_Click() { ListView2_ColumnClick(2); }
void frmSongs::lblLength_Click() { ListView2_ColumnClick(3); }
void frmSongs::lblCDTitle_Click() { ListView2_ColumnClick(4); }
void frmSongs::lblCategory_Click() { ListView2_ColumnClick(5); }

void frmSongs::SSSearch_Click()
{
    Trap trap(kModule, QStringLiteral("SSSearch_Click"));
    trap([this] { SearchRows(ListView2, text1->text(), TitleArtistOrAlbumHolds); });
}

// ---- Playlist viewing and building ----

void frmSongs::showTotal() { Label3->setText(QStringLiteral("Total Play Time = ") + fncGetPlayTime(*ListView1)); }

void frmSongs::ListView3_Click()
{
    Trap trap(kModule, QStringLiteral("ListView3_Click"));
    trap([this] {
        if (ListView3->topLevelItemCount() == 0)
            return;
        ListItem* sel = ListView3->currentItem();
        if (!sel)
            return; // no playlist chosen: the list keeps what it shows
        const QString name = sel->text(0);
        ListView1->clear();
        if (!Playlists)
            return;
        for (const auto& e : *Playlists)
            if (same(e->PlaylistName(), name) && !songFile(e->MP3Title()).isEmpty())
                addRow(ListView1, {e->MP3Title(), e->artist(), e->Length()});
    });
    trap([this] { showTotal(); });
}

void frmSongs::ListView2_Click()
{
    Trap trap(kModule, QStringLiteral("ListView2_Click"));
    trap([this] {
        if ((EditPlaylistFlag != 1 && NewPlaylistFlag != 1) || ListView2->topLevelItemCount() == 0)
            return;
        ListItem* sel = ListView2->currentItem();
        if (!sel)
            return;
        ListItem* row = addRow(ListView1, RowTexts(sel));
        ListView1->scrollToItem(row);
        showTotal();
    });
}

void frmSongs::ListView1_DblClick()
{
    Trap trap(kModule, QStringLiteral("ListView1_DblClick"));
    trap([this] {
        if ((NewPlaylistFlag != 1 && EditPlaylistFlag != 1) || ListView1->topLevelItemCount() == 0)
            return;
        delete ListView1->currentItem();
        showTotal();
    });
}

void frmSongs::SSAdd_Click()
{
    Trap trap(kModule, QStringLiteral("SSAdd_Click"));
    trap([this] {
        for (SSCommand* b : {SSAdd, SSPicEdit, SSEdit, SSDelete})
            b->setEnabled(false);
        SSSave->setEnabled(true);
        SSCancel->setEnabled(true);
        NewPlaylistFlag = 1;
        ListView1->clear();
        if (ListView3->topLevelItemCount() > 0) {
            ListView3->clearSelection();
            ListView3->setCurrentItem(nullptr);
        }
    });
}

void frmSongs::SSEdit_Click()
{
    Trap trap(kModule, QStringLiteral("SSEdit_Click"));
    trap([this] {
        if (ListView3->topLevelItemCount() == 0 || !ListView3->currentItem())
            return;
        for (SSCommand* b : {SSEdit, SSPicEdit, SSAdd, SSDelete})
            b->setEnabled(false);
        SSSave->setEnabled(true);
        SSCancel->setEnabled(true);
        ListView3->setEnabled(false);
        EditPlaylistFlag = 1;
    });
}

void frmSongs::setIdleButtons()
{
    for (SSCommand* b : {SSAdd, SSEdit, SSDelete, SSPicEdit})
        b->setEnabled(true);
    SSSave->setEnabled(false);
    ListView3->setEnabled(true);
}

void frmSongs::SSCancel_Click()
{
    Trap trap(kModule, QStringLiteral("SSCancel_Click"));
    trap([this] {
        if (NewPlaylistFlag == 1)
            ListView1->clear();
    });
    if (EditPlaylistFlag == 1) {
        ListView3->setEnabled(true);
        ListView3_Click();
    }
    trap([this] {
        setIdleButtons();
        SSCancel->setEnabled(false);
    });
    NewPlaylistFlag = 0;
    EditPlaylistFlag = 0;
}

// ---- Saving and deleting playlists ----

void frmSongs::SSSave_Click()
{
    if (ListView1->topLevelItemCount() == 0)
        return;
    Trap trap(kModule, QStringLiteral("SSSave_Click"));
    // A failure anywhere ends the save; the window still returns to the idle state.
    trap([this] {
        SSPicEdit->setEnabled(true);
        std::vector<QStringList> rows;
        for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
            rows.push_back(RowTexts(ListView1->topLevelItem(i)));

        if (NewPlaylistFlag == 1) {
            QString name;
            for (;;) {
                name = InputBox(QStringLiteral("Name Of Playlist To Save As..."), kAppTitle, QString());
                if (name.isEmpty())
                    break;
                if (AcceptNewPlaylistName(name))
                    break;
            }
            if (name.isEmpty()) {
                ListView1->clear();
                NewPlaylistFlag = 0;
                return;
            }
            colPlaylist& store = playlists();
            for (size_t i = 0; i < rows.size(); ++i)
                store.Add(name, int16_t(i + 1), rows[i][0], rows[i][1], rows[i][2], QString(), QString());
            store.SaveFile();
            colMp3& lib = songLibrary();
            for (const QStringList& r : rows) {
                bool held = false;
                for (const auto& s : lib)
                    if (same(s->MP3Title(), r[0]) && same(s->artist(), r[1])) {
                        held = true;
                        break;
                    }
                if (!held)
                    lib.Add(r[0], r[1], r[2], r[3], r[4], QString(), QString());
            }
            lib.SaveFile();
            addRow(ListView3, {name});
            for (int i = 0; i < ListView3->topLevelItemCount(); ++i) {
                ListItem* it = ListView3->topLevelItem(i);
                if (it->text(0).contains(name, Qt::CaseInsensitive)) {
                    ListView3->scrollToItem(it);
                    ListView3->setCurrentItem(it);
                    it->setSelected(true);
                }
            }
            ListView3->setFocus();
            const QString marker = isCdRomMusicFolder() ? DefaultMusicFolder + name + QStringLiteral(".cdr")
                                                        : MusicFolder + name + QStringLiteral(".lst");
            QFile f(marker);
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write("1\r\n") != 3)
                throw AppError(Err::PathFileAccess, QStringLiteral("Path/File access error: ") + marker);
            f.close();
            NewPlaylistFlag = 0;
        }

        if (EditPlaylistFlag == 1) {
            ListItem* sel = ListView3->currentItem();
            if (!sel)
                throw AppError(91, QStringLiteral("Object variable or With block variable not set"));
            const QString name = sel->text(0);
            colPlaylist& store = playlists();
            QString cover;
            for (const auto& e : store)
                if (same(e->PlaylistName(), name)) {
                    cover = e->Cover();
                    break;
                }
            removePlaylistEntries(store, name);
            for (size_t i = 0; i < rows.size(); ++i)
                store.Add(name, int16_t(i + 1), rows[i][0], rows[i][1], rows[i][2], cover, QString());
            store.SaveFile();
            colMp3& lib = songLibrary();
            for (const QStringList& r : rows) {
                bool held = false;
                for (const auto& s : lib)
                    if (same(s->MP3Title(), r[0]) && same(s->artist(), r[1])) {
                        s->setCover(cover);
                        held = true;
                        break;
                    }
                if (!held)
                    lib.Add(r[0], r[1], r[2], r[3], r[4], QString(), QString());
            }
            lib.SaveFile();
            EditPlaylistFlag = 0;
        }
    });
    NewPlaylistFlag = 0;
    EditPlaylistFlag = 0;
    setIdleButtons();
}

void frmSongs::SSDelete_Click()
{
    Trap trap(kModule, QStringLiteral("SSDelete_Click"));
    if (ListView3->topLevelItemCount() == 0)
        return;
    ListItem* sel = ListView3->currentItem();
    if (!sel)
        return; // no playlist chosen: nothing to delete
    const QString name = sel->text(0);
    const QString question = QStringLiteral("Are you sure you want to delete the Play List called \"") + name +
                             QStringLiteral("\"?\nNote: MP3 songs in the Play List will not be deleted.");
    if (MsgBox(question, Mb::YesNo | Mb::Critical, kAppTitle) != Mb::Yes)
        return;
    trap([&] {
        colPlaylist& store = playlists();
        removePlaylistEntries(store, name);
        store.SaveFile();
    });
    trap([&] {
        delete sel;
        ListView1->clear();
    });
    trap([&] {
        const QString lst = MusicFolder.isEmpty() ? QString() : findIgnoringCase(MusicFolder, name + QStringLiteral(".lst"));
        if (!lst.isEmpty() && QFileInfo(lst).isFile() && !QFile::remove(lst))
            throw AppError(Err::PathFileAccess, QStringLiteral("Path/File access error: ") + lst);
    });
    trap([&] {
        const QString cdr =
            DefaultMusicFolder.isEmpty() ? QString() : findIgnoringCase(DefaultMusicFolder, name + QStringLiteral(".cdr"));
        if (!cdr.isEmpty() && QFileInfo(cdr).isFile() && !QFile::remove(cdr))
            throw AppError(Err::PathFileAccess, QStringLiteral("Path/File access error: ") + cdr);
    });
}

// ---- Songs ----

void frmSongs::SSEditMP3_Click()
{
    Trap trap(kModule, QStringLiteral("SSEditMP3_Click"));
    ListItem* sel = ListView2->topLevelItemCount() > 0 ? ListView2->currentItem() : nullptr;
    if (sel) {
        const QStringList row = RowTexts(sel);
        EditSongTitle = row[0];
        EditSongArtist = row[1];
        frmEdit* dlg = nullptr;
        trap([&] {
            dlg = &Forms::get<frmEdit>();
            dlg->txtSong->setText(row[0]);
            dlg->txtArtist->setText(row[1]);
            dlg->txtlength->setText(row[2]);
            dlg->txtCDTitle->setText(row[3]);
            dlg->txtCategory->setText(row[4]);
        });
        if (dlg) {
            QString cover;
            trap([&] {
                if (SongLibrary)
                    for (const auto& s : *SongLibrary)
                        if (same(s->MP3Title(), row[0]) && same(s->artist(), row[1])) {
                            cover = s->Cover();
                            break;
                        }
            });
            trap([&] { dlg->fileCover->setPath(DefaultMusicFolder); });
            trap([&] { dlg->lblCDCover->setText(cover); });
            if (!cover.isEmpty()) {
                const QString found = findIgnoringCase(DefaultMusicFolder, cover);
                try {
                    dlg->Image1->setPicture(LoadPicture(found.isEmpty() ? DefaultMusicFolder + cover : found));
                } catch (const AppError& e) {
                    if (e.number == Err::FileNotFound)
                        MsgBox(QStringLiteral("Cannot Find The CD Cover For This Song. Be Sure The Graphic File Was "
                                              "Not Deleted."),
                               Mb::OKOnly | Mb::Exclamation, kAppTitle);
                    else
                        LogError(kModule, QStringLiteral("SSEditMP3_Click"), e.number, e.description, e.source);
                }
            } else {
                dlg->Image1->setPicture(QPixmap());
            }
            trap([&] { dlg->Show(true); });
        }
    }
    trap([this] { ListView3_Click(); });
}

void frmSongs::SSDeleteMP3_Click()
{
    Trap trap(kModule, QStringLiteral("SSDeleteMP3_Click"));
    if (ListView2->topLevelItemCount() == 0)
        return;
    if (isCdRomMusicFolder()) {
        MsgBox(QStringLiteral("This file is on a CD-ROM. Can't delete file from CD-ROM"), Mb::OKOnly, kAppTitle);
        return;
    }
    ListItem* sel = ListView2->currentItem();
    if (!sel)
        return; // no song chosen: nothing to delete
    const QString title = sel->text(0);
    const QString artist = sel->text(1);
    if (MsgBox(QStringLiteral("Are you sure you want to delete \"") + title +
                   QStringLiteral("\" from the MP3 files lists, playlists AND FROM YOUR HARD DRIVE?"),
               Mb::YesNo | Mb::Critical, kAppTitle) != Mb::Yes)
        return;
    trap([&] { delete sel; });
    trap([&] {
        if (!SongLibrary)
            return;
        const int n = SongLibrary->Count();
        for (int i = 1; i <= n; ++i) {
            const auto s = SongLibrary->Item(i);
            if (same(s->MP3Title(), title) && same(s->artist(), artist)) {
                SongLibrary->Remove(i);
                SongLibrary->SaveFile();
                return;
            }
        }
    });
    trap([&] {
        colPlaylist& store = playlists();
        int i = 1;
        while (i <= store.Count()) {
            const auto e = store.Item(i);
            if (same(e->MP3Title(), title) && same(e->artist(), artist))
                store.Remove(i);
            else
                ++i;
        }
        store.SaveFile();
    });
    trap([&] {
        const QString path = songFile(title);
        if (path.isEmpty())
            throw AppError(Err::FileNotFound, QStringLiteral("File not found"));
        if (!QFile::remove(path))
            throw AppError(Err::PathFileAccess, QStringLiteral("Path/File access error"));
    });
    trap([this] { ListView3_Click(); });
}

void frmSongs::SSPicEdit_Click()
{
    Trap trap(kModule, QStringLiteral("SSPicEdit_Click"));
    if (ListView3->topLevelItemCount() == 0)
        return;
    ListItem* sel = ListView3->currentItem();
    if (!sel)
        return; // no playlist chosen
    const QString name = sel->text(0);
    QString cover;
    trap([&] {
        if (Playlists)
            for (const auto& e : *Playlists)
                if (same(e->PlaylistName(), name)) {
                    cover = e->Cover();
                    break;
                }
    });
    frmPlayListPic* dlg = nullptr;
    trap([&] { dlg = &Forms::get<frmPlayListPic>(); });
    if (!dlg)
        return;
    trap([&] { dlg->lblPlayListName->setText(QStringLiteral("PlayList = ") + name); });
    if (!cover.isEmpty()) {
        const QString found = findIgnoringCase(DefaultMusicFolder, cover);
        try {
            dlg->Image1->setPicture(LoadPicture(found.isEmpty() ? DefaultMusicFolder + cover : found));
        } catch (const AppError& e) {
            // A cover whose file is gone opens without a preview and without a message.
            if (e.number != Err::FileNotFound)
                LogError(kModule, QStringLiteral("SSPicEdit_Click"), e.number, e.description, e.source);
        }
    }
    trap([&] { dlg->lblCDCover->setText(cover); });
    trap([&] { dlg->fileCover->setPath(DefaultMusicFolder); });
    trap([&] { dlg->Show(true); });
}

// ---- Moving all MP3 files into the My Music folder ----

void frmSongs::sscmdMoveFiles_Click()
{
    const QString example = DefaultMusicFolder.isEmpty() ? QStringLiteral("C:\\My Music")
                                                         : DefaultMusicFolder.left(DefaultMusicFolder.size() - 1);
    const QString text =
        QStringLiteral("Quillory can move all MP3 files on your hard drive on which Quillory is installed to the") +
        QStringLiteral(" My Music folder on that drive. For example, if Quillory is installed on your C: drive, all "
                       "MP3 files on your ") +
        QStringLiteral("C: drive will be moved to ") + example + QStringLiteral(". The MP3 files on your other ") +
        QStringLiteral("hard drives (if you have more than one hard drive) will be not be moved.") +
        QStringLiteral("\n\n") + QStringLiteral("This puts all your MP3 files in one folder to make") +
        QStringLiteral(" it easy to choose MP3s to use in the MP3 Player, Playlists etc. This ") +
        QStringLiteral(" also helps when you download files from the Internet. You don't have remember where ") +
        QStringLiteral("you downloaded them to. They will all be moved into the My Music folder for you.") +
        QStringLiteral("\n\n") +
        QStringLiteral("Click Yes if you wish to move the MP3 Files. Click No if you do not wish to move them");
    if (MsgBox(text, Mb::YesNo, kAppTitle) == Mb::Yes)
        MoveAllMP3Files();
}

void frmSongs::MoveAllMP3Files()
{
    Trap trap(kModule, QStringLiteral("MoveAllMP3Files"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setEnabled(false);
    MusicMovePlan plan{AppDriveRoot, DefaultMusicFolder, {}};
    if (Playlists)
        for (const auto& e : *Playlists)
            plan.knownPlaylists << e->PlaylistName();
    // The job outlives this window (which it reloads at the end) and deletes itself once done.
    auto* job = new MusicMoveJob(std::move(plan));
    trap([job] {
        frmMoveStatus& status = Forms::get<frmMoveStatus>();
        status.Show();
        status.watch(job);
    });
    connect(job, &MusicMoveJob::stepFailed, job, [](const QString& procedure, const AppError& e) {
        LogError(kModule, procedure, e.number, e.description, e.source);
    });
    connect(job, &Job::finished, job, [job, self = QPointer<frmSongs>(this)] {
        job->deleteLater();
        Trap trap(kModule, QStringLiteral("MoveAllMP3Files"));
        const bool reload = !Forms::gone(self);
        if (reload) {
            self->setEnabled(true);
            // Reload the window so that it lists the folder afresh; the main window stays hidden.
            Refreshing = 1;
            trap([&] { Forms::unload(self); });
            Refreshing = 0;
            trap([] { Forms::get<frmSongs>().Show(); });
        }
        trap([] { Forms::unload<frmMoveStatus>(); });
        QApplication::restoreOverrideCursor();
        if (reload)
            MsgBox(QStringLiteral("MP3 Files moved to ") + AppDriveRoot + QStringLiteral("My Music Folder"), Mb::OKOnly,
                   kAppTitle);
    });
    job->start();
}

void frmSongs::CheckDuplicateMP3(const QString& targetFolder, const QString& sourceFolder, const QString& songFile,
                                 const QString& sourceName)
{
    MoveSongInto(targetFolder, sourceFolder, songFile, sourceName, [](const AppError& e) {
        LogError(kModule, QStringLiteral("checkduplicatemp3"), e.number, e.description, e.source);
    });
}

// ---- Navigation and menus ----

void frmSongs::picPlayer_Click()
{
    Refreshing = 0;
    FeatureForm::picPlayer_Click();
}

void frmSongs::picConvert_Click()
{
    for (PictureBox* p : {picConvert, picEncoder, picExit})
        if (p)
            p->setBorderStyle(1);
    FeatureForm::picConvert_Click();
}

void frmSongs::SSCommand1_Click() { OpenSettings(); }

void frmSongs::Label28_MouseMove()
{
    Trap trap(kModule, QStringLiteral("Label28_MouseMove"));
    trap([this] { Label28->setToolTip(Label28->text()); });
}

void frmSongs::Label6_MouseMove()
{
    Trap trap(kModule, QStringLiteral("Label6_MouseMove"));
    trap([this] { Label6->setToolTip(Label28->text()); });
}
