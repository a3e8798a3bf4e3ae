#include "core/skin.h"

// Skins are applied once the skin machinery lands; until then windows stay plain.
void putskin(QWidget*) {}
void formskins() {}
void ScaleLabelFonts(QWidget*) {}
