#include "burner/frmburner.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QRegularExpression>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "burner/frmburntocdinfo.h"
#include "burner/frmprogburn.h"
#include "burner/writerselect.h"
#include "core/cdaudio.h"
#include "controls/acdwrite.h"
#include "controls/mp3play.h"
#include "controls/wavcheck.h"
#include "jobs/burnjob.h"
#include "jobs/mp3towavjob.h"
#include "core/cdhelpers.h"
#include "platform/errors.h"
#include "core/filenames.h"
#include "core/globals.h"
#include "core/busylisting.h"
#include "core/mp3listing.h"
#include "core/mp3tags.h"
#include "platform/savefile.h"
#include "core/settings.h"
#include "core/skin.h"
#include "core/windowlinks.h"
#include "core/writablefolder.h"
#include "platform/appcontext.h"
#include "platform/files.h"
#include "platform/freespace.h"
#include "platform/prompt.h"
#include "shell/frmoptions.h"
#include "shell/listsearch.h"
#include "shell/windowchrome.h"

namespace {
const QString kModule = QStringLiteral("frmBurner");
constexpr int kFileRole = Qt::UserRole;     // the file's real name in the music folder
constexpr int kTempRole = Qt::UserRole + 1; // the temporary WAV this run made for an MP3 row
// Asked when the burn list is over 700 MB.
const QString kOverFullQuestion = QStringLiteral("Total Burn Size of All Files exceeds 700 MB. The Last File(s) May "
                                                 "Not Be Burned. Select Yes To Continue. Select No To Stop.");
constexpr qint64 kTempReserve = 21960000;   // bytes kept free beside the temporary WAV files

QString iniPath() { return Ctx().programFile(QStringLiteral("Burner.ini")); }

// Sort directions of the file list's columns; they outlive the window's unloading.
struct BurnerSortFlags {
    int16_t flag[6] = {0, 0, 0, 0, 0, 0};
};

// A number with one decimal and no forced digit before the point: 0.5 -> ".5", 0 -> ".0".
QString oneDecimal(double v)
{
    QString s = QString::number(v, 'f', 1);
    if (s.startsWith(QLatin1String("0.")))
        s.remove(0, 1);
    else if (s.startsWith(QLatin1String("-0.")))
        s.remove(1, 1);
    return s;
}

QString burnSizeText(double mb) { return oneDecimal(mb) + QStringLiteral(" MB"); }

// Minutes and seconds; the seconds are rounded before they are split, so 59.6 s reads 1:00.
QString lengthText(double seconds) { return MinutesSeconds(std::llround(seconds)); }

// Seconds of a catalogue length "m:ss", as 16-bit arithmetic allows.
int16_t catalogueSeconds(const QString& length)
{
    if (length.size() < 3)
        throw AppError(Err::TypeMismatch, QStringLiteral("Type mismatch"));
    const int minutes = TextToInt16(length.left(length.size() - 3));
    const int seconds = TextToInt16(length.right(2));
    const int total = minutes * 60 + seconds;
    if (total > 32767 || total < -32768)
        throw AppError(Err::Overflow, QStringLiteral("Overflow"));
    return static_cast<int16_t>(total);
}

Label* makeLabel(const QString& name, const QString& caption, QWidget* parent, const QString& tip = {})
{
    auto* l = new Label(caption, parent);
    l->setObjectName(name);
    if (!tip.isEmpty())
        l->setToolTip(tip);
    return l;
}

SSCommand* makeButton(const QString& name, const QString& caption, QWidget* parent, const QString& tip)
{
    auto* b = new SSCommand(caption, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    return b;
}
} // namespace

frmBurner::frmBurner()
    : FeatureForm({QStringLiteral("frmBurner"), QStringLiteral("Burn MP3 Or WAV Files To An Audio CD"),
                   Feature::Burner, QStringLiteral("Close CD Burner"), 1, 800, 640})
{
    m_switchOnConvert = false;
    ACDWRITE1 = new ACDWRITE(this);
    ACDWRITE1->setObjectName(QStringLiteral("ACDWRITE1"));
    Mp3Play1 = new Mp3Play(this);
    Mp3Play1->setObjectName(QStringLiteral("Mp3Play1"));

    auto* lay = new QVBoxLayout(body);
    lay->setContentsMargins(0, 4, 0, 0);
    lay->setSpacing(4);

    // Music folder line and the folder button.
    auto* top = new QHBoxLayout;
    Label28 = makeLabel(QStringLiteral("Label28"), QString(), body);
    Label8 = makeLabel(QStringLiteral("Label8"), QStringLiteral("Change Music Folder"), body);
    sscmdFolder = makeButton(QStringLiteral("sscmdFolder"), QStringLiteral("Change Folder"), body,
                             QStringLiteral("Change Music Folder"));
    top->addWidget(Label28, 1);
    top->addWidget(Label8);
    top->addWidget(sscmdFolder);
    lay->addLayout(top);

    // File list title and the search.
    auto* search = new QHBoxLayout;
    Label6 = makeLabel(QStringLiteral("Label6"), QStringLiteral("MP3 Or WAV Files In Music Folder"), body);
    QFont bold = Label6->font();
    bold.setBold(true);
    Label6->setFont(bold);
    text1 = new TextBox(body);
    text1->setObjectName(QStringLiteral("text1"));
    text1->setMaximumWidth(180);
    SSSearch = makeButton(QStringLiteral("SSSearch"), QStringLiteral("S&earch"), body,
                          QStringLiteral("Find Song Using A Few Letters"));
    search->addWidget(Label6, 1);
    search->addWidget(text1);
    search->addWidget(SSSearch);
    lay->addLayout(search);

    // Column headings that sort the file list, over a list without its own header.
    const int widths[5] = {250, 140, 60, 170, 90};
    // The headings stand on a row of their own, each placed over its column.
    auto* heads = new QWidget(body);
    const QString sortTip = QStringLiteral("Click To Change Sort Order");
    lblTitle = makeLabel(QStringLiteral("lblTitle"), QStringLiteral("Song Title"), body, sortTip);
    lblArtist = makeLabel(QStringLiteral("lblArtist"), QStringLiteral("Artist"), body, sortTip);
    lblLength = makeLabel(QStringLiteral("lblLength"), QStringLiteral("Length"), body, sortTip);
    lblCDTitle = makeLabel(QStringLiteral("lblCDTitle"), QStringLiteral("CD Title"), body, sortTip);
    lblCategory = makeLabel(QStringLiteral("lblCategory"), QStringLiteral("Burn Size"), body);
    Label* headLabels[5] = {lblTitle, lblArtist, lblLength, lblCDTitle, lblCategory};
    for (int i = 0; i < 5; ++i) {
        headLabels[i]->setParent(heads);
        headLabels[i]->setFont(bold);
        headLabels[i]->setCursor(Qt::PointingHandCursor);
        connect(headLabels[i], &Label::clicked, this, [this, i] { ListView1_ColumnClick(i + 1); });
    }
    heads->setFixedHeight(lblTitle->sizeHint().height());
    for (Label* l : headLabels)
        l->resize(l->width(), heads->height());
    lay->addWidget(heads);

    ListView1 = new ListView(body);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setHeaderLabels({QStringLiteral("Song"), QStringLiteral("Artist"), QStringLiteral("Length"),
                                QStringLiteral("CD Title"), QStringLiteral("Category")});
    ListView1->header()->hide();
    for (int i = 0; i < 5; ++i)
        ListView1->setColumnWidth(i, widths[i]);
    lay->addWidget(ListView1, 3);
    LineUpCaptions(ListView1, {lblTitle, lblArtist, lblLength, lblCDTitle, lblCategory});

    Label30 = makeLabel(QStringLiteral("Label30"),
                        QStringLiteral("Double-Click To Add MP3 Or WAV Files You Wish To Burn To The BurnList Below."),
                        body, QStringLiteral("Double Click On A File Above To Add It To The BurnList Below"));
    lay->addWidget(Label30);

    // Burn list on the left, the burn panel on the right.
    auto* bottom = new QHBoxLayout;
    auto* listSide = new QVBoxLayout;
    ListView2 = new ListView(body);
    ListView2->setObjectName(QStringLiteral("ListView2"));
    ListView2->setRootIsDecorated(false);
    ListView2->setHeaderLabels({QStringLiteral("Song"), QStringLiteral("Burn Size")});
    ListView2->setColumnWidth(0, 380);
    listSide->addWidget(ListView2, 1);
    Label12 = makeLabel(QStringLiteral("Label12"), QStringLiteral("Double-click To Remove A File From BurnList."), body,
                        QStringLiteral("Double Click On A File To Remove It From The BurnList"));
    listSide->addWidget(Label12);
    Label3 = makeLabel(QStringLiteral("Label3"), QStringLiteral("Total Burn File Size"), body,
                       QStringLiteral("Total File Size Of All WAVs To Be Burned On CD"));
    Label3->setFont(bold);
    listSide->addWidget(Label3);
    Label18 = makeLabel(QStringLiteral("Label18"),
                        QStringLiteral("(Total Size Of Selected Files Should Not Exceed 700 Megabytes)"), body,
                        QStringLiteral("Total File Size In Burn List Cannot Exceed 620 Megabytes"));
    listSide->addWidget(Label18);
    bottom->addLayout(listSide, 1);

    burnPanel = new QGroupBox(QStringLiteral("CD BURNER CONTROLS"), body);
    burnPanel->setObjectName(QStringLiteral("burnPanel"));
    burnPanel->setFixedWidth(250);
    auto* panel = new QGridLayout(burnPanel);
    Label11 = makeLabel(QStringLiteral("Label11"), QStringLiteral("Select A CD Burner"), burnPanel);
    Combo2 = new ComboBox(burnPanel);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    Combo2->setToolTip(QStringLiteral("Select A CD-Writer (Burner)"));
    Label25 = makeLabel(QStringLiteral("Label25"), QStringLiteral("Burner Speed"), burnPanel);
    Combo1 = new ComboBox(burnPanel);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setToolTip(QStringLiteral("Select A Burner Speed"));
    Combo1->addItems({QStringLiteral("1X"), QStringLiteral("2X"), QStringLiteral("4X"), QStringLiteral("6X"),
                      QStringLiteral("8X"), QStringLiteral("10X")});
    // The boxes' captions are the labels beside them; a click on a label ticks its box too.
    const int box = style()->pixelMetric(QStyle::PM_IndicatorWidth) + 4;
    Check1 = new CheckBox(QStringLiteral("Test Run  (Will Not Burn)"), burnPanel);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setToolTip(QStringLiteral("Test Only (Will Not Actually Burn Files On CD)"));
    Check1->setFixedWidth(box);
    Label21 = makeLabel(QStringLiteral("Label21"), QStringLiteral("Test  Mode (Will Not Burn)"), burnPanel,
                        QStringLiteral("Test Only (Will Not Actually Burn Files On CD)"));
    Check2 = new CheckBox(QStringLiteral("Auto-Save CD Info"), burnPanel);
    Check2->setObjectName(QStringLiteral("Check2"));
    Check2->setToolTip(QStringLiteral("Saves CD Info Including CD Title, Track Titles etc. For Burned CD"));
    Check2->setFixedWidth(box);
    Label17 = makeLabel(QStringLiteral("Label17"), QStringLiteral("Auto-Save CD Info"), burnPanel,
                        QStringLiteral("Saves CD Info Including CD Title, Track Titles etc. For Burned CD"));
    sscmdBurn = makeButton(QStringLiteral("sscmdBurn"), QStringLiteral("Burn"), burnPanel,
                           QStringLiteral("Start Burning (Writing) Files To CD"));
    sscmdEject = makeButton(QStringLiteral("sscmdEject"), QStringLiteral("Eject"), burnPanel,
                            QStringLiteral("Eject The CD Immediately"));
    panel->addWidget(Label11, 0, 0, 1, 2);
    panel->addWidget(Combo2, 1, 0, 1, 2);
    panel->addWidget(Label25, 2, 0, 1, 2);
    panel->addWidget(Combo1, 3, 0, 1, 2);
    panel->addWidget(Check1, 4, 0);
    panel->addWidget(Label21, 4, 1);
    panel->addWidget(Check2, 5, 0);
    panel->addWidget(Label17, 5, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(sscmdBurn);
    buttons->addWidget(sscmdEject);
    panel->addLayout(buttons, 6, 0, 1, 2);
    lblLooking = makeLabel(QStringLiteral("lblLooking"), QString(), burnPanel);
    panel->addWidget(lblLooking, 7, 0, 1, 2);
    panel->setColumnStretch(1, 1);
    bottom->addWidget(burnPanel);
    lay->addLayout(bottom, 2);

    // The chrome as this window has it.
    for (PictureBox* p : {picQuillory})
        p->setToolTip(QStringLiteral("Return To The Quillory"));
    lblQuillory->setToolTip(QStringLiteral("Return To The Quillory"));
    picConvert->setToolTip(QStringLiteral("Convert WAVtoMP3 or MP3toWAV"));
    chrome->Label12->setToolTip(QStringLiteral("Change Skins (Appearance)"));
    chrome->mnuskin->setTitle(QStringLiteral("Change Skins"));
    chrome->mnuweb->setTitle(QStringLiteral("Website"));
    chrome->mnuSettings->setText(QStringLiteral("Program Settings"));
    chrome->mnuOpenSkins->setText(QStringLiteral("Change Skin"));
    chrome->mnuAbout->setText(QStringLiteral("About Quillory "));
    if (QAction* a = chrome->entry(QStringLiteral("mnuConvert"))) {
        a->setObjectName(QStringLiteral("mnuConverter"));
        a->setText(QStringLiteral("Converter"));
    }
    if (QAction* a = chrome->entry(QStringLiteral("mnuPlayLists")))
        a->setText(QStringLiteral("Edit Or Create PlayLists"));
    if (QAction* a = chrome->entry(QStringLiteral("mnuClose")))
        a->setObjectName(QStringLiteral("mnuBurner"));
    chrome->setSettingsHandler([this] { sscmdFolder_Click(); });

    writers = std::make_unique<WriterSelection>(*ACDWRITE1, *Combo2);

    connect(ListView1, &ListView::itemDoubleClicked, this, [this] { ListView1_DblClick(); });
    connect(ListView2, &ListView::itemDoubleClicked, this, [this] { ListView2_DblClick(); });
    // The keyboard does what the double clicks do: Enter adds a file, Enter or Delete removes one.
    auto key = [this](QWidget* on, QKeySequence k, void (frmBurner::*handler)()) {
        auto* sc = new QShortcut(k, on);
        sc->setContext(Qt::WidgetShortcut);
        connect(sc, &QShortcut::activated, this, handler);
    };
    key(ListView1, QKeySequence(Qt::Key_Return), &frmBurner::ListView1_DblClick);
    key(ListView1, QKeySequence(Qt::Key_Enter), &frmBurner::ListView1_DblClick);
    key(ListView2, QKeySequence(Qt::Key_Return), &frmBurner::ListView2_DblClick);
    key(ListView2, QKeySequence(Qt::Key_Enter), &frmBurner::ListView2_DblClick);
    key(ListView2, QKeySequence(QKeySequence::Delete), &frmBurner::ListView2_DblClick);
    connect(SSSearch, &QPushButton::clicked, this, &frmBurner::SSSearch_Click);
    connect(text1, &QLineEdit::returnPressed, this, &frmBurner::SSSearch_Click);
    connect(sscmdFolder, &QPushButton::clicked, this, &frmBurner::sscmdFolder_Click);
    connect(sscmdBurn, &QPushButton::clicked, this, &frmBurner::sscmdBurn_Click);
    connect(sscmdEject, &QPushButton::clicked, this, &frmBurner::sscmdEject_Click);
    connect(Check1, &QCheckBox::clicked, this, &frmBurner::Check1_Click);
    connect(Label21, &Label::clicked, this, [this] {
        if (Check1->isEnabled())
            Check1->click();
    });
    connect(Label17, &Label::clicked, this, [this] {
        if (Check2->isEnabled())
            Check2->click();
    });
    // A look at the writers or the disc takes seconds while a drive is busy: the window says
    // it is looking until the look has ended.
    connect(ACDWRITE1, &ACDWRITE::Looking, this, [this](bool on) {
        lblLooking->setText(on ? QStringLiteral("Looking At The CD Writer...") : QString());
        if (on)
            QApplication::setOverrideCursor(Qt::BusyCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    connect(Label28, &Label::mouseMoved, this, [this] { Label28_MouseMove(); });
    connect(Label6, &Label::mouseMoved, this, [this] { Label6_MouseMove(); });
    Label28->setMouseTracking(true);
    Label6->setMouseTracking(true);

    // The burn run: the window builds its plan, starts it and shows its steps.
    burnJob = new BurnCdJob(*ACDWRITE1, *Mp3Play1, this);
    burnJob->setWriteGate([this](const QStringList& files) { return Burn(files); });
    connect(&burnJob->preparation(), &Mp3ToWavJob::fileStarted, this, &frmBurner::prepFileStarted);
    connect(burnJob, &BurnCdJob::writeStarting, this, &frmBurner::writeStarting);
    connect(burnJob, &Job::nextTrack, this, [this](int n, int) { ACDWRITE1_ActTrack(n); });
    connect(burnJob, &Job::percent, this, &frmBurner::ACDWRITE1_TrackPercent);
    connect(burnJob, &Job::infoMessage, this, [this](const QString& text) { ACDWRITE1_InfoMessage(text); });
    connect(burnJob, &BurnCdJob::fixating, this, &frmBurner::ACDWRITE1_Fixating);
    connect(burnJob, &Job::finished, this, &frmBurner::burnFinished);
    connect(burnJob, &Job::logError, this, [](const QString& procedure, int number, const QString& text) {
        LogAndTell(kModule, procedure, number, text, kAppTitle);
    });
}

BurnPreparationView& frmBurner::PreparationView()
{
    static BurnPreparationView view;
    return view;
}

frmBurner::~frmBurner() = default;

// ---------------------------------------------------------------- loading and unloading

void frmBurner::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] {
        m_writerReady = writers->Get_Burner_Drive() == 1;
        if (m_writerReady) {
            writers->LoadBurnerCombo();
            writers->DetermineDriverForFirstCDR();
        } else {
            // A drive whose disc is in use writes once it is ejected: Burn looks again then.
            m_writerReady = !ACDWRITE1->DrivesInUse().isEmpty();
            sscmdBurn->setEnabled(m_writerReady);
        }
    });

    // Settings: test mode, then the speed's list index; both 1 without the file.
    QStringList values = {QStringLiteral("1"), QStringLiteral("1")};
    if (QFile::exists(iniPath())) {
        values.clear();
        trap([&] {
            QFile f(iniPath());
            if (!f.open(QIODevice::ReadOnly))
                throw AppError(Err::PathFileAccess, QStringLiteral("Path/File access error"));
            values = QString::fromUtf8(f.readAll()).split(QRegularExpression(QStringLiteral("[,\r\n]+")),
                                                          Qt::SkipEmptyParts);
        });
    }
    auto value = [&](int i) -> int16_t {
        if (i >= values.size())
            throw AppError(62, QStringLiteral("Input past end of file"));
        return TextToInt16(values[i]);
    };
    trap([&] {
        int16_t v = 0;
        trap([&] { v = value(0); }); // a missing value counts 0
        Check1->setChecked(v != 0);
    });
    trap([&] {
        int16_t v = 0;
        trap([&] { v = value(1); });
        if (v < -1 || v >= Combo1->count())
            throw AppError(380, QStringLiteral("Invalid property value"));
        Combo1->setCurrentIndex(v);
    });
    trap([this] {
        const bool on = !Check1->isChecked();
        Check2->setEnabled(on);
        Label17->setEnabled(on);
    });
    trap([] { GetMWFolders(); });
    trap([this] {
        Label28->setText(QStringLiteral("(Current Music Folder=") + MusicFolder.left(MusicFolder.size() - 1) +
                         QStringLiteral(")"));
    });
    listFolder();
    trap([this] { putskin(this); });
    trap([this] { centreOnScreen(); });
    trap([this] {
        if (ListView1->topLevelItemCount() > 0)
            ListView1->topLevelItem(0)->setSelected(false);
    });
}

// The music folder's WAV files, then its MP3 files, each with length and burn size.
void frmBurner::listFolder()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    QStringList names;
    trap([&] {
        names = QDir(MusicFolder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    });
    for (const QString& name : names) {
        if (!name.contains(QLatin1String(".wav"), Qt::CaseInsensitive))
            continue;
        trap([&] {
            auto* item = new ListItem(ListView1);
            item->setText(0, name);
            item->setData(0, kFileRole, name);
            const qint64 bytes = QFileInfo(MusicFolder + name).size();
            const double seconds = double(bytes) / 44000.0 / 4.0;
            if (seconds != 0)
                item->setText(2, lengthText(seconds));
            item->setText(4, burnSizeText(double(bytes) / 1024.0 / 1024.0));
        });
    }
    BusyListing busy(ListView1);
    // Catalogue songs are rows at once; the other MP3 files are read on worker threads,
    // first to last, while their places wait in the row order (nullptr, a place of names).
    // The rows go into the list at once when the listing ends.
    const SongsByTitle known(SongLibrary.get());
    QList<ListItem*> rows;
    QStringList unknown;
    for (const QString& name : names) {
        busy.tick();
        if (!name.contains(QLatin1String(".mp3"), Qt::CaseInsensitive))
            continue;
        const clsMP3* song = known.find(QStringView(name).chopped(4));
        if (!song) {
            unknown.append(name);
            rows.append(nullptr);
            continue;
        }
        auto* item = new ListItem;
        item->setText(0, song->MP3Title() + QStringLiteral(".mp3"));
        item->setData(0, kFileRole, name);
        item->setText(1, song->artist());
        item->setText(2, song->Length());
        item->setText(3, song->CDTitle());
        trap([&] {
            const int16_t seconds = catalogueSeconds(song->Length());
            item->setText(4, burnSizeText(seconds * 44.0 * 2.0 * 2000.0 / 1024.0 / 1024.0));
        });
        rows.append(item);
    }
    // Not in the catalogue: ask the file itself; a file that does not open is left out.
    Mp3ListReader reader(unknown, [folder = MusicFolder](const QString& name) { return folder + name; });
    FillFromFiles(rows, reader, busy, [&](const QString& name, const Mp3ListFacts& facts) -> ListItem* {
        Mp3ListEntry e;
        trap([&] { e = Mp3ListEntryOf(facts); });
        if (!e.opened)
            return nullptr;
        auto* item = new ListItem;
        item->setText(0, name.left(name.size() - 4) + name.right(4).toLower());
        item->setData(0, kFileRole, name);
        if (e.seconds != 0) {
            item->setText(2, lengthText(e.seconds));
            item->setText(4, burnSizeText(e.seconds * 44.0 * 4.0 / 1000.0));
        }
        if (!e.artist.isEmpty())
            item->setText(1, e.artist);
        if (!e.album.isEmpty())
            item->setText(3, e.album);
        return item;
    });
    ListView1->addTopLevelItems(rows);
}

void frmBurner::Form_Unload(int& cancel)
{
    Trap trap(kModule, QStringLiteral("Form_Unload"));
    // Closing mid-burn would ruin the disc and tear down the writer under the write.
    if (m_running) {
        trap([] {
            MsgBox(QStringLiteral("You Are Burning A CD. You Need To Stop (Abort) Burning Before You Can Close The "
                                  "CD Burner."),
                   Mb::OKOnly, kAppTitle);
        });
        cancel = 1;
        return;
    }
    trap([] { ClosingRule(); });
    // The settings are kept only where an installation provides the file.
    if (QFile::exists(iniPath())) {
        trap([this] {
            const QString text = QString::number(Check1->isChecked() ? 1 : 0) + QStringLiteral("\r\n") +
                                 QString::number(Combo1->currentIndex()) + QStringLiteral("\r\n");
            SaveWholeFile(iniPath(), text.toUtf8());
        });
    }
}

// ---------------------------------------------------------------- navigation

void frmBurner::picConvert_Click()
{
    for (PictureBox* p : {picConvert, picPlayLists, picExit})
        if (p)
            p->setBorderStyle(1);
    FeatureForm::picConvert_Click();
}

void frmBurner::Label28_MouseMove() { Label28->setToolTip(Label28->text()); }

void frmBurner::Label6_MouseMove() { Label6->setToolTip(Label28->text()); }

// ---------------------------------------------------------------- burn list

bool frmBurner::IsMp3Row(const ListItem* item)
{
    if (!item)
        return false;
    QString name = item->data(0, kFileRole).toString();
    if (name.isEmpty())
        name = item->text(0);
    return name.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive);
}

QStringList frmBurner::BurnListTitles() const
{
    QStringList titles;
    for (int i = 0; i < ListView2->topLevelItemCount(); ++i)
        titles << ListView2->topLevelItem(i)->text(0);
    return titles;
}

QString frmBurner::TrackFile(int row) const
{
    const ListItem* item = ListView2->topLevelItem(row);
    if (!item)
        return {};
    if (IsMp3Row(item))
        return item->data(0, kTempRole).toString();
    QString name = item->data(0, kFileRole).toString();
    if (name.isEmpty())
        name = item->text(0);
    return MusicFolder + name;
}

void frmBurner::ListView1_DblClick()
{
    Trap trap(kModule, QStringLiteral("ListView1_DblClick"));
    if (ListView1->topLevelItemCount() == 0)
        return;
    ListItem* row = ListView1->currentItem();
    if (!row)
        return;
    const QString text = row->text(0);
    const QString name = row->data(0, kFileRole).toString();
    const QString path = MusicFolder + name;
    if (IsMp3Row(row)) {
        const QString twin = text.left(text.size() - 4) + QStringLiteral(".wav");
        if (!findIgnoringCase(MusicFolder, name.left(name.size() - 4) + QStringLiteral(".wav")).isEmpty()) {
            MsgBox(QStringLiteral("You Already Have a WAV file named \"") + twin +
                       QStringLiteral("\" in your current Music Folder. Select the WAV file instead of the MP3 file."),
                   Mb::OKOnly, kAppTitle);
            return;
        }
    } else {
        // Anything that is not an MP3 goes to the writer as it is, so it must be a CD-audio WAV.
        bool good = false;
        trap([&] { good = CheckWAVFormat(shortpathname(path)); });
        if (!good) {
            MsgBox(QStringLiteral("This WAV File Is Not A Standard PCM 44,100 Hz, 16 Bit, Stereo File So It Can Not "
                                  "Be Burned"),
                   Mb::OKOnly, kAppTitle);
            return;
        }
    }
    trap([&] {
        auto* entry = new ListItem(ListView2);
        entry->setText(0, text);
        entry->setText(1, row->text(4));
        entry->setData(0, kFileRole, name);
    });
    trap([this] { Label3->setText(QStringLiteral("Total Burn File Size ") + GetTotalBurnSize() + QStringLiteral(" MB")); });
}

void frmBurner::ListView2_DblClick()
{
    Trap trap(kModule, QStringLiteral("ListView2_DblClick"));
    if (ListView2->topLevelItemCount() == 0)
        return;
    trap([this] {
        ListItem* row = ListView2->currentItem();
        if (row)
            delete ListView2->takeTopLevelItem(ListView2->indexOfTopLevelItem(row));
    });
    trap([this] { Label3->setText(QStringLiteral("Total Burn File Size ") + GetTotalBurnSize() + QStringLiteral(" MB")); });
}

QString frmBurner::GetTotalBurnSize()
{
    Trap trap(kModule, QStringLiteral("GetTotalBurnSize"));
    double total = 0;
    for (int i = 0; i < ListView2->topLevelItemCount(); ++i) {
        trap([&] {
            const QString size = ListView2->topLevelItem(i)->text(1);
            if (size.isEmpty())
                return; // a file without a known length adds nothing
            bool ok = false;
            const double mb = size.left(size.size() - 3).toDouble(&ok);
            if (!ok)
                throw AppError(Err::TypeMismatch, QStringLiteral("Type mismatch"));
            total += mb;
        });
    }
    return oneDecimal(total);
}

double frmBurner::GetTotalWAVSize()
{
    Trap trap(kModule, QStringLiteral("GetTotalWAVSize"));
    qint64 bytes = 0;
    for (int i = 0; i < ListView2->topLevelItemCount(); ++i) {
        const QString file = TrackFile(i);
        if (!file.isEmpty() && QFileInfo::exists(file))
            bytes += QFileInfo(file).size();
    }
    return double(bytes / 1024 / 1024);
}

void frmBurner::EnableControls()
{
    Trap trap(kModule, QStringLiteral("EnableControls"));
    trap([this] { SetRunControlsEnabled(this, true); });
    // The window's own rules hold again: the catalogue box only outside test mode, and
    // Burn only when a writer was found.
    trap([this] {
        const bool on = !Check1->isChecked();
        Check2->setEnabled(on);
        Label17->setEnabled(on);
        sscmdBurn->setEnabled(m_writerReady);
    });
}

void frmBurner::ListView1_ColumnClick(int column)
{
    Trap trap(kModule, QStringLiteral("ListView1_ColumnClick"));
    trap([&] {
        const int key = column - 1;
        if (key < 0 || key > 5)
            throw AppError(Err::Subscript, QStringLiteral("Subscript out of range"));
        int16_t& flag = Forms::persistent<BurnerSortFlags>().flag[key];
        // The rows are ordered by the column's text, letter case ignored.
        // Taken from the end, so no take moves the rows after it.
        QList<ListItem*> rows;
        rows.reserve(ListView1->topLevelItemCount());
        for (int i = ListView1->topLevelItemCount() - 1; i >= 0; --i)
            rows << ListView1->takeTopLevelItem(i);
        std::reverse(rows.begin(), rows.end());
        const bool descending = flag == 0;
        std::stable_sort(rows.begin(), rows.end(), [&](ListItem* a, ListItem* b) {
            const int c = a->text(key).compare(b->text(key), Qt::CaseInsensitive);
            return descending ? c > 0 : c < 0;
        });
        ListView1->addTopLevelItems(rows);
        flag = flag == 0 ? int16_t(-1) : int16_t(0);
    });
}

void frmBurner::sscmdFolder_Click()
{
    Trap trap(kModule, QStringLiteral("sscmdFolder_Click"));
    trap([] {
        frmOptions& o = Forms::get<frmOptions>();
        o.SSTab1->setCurrentIndex(1);
        o.Show(true);
    });
}

void frmBurner::SSSearch_Click()
{
    Trap trap(kModule, QStringLiteral("SSSearch_Click"));
    SearchRows(ListView1, text1->text(), TitleArtistOrAlbumHolds);
}

// ---------------------------------------------------------------- Burn button

void frmBurner::sscmdBurn_Click()
{
    Trap trap(kModule, QStringLiteral("sscmdBurn_Click"));
    if (m_running)
        return;
    if (ListView2->topLevelItemCount() == 0) {
        MsgBox(QStringLiteral("You need to add files into the Burner list."), Mb::OKOnly, kAppTitle);
        return;
    }
    if (Combo2->count() == 0 && writers->LookForWriters() != 1)
        return;
    if (writers->CheckIfBurnerSelected() == 1)
        return;
    int disc = DiscNone;
    trap([&] { disc = ACDWRITE1->CheckDisc(); });
    if (disc == DiscInUse) {
        // A disc mounted since the window looked holds the writer: Eject frees it.
        QString text = BurnText::discInUse({writers->SelectedWriterDevice()});
        if (!ACDWRITE1->DiscNote().isEmpty())
            text += QStringLiteral("\n") + ACDWRITE1->DiscNote();
        MsgBox(text, Mb::OKOnly | Mb::Exclamation, kAppTitle);
        return;
    }
    if (disc == DiscNotBlank) {
        // The writer itself knows the disc is not blank: say so, whatever its label reads.
        MsgBox(QStringLiteral("You Have An Audio CD Or A Used CD-R In Your CD Writer.\n"
                              "Please Insert A New Blank CD-R In Your CD Writer And Try Again."),
               Mb::OKOnly, kAppTitle);
        return;
    }
    if (disc != 0) {
        MsgBox(QStringLiteral("Please Insert A CD-R Disc Into Your CD Writer Drive!"), Mb::OKOnly, kAppTitle);
        return;
    }
    int16_t used = 0;
    trap([&] { used = CheckCDMedia(writers->SelectedWriterDevice()); });
    if (used == 1)
        return;
    bool mp3Rows = false;
    for (int i = 0; i < ListView2->topLevelItemCount(); ++i)
        mp3Rows = mp3Rows || IsMp3Row(ListView2->topLevelItem(i));
    // The temporary WAV files of the MP3 entries are made in the music folder.
    if (mp3Rows && !CheckFolderWritable(MusicFolder, QStringLiteral("temporary WAV"), sscmdFolder->text()))
        return;
    if (checkfreediskspaceConvert() == 1)
        return;
    const int rows = RowsThatFitTheDisc();
    if (rows == 0)
        return;

    // The plan: every entry that fits in list order; an MP3 entry is decoded into a WAV of its title.
    BurnPlan plan;
    plan.folder = MusicFolder;
    trap([&] {
        const int index = Combo1->currentIndex();
        plan.speed = index == 0 ? 1 : index * 2;
    });
    plan.testMode = Check1->isChecked();
    MP3Total = 0;
    m_prepRows.clear();
    for (int i = 0; i < ListView2->topLevelItemCount(); ++i)
        ListView2->topLevelItem(i)->setData(0, kTempRole, QString());
    for (int i = 0; i < rows; ++i) {
        ListItem* item = ListView2->topLevelItem(i);
        BurnPlan::Track track;
        track.fileName = item->data(0, kFileRole).toString();
        if (track.fileName.isEmpty())
            track.fileName = item->text(0);
        track.mp3 = IsMp3Row(item);
        if (track.mp3) {
            const QString text = item->text(0);
            track.wavName = text.left(text.size() - 4) + QStringLiteral(".wav");
            m_prepRows.push_back(i);
            ++MP3Total;
        }
        plan.tracks.push_back(track);
    }
    trap([this] { SetRunControlsEnabled(this, false); });
    // From here until the run ends the program must not exit nor this window close.
    m_running = true;
    m_burnCount = 0;
    burnJob->setPlan(plan);
    if (MP3Total > 0) {
        NextBurnItem = 1;
        MP3Number = 1;
        m_preparing = true;
        ConvertMP3();
    }
    burnJob->start();
}

int frmBurner::RowsThatFitTheDisc()
{
    Trap trap(kModule, QStringLiteral("RowsThatFitTheDisc"));
    const int rows = ListView2->topLevelItemCount();
    m_fitAsked = false;
    // Sample frames of each entry: a WAV's from its header, an MP3's from its length.
    std::vector<qint64> frames;
    for (int i = 0; i < rows; ++i) {
        ListItem* item = ListView2->topLevelItem(i);
        qint64 f = 0;
        trap([&] {
            if (IsMp3Row(item)) {
                QString name = item->data(0, kFileRole).toString();
                if (name.isEmpty())
                    name = item->text(0);
                if (Mp3Play1->Open(MusicFolder + name, QString()) == 0)
                    f = (qint64(Mp3Play1->LengthMs()) * 44100 + 999) / 1000;
                Mp3Play1->Close();
            } else {
                BurnTrack t;
                t.path = TrackFile(i);
                if (inspectBurnTrack(t, nullptr))
                    f = t.frames;
            }
        });
        frames.push_back(f);
    }
    int fit = rows;
    trap([&] { fit = ACDWRITE1->TracksThatFit(frames); });
    if (fit >= rows)
        return rows;
    double mb = 0;
    trap([&] { mb = GetTotalBurnSize().toDouble(); });
    const QString question =
        mb > 700 ? kOverFullQuestion
                 : QStringLiteral("The Files In The Burn List Do Not All Fit On The CD In Your CD Writer. The Last "
                                  "File(s) Will Not Be Burned. Select Yes To Continue. Select No To Stop.");
    if (MsgBox(question, Mb::YesNo, kAppTitle) != Mb::Yes)
        return 0;
    tellWhatStaysBehind(fit, rows);
    m_fitAsked = fit > 0;
    return fit;
}

void frmBurner::endRun()
{
    m_burnCount = 0;
    m_running = false;
    m_preparing = false;
    m_fitAsked = false;
}

// ---------------------------------------------------------------- burn run

int frmBurner::Burn(const QStringList& trackFiles)
{
    Trap trap(kModule, QStringLiteral("Burn"));
    if (m_preparing) {
        // Every MP3 has its temporary WAV: the preparation's window goes.
        trap([] { Forms::unload(FormKind::ProgMP3ToWAV); });
        m_preparing = false;
    }
    trap([this] { writers->DetermineDriver(); });
    double total = 0;
    trap([&] { total = GetTotalWAVSize(); });
    const int rows = int(trackFiles.size());
    int fit = rows;
    // Asked once a run: a Yes before the decoding stands; the decoded files are measured again.
    if (total > 700 || m_fitAsked) {
        if (!m_fitAsked && MsgBox(kOverFullQuestion, Mb::YesNo, kAppTitle) != Mb::Yes)
            return 0;
        // Yes burns the files that fit on the disc, in list order; the user hears which stay behind.
        trap([&] { fit = ACDWRITE1->TracksThatFit(trackFiles); });
        if (fit < rows)
            tellWhatStaysBehind(fit, rows);
    }
    return fit;
}

void frmBurner::tellWhatStaysBehind(int fit, int rows)
{
    if (fit == 0) {
        MsgBox(QStringLiteral("None Of The Files Fit On The CD. Nothing Was Burned."), Mb::OKOnly, kAppTitle);
        return;
    }
    QStringList left;
    for (int i = fit; i < rows; ++i)
        if (ListItem* item = ListView2->topLevelItem(i))
            left << item->text(0);
    MsgBox(QStringLiteral("Only The First %1 Of %2 Files Fit On The CD. These Files Will Not Be Burned:\n")
                   .arg(fit)
                   .arg(rows) +
               left.join(QStringLiteral("\n")),
           Mb::OKOnly, kAppTitle);
}

// The write starts: its progress window comes up and follows it.
void frmBurner::writeStarting(int tracks)
{
    Trap trap(kModule, QStringLiteral("Burn"));
    m_burnCount = tracks;
    trap([this] {
        frmProgBurn& p = Forms::get<frmProgBurn>();
        p.watch(*burnJob);
        p.Label4->setVisible(true);
        p.Label2->setVisible(true);
        p.BurnProgress->setVisible(true);
        p.Show();
    });
}

void frmBurner::burnFinished(const JobOutcome& outcome)
{
    Trap trap(kModule, QStringLiteral("ACDWRITE1_BurningProcessComplete"));
    if (burnJob->writeStarted()) {
        if (outcome.kind == JobOutcome::Aborted)
            ACDWRITE1_UserStop();
        ACDWRITE1_BurningProcessComplete(outcome);
        return;
    }
    // The run ended before the write: a preparation that failed or a write the writer refused
    // says why first; nothing of the run is left behind.
    if (outcome.kind == JobOutcome::Failed)
        MsgBox(outcome.reason, Mb::OKOnly, kAppTitle);
    trap([this] { EnableControls(); });
    trap([this] { DeleteTempWAVFiles(); });
    trap([] { Forms::unload(FormKind::ProgMP3ToWAV); });
    trap([] { Forms::unload<frmProgBurn>(); });
    endRun();
}

void frmBurner::ACDWRITE1_ActTrack(int track)
{
    Trap trap(kModule, QStringLiteral("ACDWRITE1_ActTrack"));
    frmProgBurn* p = Forms::find<frmProgBurn>();
    ListItem* entry = ListView2->topLevelItem(track - 1);
    if (p && entry) {
        p->Label1->setText(entry->text(0));
        p->Label5->setText(QStringLiteral("Burning Track ") + QString::number(track) + QStringLiteral(" of ") +
                           QString::number(m_burnCount > 0 ? m_burnCount : ListView2->topLevelItemCount()));
    }
    trap([&] {
        if (!entry)
            throw AppError(35600, QStringLiteral("Index out of bounds"));
        entry->setSelected(true);
        if (track > 1)
            if (ListItem* before = ListView2->topLevelItem(track - 2))
                before->setSelected(false);
        ListView2->scrollToItem(entry);
    });
}

void frmBurner::ACDWRITE1_TrackPercent(int percent)
{
    Trap trap(kModule, QStringLiteral("ACDWRITE1_TrackPercent"));
    ProgressPercent = static_cast<int16_t>(std::min(percent, 100));
    if (frmProgBurn* p = Forms::find<frmProgBurn>()) {
        p->Label2->setText(QString::number(percent) + QStringLiteral(" %"));
        p->BurnProgress->setValue(ProgressPercent);
    }
}

void frmBurner::ACDWRITE1_InfoMessage(const QString& text)
{
    Trap trap(kModule, QStringLiteral("ACDWRITE1_InfoMessage"));
    if (frmProgBurn* p = Forms::find<frmProgBurn>())
        p->setCaption(QStringLiteral("BURN STATUS: ") + text +
                      (Check1->isChecked() ? QStringLiteral(" (Test Mode)") : QString()));
}

void frmBurner::ACDWRITE1_Fixating()
{
    Trap trap(kModule, QStringLiteral("ACDWRITE1_Fixating"));
    frmProgBurn* p = Forms::find<frmProgBurn>();
    if (!p)
        return;
    p->setCaption(QStringLiteral("BURN STATUS: Finalizing CD. Please Wait..."));
    p->Label1->setText(QStringLiteral("Finalizing CD. May Take 2-3 Minutes."));
    p->Label5->setText(QStringLiteral("Please Wait..."));
    p->Label2->setVisible(false);
    p->Label4->setVisible(false);
    p->BurnProgress->setVisible(false);
    p->cmdAbort->setEnabled(false);
}

void frmBurner::ACDWRITE1_BurningProcessComplete(const JobOutcome& outcome)
{
    Trap trap(kModule, QStringLiteral("ACDWRITE1_BurningProcessComplete"));
    trap([this] { EnableControls(); });
    trap([this] { writers->ResetBurner(); });
    // Every end leaves nothing of the run behind: no temporary WAV, no progress window.
    trap([this] { DeleteTempWAVFiles(); });
    trap([] { Forms::unload<frmProgBurn>(); });
    endRun();
    if (outcome.kind == JobOutcome::Aborted)
        return;
    if (outcome.kind == JobOutcome::Failed) {
        MsgBox(outcome.reason, Mb::OKOnly, kAppTitle);
        return;
    }
    MsgBox(QStringLiteral("Finished Burning Audio CD."), Mb::OKOnly, kAppTitle);
    // A test run puts nothing on the disc, so there is nothing to catalogue after it.
    if (burnJob->writeOutcome().kind == BurnOutcome::Written && Check2->isChecked() && !Check1->isChecked())
        trap([] { Forms::get<frmBurnToCDInfo>().Show(true); });
}

void frmBurner::ACDWRITE1_UserStop()
{
    Trap trap(kModule, QStringLiteral("ACDWRITE1_UserStop"));
    trap([this] { writers->ResetBurner(); });
    trap([this] { DeleteTempWAVFiles(); });
    trap([] { Forms::unload<frmProgBurn>(); });
}

void frmBurner::Check1_Click()
{
    Trap trap(kModule, QStringLiteral("Check1_Click"));
    const bool test = Check1->isChecked();
    trap([&] { ACDWRITE1->TestMode(test); });
    Check2->setEnabled(!test);
    Label17->setEnabled(!test);
}

void frmBurner::sscmdEject_Click()
{
    const QString device = writers->SelectedWriterDevice();
    if (!device.isEmpty()) {
        EjectCDNumber(device);
        return;
    }
    // No writer is listed while a disc in use holds the drive: that drive is ejected, and once
    // its disc is out the writers are looked for again.
    bool opened = false;
    for (const QString& held : ACDWRITE1->DrivesInUse()) {
        if (!EjectCDNumber(held))
            return;
        opened = true;
    }
    if (opened && writers->LookForWriters() == 1) {
        m_writerReady = true;
        sscmdBurn->setEnabled(true);
    }
}

// Deletes the temporary WAV files this run made, and only those: the job knows them.
void frmBurner::DeleteTempWAVFiles()
{
    Trap trap(kModule, QStringLiteral("DeleteTempWAVFiles"));
    trap([this] { burnJob->removeMadeWavs(); });
    for (int i = 0; i < ListView2->topLevelItemCount(); ++i)
        ListView2->topLevelItem(i)->setData(0, kTempRole, QString());
}

// ---------------------------------------------------------------- temporary WAV preparation

int16_t frmBurner::checkfreediskspaceConvert()
{
    Trap trap(kModule, QStringLiteral("checkfreediskspaceConvert"));
    qint64 free = -1;
    trap([&] { free = FreeBytesOf(MusicFolder); });
    if (free < 0) {
        MsgBox(QStringLiteral("Could not find drive free space"), Mb::OKOnly, kAppTitle);
        return 1;
    }
    double mb = 0;
    for (int i = 0; i < ListView2->topLevelItemCount(); ++i) {
        ListItem* item = ListView2->topLevelItem(i);
        if (!IsMp3Row(item))
            continue;
        const QString size = item->text(1);
        bool ok = false;
        const double v = size.left(size.size() - 3).toDouble(&ok);
        if (ok)
            mb += v;
    }
    const double needed = mb * 1024.0 * 1024.0 + double(kTempReserve);
    if (needed > double(free)) {
        const qint64 shortMb = static_cast<qint64>(std::ceil((needed - double(free)) / 1048576.0));
        MsgBox(QStringLiteral("You do not have enough space on your drive for the temporary WAV files that is required "
                              "for converting MP3 files to WAV files before burning(after leaving 100MB free for "
                              "Windows use).\n\nPlease select fewer files to burn or delete unneeded files on your "
                              "hard drive and create space for ") +
                   QString::number(shortMb) + QStringLiteral("MB"),
               Mb::OKOnly, kAppTitle);
        return 1;
    }
    return 0;
}

void frmBurner::ConvertMP3()
{
    Trap trap(kModule, QStringLiteral("ConvertMP3"));
    trap([this] { runLink(PreparationView().watch, burnJob->preparation()); });
}

void frmBurner::prepFileStarted(int index, const QString&, const QString& wavName)
{
    Trap trap(kModule, QStringLiteral("ConvertMP3"));
    MP3Number = static_cast<int16_t>(index + 1);
    const int row = index < int(m_prepRows.size()) ? m_prepRows[size_t(index)] : -1;
    NextBurnItem = static_cast<int16_t>(row + 2);
    // Recorded before the decode starts: the file the WAV-size check looks at.
    if (ListItem* item = ListView2->topLevelItem(row))
        item->setData(0, kTempRole, MusicFolder + wavName);
    trap([] {
        runLink(PreparationView().fileStarted, QStringLiteral("Burn Status: Converting MP3 Files To Temp WAV Files"));
    });
}
