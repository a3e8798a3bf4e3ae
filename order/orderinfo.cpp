#include "orderinfo.h"

#include "profile.h"
#include "seams.h"

namespace orderapp {

OrderInfo& Info()
{
    static OrderInfo info;
    return info;
}

QString OrderIniPath() { return ProgramFolder() + QStringLiteral("/order.ini"); }

QString ReadOrderIni(const QString& path, OrderInfo& info)
{
    const QString author = QStringLiteral("AuthorInfo");
    const QString program = QStringLiteral("ProgramInfo");
    const QString none;
    auto get = [&](const QString& section, const char* key, const QString& def, int buffer) {
        return GetPrivateProfileString(section, QString::fromLatin1(key), def, buffer, path);
    };
    info.AuthorName = get(author, "AuthorName", QStringLiteral("Author"), 50);
    info.AuthorEmail = get(author, "AuthorEmail", QStringLiteral("Author"), 50);
    info.AuthorPhone = get(author, "AuthorPhone", none, 50);
    info.Program1ID = get(program, "Program1ID", none, 50);
    info.Program1Name = get(program, "Program1Name", none, 50);
    info.Program1Price = get(program, "Program1Price", none, 50);
    info.Program2ID = get(program, "Program2ID", none, 50);
    info.Program2Name = get(program, "Program2Name", none, 50);
    info.Program2Price = get(program, "Program2Price", none, 50);
    info.Program3ID = get(program, "Program3ID", none, 50);
    info.Program3Name = get(program, "Program3Name", none, 50);
    info.Program3Price = get(program, "Program3Price", none, 50);
    return get(author, "Comments", none, 200);
}

} // namespace orderapp
