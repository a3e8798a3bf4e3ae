#pragma once
// The burn's progress window: which track is being written, how far, and the Abort button.
// It watches one burn job: its Abort asks, then stops that job.
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

#include "platform/controls.h"
#include "platform/forms.h"

class BurnCdJob;

class frmProgBurn : public Form {
    Q_OBJECT
public:
    frmProgBurn();
    void Form_Load() override;
    void cmdAbort_Click();
    // From now on Abort stops job.
    void watch(BurnCdJob& job);

    Label* Label3;   // "Burning Track:"
    Label* Label1;   // the track's file name, later the finalising note
    Label* Label5;   // "Burning Track n of m", later "Please Wait..."
    Label* Label4;   // "Progress"
    QProgressBar* BurnProgress;
    Label* Label2;   // percent of the track
    QPushButton* cmdAbort;

protected:
    QPointer<BurnCdJob> m_job;

    // The close box asks as the Abort button does; the run itself closes the window.
    void closeEvent(QCloseEvent* e) override;
};
