#pragma once
#include "platform/controls.h"
#include "platform/forms.h"

// A one-line notice shown while the song library moves MP3 files; its user writes the
// status text into Label1 and unloads the window when the move is done.
class frmMoveStatus : public Form {
    Q_OBJECT
public:
    frmMoveStatus();
    void Form_Load() override;

    Label* Label1;

protected:
    bool event(QEvent* e) override;

private:
    // Widens the window when the status text is longer than the design width, so the
    // whole text shows; the window keeps its centre.
    void fitText();
};
