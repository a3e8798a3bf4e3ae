#include "convert/frmmp3towav.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QProgressBar>

#include "controls/mp3play.h"
#include "convert/convertsupport.h"
#include "convert/frmprogmp3towav.h"
#include "platform/errors.h"
#include "core/filenames.h"
#include "core/globals.h"
#include "core/busylisting.h"
#include "core/mp3listing.h"
#include "core/mp3tags.h"
#include "platform/freespace.h"
#include "platform/prompt.h"
#include "shell/listsearch.h"
#include "shell/windowchrome.h"

namespace {
const QString kModule = QStringLiteral("frmMP3ToWAV");
const QString kRunCaption = QStringLiteral("Convert MP3 To WAV - Conversion in Progress");
const QString kDoneCaption = QStringLiteral("Convert MP3 To WAV");
constexpr int kColumnWidths[] = {250, 160, 60, 150, 106};


// The real name of a row's MP3 file (the title may differ from it in letter case).
QString rowFileName(const ListItem* row)
{
    const QString name = row->data(0, Qt::UserRole).toString();
    return name.isEmpty() ? row->text(0) + QStringLiteral(".mp3") : name;
}
} // namespace

long LengthTextSeconds(const QString& length)
{
    bool okSec = false, okMin = false;
    const long secs = length.size() >= 3 ? length.right(2).toLong(&okSec) : 0;
    const QString minText = length.left(length.size() - 3);
    const long mins = minText.isEmpty() ? 0 : minText.toLong(&okMin);
    if (length.size() < 3 || length.at(length.size() - 3) != QLatin1Char(':') || !okSec ||
        (!minText.isEmpty() && !okMin) || secs < 0 || mins < 0)
        throw AppError(Err::TypeMismatch, QStringLiteral("Type mismatch: length \"") + length + '"');
    return mins * 60 + secs;
}

frmMP3ToWAV::SortFlags& frmMP3ToWAV::sortFlags() { return Forms::persistent<SortFlags>(); }

