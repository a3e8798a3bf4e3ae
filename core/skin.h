#pragma once
class QWidget;

// Dresses a window and its controls in the current skin (SkinName, SkinFlag).
void putskin(QWidget* frm);
// Applies the skin to every loaded window tagged "Skin".
void formskins();
// Shrinks label fonts when PixelScale is not 1.0.
void ScaleLabelFonts(QWidget* frm);
