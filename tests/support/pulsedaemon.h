#pragma once
// A private PulseAudio daemon for the tests that play real sound: its own runtime folder and
// socket in a temporary folder, one null sink, no system service and nothing of the
// machine's own sound setup. While it lives, this process talks to it alone (PULSE_SERVER).
// A recorder of the sink's monitor shows what reached the "speakers".
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class PulseDaemon {
public:
    // Starts the daemon; started() tells whether it answers.
    PulseDaemon();
    ~PulseDaemon(); // stops it and restores the environment

    // Starts it (again); true once it has loaded its sink and answers. Its log on failure: log().
    bool start();
    // Kills it at once, as a crashed server goes.
    void kill();
    // Stops (true) or continues (false) it: a server that hangs.
    void hang(bool hung);
    bool started() const { return m_pid > 0; }
    QString log() const;
    static QString sink() { return QStringLiteral("testnull"); }

private:
    QTemporaryDir m_dir;
    qint64 m_pid = 0;
    QByteArray m_oldServer;
    bool m_hadServer = false;
};

// Records the null sink's monitor (the recorder's default latency) as 44,100 Hz 16-bit stereo.
class SinkRecorder {
public:
    bool start();
    // What arrived since the last take() (or the start).
    QByteArray take();
    // Ends the recording and returns what it heard.
    QByteArray stop();
    // The sound in a recording, counted in 10-ms blocks whose loudest sample passes a level:
    // seconds of it, and where the first and the last such block begin (-1 when none).
    struct Heard {
        double seconds = 0, first = -1, last = -1;
    };
    static Heard heard(const QByteArray& pcm);

private:
    QProcess m_parec;
};
