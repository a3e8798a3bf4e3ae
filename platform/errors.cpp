#include "platform/errors.h"

#include "platform/appcontext.h"
#include "platform/prompt.h"
#include "platform/services.h"

#include <QApplication>
#include <QFile>
#include <QLocale>

AppError::AppError(int n, QString d, QString s)
    : std::runtime_error(d.toStdString()), number(n), description(std::move(d)), source(std::move(s))
{
}

QString AppVersionText()
{
    return QStringLiteral("1.60.") + QStringLiteral("%1").arg(0, 4, 10, QLatin1Char('0'));
}

namespace {
QString generalDateTime(const QDateTime& dt)
{
    const QLocale loc = QLocale::system();
    return loc.toString(dt.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           dt.time().toString(QStringLiteral("HH:mm:ss"));
}
} // namespace

void WriteErrorLog(const QString& module, const QString& procedure, long number, const QString& description,
                   const QString& source)
{
    // The logger's own failures are passed over: a record that cannot be written is lost.
    try {
        QString folder = Ctx().programFolder();
        if (!folder.endsWith('/'))
            folder += '/';
        QFile log(folder + QStringLiteral("QuilloryError.log"));
        if (log.open(QIODevice::WriteOnly | QIODevice::Append)) {
            const QString crlf = QStringLiteral("\r\n");
            QString rec;
            rec += QStringLiteral("***** Error event record *****") + crlf;
            rec += QStringLiteral("Event occured at: ") + generalDateTime(Clocks().now()) + crlf;
            rec += QStringLiteral("Program Version: ") + AppVersionText() + crlf;
            rec += QStringLiteral("Module Name : ") + module + crlf;
            rec += QStringLiteral("Procedure   : ") + procedure + crlf;
            rec += QStringLiteral("Error number: ") + QString::number(number) + crlf;
            rec += QStringLiteral("Error descr : ") + description + crlf;
            rec += QStringLiteral("Error Source: ") + source + crlf;
            rec += QString(40, QLatin1Char('=')) + crlf;
            rec += crlf;
            log.write(rec.toUtf8());
            log.close();
        }
    } catch (const std::exception&) {
    }
}

void LogError(const QString& module, const QString& procedure, long number, const QString& description,
              const QString& source)
{
    WriteErrorLog(module, procedure, number, description, source);
    ShowErrorMessage(module, procedure, number, description, source);
}

void LogAndTell(const QString& module, const QString& procedure, long number, const QString& description,
                const QString& source)
{
    WriteErrorLog(module, procedure, number, description, source);
    MsgBox(description, Mb::OKOnly | Mb::Exclamation);
}

QString ErrorBoxText(const QString& module, const QString& procedure, long number, const QString& description,
                     const QString& source)
{
    const QStringList lines = {
        QStringLiteral("Program Error"),
        QStringLiteral("Program Version: ") + AppVersionText(),
        QStringLiteral("Module Name : ") + module,
        QStringLiteral("Procedure    : ") + procedure,
        QStringLiteral("Error Source : ") + source,
        QStringLiteral("Error Number: ") + QString::number(number),
        QStringLiteral("Error Desc    : ") + description,
        QString(),
        QStringLiteral("Please e-mail above error information"),
        QStringLiteral("and/or the QuilloryError.log file from"),
        QStringLiteral("your Quillory Folder to"),
        kSupportEmail,
        QString(),
        QStringLiteral("You may be able to continue without "),
        QStringLiteral("problems or the program may behave  "),
        QStringLiteral("erratically, depending on the type of error. "),
        QString(),
        QStringLiteral("Do you wish to try to continue?"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

void ShowErrorMessage(const QString& module, const QString& procedure, long number, const QString& description,
                      const QString& source)
{
    // A wait cursor left by the failing code must not stay.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    int answer = Mb::No;
    try {
        answer = MsgBox(ErrorBoxText(module, procedure, number, description, source), Mb::YesNo | Mb::Exclamation,
                        QStringLiteral("Quillory Error"));
    } catch (const std::exception&) {
        answer = Mb::No;
    }
    if (answer != Mb::Yes)
        EndProgram(0);
}

bool RunStep(const std::function<void()>& step, const StepErrorReport& report)
{
    try {
        step();
        return true;
    } catch (const AppError& e) {
        report(e.number, e.description, e.source);
    } catch (const std::exception& e) {
        report(Err::InvalidCall, QString::fromLocal8Bit(e.what()), QStringLiteral("Quillory"));
    }
    return false;
}

bool Trap::operator()(const std::function<void()>& step)
{
    return RunStep(step, [this](int number, const QString& description, const QString& source) {
        ++m_failures;
        LogError(m_module, m_procedure, number, description, source);
    });
}
