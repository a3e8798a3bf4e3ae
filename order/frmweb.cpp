// The online order window: lists the products and opens the maker's order page.
#include "look.h"
#include "orderinfo.h"
#include "seams.h"
#include "windows.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace orderapp {

web::web()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Online Credit Card Orders Using Secure Server"));
    useOrderFont(this);
    useWhiteBackground(this);
    setClientSizeTwips(this, 7530, 4440);

    auto* table = new ProductGrid(this);
    Label4 = new QLabel(QStringLiteral("Program"));
    Label5 = new QLabel(QStringLiteral("Price"));
    Label2 = new QLabel;
    Label9 = new QLabel;
    Label6 = new QLabel;
    Label10 = new QLabel;
    Label7 = new QLabel;
    Label11 = new QLabel;
    table->setCell(0, 0, Label4);
    table->setCell(0, 1, Label5, Qt::AlignRight | Qt::AlignVCenter);
    const std::array<QLabel*, 3> names{Label2, Label6, Label7};
    const std::array<QLabel*, 3> prices{Label9, Label10, Label11};
    for (int row = 0; row < 3; ++row) {
        names[row]->setTextFormat(Qt::PlainText);
        prices[row]->setTextFormat(Qt::PlainText);
        table->setCell(row + 1, 0, names[row]);
        table->setCell(row + 1, 1, prices[row], Qt::AlignRight | Qt::AlignVCenter);
    }
    table->setColumnStretch(0, 4);
    table->setColumnStretch(1, 1);

    Label1 = wrappedLabel(QStringLiteral("Click the hyperlink below to order online using our secure server."), this);
    Label8 = wrappedLabel(QStringLiteral("Please make sure you are online (signed on) before clicking the link below. "
                                         "Or visit our web site at ")
                              + Maker::WebSite + QStringLiteral(" when you are online."),
                          this);
    Label12 = new LinkLabel(Maker::WebSite, this);
    Label13 = new QLabel(QStringLiteral("Thank you!"), this);
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command2->setMinimumWidth(96);
    connect(Label12, &LinkLabel::clicked, this, &web::Label12_Click);
    connect(Command2, &QPushButton::clicked, this, &web::Command2_Click);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 12);
    layout->setSpacing(10);
    layout->addWidget(table);
    layout->addWidget(Label1);
    layout->addWidget(Label8);
    layout->addWidget(Label12, 0, Qt::AlignHCenter);
    layout->addWidget(Label13, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    layout->addWidget(Command2, 0, Qt::AlignHCenter);
    setTabOrder(Label12, Command2);
    dialogKeys(this, nullptr, Command2);
}

web::~web() { forget(this); }

void web::Form_Load()
{
    const OrderInfo& info = Info();
    Label2->setText(info.Program1Name);
    Label6->setText(info.Program2Name);
    Label7->setText(info.Program3Name);
    Label9->setText(info.Program1Price);
    Label10->setText(info.Program2Price);
    Label11->setText(info.Program3Price);
    centreOnScreen(this);
}

void web::Label12_Click()
{
    // The shell's answer is not looked at: a missing browser goes unnoticed, as designed.
    (void)Desktop().openUrl(QUrl(Maker::OrderPage));
}

void web::Command2_Click() { close(); }

void web::closeEvent(QCloseEvent* e)
{
    forget(this);
    e->accept();
}

} // namespace orderapp
