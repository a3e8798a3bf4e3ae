#pragma once
#include <QString>
#include <functional>
#include <stdexcept>

// A failing operation of our layers. Numbers follow the original runtime where
// callers test them (5 invalid call, 6 overflow, 9 subscript, 13 type mismatch,
// 52 bad file name, 53 file not found, 61 disk full, 75 path/file access, 76 path not found).
struct AppError : std::runtime_error {
    AppError(int number, QString description, QString source = QStringLiteral("Quillory"));
    int number;
    QString description;
    QString source;
};

namespace Err {
constexpr int InvalidCall = 5;
constexpr int Overflow = 6;
constexpr int Subscript = 9;
constexpr int TypeMismatch = 13;
constexpr int BadFileName = 52;
constexpr int FileNotFound = 53;
constexpr int DiskFull = 61;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int InvalidFileFormat = 321;
} // namespace Err

// The program's version as the error log and box print it: "1.60.0000".
QString AppVersionText();

// Appends one record to "QuilloryError.log" in the program folder, then shows the error box.
void LogError(const QString& module, const QString& procedure, long number, const QString& description,
              const QString& source);
// Appends the record only (a record that cannot be written is lost), for a failure the
// caller foresaw and tells the user about in its own words.
void WriteErrorLog(const QString& module, const QString& procedure, long number, const QString& description,
                   const QString& source);
// A failure a running job reported: the record is appended and the user is told description
// in a plain box. The error box's question is not put: ending the program is refused while a
// run goes on.
void LogAndTell(const QString& module, const QString& procedure, long number, const QString& description,
                const QString& source);
// The error box: Yes returns, No ends the program through the exit seam.
void ShowErrorMessage(const QString& module, const QString& procedure, long number, const QString& description,
                      const QString& source);
// The text the error box shows (lines joined by CR LF).
QString ErrorBoxText(const QString& module, const QString& procedure, long number, const QString& description,
                     const QString& source);

// Runs step; an error it throws goes to report with its number, description and source (any
// other exception as Err::InvalidCall with its text, from "Quillory"). False when it threw.
using StepErrorReport = std::function<void(int number, const QString& description, const QString& source)>;
bool RunStep(const std::function<void()>& step, const StepErrorReport& report);

// Runs a procedure's steps the way the program traps errors: a failing step is logged
// under the procedure's module and name and the next step runs.
//   Trap trap("modMP3", "Main");
//   trap([&] { ... });           // returns false when the step failed (and was logged)
class Trap {
public:
    Trap(QString module, QString procedure) : m_module(std::move(module)), m_procedure(std::move(procedure)) {}
    bool operator()(const std::function<void()>& step);
    // Number of steps that failed so far.
    int failures() const { return m_failures; }

private:
    QString m_module;
    QString m_procedure;
    int m_failures = 0;
};

// The support address shown in the error box.
inline const QString kSupportEmail = QStringLiteral("support@quillory.example");
