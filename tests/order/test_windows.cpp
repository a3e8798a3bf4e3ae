#include "doubles.h"

#include <QDir>
#include <QTest>

using namespace orderapp;
using ordertest::OrderFixture;

using OrderWindows = OrderFixture;

TEST_F(OrderWindows, StartWindowOpensTheChosenWay)
{
    order& start = order::showWindow();
    EXPECT_EQ(start.windowTitle(), QStringLiteral("Order Now"));
    EXPECT_TRUE(start.Option4->isChecked());

    // Untouched options: the web window.
    start.btnNext->click();
    ASSERT_NE(web::loaded(), nullptr);
    EXPECT_TRUE(web::loaded()->isVisible());
    EXPECT_EQ(fax::loaded(), nullptr);
    EXPECT_EQ(mail::loaded(), nullptr);

    // FAX twice: one fax window, its entries untouched.
    start.Option3->setChecked(true);
    start.btnNext->click();
    fax* f = fax::loaded();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("FAX Order"));
    f->Text1->setText(QStringLiteral("typed"));
    start.btnNext->click();
    EXPECT_EQ(fax::loaded(), f);
    EXPECT_EQ(f->Text1->text(), QStringLiteral("typed"));

    // Then mail: both order windows stay open.
    start.Option6->setChecked(true);
    start.btnNext->click();
    ASSERT_NE(mail::loaded(), nullptr);
    EXPECT_EQ(mail::loaded()->windowTitle(), QStringLiteral("Mail Order"));
    EXPECT_TRUE(f->isVisible());
    EXPECT_TRUE(start.Option6->isChecked());
    EXPECT_FALSE(start.Option3->isChecked());

    // Cancel on the start window closes only the start window.
    start.btnCancel->click();
    settle();
    EXPECT_EQ(order::loaded(), nullptr);
    ASSERT_NE(mail::loaded(), nullptr);
    EXPECT_TRUE(mail::loaded()->isVisible());
    EXPECT_TRUE(fax::loaded()->isVisible());
}

TEST_F(OrderWindows, CancelDiscardsEntriesAndTheNextShowLoadsAfresh)
{
    writeIni("[ProgramInfo]\nProgram2Name=Deluxe\nProgram2Price=$44.95\n");
    order::showWindow();
    fax& f = fax::showWindow();
    EXPECT_EQ(f.Label6->text(), QStringLiteral("Deluxe"));
    f.Text7->setText(QStringLiteral("4111"));
    f.Command2->click();
    settle();
    EXPECT_EQ(fax::loaded(), nullptr);
    // The list is held, not read again: a changed file does not matter now.
    writeIni("[ProgramInfo]\nProgram2Name=Changed\n");
    fax& again = fax::showWindow();
    EXPECT_TRUE(again.Text7->text().isEmpty());
    EXPECT_EQ(again.Label6->text(), QStringLiteral("Deluxe"));
    EXPECT_EQ(again.Label8->text(), QStringLiteral("$44.95"));
}

TEST_F(OrderWindows, FormTextsDifferAsDesigned)
{
    fax& f = fax::showWindow();
    mail& m = mail::showWindow();
    EXPECT_TRUE(f.Label1->text().startsWith(QStringLiteral(
        "Please fill in this form. Click FAX/PRINT button. Select FAX from Printers. Enter our FAX number ")));
    EXPECT_TRUE(f.Label1->text().endsWith(
        QStringLiteral(" and FAX it. Or print the form and send by FAX. Or write the  ALL info on paper and FAX it.")));
    EXPECT_TRUE(m.Label19->text().startsWith(QStringLiteral(
        "Please fill in this form, click PRINT button and mail it. Or write the  ALL information on paper and mail it. "
        "Mail To: ")));
    EXPECT_TRUE(f.Label18->text().endsWith(QStringLiteral(" residents: Appropriate sales tax will be added.")));
    EXPECT_TRUE(m.Label18->text().endsWith(QStringLiteral(" residents:Appropriate sales tax will be added.")));
    EXPECT_EQ(f.Command3->text(), QStringLiteral("FAX/Print"));
    EXPECT_EQ(m.Command3->text(), QStringLiteral("Print"));
    EXPECT_EQ(f.Command2->text(), QStringLiteral("Cancel"));

    // Tab order: customer fields, quantities, card fields, then Print before Cancel.
    const QList<QWidget*> tabs{f.Text1, f.Text2, f.Text12[0], f.Text13, f.Text14, f.Text15, f.Text16, f.Text3,
                               f.Text4, f.Text10, f.Text11, f.Text12[1], f.Text7, f.Text8, f.Command3, f.Command2};
    auto nextTabStop = [](QWidget* w) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    for (qsizetype i = 1; i < tabs.size(); ++i)
        EXPECT_EQ(nextTabStop(tabs[i - 1]), tabs[i]) << i;
}

