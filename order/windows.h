#pragma once
// The order program's four windows: the start window `order`, the web order window `web`
// and the two fill-in order forms `fax` and `mail`.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <array>

class QGroupBox;
class QPrinter;

namespace orderapp {

class LinkLabel;

// Each window is a single instance: created and loaded on its first show, forgotten when
// it closes (a closed window loses its entries; the next show loads it afresh).
template <class T> class SingleWindow {
public:
    // The open instance, or nullptr.
    static T* loaded() { return s_instance; }
    // Shows the window modeless, loading it first when needed; an open window is only
    // brought forward, with its entries untouched.
    static T& showWindow();

protected:
    static void forget(T* w)
    {
        if (s_instance == w)
            s_instance = nullptr;
    }

private:
    inline static T* s_instance = nullptr;
};

// The start window "Order Now".
class order : public QWidget, public SingleWindow<order> {
    Q_OBJECT
public:
    order();
    ~order() override;
    void Form_Load();

    QLabel* Image1;
    QLabel* Label2;
    QGroupBox* Frame1;
    QRadioButton* Option4; // Order Online
    QRadioButton* Option3; // FAX
    QRadioButton* Option6; // Regular Mail
    QLabel* Label4;        // the comment line
    QPushButton* btnCancel;
    QPushButton* btnNext;

    void btnNext_Click();
    void btnCancel_Click();

protected:
    void closeEvent(QCloseEvent* e) override;
};

// The online order window: the products and a link to the maker's order page.
class web : public QWidget, public SingleWindow<web> {
    Q_OBJECT
public:
    web();
    ~web() override;
    void Form_Load();

    QLabel* Label4; // "Program"
    QLabel* Label5; // "Price"
    QLabel* Label2;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label9;
    QLabel* Label10;
    QLabel* Label11;
    QLabel* Label1;
    QLabel* Label8;
    LinkLabel* Label12;
    QLabel* Label13;
    QPushButton* Command2;

    void Label12_Click();
    void Command2_Click();

protected:
    void closeEvent(QCloseEvent* e) override;
};

// The texts in which the fax and mail forms differ.
struct OrderFormTexts {
    QString caption;
    QString instructions;
    QString nameLabel;
    QString salesTaxNote;
    QString printButton;
    QString problemMessage;
};

// The fill-in order form shared by `fax` and `mail`: customer fields, the product table
// with quantities, card fields, the check and the printout.
class OrderForm : public QWidget {
    Q_OBJECT
public:
    explicit OrderForm(const OrderFormTexts& texts);
    void Form_Load();

    // Customer fields.
    QLineEdit* Text1;  // name on the card
    QLineEdit* Text2;  // street line 1
    std::array<QLineEdit*, 2> Text12; // [0] street line 2, [1] quantity of row 3
    QLineEdit* Text13; // city
    QLineEdit* Text14; // state or province
    QLineEdit* Text15; // zip code
    QLineEdit* Text16; // country
    QLineEdit* Text3;  // phone number
    QLineEdit* Text4;  // e-mail address
    // Product table.
    QLineEdit* Text10; // quantity of row 1
    QLineEdit* Text11; // quantity of row 2
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label12;
    QLabel* Label8;
    QLabel* Label11;
    // Payment fields.
    QLineEdit* Text7; // card number
    QLineEdit* Text8; // card expiry date
    QLabel* Label18;  // sales-tax note
    QPushButton* Command2; // Cancel
    QPushButton* Command3; // FAX/Print or Print

    // Checks the entries; shows the message of the first failing rule.
    // Returns 1 when every rule passes, else 0.
    int ValidateOrder();
    void Command2_Click();
    void Command3_Click();

    const OrderFormTexts& texts() const { return m_texts; }

protected:
    QLabel* m_instructions;

private:
    // Prints the window's image as one page; throws PrintFailure.
    void PrintWindow(QPrinter& printer);
    OrderFormTexts m_texts;
};

class fax : public OrderForm, public SingleWindow<fax> {
    Q_OBJECT
public:
    fax();
    ~fax() override;
    QLabel* Label1; // instructions

protected:
    void closeEvent(QCloseEvent* e) override;
};

class mail : public OrderForm, public SingleWindow<mail> {
    Q_OBJECT
public:
    mail();
    ~mail() override;
    QLabel* Label19; // instructions

protected:
    void closeEvent(QCloseEvent* e) override;
};

template <class T> T& SingleWindow<T>::showWindow()
{
    if (!s_instance) {
        s_instance = new T();
        s_instance->Form_Load();
    }
    T* w = s_instance;
    if (w->isMinimized())
        w->showNormal();
    else
        w->show();
    w->raise();
    w->activateWindow();
    return *w;
}

// The texts of the two fill-in forms.
OrderFormTexts faxTexts();
OrderFormTexts mailTexts();

} // namespace orderapp
