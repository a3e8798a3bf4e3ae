#pragma once
// Encoder processes scripted by a test: each writes a short output file when started and
// ends (or not) as the script says.
#include <QFile>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/childprocess.h"

// An encoder that ends when the test says so, writing its output file first.
struct FakeEncoder : ChildProcess {
    struct Script {
        int exitCode = 0;
        bool endsByItself = true;
        bool startFails = false;
        size_t hold = 0; // the process (1 = the first started) that runs until it is killed
        std::function<void(size_t)> onStart; // told the number of each process started
        std::function<bool()> endsWhen;      // a process ends only once this holds
        std::vector<QStringList> started;
        int killed = 0;
    };
    explicit FakeEncoder(Script& s) : script(s) {}
    bool start(const QString& program, const QStringList& args) override
    {
        script.started.push_back(QStringList{program} + args);
        index = script.started.size();
        if (script.startFails)
            return false;
        out = args.last();
        QFile f(out);
        if (f.open(QIODevice::WriteOnly))
            f.write("partial");
        if (script.onStart)
            script.onStart(index);
        return true;
    }
    bool finished() override
    {
        return script.endsByItself && index != script.hold && (!script.endsWhen || script.endsWhen());
    }
    int exitCode() override { return script.exitCode; }
    void kill() override { ++script.killed; }
    Script& script;
    QString out;
    size_t index = 0;
};
struct FakeFactory : ChildProcessFactory {
    FakeEncoder::Script script;
    std::unique_ptr<ChildProcess> create() override { return std::make_unique<FakeEncoder>(script); }
};
