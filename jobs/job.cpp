#include "jobs/job.h"

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
