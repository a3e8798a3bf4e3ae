#pragma once
#include <QString>

// Where the program lives and whose home it serves. Code asks this object for folders
// instead of reading them from anywhere else, so a test can build it on a temporary folder.
class AppContext {
public:
    AppContext(QString programFolder, QString homeFolder);

    // Program folder with a trailing "/".
    const QString& programFolder() const { return m_program; }
    // Home folder with a trailing "/" (this is the program's "drive root").
    const QString& home() const { return m_home; }
    QString appDriveRoot() const { return m_home; }
    QString defaultMusicFolder() const { return m_home + QStringLiteral("My Music/"); }
    // A file in the program folder.
    QString programFile(const QString& name) const { return m_program + name; }

    static AppContext& current();
    static void setCurrent(const AppContext& ctx);
    // Program folder = the executable's folder, home = $HOME.
    static AppContext fromRunningProgram();

private:
    QString m_program;
    QString m_home;
};

inline AppContext& Ctx() { return AppContext::current(); }