frmMP3ToWAV::frmMP3ToWAV()
    : FeatureForm({QStringLiteral("frmMP3ToWAV"), QStringLiteral("Convert MP3 to WAV"), Feature::Convert,
                   QStringLiteral("Close MP3 to WAV Converter"), 1, 760, 540})
{
    // Navigation: the other converter's button, and the captions and menu entries of this window.
    AddConverterButton(this, QStringLiteral("WAV To MP3"), QStringLiteral("Convert WAV To MP3"));
    picQuillory->setToolTip(QStringLiteral("Return To The Quillory"));
    lblQuillory->setToolTip(QStringLiteral("Return To The Quillory"));
    chrome->Label8->setToolTip(QStringLiteral("Program Settings"));
    chrome->Label12->setToolTip(QStringLiteral("Change Skins (Appearance)"));
    chrome->mnuskin->setTitle(QStringLiteral("Change Skins"));
    chrome->mnuweb->setTitle(QStringLiteral("Websites"));
    chrome->mnuAbout->setText(QStringLiteral("About Quillory "));
    if (QAction* a = chrome->entry(QStringLiteral("mnuConvert"))) {
        a->setObjectName(QStringLiteral("mnuMP3ToWAV"));
        a->setText(QStringLiteral("Convert WAV To MP3 "));
    }
    if (QAction* a = chrome->entry(QStringLiteral("mnuPlayLists")))
        a->setText(QStringLiteral("Edit Or Create PlayLists"));
    if (QAction* a = chrome->entry(QStringLiteral("mnuClose")))
        a->setObjectName(QStringLiteral("mnuCloseWAVConvert"));

    Label6 = MakeLabel(body, "Label6", QStringLiteral("MP3 Files In Music Folder"), 0, 0, 500, 18);
    Label6->setToolTip(QStringLiteral("All Your MP3 Files In The Current Music Folder"));
    SetBold(Label6);
    Label28 = MakeLabel(body, "Label28", QString(), 0, 20, 744, 18);
    Label28->setToolTip(QStringLiteral("Current Music Folder Path"));

    // The column headings are labels above the list; a click sorts by that column.
    Label** heads[] = {&lblTitle, &lblArtist, &lblLength, &lblCDTitle, &lblCategory};
    const char* headNames[] = {"lblTitle", "lblArtist", "lblLength", "lblCDTitle", "lblCategory"};
    const char* headTexts[] = {"Song Title", "Artist", "Length", "CD Title", "Category"};
    int x = 0;
    for (int i = 0; i < 5; ++i) {
        Label* l = MakeLabel(body, headNames[i], QString::fromLatin1(headTexts[i]), x, 44, kColumnWidths[i], 20);
        l->setFrameShape(QFrame::StyledPanel);
        l->setIndent(4);
        l->setCursor(Qt::PointingHandCursor);
        SetBold(l);
        *heads[i] = l;
        x += kColumnWidths[i];
    }
    ListView2 = new ListView(body);
    // Rows sort on their texts ignoring letter case.
    ListView2->setSortCaseSensitivity(Qt::CaseInsensitive);
    ListView2->setObjectName(QStringLiteral("ListView2"));
    ListView2->setHeaderLabels({QStringLiteral("Song"), QStringLiteral("Artist"), QStringLiteral("Length"),
                                QStringLiteral("CD Title"), QStringLiteral("Category")});
    ListView2->setHeaderHidden(true);
    ListView2->setRootIsDecorated(false);
    ListView2->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (int i = 0; i < 5; ++i)
        ListView2->setColumnWidth(i, kColumnWidths[i]);
    ListView2->setGeometry(0, 64, 744, 236);
    LineUpCaptions(ListView2, {lblTitle, lblArtist, lblLength, lblCDTitle, lblCategory});

    Label3 = MakeLabel(body, "Label3", QStringLiteral("Total Converted WAV File Size 0 MB"), 0, 306, 420, 20);
    Label3->setToolTip(QStringLiteral("File Size Of All WAVs To Be Converted"));
    SetBold(Label3);
    text1 = new TextBox(body);
    text1->setObjectName(QStringLiteral("text1"));
    text1->setGeometry(0, 334, 290, 26);
    SSSearch = new SSCommand(QStringLiteral("S&earch"), body);
    SSSearch->setObjectName(QStringLiteral("SSSearch"));
    SSSearch->setToolTip(QStringLiteral("Find Song Using A Few Letters"));
    SSSearch->setGeometry(298, 332, 110, 30);
    Label8 = MakeLabel(body, "Label8", QStringLiteral("Change Music Folder"), 430, 310, 150, 18);
    SSFolder = new SSCommand(QStringLiteral("Change Folder"), body);
    SSFolder->setObjectName(QStringLiteral("SSFolder"));
    SSFolder->setToolTip(QStringLiteral("Select A New Music Folder/Program Settings"));
    SSFolder->setGeometry(430, 330, 150, 32);
    SSConvert = new SSCommand(QStringLiteral("Convert"), body);
    SSConvert->setObjectName(QStringLiteral("SSConvert"));
    SSConvert->setToolTip(QStringLiteral("Convert Selected MP3 To WAV"));
    SSConvert->setGeometry(594, 322, 150, 40);
    SetBold(SSConvert);
    Label1 = MakeLabel(body, "Label1",
                       QStringLiteral("Ctrl+Click To Multi-Select/Deselect MP3 Files You Wish To Convert."), 0, 368,
                       744, 18);
    Label1->setToolTip(QStringLiteral("Control Click To Multi-Select Files Or Deselect Files"));
    Label11 = MakeLabel(body, "Label11",
                        QStringLiteral("Click 'Convert' Button To Convert From MP3 To WAV File. (MP3 Files Will Be "
                                       "Converted To Standard PCM 44,100 Hz, 16 Bit, Stereo WAV Files.)"),
                        0, 388, 744, 34);
    Label11->setWordWrap(true);
    Label11->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label11->setToolTip(QStringLiteral(
        "Click 'Convert' Button To Convert From MP3 To 44,100 Hz, 16 Bit, Stereo WAV Files"));

    Mp3Play1 = new Mp3Play(this);
    Mp3Play1->setObjectName(QStringLiteral("Mp3Play1"));

    connect(ListView2, &ListView::itemClicked, this, [this] { ListView2_Click(); });
    connect(lblTitle, &Label::clicked, this, &frmMP3ToWAV::lblTitle_Click);
    connect(lblArtist, &Label::clicked, this, &frmMP3ToWAV::lblArtist_Click);
    connect(lblLength, &Label::clicked, this, &frmMP3ToWAV::lblLength_Click);
    connect(lblCDTitle, &Label::clicked, this, &frmMP3ToWAV::lblCDTitle_Click);
    connect(lblCategory, &Label::clicked, this, &frmMP3ToWAV::lblCategory_Click);
    connect(SSSearch, &QPushButton::clicked, this, &frmMP3ToWAV::SSSearch_Click);
    connect(text1, &QLineEdit::returnPressed, this, &frmMP3ToWAV::SSSearch_Click);
    connect(SSFolder, &QPushButton::clicked, this, &frmMP3ToWAV::SSFolder_Click);
    connect(SSConvert, &QPushButton::clicked, this, &frmMP3ToWAV::SSConvert_Click);
    connect(Label28, &Label::mouseMoved, this, &frmMP3ToWAV::Label28_MouseMove);
    connect(Label6, &Label::mouseMoved, this, &frmMP3ToWAV::Label6_MouseMove);
    // The run: the job decodes through this window's MP3 control; the window shows its steps.
    job = new Mp3ToWavJob(*Mp3Play1, this);
    connect(job, &Job::nextTrack, this, [this](int n, int) { NumberofFile = int16_t(n); });
    connect(job, &Job::logError, this, [](const QString& procedure, int number, const QString& text) {
        LogAndTell(kModule, procedure, number, text, kAppTitle);
    });
    connect(job, &Job::finished, this, &frmMP3ToWAV::finishRun);
}

