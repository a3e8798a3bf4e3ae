#pragma once
#include "platform/controls.h"
#include "platform/forms.h"

class FileListBox;
class QGroupBox;

// The song editor ("Edit MP3 Info"): title, artist, CD title, category and cover of one song.
// The song library window fills it and shows it modally.
class frmEdit : public Form {
    Q_OBJECT
public:
    frmEdit();
    void Form_Load() override;

    QGroupBox* Frame1;
    TextBox* txtSong;
    TextBox* txtArtist;
    TextBox* txtCDTitle;
    TextBox* txtCategory;
    TextBox* txtlength; // not visible: carries the length from the list row into the record
    PictureBox* Image1;
    FileListBox* fileCover;
    Label* lblCDCover;
    QPushButton* Command1; // "Save"
    QPushButton* Command2; // "Cancel"
    QPushButton* Command3; // "Clear"

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void fileCover_Click();

protected:
    // Escape cancels, as the dialog's Cancel button does.
    void keyPressEvent(QKeyEvent* e) override;
};
