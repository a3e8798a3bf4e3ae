#pragma once
// Helpers the two converter windows share: listing the music folder and the other
// converter's navigation button.
#include <QString>
#include <QStringList>

// The names of the files of folder (no folders), in name order ignoring letter case.
// An empty folder name lists nothing; AppError 76 when the folder cannot be listed.
QStringList FolderFileNames(const QString& folder);

class FeatureForm;
// Gives a converter window the navigation button of the other converter, between the
// encoder and the playlist buttons, and lays the row out again.
void AddConverterButton(FeatureForm* form, const QString& caption, const QString& tip);
