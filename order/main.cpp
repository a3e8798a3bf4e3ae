// The order program: shows the start window "Order Now" and ends when its last window closes.
#include "windows.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("order"));
    orderapp::order::showWindow();
    return app.exec();
}