TEST_F(OrderWindows, LinkOpensTheOrderPageEveryClick)
{
    web& w = web::showWindow();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Online Credit Card Orders Using Secure Server"));
    w.Label12_Click();
    w.Label12_Click();
    ASSERT_EQ(desktop.opened.size(), 2u);
    EXPECT_EQ(desktop.opened[0], QUrl(Maker::OrderPage));
    EXPECT_EQ(desktop.opened[1], QUrl(Maker::OrderPage));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(w.isVisible());
    w.Command2->click();
    settle();
    EXPECT_EQ(web::loaded(), nullptr);
}

TEST_F(OrderWindows, EnterGoesOnAndEscapeCancels)
{
    auto press = [](QWidget* w, Qt::Key key) {
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, key);
    };
    // Enter on the start window is Next, whatever option has the focus.
    order& start = order::showWindow();
    start.Option3->setChecked(true);
    start.Option3->setFocus();
    press(&start, Qt::Key_Return);
    ASSERT_NE(fax::loaded(), nullptr);
    EXPECT_TRUE(fax::loaded()->isVisible());

    // Escape closes the web window.
    start.Option4->setChecked(true);
    start.btnNext->click();
    ASSERT_NE(web::loaded(), nullptr);
    press(web::loaded(), Qt::Key_Escape);
    settle();
    EXPECT_EQ(web::loaded(), nullptr);
    // Enter on a focused Cancel button presses Cancel, not Next.
    start.btnCancel->setFocus();
    press(&start, Qt::Key_Return);
    settle();
    EXPECT_EQ(order::loaded(), nullptr);
    EXPECT_EQ(web::loaded(), nullptr);
    ASSERT_NE(fax::loaded(), nullptr);
}

TEST_F(OrderWindows, Screenshots)
{
    // Writes the windows as they look into the build tree.
    QFile::copy(QStringLiteral(QUILLORY_PROGRAM_DIR "/order.ini"), iniPath());
    const QString dir = QStringLiteral(ORDER_SHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(dir));
    order& start = order::showWindow();
    fax& f = fax::showWindow();
    f.Text1->setText(QStringLiteral("Jane Q. Customer"));
    f.Text2->setText(QStringLiteral("12 Elm Street"));
    f.Text13->setText(QStringLiteral("Springfield"));
    f.Text14->setText(QStringLiteral("IL"));
    f.Text15->setText(QStringLiteral("62701"));
    f.Text16->setText(QStringLiteral("USA"));
    f.Text3->setText(QStringLiteral("555-0100"));
    f.Text4->setText(QStringLiteral("jane@mail.example"));
    f.Text10->setText(QStringLiteral("1"));
    f.Text7->setText(QStringLiteral("4111 2222 3333 4444"));
    f.Text8->setText(QStringLiteral("12/29"));
    mail& m = mail::showWindow();
    web& w = web::showWindow();
    QCoreApplication::processEvents();
    EXPECT_TRUE(start.grab().save(dir + QStringLiteral("/order_start.png")));
    EXPECT_TRUE(f.grab().save(dir + QStringLiteral("/order_fax.png")));
    EXPECT_TRUE(m.grab().save(dir + QStringLiteral("/order_mail.png")));
    EXPECT_TRUE(w.grab().save(dir + QStringLiteral("/order_web.png")));
}
