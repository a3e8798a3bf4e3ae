#include "seams.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace orderapp {

namespace {
MessageSeam* g_messages = nullptr;
PrinterDialogSeam* g_printerDialogs = nullptr;
DesktopSeam* g_desktop = nullptr;
QString g_programFolder;
} // namespace

int WidgetMessages::message(const QString& text, int style, const QString& title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    // Lines are joined by a lone carriage return, which a label does not break on.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setText(shown);
    box.setIcon(style & Mb::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Mb::OK;
}

MessageSeam& Messages()
{
    static WidgetMessages real;
    return g_messages ? *g_messages : real;
}
void setMessages(MessageSeam* m) { g_messages = m; }
int MsgBox(const QString& text, int style, const QString& title) { return Messages().message(text, style, title); }

bool QtPrinterDialog::choosePrinter(QPrinter& printer, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Print"));
    return dialog.exec() == QDialog::Accepted;
}

PrinterDialogSeam& PrinterDialogs()
{
    static QtPrinterDialog real;
    return g_printerDialogs ? *g_printerDialogs : real;
}
void setPrinterDialogs(PrinterDialogSeam* d) { g_printerDialogs = d; }

bool RealDesktop::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

DesktopSeam& Desktop()
{
    static RealDesktop real;
    return g_desktop ? *g_desktop : real;
}
void setDesktop(DesktopSeam* d) { g_desktop = d; }

QString ProgramFolder()
{
    return g_programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : g_programFolder;
}
void setProgramFolder(const QString& folder) { g_programFolder = folder; }

} // namespace orderapp
