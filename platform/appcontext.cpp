#include "platform/appcontext.h"

#include <QCoreApplication>
#include <QDir>
#include <optional>

namespace {
QString withSlash(QString p)
{
    if (!p.endsWith('/'))
        p += '/';
    return p;
}
std::optional<AppContext>& slot()
{
    static std::optional<AppContext> ctx;
    return ctx;
}
} // namespace

AppContext::AppContext(QString programFolder, QString homeFolder)
    : m_program(withSlash(std::move(programFolder))), m_home(withSlash(std::move(homeFolder)))
{
}

AppContext& AppContext::current()
{
    if (!slot())
        slot() = fromRunningProgram();
    return *slot();
}

void AppContext::setCurrent(const AppContext& ctx) { slot() = ctx; }

AppContext AppContext::fromRunningProgram()
{
    QString prog = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                : QDir::currentPath();
    QString home = qEnvironmentVariable("HOME", QDir::homePath());
    return AppContext(prog, home);
}
