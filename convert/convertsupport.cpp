#include "convert/convertsupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QStorageInfo>
#include <QTreeWidget>

#include "core/errors.h"
#include "platform/controls.h"
#include "platform/prompt.h"

namespace {
std::function<qint64(const QString&)>& probe()
{
    static std::function<qint64(const QString&)> p;
    return p;
}
} // namespace

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

void SetRunControlsEnabled(QWidget* form, bool enabled)
{
    const auto widgets = form->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        // Picture boxes are drawn on labels but are controls; plain caption labels stay active.
        const bool picture = qobject_cast<PictureBox*>(w) != nullptr;
        if (!picture && qobject_cast<QLabel*>(w))
            continue;
        if (picture || qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
            qobject_cast<QTreeWidget*>(w) || qobject_cast<QComboBox*>(w))
            w->setEnabled(enabled);
    }
    for (QMenu* m : form->findChildren<QMenu*>())
        for (QAction* a : m->actions())
            if (!a->isSeparator())
                a->setEnabled(enabled);
}

void SearchRows(QTreeWidget* list, const QString& text,
                const std::function<bool(QTreeWidgetItem* row, const QString& text)>& match)
{
    if (text.isEmpty() || list->topLevelItemCount() == 0)
        return;
    int start = 0;
    while (start < list->topLevelItemCount()) {
        int found = -1;
        for (int i = start; i < list->topLevelItemCount(); ++i)
            if (match(list->topLevelItem(i), text)) {
                found = i;
                break;
            }
        if (found < 0)
            break;
        QTreeWidgetItem* row = list->topLevelItem(found);
        list->scrollToItem(row);
        row->setSelected(true);
        list->setCurrentItem(row, 0, QItemSelectionModel::NoUpdate);
        list->setFocus();
        start = list->indexOfTopLevelItem(list->currentItem()) + 1;
        if (MsgBox(QStringLiteral("\"") + text + QStringLiteral("\" found. Search for Next Match?"), Mb::YesNo) !=
            Mb::Yes)
            return;
    }
    MsgBox(QStringLiteral("\"") + text + QStringLiteral("\" not found."), Mb::OKOnly);
}

qint64 FreeBytesOf(const QString& folder)
{
    if (probe())
        return probe()(folder);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return -1;
    QStorageInfo info(folder);
    if (!info.isValid() || !info.isReady())
        return -1;
    return info.bytesAvailable();
}

void setFreeBytesProbe(std::function<qint64(const QString&)> p) { probe() = std::move(p); }

#include "shell/artwork.h"
#include "shell/featureform.h"

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
