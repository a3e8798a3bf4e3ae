#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QWidget>
#include <cstdio>

#include "app/startup.h"
#include "platform/appcontext.h"
#include "platform/prompt.h"
#include "shell/artwork.h"

namespace {
// Test trace, switched on by QUILLORY_TEST_TRACE=1 for tests that start the real program:
// windows shown and hidden are written to standard output with the milliseconds since
// start, and message boxes are written there too and answered with their default button,
// as nobody is there to press it.
QElapsedTimer g_started;

void traceLine(const QString& line)
{
    std::fprintf(stdout, "%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

class TraceWindows : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Show || e->type() == QEvent::Hide) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && w->isWindow() && !w->objectName().isEmpty())
                traceLine(QStringLiteral("%1 %2 %3")
                              .arg(e->type() == QEvent::Show ? QStringLiteral("shown") : QStringLiteral("hidden"))
                              .arg(w->objectName())
                              .arg(g_started.elapsed()));
        }
        return false;
    }
};

class TracePrompt : public ScriptedPrompt {
public:
    int message(const QString& text, int style, const QString& title) override
    {
        traceLine(QStringLiteral("message %1 %2 [%3] %4")
                      .arg(g_started.elapsed())
                      .arg(style)
                      .arg(title, QString(text).replace(QLatin1Char('\n'), QStringLiteral("\\n"))));
        return ScriptedPrompt::message(text, style, title);
    }
};
} // namespace

int main(int argc, char** argv)
{
    g_started.start();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    // Dialogs and message boxes carry the program's emblem like the main window.
    app.setWindowIcon(QIcon(LauncherPicture(QStringLiteral("quillory"))));
    AppContext::setCurrent(AppContext::fromRunningProgram());

    TraceWindows traceWindows;
    TracePrompt tracePrompt;
    if (qEnvironmentVariable("QUILLORY_TEST_TRACE") == QStringLiteral("1")) {
        app.installEventFilter(&traceWindows);
        setPrompts(&tracePrompt);
    }

    Main();
    return app.exec();
}
