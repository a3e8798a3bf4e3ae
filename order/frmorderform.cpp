// The fill-in order forms `fax` and `mail`: entries, their check and the printout.
#include "look.h"
#include "orderinfo.h"
#include "seams.h"
#include "windows.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QVBoxLayout>
#include <exception>

namespace orderapp {

namespace {
const QChar CR(13);

QString joinCR(const QStringList& lines) { return lines.join(CR); }

QLineEdit* entry(QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setMinimumWidth(60);
    return e;
}

QLineEdit* quantityBox()
{
    auto* e = new QLineEdit;
    e->setFixedWidth(48);
    e->setAlignment(Qt::AlignCenter);
    return e;
}

QLabel* cellLabel()
{
    auto* l = new QLabel;
    l->setTextFormat(Qt::PlainText);
    return l;
}
} // namespace

OrderFormTexts faxTexts()
{
    return {QStringLiteral("FAX Order"),
            QStringLiteral("Please fill in this form. Click FAX/PRINT button. Select FAX from Printers. Enter our FAX number ")
                + Maker::FaxNumber
                + QStringLiteral(" and FAX it. Or print the form and send by FAX. Or write the  ALL info on paper and FAX it."),
            QStringLiteral("Name On CC"),
            Maker::StateCode + QStringLiteral(" residents: Appropriate sales tax will be added."),
            QStringLiteral("FAX/Print"),
            joinCR({QStringLiteral("FAX/Printer Problem. "), QStringLiteral("Possible Solutions: "),
                    QStringLiteral("1. Fix FAX And Try Again."), QStringLiteral("2. Print Form And FAX From FAX Machine"),
                    QStringLiteral("3. Order Using Phone/E-mail.")})};
}

OrderFormTexts mailTexts()
{
    return {QStringLiteral("Mail Order"),
            QStringLiteral("Please fill in this form, click PRINT button and mail it. Or write the  ALL information on "
                           "paper and mail it. Mail To: ")
                + Maker::Company + QStringLiteral(", ") + Maker::PostalAddress,
            QStringLiteral("Name on CC"),
            Maker::StateCode + QStringLiteral(" residents:Appropriate sales tax will be added."),
            QStringLiteral("Print"),
            joinCR({QStringLiteral("Printer Problem. "), QStringLiteral("Possible Solutions: "),
                    QStringLiteral("1. Fix Printer And Try Again."), QStringLiteral("2. Write All Info On Paper And Mail It."),
                    QStringLiteral("3. Order Using Phone/E-mail.")})};
}

OrderForm::OrderForm(const OrderFormTexts& texts) : m_texts(texts)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(texts.caption);
    useOrderFont(this);
    useWhiteBackground(this);
    setClientSizeTwips(this, 7590, 6315);

    m_instructions = wrappedLabel(texts.instructions, this);

    Text1 = entry(this);
    Text2 = entry(this);
    Text12[0] = entry(this);
    Text13 = entry(this);
    Text14 = entry(this);
    Text15 = entry(this);
    Text16 = entry(this);
    Text3 = entry(this);
    Text4 = entry(this);

    // The product table: quantity boxes beside the products and prices of the list.
    auto* table = new ProductGrid(this);
    Text10 = quantityBox();
    Text11 = quantityBox();
    Text12[1] = quantityBox();
    Label5 = cellLabel();
    Label6 = cellLabel();
    Label7 = cellLabel();
    Label12 = cellLabel();
    Label8 = cellLabel();
    Label11 = cellLabel();
    table->setCell(0, 0, new QLabel(QStringLiteral("Qty")), Qt::AlignCenter);
    table->setCell(0, 1, new QLabel(QStringLiteral("Program")));
    table->setCell(0, 2, new QLabel(QStringLiteral("Price")), Qt::AlignRight | Qt::AlignVCenter);
    const std::array<QLineEdit*, 3> quantities{Text10, Text11, Text12[1]};
    const std::array<QLabel*, 3> names{Label5, Label6, Label7};
    const std::array<QLabel*, 3> prices{Label12, Label8, Label11};
    for (int row = 0; row < 3; ++row) {
        table->setCell(row + 1, 0, quantities[row], Qt::AlignCenter);
        table->setCell(row + 1, 1, names[row]);
        table->setCell(row + 1, 2, prices[row], Qt::AlignRight | Qt::AlignVCenter);
    }
    table->setColumnStretch(1, 1);

