#include <QApplication>
#include <QLabel>

#include "platform/appcontext.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    AppContext::setCurrent(AppContext::fromRunningProgram());
    QLabel w(QStringLiteral("Quillory"));
    w.setWindowTitle(QStringLiteral("Quillory"));
    w.resize(400, 200);
    w.show();
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
    return app.exec();
}
