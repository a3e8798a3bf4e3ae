#include "convert/convertsupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>

#include "core/errors.h"
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
