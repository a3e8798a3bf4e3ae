#include "burner/frmburntocdinfo.h"

#include <QGridLayout>
#include <QShortcut>
#include <QVBoxLayout>

#include "burner/burnlistsource.h"
#include "core/cdaudio.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "platform/cddrives.h"
#include "platform/prompt.h"
#include "shell/smallwindow.h"

namespace {
const QString kModule = QStringLiteral("frmBurnToCDInfo");
const QString kListModule = QStringLiteral("frmBurnToCD");

int32_t framesOf(const TocEntry& e) { return e.Min * 4500 + e.Sec * 75 + e.Frame; }

// The window the disc was burned from, found by its kind; nullptr when it is not loaded.
const BurnListSource* burnListSource() { return dynamic_cast<const BurnListSource*>(Forms::find(FormKind::Burner)); }

QString twoDigits(int32_t n) { return n < 10 && n >= 0 ? QStringLiteral("0") + QString::number(n) : QString::number(n); }
} // namespace

frmBurnToCDInfo::frmBurnToCDInfo() : Form(QStringLiteral("frmBurnToCDInfo"))
{
    setWindowTitle(QStringLiteral("Auto-Save CD Info"));
    setWindowFlag(Qt::Dialog);
    auto* lay = new QVBoxLayout(this);

    Frame3 = new QGroupBox(QStringLiteral("Select Burner Drive Letter"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    auto* l3 = new QVBoxLayout(Frame3);
    DriveLetter = new ComboBox(Frame3);
    DriveLetter->setObjectName(QStringLiteral("DriveLetter"));
    DriveLetter->setEditable(true);
    l3->addWidget(DriveLetter);
    lay->addWidget(Frame3);

    Frame2 = new QGroupBox(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* l2 = new QVBoxLayout(Frame2);
    Label3 = new Label(QStringLiteral("Please re-insert the CD you just burned in the CD Drive, enter the Info below and "
                                      "click Save. Quillory will automatically get Track Title info from the Burner "
                                      "window."),
                       Frame2);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);
    Label2 = new Label(QStringLiteral("Quillory can save CD Info like CD Title, Artist and Track Titles for the CD you "
                                      "just burned to its internal database so that Quillory's CD Player will display "
                                      "the Info when you play the CD the next time. "),
                       Frame2);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    l2->addWidget(Label3);
    l2->addWidget(Label2);
    lay->addWidget(Frame2);

    Frame1 = new QGroupBox(QStringLiteral("Type In CD Information"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* g = new QGridLayout(Frame1);
    auto addRow = [&](int row, const QString& caption, bool optional, const QString& name, const QString& initial) {
        auto* cap = new QWidget(Frame1);
        auto* cl = new QVBoxLayout(cap);
        cl->setContentsMargins(0, 0, 0, 0);
        cl->setSpacing(0);
        cl->addWidget(new Label(caption, cap));
        if (optional)
            cl->addWidget(new Label(QStringLiteral("(Optional)"), cap));
        auto* box = new TextBox(Frame1);
        box->setObjectName(name);
        box->setText(initial);
        g->addWidget(cap, row, 0);
        g->addWidget(box, row, 1);
        return box;
    };
    txtCDTitle = addRow(0, QStringLiteral("CD Title"), false, QStringLiteral("txtCDTitle"), QStringLiteral("CDTitle"));
    txtArtist = addRow(1, QStringLiteral("Artist"), true, QStringLiteral("txtArtist"), QStringLiteral("Artist"));
    txtCategory = addRow(2, QStringLiteral("Category"), true, QStringLiteral("txtCategory"), QStringLiteral("Category"));
    lay->addWidget(Frame1);

    auto* buttons = new QHBoxLayout;
    Command1 = new QPushButton(QStringLiteral("Save"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    lay->addLayout(buttons);
    setFixedSize(440, 430);
    connect(Command1, &QPushButton::clicked, this, &frmBurnToCDInfo::Command1_Click);
    for (TextBox* box : {txtCDTitle, txtArtist, txtCategory})
        connect(box, &QLineEdit::returnPressed, this, &frmBurnToCDInfo::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmBurnToCDInfo::Command2_Click);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &frmBurnToCDInfo::Command2_Click);
}

frmBurnToCDInfo::~frmBurnToCDInfo() = default;

void frmBurnToCDInfo::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] { SmallWindow::centre(this); });
    trap([this] { SmallWindow::makeTopmost(this); });
    trap([this] { DetectCDDrives(); });
}

// The CD drives of the one drive enumerator, by device, in its order; the first is chosen.
void frmBurnToCDInfo::DetectCDDrives()
{
    Trap trap(kListModule, QStringLiteral("DetectCDDrives"));
    trap([this] {
        for (const CdDriveInfo& d : CdDrives::list())
            DriveLetter->addItem(d.device);
    });
    trap([this] {
        if (DriveLetter->count() > 0)
            DriveLetter->setCurrentText(DriveLetter->itemText(0));
    });
}

void frmBurnToCDInfo::Command1_Click()
{
    Trap trap(kModule, QStringLiteral("Command1_Click"));
    if (txtCDTitle->text().isEmpty()) {
        MsgBox(QStringLiteral("You Must Enter A CD Title"), Mb::OKOnly, kAppTitle);
        return;
    }
    CDDevice = std::make_unique<CDAudio>();
    CDDriveLetter = DriveLetter->currentText();
    const QString retry = QStringLiteral("Please insert the CD you just burned in the CD Writer (Drive ") + CDDriveLetter +
                          QStringLiteral("), wait a few seconds and try again.");
    int16_t opened = 1;
    trap([&] { opened = CDDevice->ReadyDevice(); });
    if (opened == 1) {
        MsgBox(QStringLiteral("Could not open Quillory CD Writer (Player). Please close any other CD Player (such as "
                              "Windows CD player) which may be running, and try again."),
               Mb::OKOnly, kAppTitle);
        CDDevice.reset();
        return;
    }
    int16_t noDisc = 0;
    trap([&] { noDisc = CDDevice->CheckCD(); });
    if (noDisc == 1) {
        MsgBox(retry, Mb::OKOnly, kAppTitle);
        CDDevice.reset();
        return;
    }
    int entries = 0;
    if (const BurnListSource* burner = burnListSource())
        entries = int(burner->BurnListTitles().size());
    int16_t tracks = -1;
    trap([&] { tracks = CDDevice->GetNumTracks(); });
    if (tracks != entries) {
        MsgBox(QStringLiteral("The CD in the drive does not appear to be the CD you just burned. ") + retry, Mb::OKOnly,
               kAppTitle);
        CDDevice.reset();
        return;
    }
    trap([this] { DiscID = GetCDID(); });
    trap([this] { LoadCDInfo(); });
    trap([this] { Forms::unload(this); });
}

void frmBurnToCDInfo::Command2_Click()
{
    Trap trap(kModule, QStringLiteral("Command2_Click"));
    trap([this] { Forms::unload(this); });
}

// The CD player's disc-id rule over this window's device; keeps the table of contents.
QString frmBurnToCDInfo::GetCDID()
{
    if (!CDDevice)
        return {};
    CdDiscId id(*CDDevice, kListModule);
    const QString result = id.GetCDID();
    TrackCount = id.TrackCount;
    TrackStarts = id.TrackToc;
    DiscSeconds = id.DiscSeconds;
    return result;
}

// One catalogue record per track: title from the burn list, length from the disc.
void frmBurnToCDInfo::LoadCDInfo()
{
    Trap trap(kListModule, QStringLiteral("LoadCDInfo"));
    const BurnListSource* burner = burnListSource();
    const bool ready = trap([&] {
        if (!burner || !CDLibrary)
            throw AppError(91, QStringLiteral("Object variable or With block variable not set"));
        if (static_cast<int>(TrackStarts.size()) < TrackCount + 2)
            throw AppError(Err::Subscript, QStringLiteral("Subscript out of range"));
    });
    if (!ready)
        return;
    const QStringList titles = burner->BurnListTitles();
    for (int t = 1; t <= TrackCount; ++t) {
        const int32_t length = framesOf(TrackStarts[size_t(t + 1)]) - framesOf(TrackStarts[size_t(t)]);
        const int32_t minutes = length / 4500;
        const int32_t seconds = (length % 4500) / 75;
        if (t > titles.size())
            continue; // a track without a burn-list entry is passed over
        const QString text = titles[t - 1];
        trap([&] {
            CDLibrary->Add(DiscID, txtCDTitle->text(), txtArtist->text(), text.left(text.size() - 4),
                           twoDigits(minutes) + QStringLiteral(":") + twoDigits(seconds), txtCategory->text(),
                           QString(), QStringLiteral("No"));
        });
    }
    trap([] { CDLibrary->SaveFile(); });
}