    Text7 = entry(this);
    Text8 = entry(this);

    Label18 = wrappedLabel(texts.salesTaxNote, this);
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command3 = new QPushButton(texts.printButton, this);
    for (QPushButton* b : {Command2, Command3}) {
        b->setMinimumWidth(96);
        // A hidden button keeps its place, so the printed page shows the form as laid out.
        QSizePolicy sp = b->sizePolicy();
        sp.setRetainSizeWhenHidden(true);
        b->setSizePolicy(sp);
    }
    connect(Command2, &QPushButton::clicked, this, &OrderForm::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &OrderForm::Command3_Click);

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(5);
    auto label = [this](const QString& text) {
        auto* l = new QLabel(text, this);
        l->setTextFormat(Qt::PlainText);
        return l;
    };
    int r = 0;
    auto wide = [&](const QString& text, QLineEdit* e) {
        fields->addWidget(label(text), r, 0);
        fields->addWidget(e, r, 1, 1, 3);
        ++r;
    };
    auto pair = [&](const QString& t1, QLineEdit* e1, const QString& t2, QLineEdit* e2) {
        fields->addWidget(label(t1), r, 0);
        fields->addWidget(e1, r, 1);
        fields->addWidget(label(t2), r, 2);
        fields->addWidget(e2, r, 3);
        ++r;
    };
    wide(texts.nameLabel, Text1);
    wide(QStringLiteral("Street line 1"), Text2);
    wide(QStringLiteral("Street line 2"), Text12[0]);
    pair(QStringLiteral("City"), Text13, QStringLiteral("State/Prov."), Text14);
    pair(QStringLiteral("Zip Code"), Text15, QStringLiteral("Country"), Text16);
    wide(QStringLiteral("Phone Number"), Text3);
    wide(QStringLiteral("E-Mail Address"), Text4);
    fields->addWidget(table, r++, 0, 1, 4);
    wide(QStringLiteral("Credit Card Number"), Text7);
    wide(QStringLiteral("Credit Card Expiration Date"), Text8);
    fields->setColumnStretch(1, 3);
    fields->setColumnStretch(3, 2);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Label18, 1);
    bottom->addWidget(Command2);
    bottom->addWidget(Command3);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(10);
    layout->addWidget(m_instructions);
    layout->addLayout(fields);
    layout->addStretch(1);
    layout->addLayout(bottom);

    const QList<QWidget*> tabs{Text1, Text2, Text12[0], Text13, Text14, Text15, Text16, Text3, Text4,
                               Text10, Text11, Text12[1], Text7, Text8, Command3, Command2};
    for (qsizetype i = 1; i < tabs.size(); ++i)
        setTabOrder(tabs[i - 1], tabs[i]);
}

void OrderForm::Form_Load()
{
    const OrderInfo& info = Info();
    Label5->setText(info.Program1Name);
    Label6->setText(info.Program2Name);
    Label7->setText(info.Program3Name);
    Label12->setText(info.Program1Price);
    Label8->setText(info.Program2Price);
    Label11->setText(info.Program3Price);
    centreOnScreen(this);
}

