#include "convert/convertsupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>

#include "core/driveinfo.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "core/skin.h"
#include "jobs/job.h"
#include "platform/files.h"
#include "core/writablefolder.h"
#include "platform/controls.h"
#include "platform/prompt.h"

QStringList FolderFileNames(const QString& folder)
{
    // No music folder chosen yet: nothing to list.
    if (folder.isEmpty())
        return {};
    QDir dir(folder);
    if (!dir.exists())
        throw AppError(Err::PathNotFound, QStringLiteral("Path not found: ") + folder);
    return dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
}

#include "shell/artwork.h"
#include "shell/featureform.h"
#include "shell/frmoptions.h"
#include "shell/windowchrome.h"

void AddConverterButton(FeatureForm* f, const QString& caption, const QString& tip)
{
    constexpr int kStep = 100;
    constexpr int kPic = 36;
    f->picConvert = new PictureBox(f);
    f->picConvert->setObjectName(QStringLiteral("picConvert"));
    f->picConvert->setPicture(LauncherPicture(QStringLiteral("convert")));
    f->picConvert->setToolTip(tip);
    f->picConvert->setBorderStyle(1);
    f->picConvert->setCursor(Qt::PointingHandCursor);
    f->lblConvert = new Label(caption, f);
    f->lblConvert->setObjectName(QStringLiteral("lblConvert"));
    f->lblConvert->setToolTip(tip);
    f->lblConvert->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    f->lblConvert->setFont(f->lblPlayer ? f->lblPlayer->font() : f->lblConvert->font());
    const std::pair<PictureBox*, Label*> row[] = {{f->picQuillory, f->lblQuillory}, {f->picPlayer, f->lblPlayer},
                                                  {f->picEncoder, f->lblEncoder},   {f->picConvert, f->lblConvert},
                                                  {f->picPlayLists, f->lblPlayLists}, {f->picBurner, f->lblBurner},
                                                  {f->picExit, f->lblExit}};
    int count = 0;
    for (auto [pic, lbl] : row)
        count += pic != nullptr;
    // The row stays centred under the window's contents, each caption wide enough for its
    // bold hover look and centred under its button.
    const int left = qMax(8, (f->width() - count * kStep) / 2);
    const int y = f->picQuillory->y();
    int index = 0;
    for (auto [pic, lbl] : row) {
        if (!pic)
            continue;
        const int x = left + index++ * kStep;
        pic->setGeometry(x + (kStep - kPic) / 2, y, kPic, kPic);
        QFont bold = lbl->font();
        bold.setBold(true);
        const int width = qMax(kStep, QFontMetrics(bold).horizontalAdvance(lbl->text()) + 6);
        lbl->setGeometry(x + (kStep - width) / 2, y + kPic + 2, width, 18);
    }
    PictureBox* p = f->picConvert;
    Label* l = f->lblConvert;
    QObject::connect(p, &PictureBox::clicked, f, [f] { f->picConvert_Click(); });
    QObject::connect(p, &PictureBox::mouseMoved, f, [p, l] {
        p->setBorderStyle(0);
        l->setFontBold(true);
    });
}

