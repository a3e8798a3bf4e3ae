#pragma once
// Test doubles for the order program's seams and a fixture that installs them over a
// temporary program folder.
#include "orderinfo.h"
#include "seams.h"
#include "windows.h"

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace ordertest {

struct Shown {
    QString text;
    int style;
    QString title;
};

class RecordingMessages : public orderapp::MessageSeam {
public:
    std::vector<Shown> shown;
    int message(const QString& text, int style, const QString& title) override
    {
        shown.push_back({text, style, title});
        return orderapp::Mb::OK;
    }
};

// Answers the printer dialog as scripted: Cancel, a failure, or a chosen printer set up
// by the test (a PDF file standing in for the printer the user picks).
class ScriptedPrinterDialog : public orderapp::PrinterDialogSeam {
public:
    enum Answer { Cancel, Fail, Choose };
    Answer answer = Cancel;
    QString pdfPath;
    int calls = 0;
    bool choosePrinter(QPrinter& printer, QWidget*) override
    {
        ++calls;
        if (answer == Cancel)
            return false;
        if (answer == Fail)
            throw orderapp::PrintFailure{QStringLiteral("no printer")};
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        return true;
    }
};

class RecordingDesktop : public orderapp::DesktopSeam {
public:
    std::vector<QUrl> opened;
    bool openUrl(const QUrl& url) override
    {
        opened.push_back(url);
        return false; // no browser: the program must not mind
    }
};

class OrderFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        orderapp::setProgramFolder(tmp.path());
        orderapp::setMessages(&messages);
        orderapp::setPrinterDialogs(&printerDialog);
        orderapp::setDesktop(&desktop);
        orderapp::Info() = orderapp::OrderInfo();
    }
    void TearDown() override
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
        settle();
        orderapp::setProgramFolder({});
        orderapp::setMessages(nullptr);
        orderapp::setPrinterDialogs(nullptr);
        orderapp::setDesktop(nullptr);
    }
    // Lets closed windows be deleted.
    static void settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    void writeIni(const QByteArray& text)
    {
        QFile f(tmp.filePath(QStringLiteral("order.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QString iniPath() const { return tmp.filePath(QStringLiteral("order.ini")); }

    QTemporaryDir tmp;
    RecordingMessages messages;
    ScriptedPrinterDialog printerDialog;
    RecordingDesktop desktop;
};

} // namespace ordertest
