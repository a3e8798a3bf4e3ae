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
    try {
        step();
        return true;
    } catch (const AppError& e) {
        emit logError(procedure, e.number, e.description);
    } catch (const std::exception& e) {
        emit logError(procedure, Err::InvalidCall, QString::fromLocal8Bit(e.what()));
    }
    return false;
}
