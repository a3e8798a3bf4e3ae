#pragma once
#include <QPixmap>
#include <QString>

// The pictures of an unskinned window: launcher and navigation buttons ("player",
// "encoder", "convert", "playlist", "burner", "exit") and the product picture ("quillory").
QPixmap LauncherPicture(const QString& kind);
