#pragma once
#include "platform/controls.h"
#include "platform/forms.h"

class FileListBox;

// The playlist cover dialog ("Display An Image With All Songs In PlayList"): one picture of the
// My Music folder for every song of the playlist selected in the song library window.
class frmPlayListPic : public Form {
    Q_OBJECT
public:
    frmPlayListPic();
    void Form_Load() override;

    FileListBox* fileCover;
    PictureBox* Image1;
    Label* lblCDCover;
    Label* lblPlayListName;
    Label* Label3;
    Label* Label2;
    QPushButton* Command1; // "Save"
    QPushButton* Command2; // "Cancel"
    QPushButton* Command3; // "Clear"

    void fileCover_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

protected:
    // Escape cancels, as the dialog's Cancel button does.
    void keyPressEvent(QKeyEvent* e) override;
};
