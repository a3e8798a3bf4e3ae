#pragma once
#include <QFrame>

#include "platform/controls.h"
#include "platform/forms.h"

class WindowChrome;

// The launcher window: six picture buttons open the feature windows or end the program.
// Its unloading is the program's exit sequence.
class frmMain : public Form {
    Q_OBJECT
public:
    frmMain();
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

    WindowChrome* chrome;

    PictureBox* picPlayer;
    PictureBox* picEncoder;
    PictureBox* picConvert;
    PictureBox* picPlayLists;
    PictureBox* picBurner;
    PictureBox* picExit;
    PictureBox* picQuillory;
    Label* Label1;  // under picPlayer
    Label* Label2;  // under picEncoder
    Label* Label9;  // under picConvert
    Label* Label3;  // under picPlayLists
    Label* Label11; // under picBurner
    Label* Label4;  // under picExit
    Label* Label5;  // the title
    QFrame* Line1;
    QFrame* Line2;

    void picPlayer_Click();
    void picEncoder_Click();
    void picConvert_Click();
    void picPlayLists_Click();
    void picBurner_Click();
    void picExit_Click();

    void Form_MouseMove();
    void picPlayer_MouseMove();
    void picEncoder_MouseMove();
    void picConvert_MouseMove();
    void picPlayLists_MouseMove();
    void picBurner_MouseMove();
    void picExit_MouseMove();
    void picPlayer_MouseDown();
    void picEncoder_MouseDown();
    void picPlayLists_MouseDown();
    void picExit_MouseDown();
    void Label_MouseMove(const QString& label); // Label1 .. Label5

protected:
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    void shortReset();
    void fullReset();
    void highlight(PictureBox* pic, Label* caption);
    void readSkinChoice();
};
