#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

int main(int argc, char** argv)
{
    // Tests never need a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Without a session's runtime folder, Qt and the sound library would make one of their own
    // in the shared temporary folder and leave it there: this run's goes with it.
    std::optional<QTemporaryDir> runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.emplace().isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
