#include "shell/frmoptions.h"

#include <QVBoxLayout>

frmOptions::frmOptions() : Form(QStringLiteral("frmOptions"))
{
    setWindowTitle(QStringLiteral("Configure"));
    auto* lay = new QVBoxLayout(this);
    SSTab1 = new QTabWidget(this);
    lay->addWidget(SSTab1);
    txtMusicFolder = new TextBox(this);
    txtEMail = new TextBox(this);
    txtAddress = new TextBox(this);
    txtPort = new TextBox(this);
    DriveLetter = new ComboBox(this);
    for (QWidget* w : {static_cast<QWidget*>(txtMusicFolder), static_cast<QWidget*>(txtEMail),
                       static_cast<QWidget*>(txtAddress), static_cast<QWidget*>(txtPort),
                       static_cast<QWidget*>(DriveLetter)})
        lay->addWidget(w);
}
