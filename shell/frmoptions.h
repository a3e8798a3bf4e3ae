#pragma once
#include <QTabWidget>

#include "platform/controls.h"
#include "platform/forms.h"

// The settings dialog ("Configure").
class frmOptions : public Form {
    Q_OBJECT
public:
    frmOptions();

    QTabWidget* SSTab1;
    TextBox* txtMusicFolder;
    TextBox* txtEMail;
    TextBox* txtAddress;
    TextBox* txtPort;
    ComboBox* DriveLetter;
};
