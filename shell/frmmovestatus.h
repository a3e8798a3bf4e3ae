#pragma once
#include "jobs/job.h"
#include "platform/controls.h"
#include "platform/forms.h"

// A one-line notice shown while the song library moves MP3 files: it shows the task of the job
// it watches in Label1 (or the text its user writes there); its user unloads it at the end.
class frmMoveStatus : public Form {
    Q_OBJECT
public:
    frmMoveStatus();
    void Form_Load() override;
    // Shows each task the job announces.
    void watch(Job* job);

    Label* Label1;

protected:
    bool event(QEvent* e) override;

private:
    // Widens the window when the status text is longer than the design width, so the
    // whole text shows; the window keeps its centre.
    void fitText();
};
