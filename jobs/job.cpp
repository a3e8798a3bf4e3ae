#include "jobs/job.h"

#include "platform/errors.h"

Job::Job(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<JobOutcome>();
}

void Job::finish(const JobOutcome& outcome)
{
    if (!m_running)
        return;
    m_running = false;
    emit finished(outcome);
}

bool Job::tryStep(const QString& procedure, const std::function<void()>& step)
{
    return RunStep(step, [this, &procedure](int number, const QString& description, const QString&) {
        emit logError(procedure, number, description);
    });
}