Label* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h)
{
    auto* l = new Label(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(x, y, w, h);
    return l;
}

void SetBold(QWidget* w)
{
    QFont f = w->font();
    f.setBold(true);
    w->setFont(f);
}

QString MusicFolderCaption()
{
    return QStringLiteral("(Current Music Folder=") + MusicFolder.left(MusicFolder.size() - 1) + QStringLiteral(")");
}

void ConverterUnload(const QString& module, bool running, int& cancel)
{
    Trap trap(module, QStringLiteral("Form_Unload"));
    if (running) {
        // The run still drives this window's controls: it must be aborted first.
        MsgBox(QStringLiteral("The conversion is still running. Abort it before you close this window."));
        cancel = 1;
        SwitchingWindow = 0;
        return;
    }
    trap([] { ClosingRule(); });
}

void ShowSettingsTab(const QString& module, int tab)
{
    Trap trap(module, QStringLiteral("SSFolder_Click"));
    trap([tab] {
        frmOptions& o = Forms::get<frmOptions>();
        o.SSTab1->setCurrentIndex(tab);
        o.Show(true);
    });
}

void FinishConverterLoad(Form* window, ListView* list, const QString& module)
{
    Trap trap(module, QStringLiteral("Form_Load"));
    trap([window] { putskin(window); });
    trap([window] { window->centreOnScreen(); });
    trap([list] {
        if (list->topLevelItemCount() > 0)
            list->topLevelItem(0)->setSelected(false);
    });
}

ListItem* ClickedRow(ListView* list)
{
    return list->topLevelItemCount() == 0 ? nullptr : list->currentItem();
}

bool RefuseExistingTwin(ListItem* row, const QString& base, const QString& kind)
{
    const QString name = base + '.' + kind.toLower();
    if (!existsIgnoringCase(MusicFolder + name))
        return false;
    MsgBox(QStringLiteral("You Already Have a ") + kind + QStringLiteral(" file named \"") + name +
           QStringLiteral("\" in your current Music Folder"));
    row->setSelected(false);
    return true;
}

int16_t SelectedForConvert(const QString& module, const ListView* list, const QString& kind)
{
    Trap trap(module, QStringLiteral("SSConvert_Click"));
    int16_t count = 0;
    trap([&] {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->isSelected())
                ++count;
    });
    if (count == 0)
        MsgBox(QStringLiteral("Select one or more ") + kind + QStringLiteral(" files to Convert."));
    return count;
}

bool MusicFolderWritable(const QString& module, const QString& kind, const QString& button)
{
    Trap trap(module, QStringLiteral("SSConvert_Click"));
    QString type;
    trap([&] { type = CheckDriveType(MusicFolder); });
    if (type.isEmpty()) {
        // An undeterminable drive type is not a CD drive: it is logged and the run goes on.
        LogError(module, QStringLiteral("SSConvert_Click"), Err::TypeMismatch,
                 QStringLiteral("The drive type of the music folder cannot be determined"), kAppTitle);
    } else if (type == QLatin1String("3")) {
        MsgBox(QStringLiteral("Can't write ") + kind +
               QStringLiteral(" to a CD Drive. Please select another drive using the Change Folders button"));
        return false;
    }
    return CheckFolderWritable(MusicFolder, kind, button);
}

void ShowJobSteps(Job& job, QObject* receiver, Label* process, Label* percentLabel, QProgressBar* bar)
{
    QObject::connect(&job, &Job::nextTrack, receiver, [process](int n, int of) {
        process->setText(QStringLiteral("Processing ") + QString::number(n) + QStringLiteral(" of ") +
                         QString::number(of));
    });
    QObject::connect(&job, &Job::percent, receiver, [percentLabel, bar](int value) {
        percentLabel->setText(QString::number(value) + QStringLiteral("%"));
        bar->setValue(value);
    });
}

ProgressControls BuildProgressControls(Form* w, const QString& title, const char* firstName, const char* secondName)
{
    w->setWindowTitle(title);
    w->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint);
    w->setFixedSize(480, 124);
    ProgressControls c{};
    c.Label11 = MakeLabel(w, "Label11", QStringLiteral("Converting "), 12, 12, 72, 20);
    c.first = MakeLabel(w, firstName, QString(), 84, 12, 270, 20);
    c.lblProcess = MakeLabel(w, "lblProcess", QString(), 360, 12, 110, 20);
    c.lblProcess->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    c.Label1 = MakeLabel(w, "Label1", QStringLiteral("To"), 12, 38, 72, 20);
    c.second = MakeLabel(w, secondName, QString(), 84, 38, 386, 20);
    SetBold(c.first);
    SetBold(c.second);
    c.Label8 = MakeLabel(w, "Label8", QStringLiteral("Progress"), 12, 78, 72, 22);
    c.RipProgress = new QProgressBar(w);
    c.RipProgress->setObjectName(QStringLiteral("RipProgress"));
    c.RipProgress->setRange(0, 100);
    c.RipProgress->setValue(0);
    c.RipProgress->setTextVisible(false);
    c.RipProgress->setGeometry(84, 78, 230, 22);
    c.nCompleted = MakeLabel(w, "nCompleted", QStringLiteral("%"), 320, 78, 50, 22);
    c.AbortButton = new SSCommand(QStringLiteral("Abort"), w);
    c.AbortButton->setObjectName(QStringLiteral("AbortButton"));
    c.AbortButton->setGeometry(380, 74, 90, 30);
    return c;
}