int OrderForm::ValidateOrder()
{
    // The rules in their fixed order; the first that fails is the one reported.
    // A box is empty only when it holds no character at all (a blank counts).
    const QString number = Text7->text();
    const qsizetype numberLength = number.toUcs4().size();
    const QString first = number.left(1);
    const struct {
        bool fails;
        QString message;
    } rules[] = {
        {Text1->text().isEmpty(), QStringLiteral("Name is Required")},
        {Text2->text().isEmpty(), QStringLiteral("Address is Required")},
        {Text13->text().isEmpty(), QStringLiteral("City is Required")},
        {Text14->text().isEmpty(), QStringLiteral("State is Required")},
        {Text15->text().isEmpty(), QStringLiteral("Zip/Postal Code is Required")},
        {Text3->text().isEmpty(), QStringLiteral("Phone Number is Required")},
        {Text4->text().isEmpty(), QStringLiteral("E-Mail Address is Required")},
        {Text10->text().isEmpty(), QStringLiteral("Quantity is Required")},
        {number.isEmpty(), QStringLiteral("Credit Card Number is Required")},
        {Text8->text().isEmpty(), QStringLiteral("Credit Card Expiration is Required")},
        {numberLength < 12, QStringLiteral("Credit Card Number is Incorrect")},
        {first != QLatin1String("4") && first != QLatin1String("5") && first != QLatin1String("3")
             && first != QLatin1String("6"),
         joinCR({QStringLiteral("Credit Card Number is Incorrect."),
                 QStringLiteral("We accept American Express, Discover, Master Card and Visa Only")})},
    };
    for (const auto& rule : rules) {
        if (rule.fails) {
            MsgBox(rule.message, Mb::OKOnly | Mb::Exclamation, kTitle);
            return 0;
        }
    }
    return 1;
}

void OrderForm::Command2_Click() { close(); }

void OrderForm::Command3_Click()
{
    if (ValidateOrder() != 1)
        return;
    try {
        QPrinter printer(QPrinter::HighResolution);
        if (!PrinterDialogs().choosePrinter(printer, this))
            return; // Cancel in the printer dialog: nothing printed, nothing said
        Command3->hide();
        Command2->hide();
        PrintWindow(printer);
    } catch (const PrintFailure&) {
        MsgBox(m_texts.problemMessage, Mb::OKOnly | Mb::NoIcon, kTitle);
    } catch (const std::exception&) {
        MsgBox(m_texts.problemMessage, Mb::OKOnly | Mb::NoIcon, kTitle);
    }
    Command3->show();
    Command2->show();
}

void OrderForm::PrintWindow(QPrinter& printer)
{
    // The window paints itself into a recording first: drawn straight onto a printer, Qt
    // would print it as one bitmap, while the recording keeps its text as text.
    QPicture image;
    {
        QPainter recorder(&image);
        render(&recorder, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    QPainter painter;
    if (!painter.begin(&printer))
        throw PrintFailure{QStringLiteral("The printer could not be opened.")};
    // The window's image, scaled to fit the page and centred across it.
    const QRect page = painter.viewport();
    const double scale = std::min(page.width() / double(width()), page.height() / double(height()));
    if (scale <= 0) {
        painter.end();
        throw PrintFailure{QStringLiteral("The page has no printable area.")};
    }
    painter.translate((page.width() - width() * scale) / 2.0, 0);
    // Playing a recording already scales it from its own resolution to the printer's.
    painter.scale(scale * image.logicalDpiX() / printer.logicalDpiX(), scale * image.logicalDpiY() / printer.logicalDpiY());
    painter.drawPicture(0, 0, image);
    const bool ended = painter.end();
    if (!ended || printer.printerState() == QPrinter::Error)
        throw PrintFailure{QStringLiteral("The page could not be printed.")};
}

fax::fax() : OrderForm(faxTexts()), Label1(m_instructions) {}
fax::~fax() { forget(this); }
void fax::closeEvent(QCloseEvent* e)
{
    forget(this);
    e->accept();
}

mail::mail() : OrderForm(mailTexts()), Label19(m_instructions) {}
mail::~mail() { forget(this); }
void mail::closeEvent(QCloseEvent* e)
{
    forget(this);
    e->accept();
}

} // namespace orderapp
