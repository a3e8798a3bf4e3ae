#pragma once
// An MCI handler that records every command and answers from a script of replies.
#include "controls/mci.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>

class ScriptedMci : public MciHandler {
public:
    ScriptedMci() { setMciHandler(this); }
    ~ScriptedMci() override { setMciHandler(nullptr); }
    unsigned command(const QString& command, QString& reply) override
    {
        sent << command;
        const auto it = replies.find(command);
        reply = it == replies.end() ? QString() : it->second;
        const unsigned rc = it == replies.end() ? MciErr::UnrecognizedCommand : 0;
        if (answered)
            answered(command);
        return rc;
    }
    QStringList sent;
    std::map<QString, QString> replies; // command -> reply
    // Runs after each answer: a device whose state moves on between two questions.
    std::function<void(const QString& command)> answered;
};
