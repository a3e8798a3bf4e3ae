#include "songs/filelist.h"

#include <QDir>
#include <QFileInfo>

#include "platform/errors.h"
#include "core/globals.h"
#include "platform/controls.h"

void FileListBox::refresh()
{
    clear();
    if (m_path.isEmpty())
        return;
    QDir dir(m_path);
    QStringList filters;
    for (const QString& p : m_pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        filters << p.trimmed();
    if (!filters.isEmpty())
        dir.setNameFilters(filters);
    addItems(dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
}

QStringList FileListBox::fileNames() const
{
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out << item(i)->text();
    return out;
}

QString FileListBox::currentFileName() const { return currentItem() ? currentItem()->text() : QString(); }

QPixmap LoadPicture(const QString& path)
{
    if (path.isEmpty())
        return QPixmap();
    if (!QFileInfo(path).isFile())
        throw AppError(Err::FileNotFound, QStringLiteral("File not found"));
    QPixmap p;
    if (!p.load(path))
        throw AppError(481, QStringLiteral("Invalid picture"));
    return p;
}

void ShowChosenCover(const QString& module, const FileListBox* list, Label* name, PictureBox* picture)
{
    Trap trap(module, QStringLiteral("fileCover_Click"));
    const QString file = list->currentFileName();
    trap([&] { name->setText(file); });
    trap([&] { picture->setPicture(LoadPicture(DefaultMusicFolder + file)); });
}
