#include "shell/frmoptions.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLocale>
#include <QShortcut>
#include <QSignalBlocker>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "core/cdhelpers.h"
#include "core/driveinfo.h"
#include "core/encoderoptions.h"
#include "platform/errors.h"
#include "core/fieldreader.h"
#include "core/globals.h"
#include "platform/savefile.h"
#include "core/settings.h"
#include "core/windowlinks.h"
#include "core/windowrefresh.h"
#include "platform/appcontext.h"
#include "platform/prompt.h"
#include "shell/cddbsites.h"
#include "shell/smallwindow.h"

namespace {

const QString kModule = QStringLiteral("frmOptions");

template <class W> W* place(W* w, const char* name, int left, int top, int width, int height)
{
    w->setObjectName(QString::fromLatin1(name));
    placeTwips(w, left, top, width, height);
    return w;
}

Label* wrapLabel(Label* l)
{
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

// The numeric value at the start of a text, as the settings files store numbers: leading
// blanks are skipped, then an optional sign, digits and a decimal part; 0 when the text
// does not begin with a number.
double numericValue(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    bool digits = false;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
        ++i;
        digits = true;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return 0;
    bool ok = false;
    const double v = QLocale::c().toDouble(text.mid(start, i - start), &ok);
    return ok ? v : 0;
}

QString plainNumber(double v)
{
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        return QString::number(static_cast<long long>(v));
    return QLocale::c().toString(v, 'g', 15);
}

// What a settings file cannot give back is cleaned from a value before it is stored: control
// characters (a pasted line end would split the line) and trailing blanks (the reader drops them).
QString cleanSetting(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value)
        if (c.unicode() >= 0x20 && c.unicode() != 0x7F)
            out += c;
    while (out.endsWith(u' '))
        out.chop(1);
    return out;
}

bool hasControlCharacter(const QString& value)
{
    return std::any_of(value.begin(), value.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

// A value that holds both a double quote and a comma cannot be stored: unquoted the reader
// cuts it at the comma, quoted at the quote.
bool holdsQuoteAndComma(const QString& value) { return value.contains(u'"') && value.contains(u','); }

QString quoteAndCommaMessage(const QString& what)
{
    return QStringLiteral("The ") + what +
           QStringLiteral(" Cannot Hold Both A Quote (\") And A Comma (,). Please Remove One Of Them.");
}

// One "Key=value" line of a settings file. The files' reader cuts an unquoted value at a
// comma, so a value holding one is written in quotes, which the reader takes whole.
QString settingLine(const QString& key, const QString& value)
{
    const QString line = key + u'=' + value;
    if (value.contains(u',') && !value.contains(u'"'))
        return u'"' + line + u'"' + QStringLiteral("\r\n");
    return line + QStringLiteral("\r\n");
}

// Creates or replaces a settings file of the program folder whole.
void writeSettingsFile(const QString& name, const QString& text)
{
    SaveWholeFile(Ctx().programFile(name), text.toUtf8());
}

// Creates one folder level; its parent must exist.
void makeFolder(const QString& path)
{
    std::error_code ec;
    if (std::filesystem::create_directory(QFile::encodeName(path).toStdString(), ec) || !ec) {
        // A file of that name is no folder.
        if (!QFileInfo(path).isDir())
            throw AppError(Err::PathFileAccess, QStringLiteral("Path/File access error"));
        return;
    }
    if (ec.value() == ENOENT || ec.value() == ENOTDIR)
        throw AppError(Err::PathNotFound, QStringLiteral("Path not found"));
    throw AppError(Err::PathFileAccess, QStringLiteral("Path/File access error"));
}

const QString kBadPort = QStringLiteral("The Port Must Be A Whole Number From 0 To 65535.");
const QString kFolderNotStorable =
    QStringLiteral("The Music Folder Cannot Hold A Line Break Or Other Control Character, Or Both A Quote (\") And A "
                   "Comma (,). Please Choose Another Folder.");
const QString kFolderMissing =
    QStringLiteral("The Drive Or Music Folder You Entered Does Not Exist. Please Enter Correct Drive And Folder Or "
                   "Select Default Folders.");
// The reading control could not start its CD interface. The program goes on without it.
const QString kNoCdInterface = QStringLiteral("Can´t initialize ASPI ! Please use a newer version of ASPI.");
const QString kNoDrives = QStringLiteral("No CD-ROM drives were detected on your system.");

} // namespace

const std::array<QString, 5>& frmOptions::EncoderPresets()
{
    static const std::array<QString, 5> presets = {
        QStringLiteral("CBR1-Fastest-Good Quality"),     QStringLiteral("CBR2-Slower-Higher Quality"),
        QStringLiteral("VBR1-Higher Quality-Bigger File"), QStringLiteral("VBR2-Good Quality-Small File"),
        QStringLiteral("VBR3-Good Quality-Smaller File"),
    };
    return presets;
}

frmOptions::frmOptions() : Form(QStringLiteral("frmOptions"))
{
    setCaption(QStringLiteral("Configure"));
    setFixedSize(twipsToPx(7560), twipsToPx(6180));
    ACD1 = new ACD(this);

    SSTab1 = place(new QTabWidget(this), "SSTab1", 120, 120, 7320, 5280);
    auto page = [this](const QString& caption) {
        auto* w = new QWidget(SSTab1);
        SSTab1->addTab(w, caption);
        return w;
    };

    // ---- "Encoder Options" ----
    QWidget* enc = page(QStringLiteral("Encoder Options"));
    Frame3 = place(new QGroupBox(QStringLiteral("Encoder"), enc), "Frame3", 120, 120, 6960, 1680);
    Option4 = place(new OptionButton(QStringLiteral("LAME"), Frame3), "Option4", 240, 330, 2400, 285);
    Option4->setChecked(true);
    Label4 = place(new Label(QStringLiteral("Select Constant Or Variable Bit Rate Encoding For Encoder:"), Frame3),
                   "Label4", 240, 720, 6480, 255);
    Combo1 = place(new ComboBox(Frame3), "Combo1", 240, 1050, 4200, 345);
    Label4->setBuddy(Combo1);

    Frame1 = place(new QGroupBox(QStringLiteral("Encode To File"), enc), "Frame1", 120, 1920, 6960, 2640);
    Option1 = place(new OptionButton(QStringLiteral("MP3 File Only (Rips WAV, Encodes MP3, Deletes WAV)"), Frame1),
                    "Option1", 240, 330, 6480, 285);
    Option2 = place(new OptionButton(QStringLiteral("WAV File Only (No MP3 File) * See Note Below*"), Frame1),
                    "Option2", 240, 660, 6480, 285);
    Option3 = place(new OptionButton(QStringLiteral("Both WAV and MP3 Files * See Note Below*"), Frame1), "Option3",
                    240, 990, 6480, 285);
    lblNote = wrapLabel(place(
        new Label(QStringLiteral("Note: WAV files are very large files. It is best to create only MP3 files since they "
                                 "are much smaller in size. For example, a typical 3 minute song will result in a "
                                 "33MB WAV file but only a 3 MB MP3 file."),
                  Frame1),
        "lblNote", 240, 1440, 6480, 1020));

    // ---- "Music Folder" ----
    QWidget* folder = page(QStringLiteral("Music Folder"));
    const QString explanations[3] = {
        QStringLiteral("Music Folder is the folder in which the MP3 files you encode/convert will be saved. It is also "
                       "the folder in which the WAV files you rip/convert will be saved."),
        QStringLiteral("Click Default button  if you wish to set the Music Folder to the original program default "
                       "settings."),
        QStringLiteral("Browse to or enter a different Music Folder below to play MP3 files from that folder. Then "
                       "click the OK button below."),
    };
    const int tops[3] = {240, 1080, 1740}, heights[3] = {780, 540, 540};
    for (int i = 0; i < 3; ++i)
        Label11[i] = wrapLabel(place(new Label(explanations[i], folder), "Label11", 240, tops[i], 6840, heights[i]));
    Label9 = place(new Label(QStringLiteral("Music Folder"), folder), "Label9", 240, 2460, 3000, 255);
    txtMusicFolder = place(new TextBox(folder), "txtMusicFolder", 240, 2760, 6840, 345);
    Label9->setBuddy(txtMusicFolder);
    Command2 = place(new QPushButton(QStringLiteral("Browse..."), folder), "Command2", 3540, 3300, 1620, 405);
    Command2->setToolTip(QStringLiteral("Browse To Music Input Folder"));
    cmdDefaultFolders =
        place(new QPushButton(QStringLiteral("Back To Default"), folder), "cmdDefaultFolders", 5280, 3300, 1800, 405);

    // ---- "CD Options" ----
    QWidget* cd = page(QStringLiteral("CD Options"));
    Frame2 = place(new QGroupBox(QStringLiteral("CD Drives"), cd), "Frame2", 120, 120, 6960, 3540);
    Label3[0] = place(new Label(QStringLiteral("Drive No."), Frame2), "Label3", 240, 360, 1560, 255);
    SelectedCDROM = place(new TextBox(Frame2), "SelectedCDROM", 240, 660, 780, 345);
    SelectedCDROM->setText(QStringLiteral("SelectedCDRom"));
    PrevCDRom = place(new QPushButton(QStringLiteral("<"), Frame2), "PrevCDRom", 1080, 660, 420, 345);
    NextCDRom = place(new QPushButton(QStringLiteral(">"), Frame2), "NextCDRom", 1560, 660, 420, 345);
    Label12 = place(new Label(QStringLiteral("Drive Letter"), Frame2), "Label12", 2280, 360, 2400, 255);
    DriveLetter = place(new ComboBox(Frame2), "DriveLetter", 2280, 660, 4440, 345);
    Label12->setBuddy(DriveLetter);
    Label3[1] = place(new Label(QStringLiteral("Drive Brand"), Frame2), "Label3", 240, 1230, 2400, 255);
    txtCDROMBrand = place(new TextBox(Frame2), "txtCDROMBrand", 240, 1530, 6480, 345);
    txtCDROMBrand->setText(QStringLiteral("Text1"));
    txtCDROMBrand->setReadOnly(true);
    Label3[0]->setBuddy(SelectedCDROM);
    Label3[1]->setBuddy(txtCDROMBrand);
    Check1 = place(new CheckBox(QStringLiteral("Manually Adjust Drive No. and Drive Letter Independently"), Frame2),
                   "Check1", 240, 2130, 6480, 285);
    lblCDStatus = wrapLabel(place(new Label(QString(), Frame2), "lblCDStatus", 240, 2640, 6480, 660));
    lblCDStatus->setTextFormat(Qt::PlainText);
    lblCDStatus->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    lblCDStatus->setMargin(6);
    lblCDStatus->hide();

    // ---- "CD DB Options" ----
    QWidget* db = page(QStringLiteral("CD DB Options"));
    Label6 = place(new Label(QStringLiteral("Your E-Mail Address"), db), "Label6", 240, 180, 3960, 255);
    txtEMail = place(new TextBox(db), "txtEMail", 240, 450, 3960, 345);
    Label6->setBuddy(txtEMail);
    Label8 = wrapLabel(place(new Label(QStringLiteral("Your E-Mail Address is used to identify you to CDDB's servers. "
                                                      "It is not used for any other purpose."),
                                       db),
                             "Label8", 240, 870, 6840, 480));
    lblAddress = place(new Label(QStringLiteral("Site Address"), db), "lblAddress", 240, 1440, 3960, 255);
    txtAddress = place(new TextBox(db), "txtAddress", 240, 1710, 3960, 345);
    lblAddress->setBuddy(txtAddress);
    lblPort = place(new Label(QStringLiteral("Port"), db), "lblPort", 4440, 1440, 1080, 255);
    txtPort = place(new TextBox(db), "txtPort", 4440, 1710, 1080, 345);
    lblPort->setBuddy(txtPort);
    lvwSites = place(new ListView(db), "lvwSites", 240, 2190, 6840, 1620);
    lvwSites->setRootIsDecorated(false);
    cmdGetCDSites = place(new QPushButton(QStringLiteral("Get CDDB Sites"), db), "cmdGetCDSites", 240, 3930, 1920, 405);
    cmdGetCDSites->setToolTip(QStringLiteral("Download And Save All CDDB Sites"));
    cmdCDDBDefault =
        place(new QPushButton(QStringLiteral("Default CDDB Site"), db), "cmdCDDBDefault", 2280, 3930, 1920, 405);
    cmdCDDBDefault->setToolTip(QStringLiteral("Use The Default CDDB Site"));
    lblCDDBStatusTitle = place(new Label(QStringLiteral("CDDB Status"), db), "lblCDDBStatusTitle", 4440, 4005, 2640, 255);
    lblCDDBStatus = place(new Label(QString(), db), "lblCDDBStatus", 240, 4440, 6840, 255);
    QFont bold = lblCDDBStatusTitle->font();
    bold.setBold(true);
    lblCDDBStatusTitle->setFont(bold);

    // ---- Outside the tabs ----
    cmdOK = place(new QPushButton(QStringLiteral("OK"), this), "cmdOK", 4920, 5580, 1200, 405);
    cmdOK->setToolTip(QStringLiteral("Save Settings & Close "));
    cmdClose = place(new QPushButton(QStringLiteral("Cancel"), this), "cmdClose", 6240, 5580, 1200, 405);
    cmdClose->setToolTip(QStringLiteral("Close Without Saving Settings"));
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);

    connect(SSTab1, &QTabWidget::currentChanged, this, [this] { SSTab1_Click(); });
    connect(DriveLetter, &QComboBox::currentIndexChanged, this, [this](int i) {
        // Clearing the list selects nothing, and its first entry selects itself: neither is a choice.
        if (i >= 0 && !m_autoSelect)
            DriveLetter_Click();
    });
    connect(DriveLetter->model(), &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this] { m_autoSelect = DriveLetter->count() == 0; });
    connect(DriveLetter->model(), &QAbstractItemModel::rowsInserted, this, [this] {
        // A filled list starts with no entry chosen, until the code or the user chooses one.
        if (m_autoSelect) {
            const QSignalBlocker quiet(DriveLetter);
            DriveLetter->setCurrentIndex(-1);
        }
        m_autoSelect = false;
    });
    connect(NextCDRom, &QPushButton::clicked, this, [this] { NextCDRom_Click(); });
    connect(PrevCDRom, &QPushButton::clicked, this, [this] { PrevCDRom_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(cmdDefaultFolders, &QPushButton::clicked, this, [this] { cmdDefaultFolders_Click(); });
    // Any key typed into the folder box, and any other edit of it (paste, cut), counts as a change.
    txtMusicFolder->installEventFilter(this);
    connect(txtMusicFolder, &QLineEdit::textEdited, this, [this] { txtMusicFolder_KeyPress(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            [this] { cmdClose_Click(); });
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtMusicFolder && event->type() == QEvent::KeyPress &&
        !static_cast<QKeyEvent*>(event)->text().isEmpty())
        txtMusicFolder_KeyPress();
    return Form::eventFilter(watched, event);
}

void frmOptions::showCddbSettings()
{
    txtEMail->setText(CDDBEmail);
    txtAddress->setText(CDDBServer);
    txtPort->setText(QString::number(CDDBPort));
}

void frmOptions::showDrives(const QStringList& devices, int chosen)
{
    DriveLetter->clear();
    for (int i = 0; i < devices.size(); ++i)
        DriveLetter->insertItem(i, devices[i]);
    DriveLetter->setCurrentIndex(chosen);
}

void frmOptions::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    // The dialog shows the settings as the readers last read them, and again whenever they read.
    SettingsRead& read = SettingsRead::instance();
    connect(&read, &SettingsRead::musicFolder, this, [this](const QString& text) { txtMusicFolder->setText(text); });
    connect(&read, &SettingsRead::cddb, this, &frmOptions::showCddbSettings);
    connect(&read, &SettingsRead::drives, this, &frmOptions::showDrives);
    trap([this] { txtMusicFolder->setText(MusicFolderSettingText()); });
    trap([this] { SmallWindow::makeTopmost(this); });
    trap([this] {
        for (const QString& p : EncoderPresets())
            Combo1->addItem(p);
    });
    // The server list lives for the run; its controls are this dialog's.
    trap([this] {
        CddbSites::instance().attach({lvwSites, lblCDDBStatusTitle, lblCDDBStatus, txtEMail, txtAddress, txtPort,
                                      cmdGetCDSites, cmdCDDBDefault});
    });
    trap([this] { txtEMail->setText(CddbSites::DefaultEmail); });
    trap([this] { txtAddress->setText(CddbSites::DefaultSiteHost); });
    trap([this] { txtPort->setText(CddbSites::DefaultSitePort); });
    // Values of "cddb.ini" read while the dialog was closed stand in the boxes, not the defaults.
    if (SettingsRead::instance().takeUnshownCddbRead())
        trap([this] { showCddbSettings(); });
    trap([this] {
        if (EncoderMode.isEmpty()) {
            Combo1->setCurrentIndex(0);
            return;
        }
        int chosen = -1;
        for (int i = 0; i < static_cast<int>(EncoderPresets().size()); ++i)
            if (EncoderMode.contains(EncoderPresets()[static_cast<size_t>(i)].left(4), Qt::CaseInsensitive))
                chosen = i;
        Combo1->setCurrentIndex(chosen);
    });
    if (EncodeOutputMode != 1 && EncodeOutputMode != 2 && EncodeOutputMode != 3)
        EncodeOutputMode = 1;
    trap([this] {
        OptionButton* o = EncodeOutputMode == 2 ? Option2 : EncodeOutputMode == 3 ? Option3 : Option1;
        o->setChecked(true);
    });
    trap([] { GetMWFolders(); });
    trap([this] { SmallWindow::centre(this); });
}

// ---- Tabs and drives ----

void frmOptions::SSTab1_Click()
{
    Trap trap(kModule, QStringLiteral("SSTab1_Click"));
    const int tab = SSTab1->currentIndex();
    if (tab == 2) {
        InitRipper();
        // Only a drive list that could be read counts as a visit: a CD interface that did
        // not start leaves nothing to save, and the stored drive must stay as it is.
        if (m_cdInterfaceReady)
            flags().CDFlag = -1;
    }
    if (tab == 3) {
        trap([] { funGetCDDBINI(0); });
        flags().CDDBFlag = -1;
    }
}

void frmOptions::setCdStatus(const QString& text)
{
    lblCDStatus->setText(text);
    lblCDStatus->setVisible(!text.isEmpty());
}

void frmOptions::InitRipper()
{
    Trap trap(kModule, QStringLiteral("InitRipper"));
    int16_t status = 0;
    trap([&] { status = ACD1->InitStatus(); });
    m_cdInterfaceReady = status == 0;
    if (status != 0) {
        // The tab stays usable without drives; the rest of the program goes on.
        trap([this] { DriveLetter->clear(); });
        trap([this] { setCdStatus(kNoCdInterface); });
        trap([] { MsgBox(kNoCdInterface, Mb::OKOnly, kAppTitle); });
        return;
    }
    trap([] { DetectCDDrives(1); });
    trap([this] { setCdStatus(DriveLetter->count() == 0 ? kNoDrives : QString()); });
}

void frmOptions::DriveLetter_Click()
{
    Trap trap(kModule, QStringLiteral("DriveLetter_Click"));
    if (Check1->isChecked())
        return;
    trap([this] { SelectedCDROM->setText(QString::number(static_cast<int16_t>(DriveLetter->currentIndex() + 1))); });
    trap([this] {
        txtCDROMBrand->setText(ACD1->DriveName(static_cast<int16_t>(numericValue(SelectedCDROM->text()))));
    });
}

void frmOptions::selectDrive(long i)
{
    if (i >= 0 && i < DriveLetter->count())
        DriveLetter->setCurrentIndex(static_cast<int>(i));
}

void frmOptions::NextCDRom_Click()
{
    Trap trap(kModule, QStringLiteral("NextCDRom_Click"));
    trap([this] {
        const double n = numericValue(SelectedCDROM->text());
        if (!(n < ACD1->DriveCount()))
            return;
        SelectedCDROM->setText(plainNumber(n + 1));
        const long next = std::lround(numericValue(SelectedCDROM->text()));
        if (!Check1->isChecked())
            selectDrive(next - 1);
        txtCDROMBrand->setText(ACD1->DriveName(static_cast<int16_t>(next)));
    });
}

void frmOptions::PrevCDRom_Click()
{
    Trap trap(kModule, QStringLiteral("PrevCDRom_Click"));
    trap([this] {
        const double n = numericValue(SelectedCDROM->text());
        if (!(n > 1))
            return;
        SelectedCDROM->setText(plainNumber(n - 1));
        const long prev = std::lround(numericValue(SelectedCDROM->text()));
        if (!Check1->isChecked())
            selectDrive(prev - 1);
        txtCDROMBrand->setText(ACD1->DriveName(static_cast<int16_t>(prev)));
    });
}

// ---- Music folder ----

void frmOptions::Command2_Click()
{
    Trap trap(kModule, QStringLiteral("Command2_Click"));
    trap([this] {
        QString chosen = Prompts().folder(QStringLiteral("Music Folder"), MusicFolder);
        // Cancel changes nothing.
        if (chosen.isEmpty())
            return;
        // The folder without its closing "/"; the root stays "/".
        if (chosen.size() > 1 && chosen.endsWith(u'/'))
            chosen.chop(1);
        txtMusicFolder->setText(chosen);
        flags().bMP3FolderChangeFlag = -1;
    });
}

void frmOptions::cmdDefaultFolders_Click()
{
    Trap trap(kModule, QStringLiteral("cmdDefaultFolders_Click"));
    trap([this] { txtMusicFolder->setText(DefaultMusicFolder); });
    flags().bMP3FolderChangeFlag = -1;
}

void frmOptions::txtMusicFolder_KeyPress() { flags().bMP3FolderChangeFlag = -1; }

// ---- Cancel and OK ----

void frmOptions::PrintCDParms()
{
    Trap trap(kModule, QStringLiteral("PrintCDParms"));
    trap([this] {
        writeSettingsFile(QStringLiteral("cdrip.ini"),
                          QStringLiteral("CDDriveLetterNo=") + plainNumber(numericValue(SelectedCDROM->text())) +
                              QStringLiteral("\r\n"));
    });
}

void frmOptions::cmdClose_Click()
{
    Trap trap(kModule, QStringLiteral("cmdClose_Click"));
    trap([] { CddbSites::instance().EndFetch(); });
    trap([this] { Forms::unload(this); });
}

void frmOptions::cmdOK_Click()
{
    const QString proc = QStringLiteral("cmdOK_Click");
    Trap trap(kModule, proc);
    Flags& f = flags();

    // 0. CDDB values the settings file could not give back are cleaned or refused; a refusal
    // keeps the dialog open with nothing stored.
    if (f.CDDBFlag == -1) {
        const std::pair<TextBox*, QString> boxes[] = {{txtEMail, QStringLiteral("E-Mail Address")},
                                                      {txtAddress, QStringLiteral("CDDB Server")},
                                                      {txtPort, QStringLiteral("Port")}};
        for (const auto& [box, what] : boxes) {
            const QString clean = cleanSetting(box->text());
            if (clean != box->text())
                box->setText(clean);
            if (holdsQuoteAndComma(clean)) {
                MsgBox(quoteAndCommaMessage(what), Mb::OKOnly, kAppTitle);
                box->setFocus();
                return;
            }
        }
        bool portOk = false;
        try {
            ToWholeNumber(txtPort->text(), 0, 65535);
            portOk = true;
        } catch (const AppError&) {
        }
        if (!portOk) {
            MsgBox(kBadPort, Mb::OKOnly, kAppTitle);
            txtPort->setFocus();
            return;
        }
    }

    // 1. A server-list fetch still waiting ends now.
    trap([] { CddbSites::instance().EndFetch(); });

    // 2. Which of the two encoder windows are loaded (shown or not).
    bool cdLoaded = false;
    bool wavLoaded = false;
    trap([&] { cdLoaded = Forms::find(FormKind::CD) != nullptr; });
    trap([&] { wavLoaded = Forms::find(FormKind::WAVToMP3) != nullptr; });

    // 3. The CD window's output mode and encoder labels.
    if (cdLoaded) {
        const std::pair<OptionButton*, int> modes[] = {{Option1, 1}, {Option2, 2}, {Option3, 3}};
        for (auto [option, mode] : modes) {
            if (!option->isChecked())
                continue;
            trap([&] { runLink(Links().cdOutputMode, mode); });
        }
        trap([this] { EncoderMode = Combo1->currentText().left(4); });
        trap([] { runLink(Links().cdEncoderSelection, EncoderSelectionText(EncoderMode)); });
    }

    // 4. The preset, also when the CD window is not loaded.
    trap([this] { EncoderMode = Combo1->currentText().left(4); });

    // 5. The WAV-to-MP3 window's encoder labels.
    if (wavLoaded) {
        if (EncoderMode.isEmpty())
            EncoderMode = QStringLiteral("CBR1");
        trap([] { runLink(Links().wavEncoderSelection, EncoderSelectionText(EncoderMode)); });
    }

    // 6. The rip output mode.
    EncodeOutputMode = Option2->isChecked() ? 2 : Option3->isChecked() ? 3 : 1;

    // 7. "cddb.ini", when its tab was entered; the settings take the new values at once.
    if (f.CDDBFlag == -1) {
        trap([this] {
            writeSettingsFile(QStringLiteral("cddb.ini"), settingLine(QStringLiteral("EMail"), txtEMail->text()) +
                                                              settingLine(QStringLiteral("Server"), txtAddress->text()) +
                                                              settingLine(QStringLiteral("Port"), txtPort->text()));
        });
        trap([] { funGetCDDBINI(0); });
        f.CDDBFlag = 0;
    }

    // 8. "cdrip.ini", when the drive tab was entered.
    if (f.CDFlag == -1)
        PrintCDParms();

    // 9. The music folder: checked, and created when it is missing.
    QString folder;
    trap([&] {
        folder = txtMusicFolder->text();
        qsizetype a = 0, b = folder.size();
        while (a < b && folder[a] == u' ')
            ++a;
        while (b > a && folder[b - 1] == u' ')
            --b;
        folder = folder.mid(a, b - a);
        // One closing "/" goes; the root folder keeps its only one.
        if (folder.size() > 1 && folder.endsWith(u'/'))
            folder.chop(1);
    });
    if (folder.isEmpty()) {
        folder = DefaultMusicFolder;
    } else if (hasControlCharacter(folder) || holdsQuoteAndComma(folder)) {
        // A folder name cannot be cleaned without naming another folder.
        MsgBox(kFolderNotStorable, Mb::OKOnly, kAppTitle);
        return;
    } else {
        QString driveCheck;
        trap([&] { driveCheck = CheckDriveType(folder); });
        if (numericValue(driveCheck) == 1)
            return; // refused; the check has told the user
        try {
            if (!QFileInfo(folder).isDir())
                makeFolder(folder);
        } catch (const AppError& e) {
            // The folder cannot be made: nothing of it is stored and the dialog stays open.
            if (e.number == Err::PathNotFound)
                MsgBox(kFolderMissing, Mb::OKOnly, kAppTitle);
            else
                LogError(kModule, proc, e.number, e.description, e.source);
            return;
        }
    }

    // 10. - 11. The folder setting, read back as every reader sees it.
    trap([&] { writeSettingsFile(QStringLiteral("MWFolders.ini"), settingLine(QStringLiteral("MusicFolder"), folder)); });
    trap([] { GetMWFolders(); });

    // 12. The dialog goes; the rest still runs.
    trap([this] { Forms::unload(this); });

    // 13. The open feature windows list the new folder.
    if (f.bMP3FolderChangeFlag == -1) {
        Refreshing = 1;
        trap([] { RefreshMP3(); });
        f.bMP3FolderChangeFlag = 0;
    }

    // 14. The CD window takes the drive from "cdrip.ini" and the new encoder settings.
    if (!(cdLoaded && f.CDFlag == -1)) {
        f.CDFlag = 0;
        return;
    }
    Refreshing = 1;
    int state = WinState::Normal;
    trap([&] { state = Forms::windowState(FormKind::CD); });
    trap([] { Forms::unload(FormKind::CD); });
    Refreshing = 0;
    trap([] { Forms::get(FormKind::CD); });
    if (CDPlayerFailed == 1 && OptionsFromCD == -1) {
        f.CDFlag = 0;
        trap([] { Forms::unload(FormKind::CD); });
        trap([] { Forms::get(FormKind::Main).Show(); });
        OptionsFromCD = 0;
    } else {
        trap([] { Forms::get(FormKind::CD).Show(); });
        trap([&] { Forms::setWindowState(FormKind::CD, state); });
        f.CDFlag = 0;
    }
}
