// The start window "Order Now": reads the product list and offers the three ways of ordering.
#include "look.h"
#include "orderinfo.h"
#include "windows.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace orderapp {

order::order()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Order Now"));
    useOrderFont(this);
    setClientSizeTwips(this, 7575, 4275);

    Image1 = new QLabel(this);
    Image1->setPixmap(bannerPixmap());
    Image1->setFixedSize(200, 31);

    Label2 = wrappedLabel(QStringLiteral("You can order with your Credit Card from ") + Maker::Company
                              + QStringLiteral(" using one of the following ways: "),
                          this);

    Frame1 = new QGroupBox(QStringLiteral("Click to select an option and then click the Next button"), this);
    Option4 = new QRadioButton(QStringLiteral("Order Online (using a Secure Server)"), Frame1);
    Option3 = new QRadioButton(QStringLiteral("FAX"), Frame1);
    Option6 = new QRadioButton(QStringLiteral("Regular Mail"), Frame1);
    auto* group = new QButtonGroup(this);
    for (QRadioButton* b : {Option4, Option3, Option6})
        group->addButton(b);
    Option4->setChecked(true);
    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->setContentsMargins(24, 8, 12, 8);
    frameLayout->addWidget(Option4);
    frameLayout->addWidget(Option3);
    frameLayout->addWidget(Option6);

    Label4 = wrappedLabel(QString(), this);

    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnNext = new QPushButton(QStringLiteral("Next >"), this);
    for (QPushButton* b : {btnCancel, btnNext})
        b->setMinimumWidth(96);
    connect(btnNext, &QPushButton::clicked, this, &order::btnNext_Click);
    connect(btnCancel, &QPushButton::clicked, this, &order::btnCancel_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnCancel);
    buttons->addStretch(1);
    buttons->addWidget(btnNext);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(10);
    layout->addWidget(Image1, 0, Qt::AlignHCenter);
    layout->addWidget(Label2);
    layout->addWidget(Frame1);
    layout->addWidget(Label4);
    layout->addStretch(1);
    layout->addLayout(buttons);

    setTabOrder(Option4, Option3);
    setTabOrder(Option3, Option6);
    setTabOrder(Option6, btnNext);
    setTabOrder(btnNext, btnCancel);
    btnNext->setDefault(true);
    dialogKeys(this, btnNext, btnCancel);
}

order::~order() { forget(this); }

void order::Form_Load()
{
    // The product list is read once, here, and held for the program's life.
    Label4->setText(ReadOrderIni(OrderIniPath(), Info()));
    centreOnScreen(this);
}

void order::btnNext_Click()
{
    if (Option3->isChecked())
        fax::showWindow();
    else if (Option4->isChecked())
        web::showWindow();
    else if (Option6->isChecked())
        mail::showWindow();
}

void order::btnCancel_Click() { close(); }

void order::closeEvent(QCloseEvent* e)
{
    forget(this);
    e->accept();
}

} // namespace orderapp
