#pragma once
// A long run (rip and encode, conversion, burn, moving music files) apart from the windows.
// A job never creates a widget and never waits in a nested event loop: it is driven by the
// events of the controls it uses (a read done, a child process ended, a writer's report) and
// tells what it does through one set of signals that any progress window can show.
#include <QMetaType>
#include <QObject>
#include <QString>
#include <functional>

// How a job ended: done, stopped by the user, or failed with a reason for the user.
struct JobOutcome {
    enum Kind { Done, Aborted, Failed };
    Kind kind = Failed;
    QString reason; // for Failed: what went wrong, in words for the user

    bool done() const { return kind == Done; }
    static JobOutcome finishedWell() { return {Done, {}}; }
    static JobOutcome aborted() { return {Aborted, {}}; }
    static JobOutcome failed(const QString& why) { return {Failed, why}; }
};
Q_DECLARE_METATYPE(JobOutcome)

class Job : public QObject {
    Q_OBJECT
public:
    enum InfoKind { Information, Warning, Error };

    explicit Job(QObject* parent = nullptr);

    // Starts the run; its events follow from the event loop. Starting a running job does nothing.
    virtual void start() = 0;
    // Asks the run to stop at its next step; finished(Aborted) follows. Safe to call twice,
    // and after the end.
    virtual void cancel() = 0;

    bool running() const { return m_running; }

signals:
    void newTask(const QString& text);
    void nextTrack(int n, int of);
    void percent(int value); // 0..100 of the task in hand
    void infoMessage(const QString& text, Job::InfoKind kind);
    void finished(const JobOutcome& outcome);
    // A failure for the error log, under the job's procedure: the window that watches the job
    // logs it and tells the user; a job never shows anything itself.
    void logError(const QString& procedure, int number, const QString& text);

protected:
    // Marks the run as started; a job calls it first thing in start().
    void begin() { m_running = true; }
    // Ends the run once: clears running() and emits finished(). Later calls do nothing.
    void finish(const JobOutcome& outcome);
    // Runs step; an error it throws is reported through logError under procedure and the run
    // goes on. False when the step failed.
    bool tryStep(const QString& procedure, const std::function<void()>& step);

private:
    bool m_running = false;
};
