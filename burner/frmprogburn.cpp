#include "burner/frmprogburn.h"

#include <QCloseEvent>
#include <QGridLayout>

#include "core/globals.h"
#include "jobs/burnjob.h"
#include "platform/errors.h"
#include "platform/prompt.h"
#include "shell/smallwindow.h"

namespace {
const QString kModule = QStringLiteral("frmProgBurn");
}

frmProgBurn::frmProgBurn() : Form(QStringLiteral("frmProgBurn"))
{
    setWindowTitle(QStringLiteral("Burn Status: Burning"));
    setWindowFlag(Qt::Dialog);
    auto* lay = new QGridLayout(this);
    Label3 = new Label(QStringLiteral("Burning Track:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label1 = new Label(QString(), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setMinimumWidth(260);
    Label5 = new Label(QString(), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label4 = new Label(QStringLiteral("Progress"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    BurnProgress = new QProgressBar(this);
    BurnProgress->setObjectName(QStringLiteral("BurnProgress"));
    BurnProgress->setRange(0, 100);
    BurnProgress->setValue(0);
    BurnProgress->setTextVisible(false);
    Label2 = new Label(QStringLiteral("%"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setMinimumWidth(44);
    cmdAbort = new QPushButton(QStringLiteral("Abort"), this);
    cmdAbort->setObjectName(QStringLiteral("cmdAbort"));
    lay->addWidget(Label3, 0, 0);
    lay->addWidget(Label1, 0, 1, 1, 2);
    lay->addWidget(Label5, 0, 3, 1, 2);
    lay->addWidget(Label4, 1, 0);
    lay->addWidget(BurnProgress, 1, 1, 1, 2);
    lay->addWidget(Label2, 1, 3);
    lay->addWidget(cmdAbort, 1, 4);
    lay->setColumnStretch(2, 1);
    setFixedSize(520, 96);
    connect(cmdAbort, &QPushButton::clicked, this, &frmProgBurn::cmdAbort_Click);
}

void frmProgBurn::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    ProgressPercent = 0;
    trap([this] { SmallWindow::centre(this); });
    trap([this] { SmallWindow::makeTopmost(this); });
}

void frmProgBurn::cmdAbort_Click()
{
    Trap trap(kModule, QStringLiteral("cmdAbort_Click"));
    int answer = Mb::No;
    trap([&] { answer = MsgBox(QStringLiteral("Are You Sure You Want To Abort Burning?"), Mb::YesNo, kAppTitle); });
    // The burn may have ended while the question was open; then there is nothing left to stop.
    if (isUnloaded())
        return;
    if (answer != Mb::Yes) {
        BurnAbort = 0;
        return;
    }
    // The disc may have gone into finalising while the question was open: the burn can no
    // longer be stopped and goes on to its end as if No had been answered.
    bool stopped = true;
    if (m_job && m_job->running())
        trap([&] {
            m_job->cancel();
            stopped = m_job->stopping();
        });
    if (!stopped) {
        BurnAbort = 0;
        return;
    }
    BurnAbort = -1;
    trap([this] { Forms::unload(this); });
}

void frmProgBurn::watch(BurnCdJob& job) { m_job = &job; }

void frmProgBurn::closeEvent(QCloseEvent* e)
{
    if (isUnloading()) {
        Form::closeEvent(e);
        return;
    }
    e->ignore();
    if (cmdAbort->isEnabled())
        cmdAbort_Click();
}
