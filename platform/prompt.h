#pragma once
#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <vector>

// Message box styles and answers, numbered as the original runtime numbered them,
// so that handlers can be written as the windows' designs describe them.
namespace Mb {
constexpr int OKOnly = 0;
constexpr int OKCancel = 1;
constexpr int AbortRetryIgnore = 2;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int RetryCancel = 5;
constexpr int NoIcon = 0;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
constexpr int OK = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;
inline int buttonsOf(int style) { return style & 7; }
inline int iconOf(int style) { return style & 0x70; }
} // namespace Mb

// One question put to the user, as recorded by the scripted prompt.
struct PromptRecord {
    enum Kind { Message, Input, OpenFile, OpenFiles, SaveFile, Folder } kind = Message;
    QString text;   // message text or input prompt
    QString title;
    int style = 0;  // buttons + icon for messages
    QString initial; // default text, start folder or file name
    QString filter;  // file dialog filter
};

// The one seam through which the program asks the user anything.
class Prompt {
public:
    virtual ~Prompt() = default;
    // Returns an Mb::Answer.
    virtual int message(const QString& text, int style, const QString& title) = 0;
    // Returns the entered text; Cancel gives an empty text.
    virtual QString input(const QString& prompt, const QString& title, const QString& initial) = 0;
    // File and folder pickers: an empty result (or list) means Cancel.
    virtual QString openFile(const QString& title, const QString& startFolder, const QString& filter) = 0;
    virtual QStringList openFiles(const QString& title, const QString& startFolder, const QString& filter) = 0;
    virtual QString saveFile(const QString& title, const QString& startPath, const QString& filter) = 0;
    virtual QString folder(const QString& title, const QString& startFolder) = 0;
};

// Real dialogs (QMessageBox with plain text, QInputDialog, QFileDialog).
class WidgetPrompt : public Prompt {
public:
    int message(const QString& text, int style, const QString& title) override;
    QString input(const QString& prompt, const QString& title, const QString& initial) override;
    QString openFile(const QString& title, const QString& startFolder, const QString& filter) override;
    QStringList openFiles(const QString& title, const QString& startFolder, const QString& filter) override;
    QString saveFile(const QString& title, const QString& startPath, const QString& filter) override;
    QString folder(const QString& title, const QString& startFolder) override;
};

// Test prompt: records every question and gives scripted answers in order.
// When the script runs dry a message gets its default button (the first one),
// an input or a picker gets Cancel.
class ScriptedPrompt : public Prompt {
public:
    std::vector<PromptRecord> asked;
    std::deque<int> answers;         // for message()
    std::deque<QString> texts;       // for input(), openFile(), saveFile(), folder()
    std::deque<QStringList> lists;   // for openFiles()

    int message(const QString& text, int style, const QString& title) override;
    QString input(const QString& prompt, const QString& title, const QString& initial) override;
    QString openFile(const QString& title, const QString& startFolder, const QString& filter) override;
    QStringList openFiles(const QString& title, const QString& startFolder, const QString& filter) override;
    QString saveFile(const QString& title, const QString& startPath, const QString& filter) override;
    QString folder(const QString& title, const QString& startFolder) override;

    QStringList messageTexts() const;
    const PromptRecord& last() const { return asked.back(); }
};

Prompt& Prompts();
// Installs a prompt (a test's scripted one); nullptr restores the real one.
void setPrompts(Prompt* p);

// The program's title on boxes that have none of their own.
inline const QString kAppTitle = QStringLiteral("Quillory");

// MsgBox in the original's manner: text, style (buttons + icon), title.
int MsgBox(const QString& text, int style = 0, const QString& title = kAppTitle);
QString InputBox(const QString& prompt, const QString& title = kAppTitle, const QString& initial = {});
