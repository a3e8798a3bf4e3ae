#pragma once
// The skin chooser ("Skin Directory"): lists the skin folders of the program folder's
// "Skins", previews the clicked skin on sample controls and, on OK, makes it the current
// skin, re-skins the open windows and records the choice in "Skins/skinmain.ini".
// Shown modally: Forms::get<frmSkinDir>().Show(true).
#include <QListWidget>
#include <QPushButton>
#include <QVariant>

#include "platform/errors.h"
#include "platform/controls.h"
#include "platform/forms.h"

class frmSkinDir : public Form {
    Q_OBJECT
public:
    frmSkinDir();
    void Form_Load() override;

    void List1_Click();
    void Check1_Click();
    void Command1_Click(); // OK
    void Command2_Click(); // Cancel

    QListWidget* List1;
    Label* Label1; // the chosen skin's name
    Label* Label2;
    CheckBox* Check1;
    QPushButton* Command1;
    QPushButton* Command2;
    PictureBox* picView;
    SSCommand* SSCommand1;
    ListView* ListView1;
    TextBox* Text1;
    Label* Label3;

    // Colours of the last skin whose "skin.ini" could be read (empty before the first).
    QVariant PreviewForeColor;
    QVariant PreviewBackColor;

private:
    void applyListBackground(Trap& trap);
};
