#include "doubles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QProcess>

using namespace orderapp;
using ordertest::OrderFixture;
using ordertest::ScriptedPrinterDialog;

namespace {

void fillOrder(OrderForm& f)
{
    f.Text1->setText(QStringLiteral("Jane Q. Customer"));
    f.Text2->setText(QStringLiteral("12 Elm Street"));
    f.Text12[0]->setText(QStringLiteral("Apartment 3B"));
    f.Text13->setText(QStringLiteral("Springfield"));
    f.Text14->setText(QStringLiteral("IL"));
    f.Text15->setText(QStringLiteral("62701"));
    f.Text16->setText(QStringLiteral("Freedonia"));
    f.Text3->setText(QStringLiteral("555-0100"));
    f.Text4->setText(QStringLiteral("jane@mail.example"));
    f.Text10->setText(QStringLiteral("2"));
    f.Text12[1]->setText(QStringLiteral("7"));
    f.Text7->setText(QStringLiteral("4111222233334444"));
    f.Text8->setText(QStringLiteral("12/29"));
}

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// pdftotext breaks lines where the layout does; compare with all white space removed.
QString squeeze(QString s)
{
    // Ligatures such as "fi" come back as one character; compare their letters.
    return s.normalized(QString::NormalizationForm_KC).remove(QRegularExpression(QStringLiteral("\\s+")));
}

} // namespace

using PrintOrder = OrderFixture;

TEST_F(PrintOrder, FilledFormPrintsOnOnePageWithoutButtons)
{
    writeIni("[ProgramInfo]\nProgram1Name=Quillory Standard\nProgram1Price=$29.95\n"
             "Program3Name=Quillory Upgrade\nProgram3Price=$14.95\n");
    order::showWindow();
    for (bool useFax : {true, false}) {
        SCOPED_TRACE(useFax ? "fax" : "mail");
        OrderForm& f = useFax ? static_cast<OrderForm&>(fax::showWindow()) : static_cast<OrderForm&>(mail::showWindow());
        fillOrder(f);
        printerDialog.answer = ScriptedPrinterDialog::Choose;
        printerDialog.pdfPath = tmp.filePath(useFax ? QStringLiteral("fax.pdf") : QStringLiteral("mail.pdf"));
        f.Command3->click();
        EXPECT_TRUE(messages.shown.empty());
        ASSERT_TRUE(QFile::exists(printerDialog.pdfPath));
        EXPECT_TRUE(f.Command3->isVisible());
        EXPECT_TRUE(f.Command2->isVisible());
        // The entries stay, ready to print again.
        EXPECT_EQ(f.Text7->text(), QStringLiteral("4111222233334444"));

        // Kept in the build tree for a look.
        QDir().mkpath(QStringLiteral(ORDER_SHOT_DIR));
        const QString kept = QStringLiteral(ORDER_SHOT_DIR "/%1").arg(QFileInfo(printerDialog.pdfPath).fileName());
        QFile::remove(kept);
        QFile::copy(printerDialog.pdfPath, kept);

        const QString info = run(QStringLiteral("pdfinfo"), {printerDialog.pdfPath});
        EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n")))) << info.toStdString();
        const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), printerDialog.pdfPath, QStringLiteral("-")});
        const QString flat = squeeze(text);
        for (const char* s : {"Jane Q. Customer", "12 Elm Street", "Apartment 3B", "Springfield", "62701", "Freedonia",
                              "555-0100", "jane@mail.example", "4111222233334444", "12/29", "Quillory Standard",
                              "$29.95", "Quillory Upgrade", "$14.95", "Street line 1", "E-Mail Address"})
            EXPECT_TRUE(flat.contains(squeeze(QString::fromUtf8(s)))) << s << "\n" << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("Cancel"))) << text.toStdString();
        EXPECT_FALSE(text.contains(f.Command3->text())) << text.toStdString();
    }
}

TEST_F(PrintOrder, CancelInThePrinterDialogIsSilent)
{
    fax& f = fax::showWindow();
    fillOrder(f);
    printerDialog.answer = ScriptedPrinterDialog::Cancel;
    f.Command3->click();
    EXPECT_EQ(printerDialog.calls, 1);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(f.Command3->isVisible());
    EXPECT_TRUE(f.Command2->isVisible());
    EXPECT_TRUE(QDir(tmp.path()).entryList({QStringLiteral("*.pdf")}).isEmpty());
}

TEST_F(PrintOrder, FailuresGiveTheWindowsProblemMessage)
{
    const QString faxProblem = QStringLiteral("FAX/Printer Problem. \rPossible Solutions: \r1. Fix FAX And Try Again.\r"
                                              "2. Print Form And FAX From FAX Machine\r3. Order Using Phone/E-mail.");
    const QString mailProblem = QStringLiteral("Printer Problem. \rPossible Solutions: \r1. Fix Printer And Try Again.\r"
                                               "2. Write All Info On Paper And Mail It.\r3. Order Using Phone/E-mail.");
    for (bool useFax : {true, false}) {
        // A dialog that fails, and a printer that cannot be opened.
        for (auto answer : {ScriptedPrinterDialog::Fail, ScriptedPrinterDialog::Choose}) {
            SCOPED_TRACE(std::string(useFax ? "fax" : "mail") + (answer == ScriptedPrinterDialog::Fail ? " dialog" : " printer"));
            OrderForm& f = useFax ? static_cast<OrderForm&>(fax::showWindow()) : static_cast<OrderForm&>(mail::showWindow());
            fillOrder(f);
            messages.shown.clear();
            printerDialog.answer = answer;
            printerDialog.pdfPath = tmp.filePath(QStringLiteral("no-such-folder/order.pdf"));
            f.Command3->click();
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].text, useFax ? faxProblem : mailProblem);
            EXPECT_EQ(messages.shown[0].style, Mb::OKOnly | Mb::NoIcon);
            EXPECT_EQ(messages.shown[0].title, QStringLiteral("Order"));
            EXPECT_TRUE(f.Command3->isVisible());
            EXPECT_TRUE(f.Command2->isVisible());
            EXPECT_EQ(f.Text1->text(), QStringLiteral("Jane Q. Customer"));
        }
    }
}
