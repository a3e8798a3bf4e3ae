#pragma once
#include <QPixmap>
#include <QString>
#include <QVariant>
class QWidget;

// Dresses a window and its controls in the current skin (SkinName, SkinFlag).
void putskin(QWidget* frm);
// Applies the skin to every loaded window tagged "Skin".
void formskins();
// Shrinks label fonts when PixelScale is not 1.0.
void ScaleLabelFonts(QWidget* frm);

// The program folder's "Skins" folder, found ignoring letter case where it exists (no "/" at the end).
QString SkinsFolder();
// Whether name is the skin "(No Skin)" (letter case ignored).
bool IsNoSkin(const QString& name);
// The folder of the skin named name: program folder + "Skins/" + name + "/", found ignoring
// letter case where it exists.
QString SkinFolder(const QString& name);
// A file of the skin named name, found ignoring letter case; empty when there is none.
QString SkinFile(const QString& name, const QString& file);

// A picture of the skin named name; throws AppError 53 when the file is missing and 481
// when it is no picture.
QPixmap LoadSkinPicture(const QString& name, const QString& file);

// Reads the fore and back colour numbers of a skin's "skin.ini" into fore and back; a value
// that is missing or not a colour number leaves its variable as it was. false when the file
// cannot be read.
bool ReadSkinColors(const QString& skinName, QVariant* fore, QVariant* back);

// A window's own picture (drawn behind its controls); a null pixmap clears it.
void setFormPicture(QWidget* frm, const QPixmap& picture);
QPixmap formPicture(const QWidget* frm);
