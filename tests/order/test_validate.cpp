#include "doubles.h"

using namespace orderapp;
using ordertest::OrderFixture;

namespace {

// A complete, valid order typed into a form.
void fillValid(OrderForm& f)
{
    f.Text1->setText(QStringLiteral("Jane Q. Customer"));
    f.Text2->setText(QStringLiteral("12 Elm Street"));
    f.Text13->setText(QStringLiteral("Springfield"));
    f.Text14->setText(QStringLiteral("IL"));
    f.Text15->setText(QStringLiteral("62701"));
    f.Text3->setText(QStringLiteral("555-0100"));
    f.Text4->setText(QStringLiteral("jane@mail.example"));
    f.Text10->setText(QStringLiteral("1"));
    f.Text7->setText(QStringLiteral("4111111111111111"));
    f.Text8->setText(QStringLiteral("12/29"));
}

const QString kBadCardType = QStringLiteral("Credit Card Number is Incorrect.\r"
                                            "We accept American Express, Discover, Master Card and Visa Only");

struct Case {
    const char* name;
    std::function<void(OrderForm&)> change; // applied to a valid order
    QString message;                        // empty: the order passes
};

} // namespace

using ValidateOrder = OrderFixture;

TEST_F(ValidateOrder, RulesApplyInTheirOrder)
{
    // Each case breaks the rule it names and every later rule too, so the first
    // failing rule must win.
    auto clear = [](std::initializer_list<QLineEdit* OrderForm::*> list) {
        return [boxes = std::vector<QLineEdit* OrderForm::*>(list)](OrderForm& f) {
            for (auto box : boxes)
                (f.*box)->clear();
            f.Text7->setText(f.Text7->text().isEmpty() ? QString() : QStringLiteral("7"));
        };
    };
    const std::vector<Case> cases = {
        {"name", clear({&OrderForm::Text1, &OrderForm::Text2, &OrderForm::Text13, &OrderForm::Text14,
                        &OrderForm::Text15, &OrderForm::Text3, &OrderForm::Text4, &OrderForm::Text10,
                        &OrderForm::Text8}),
         QStringLiteral("Name is Required")},
        {"address", clear({&OrderForm::Text2, &OrderForm::Text13, &OrderForm::Text8}), QStringLiteral("Address is Required")},
        {"city", clear({&OrderForm::Text13, &OrderForm::Text14}), QStringLiteral("City is Required")},
        {"state", clear({&OrderForm::Text14, &OrderForm::Text15}), QStringLiteral("State is Required")},
        {"zip", clear({&OrderForm::Text15, &OrderForm::Text3}), QStringLiteral("Zip/Postal Code is Required")},
        {"phone", clear({&OrderForm::Text3, &OrderForm::Text4}), QStringLiteral("Phone Number is Required")},
        {"email", clear({&OrderForm::Text4, &OrderForm::Text10}), QStringLiteral("E-Mail Address is Required")},
        {"quantity", clear({&OrderForm::Text10, &OrderForm::Text7}), QStringLiteral("Quantity is Required")},
        {"card number", clear({&OrderForm::Text7, &OrderForm::Text8}), QStringLiteral("Credit Card Number is Required")},
        {"expiry before length", [](OrderForm& f) { f.Text8->clear(); f.Text7->setText(QStringLiteral("41111111111")); },
         QStringLiteral("Credit Card Expiration is Required")},
        {"eleven characters", [](OrderForm& f) { f.Text7->setText(QStringLiteral("41111111111")); },
         QStringLiteral("Credit Card Number is Incorrect")},
        {"short and wrong type", [](OrderForm& f) { f.Text7->setText(QStringLiteral("7")); },
         QStringLiteral("Credit Card Number is Incorrect")},
        {"starts with 7", [](OrderForm& f) { f.Text7->setText(QStringLiteral("711111111111")); }, kBadCardType},
        {"starts with a letter", [](OrderForm& f) { f.Text7->setText(QStringLiteral("x411111111111")); }, kBadCardType},
        {"starts with a blank", [](OrderForm& f) { f.Text7->setText(QStringLiteral(" 411111111111")); }, kBadCardType},
        {"valid", [](OrderForm&) {}, {}},
        {"4 and eleven letters", [](OrderForm& f) { f.Text7->setText(QStringLiteral("4abcdefghijk")); }, {}},
        {"each accepted first digit", [](OrderForm& f) { f.Text7->setText(QStringLiteral("3 5 6 blanks")); }, {}},
        {"blanks count as entries", [](OrderForm& f) {
             for (QLineEdit* e : {f.Text1, f.Text2, f.Text13, f.Text14, f.Text15, f.Text3, f.Text4, f.Text10, f.Text8})
                 e->setText(QStringLiteral(" "));
         }, {}},
        {"rows 2 and 3 and street line 2 are free", [](OrderForm& f) {
             f.Text11->setText(QStringLiteral("lots"));
             f.Text12[0]->clear();
             f.Text12[1]->setText(QStringLiteral("-1"));
         }, {}},
    };
    for (bool useFax : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (useFax ? " (fax)" : " (mail)"));
            OrderForm& f = useFax ? static_cast<OrderForm&>(fax::showWindow()) : static_cast<OrderForm&>(mail::showWindow());
            fillValid(f);
            c.change(f);
            messages.shown.clear();
            const int result = f.ValidateOrder();
            if (c.message.isEmpty()) {
                EXPECT_EQ(result, 1);
                EXPECT_TRUE(messages.shown.empty());
            } else {
                EXPECT_EQ(result, 0);
                ASSERT_EQ(messages.shown.size(), 1u);
                EXPECT_EQ(messages.shown[0].text, c.message);
                EXPECT_EQ(messages.shown[0].style, Mb::Exclamation);
                EXPECT_EQ(messages.shown[0].title, QStringLiteral("Order"));
            }
        }
    }
}

TEST_F(ValidateOrder, UntouchedWindowSaysNameAndPrintsNothing)
{
    fax& f = fax::showWindow();
    f.Command3->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Name is Required"));
    EXPECT_EQ(printerDialog.calls, 0);
    EXPECT_TRUE(f.Command3->isVisible());
    EXPECT_TRUE(f.Command2->isVisible());
}

TEST_F(ValidateOrder, QuantityIsRequiredEvenWithoutAProductInRowOne)
{
    mail& m = mail::showWindow();
    fillValid(m);
    m.Text10->clear();
    m.Text11->setText(QStringLiteral("2"));
    m.Text12[1]->setText(QStringLiteral("3"));
    ASSERT_TRUE(m.Label5->text().isEmpty());
    EXPECT_EQ(m.ValidateOrder(), 0);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Quantity is Required"));
}
