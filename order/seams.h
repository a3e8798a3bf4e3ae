#pragma once
// The order program's outside effects, each behind a seam a test can replace:
// message boxes, the printer dialog, the desktop "open" call and the program folder.
#include <QString>
#include <QUrl>

class QPrinter;
class QWidget;

namespace orderapp {

// Message box styles and answers, numbered as the original runtime numbered them.
namespace Mb {
constexpr int OKOnly = 0;
constexpr int NoIcon = 0;
constexpr int Exclamation = 48;
constexpr int OK = 1;
} // namespace Mb

// Every message of this program carries this title.
inline const QString kTitle = QStringLiteral("Order");

class MessageSeam {
public:
    virtual ~MessageSeam() = default;
    // Shows a message with an OK button; style gives the icon. Returns Mb::OK.
    virtual int message(const QString& text, int style, const QString& title) = 0;
};
class WidgetMessages : public MessageSeam {
public:
    int message(const QString& text, int style, const QString& title) override;
};
MessageSeam& Messages();
void setMessages(MessageSeam* m); // nullptr restores the real boxes
int MsgBox(const QString& text, int style, const QString& title = kTitle);

// The printer dialog. Cancel is the user's choice and not an error; any failure throws
// PrintFailure (a dialog that cannot work at all is a failure too).
struct PrintFailure {
    QString what;
};
class PrinterDialogSeam {
public:
    virtual ~PrinterDialogSeam() = default;
    // Lets the user pick and set up the printer. false = Cancel.
    virtual bool choosePrinter(QPrinter& printer, QWidget* parent) = 0;
};
class QtPrinterDialog : public PrinterDialogSeam {
public:
    bool choosePrinter(QPrinter& printer, QWidget* parent) override;
};
PrinterDialogSeam& PrinterDialogs();
void setPrinterDialogs(PrinterDialogSeam* d);

// Opening an address in the user's web browser. The result is the shell's answer.
class DesktopSeam {
public:
    virtual ~DesktopSeam() = default;
    virtual bool openUrl(const QUrl& url) = 0;
};
class RealDesktop : public DesktopSeam {
public:
    bool openUrl(const QUrl& url) override;
};
DesktopSeam& Desktop();
void setDesktop(DesktopSeam* d);

// The program's own folder (where "order.ini" lives), without a trailing "/".
QString ProgramFolder();
void setProgramFolder(const QString& folder); // empty restores the executable's folder

} // namespace orderapp