void frmMP3ToWAV::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] { Label28->setText(MusicFolderCaption()); });
    QStringList names;
    trap([&] { names = FolderFileNames(MusicFolder); });
    BusyListing busy(ListView2);
    // Each MP3 file in name order: its catalogue song, or else its place among the files
    // read on worker threads.
    struct Place {
        QString name;
        std::shared_ptr<clsMP3> song;
    };
    std::vector<Place> places;
    QStringList unknown;
    for (const QString& name : names) {
        busy.tick();
        if (!name.contains(QLatin1String(".mp3"), Qt::CaseInsensitive))
            continue;
        const QString base = name.left(name.size() - 4);
        trap([&] {
            if (SongLibrary)
                for (int i = 1; i <= SongLibrary->Count(); ++i) {
                    const auto song = SongLibrary->Item(i);
                    if (song->MP3Title().compare(base, Qt::CaseInsensitive) == 0) {
                        places.push_back({name, song});
                        return;
                    }
                }
            places.push_back({name, nullptr});
            unknown.append(MusicFolder + name);
        });
    }
    Mp3ListReader reader(unknown, nullptr);
    qsizetype next = 0;
    for (const Place& place : places) {
        const QString& name = place.name;
        const QString base = name.left(name.size() - 4);
        if (const auto& song = place.song) {
            trap([&] {
                auto* row = new ListItem(ListView2, {song->MP3Title(), song->artist(), song->Length(), song->CDTitle(),
                                                    song->Category()});
                row->setData(0, Qt::UserRole, name);
            });
            continue;
        }
        busy.setProgress(next, unknown.size());
        const Mp3ListFacts& facts = reader.take(next++, busy);
        // Not in the catalogue: the file's own tag and play time.
        trap([&] {
            const Mp3ListEntry e = Mp3ListEntryOf(facts);
            if (!e.opened)
                return;
            auto* row = new ListItem(ListView2, {base});
            row->setData(0, Qt::UserRole, name);
            if (e.seconds != 0)
                row->setText(2, MinutesSeconds(e.seconds));
            if (!e.artist.isEmpty())
                row->setText(1, e.artist);
            if (!e.album.isEmpty())
                row->setText(3, e.album);
            if (!e.genre.isEmpty())
                row->setText(4, e.genre);
        });
    }
    FinishConverterLoad(this, ListView2, kModule);
}

void frmMP3ToWAV::Form_Unload(int& cancel)
{
    ConverterUnload(kModule, isRunning(), cancel);
}

void frmMP3ToWAV::ListView2_Click()
{
    Trap trap(kModule, QStringLiteral("ListView2_Click"));
    trap([this] {
        ListItem* row = ClickedRow(ListView2);
        if (!row || RefuseExistingTwin(row, row->text(0), QStringLiteral("WAV")))
            return;
        Label3->setText(QStringLiteral("Total Converted WAV File Size = ") + QString::number(GetTotalWAVSize()) +
                        QStringLiteral(" MB"));
    });
}

