#pragma once
// The product list and author data read once from "order.ini", and the maker's details.
#include <QString>

namespace orderapp {

// The values held for the program's whole life, named by their keys in "order.ini".
struct OrderInfo {
    QString AuthorName = QStringLiteral("Author");
    QString AuthorEmail = QStringLiteral("Author");
    QString AuthorPhone;
    QString Program1ID, Program1Name, Program1Price;
    QString Program2ID, Program2Name, Program2Price;
    QString Program3ID, Program3Name, Program3Price;
};

// The program-wide held values.
OrderInfo& Info();

// Reads the thirteen keys of the file in their fixed order: the twelve held values go to
// info, and the comment line is returned.
QString ReadOrderIni(const QString& path, OrderInfo& info);

// "order.ini" in the program's own folder.
QString OrderIniPath();

// The maker's details shown in the order windows.
namespace Maker {
inline const QString Company = QStringLiteral("Quillory Software");
inline const QString PostalAddress = QStringLiteral("42 Lantern Row, Suite 7, Brookfield, OR 97000, USA");
inline const QString StateCode = QStringLiteral("OR");
inline const QString FaxNumber = QStringLiteral("+1 555 0142 2290");
inline const QString WebSite = QStringLiteral("www.quillory.example");
inline const QString OrderPage = QStringLiteral("https://www.quillory.example/order.html");
} // namespace Maker

} // namespace orderapp
