#pragma once
// Starts a job and runs window events until it finishes; the limit only guards against a hang.
#include <QObject>
#include <gtest/gtest.h>

#include "jobs/job.h"
#include "pump.h"

// Starts job, runs it to its end and returns how it ended.
inline JobOutcome runJobToEnd(Job& job)
{
    JobOutcome out;
    bool ended = false;
    const auto watch = QObject::connect(&job, &Job::finished, &job, [&](const JobOutcome& o) {
        out = o;
        ended = true;
    });
    job.start();
    EXPECT_TRUE(pumpUntil([&] { return ended; }, 30000));
    QObject::disconnect(watch);
    return out;
}