void frmMP3ToWAV::ListView2_ColumnClick(int columnHeader)
{
    Trap trap(kModule, QStringLiteral("ListView2_ColumnClick"));
    trap([&] {
        const int key = columnHeader - 1;
        if (key < 0 || key > 4)
            throw AppError(Err::Subscript, QStringLiteral("Subscript out of range"));
        int16_t& flag = sortFlags().ColumnSortFlags[key];
        ListView2->sortItems(key, flag != 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
        flag = int16_t(~flag);
    });
}

void frmMP3ToWAV::lblTitle_Click() { ListView2_ColumnClick(1); }
void frmMP3ToWAV::lblArtist_Click() { ListView2_ColumnClick(2); }
void frmMP3ToWAV::lblLength_Click() { ListView2_ColumnClick(3); }
void frmMP3ToWAV::lblCDTitle_Click() { ListView2_ColumnClick(4); }
void frmMP3ToWAV::lblCategory_Click() { ListView2_ColumnClick(5); }

void frmMP3ToWAV::SSSearch_Click()
{
    Trap trap(kModule, QStringLiteral("SSSearch_Click"));
    trap([this] {
        SearchRows(ListView2, text1->text(), TitleArtistOrAlbumHolds);
    });
}

void frmMP3ToWAV::SSFolder_Click()
{
    ShowSettingsTab(kModule, 1);
}

void frmMP3ToWAV::picConvert_Click()
{
    switchTo(FormKind::WAVToMP3, QStringLiteral("picConvert_Click"));
}

long frmMP3ToWAV::selectedSeconds(const QString& procedure)
{
    long total = 0;
    for (int i = 0; i < ListView2->topLevelItemCount(); ++i) {
        const ListItem* row = ListView2->topLevelItem(i);
        if (!row->isSelected())
            continue;
        // A song without a known length (an empty length column) adds nothing.
        const QString length = row->text(2);
        if (length.isEmpty())
            continue;
        Trap trap(kModule, procedure);
        trap([&] { total += LengthTextSeconds(length); });
    }
    return total;
}

long frmMP3ToWAV::GetTotalWAVSize(ListView*)
{
    long result = 0;
    Trap trap(kModule, QStringLiteral("GetTotalWAVSize"));
    trap([&] {
        const qint64 total = selectedSeconds(QStringLiteral("GetTotalWAVSize"));
        result = long(total * 44 * 2 * 2 / 1049);
    });
    return result;
}

int16_t frmMP3ToWAV::checkfreediskspaceConvert()
{
    int16_t result = 0;
    Trap trap(kModule, QStringLiteral("checkfreediskspaceConvert"));
    trap([&] {
        const qint64 free = FreeBytesOf(MusicFolder);
        if (free < 0) {
            MsgBox(QStringLiteral("Could not find drive free space"));
            result = 1;
            return;
        }
        const double needed = double(selectedSeconds(QStringLiteral("checkfreediskspaceConvert"))) * 44 * 2 * 2000;
        if (needed + 1048576.0 > double(free)) {
            MsgBox(QStringLiteral("You do not have enough space on your drive for the the encoded files (after "
                                  "leaving 100MB free for Windows use).") +
                   QStringLiteral("\n\n") +
                   QStringLiteral("Please select fewer files to encode or delete unneeded files on your hard drive "
                                  "and try again."));
            result = 1;
        }
    });
    return result;
}

void frmMP3ToWAV::SSConvert_Click()
{
    Trap trap(kModule, QStringLiteral("SSConvert_Click"));
    if (isRunning())
        return;
    TotFiles = SelectedForConvert(kModule, ListView2, QStringLiteral("MP3"));
    if (TotFiles == 0)
        return;
    if (!MusicFolderWritable(kModule, QStringLiteral("WAV"), SSFolder->text()))
        return;
    if (checkfreediskspaceConvert() == 1)
        return;

    // The plan: the selected rows in list order, each into a WAV named after its title.
    Mp3ToWavPlan plan;
    plan.folder = MusicFolder;
    plan.abortPauseMs = 1000;
    Trap step(kModule, QStringLiteral("ConvertMP3"));
    for (int i = 0; i < ListView2->topLevelItemCount(); ++i) {
        const ListItem* row = ListView2->topLevelItem(i);
        if (row->isSelected())
            step([&] { plan.items.push_back({rowFileName(row), removeinvalid(row->text(0)) + QStringLiteral(".wav")}); });
    }
    job->setPlan(plan);
    trap([this] { SetRunControlsEnabled(this, false); });
    setCaption(kRunCaption);
    NumberProcess = 1;
    NumberofFile = 1;
    trap([this] { Forms::get<frmProgMP3ToWAV>().watch(*job); });
    job->start();
}

void frmMP3ToWAV::finishRun(const JobOutcome& outcome)
{
    Trap trap(kModule, QStringLiteral("ConvertMP3"));
    if (outcome.kind == JobOutcome::Failed)
        MsgBox(outcome.reason + QStringLiteral("\n\nThe conversion was stopped."));
    trap([] { Forms::unload<frmProgMP3ToWAV>(); });
    trap([this] { SetRunControlsEnabled(this, true); });
    setCaption(kDoneCaption);
}

void frmMP3ToWAV::Label28_MouseMove() { Label28->setToolTip(Label28->text()); }
void frmMP3ToWAV::Label6_MouseMove() { Label6->setToolTip(Label28->text()); }
