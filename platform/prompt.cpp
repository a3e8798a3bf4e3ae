#include "platform/prompt.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include "platform/forms.h"
#include "platform/stacking.h"

namespace {
Prompt* g_prompt = nullptr;

int defaultAnswer(int style)
{
    switch (Mb::buttonsOf(style)) {
    case Mb::OKCancel: return Mb::OK;
    case Mb::AbortRetryIgnore: return Mb::Abort;
    case Mb::YesNoCancel:
    case Mb::YesNo: return Mb::Yes;
    case Mb::RetryCancel: return Mb::Retry;
    default: return Mb::OK;
    }
}
} // namespace

Prompt& Prompts()
{
    static WidgetPrompt real;
    return g_prompt ? *g_prompt : real;
}

void setPrompts(Prompt* p) { g_prompt = p; }

int MsgBox(const QString& text, int style, const QString& title)
{
    return Prompts().message(text, style, title);
}

QString InputBox(const QString& prompt, const QString& title, const QString& initial)
{
    return Prompts().input(prompt, title, initial);
}

// ---- real dialogs ----
// Each runs as a nested loop (see NestedLoopScope) and has no parent window: a window that
// could be unloaded while the dialog is open never owns it. Each stands above the window it
// was opened from and takes the focus (StandAboveOwner).

namespace {
int runDialog(QDialog& dialog)
{
    if (StandAboveOwner(dialog, Forms::foreground()))
        if (auto* files = qobject_cast<QFileDialog*>(&dialog))
            // A desktop's own picker cannot be kept on top; ours can.
            files->setOption(QFileDialog::DontUseNativeDialog, true);
    BringToFront(dialog);
    return dialog.exec();
}

QStringList pickFiles(const QString& title, const QString& start, const QString& filter, QFileDialog::FileMode mode,
                      QFileDialog::AcceptMode accept = QFileDialog::AcceptOpen)
{
    NestedLoopScope nested;
    QFileDialog dialog(nullptr, title, start, filter);
    dialog.setFileMode(mode);
    dialog.setAcceptMode(accept);
    if (mode == QFileDialog::Directory)
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (runDialog(dialog) != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}
} // namespace

int WidgetPrompt::message(const QString& text, int style, const QString& title)
{
    NestedLoopScope nested;
    QMessageBox box;
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    switch (Mb::iconOf(style)) {
    case Mb::Critical: box.setIcon(QMessageBox::Critical); break;
    case Mb::Question: box.setIcon(QMessageBox::Question); break;
    case Mb::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Mb::Information: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    struct B { QMessageBox::StandardButton b; int answer; };
    std::vector<B> buttons;
    switch (Mb::buttonsOf(style)) {
    case Mb::OKCancel: buttons = {{QMessageBox::Ok, Mb::OK}, {QMessageBox::Cancel, Mb::Cancel}}; break;
    case Mb::AbortRetryIgnore:
        buttons = {{QMessageBox::Abort, Mb::Abort}, {QMessageBox::Retry, Mb::Retry}, {QMessageBox::Ignore, Mb::Ignore}};
        break;
    case Mb::YesNoCancel:
        buttons = {{QMessageBox::Yes, Mb::Yes}, {QMessageBox::No, Mb::No}, {QMessageBox::Cancel, Mb::Cancel}};
        break;
    case Mb::YesNo: buttons = {{QMessageBox::Yes, Mb::Yes}, {QMessageBox::No, Mb::No}}; break;
    case Mb::RetryCancel: buttons = {{QMessageBox::Retry, Mb::Retry}, {QMessageBox::Cancel, Mb::Cancel}}; break;
    default: buttons = {{QMessageBox::Ok, Mb::OK}}; break;
    }
    for (const auto& b : buttons)
        box.addButton(b.b);
    box.setDefaultButton(buttons.front().b);
    const int chosen = runDialog(box);
    for (const auto& b : buttons)
        if (b.b == chosen)
            return b.answer;
    // Closed with Escape or the window's close box.
    return buttons.size() == 1 ? Mb::OK : (Mb::buttonsOf(style) == Mb::YesNo ? Mb::No : Mb::Cancel);
}

QString WidgetPrompt::input(const QString& prompt, const QString& title, const QString& initial)
{
    NestedLoopScope nested;
    QInputDialog dialog;
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(initial);
    return runDialog(dialog) == QDialog::Accepted ? dialog.textValue() : QString();
}

QString WidgetPrompt::openFile(const QString& title, const QString& startFolder, const QString& filter)
{
    return pickFiles(title, startFolder, filter, QFileDialog::ExistingFile).value(0);
}

QStringList WidgetPrompt::openFiles(const QString& title, const QString& startFolder, const QString& filter)
{
    return pickFiles(title, startFolder, filter, QFileDialog::ExistingFiles);
}

QString WidgetPrompt::saveFile(const QString& title, const QString& startPath, const QString& filter)
{
    return pickFiles(title, startPath, filter, QFileDialog::AnyFile, QFileDialog::AcceptSave).value(0);
}

QString WidgetPrompt::folder(const QString& title, const QString& startFolder)
{
    return pickFiles(title, startFolder, {}, QFileDialog::Directory).value(0);
}

// ---- scripted ----

int ScriptedPrompt::message(const QString& text, int style, const QString& title)
{
    asked.push_back({PromptRecord::Message, text, title, style, {}, {}});
    if (answers.empty())
        return defaultAnswer(style);
    int a = answers.front();
    answers.pop_front();
    return a;
}

QString ScriptedPrompt::input(const QString& prompt, const QString& title, const QString& initial)
{
    asked.push_back({PromptRecord::Input, prompt, title, 0, initial, {}});
    if (texts.empty())
        return {};
    QString s = texts.front();
    texts.pop_front();
    return s;
}

QString ScriptedPrompt::openFile(const QString& title, const QString& startFolder, const QString& filter)
{
    asked.push_back({PromptRecord::OpenFile, {}, title, 0, startFolder, filter});
    if (texts.empty())
        return {};
    QString s = texts.front();
    texts.pop_front();
    return s;
}

QStringList ScriptedPrompt::openFiles(const QString& title, const QString& startFolder, const QString& filter)
{
    asked.push_back({PromptRecord::OpenFiles, {}, title, 0, startFolder, filter});
    if (lists.empty())
        return {};
    QStringList l = lists.front();
    lists.pop_front();
    return l;
}

QString ScriptedPrompt::saveFile(const QString& title, const QString& startPath, const QString& filter)
{
    asked.push_back({PromptRecord::SaveFile, {}, title, 0, startPath, filter});
    if (texts.empty())
        return {};
    QString s = texts.front();
    texts.pop_front();
    return s;
}

QString ScriptedPrompt::folder(const QString& title, const QString& startFolder)
{
    asked.push_back({PromptRecord::Folder, {}, title, 0, startFolder, {}});
    if (texts.empty())
        return {};
    QString s = texts.front();
    texts.pop_front();
    return s;
}

QStringList ScriptedPrompt::messageTexts() const
{
    QStringList out;
    for (const auto& r : asked)
        if (r.kind == PromptRecord::Message)
            out << r.text;
    return out;
}
