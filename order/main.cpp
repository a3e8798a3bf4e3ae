#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel w(QStringLiteral("Order"));
    w.show();
    return app.exec();
}
