// A window unloaded while one of its handlers waits in a nested event loop is hidden at once
// and deleted only after the handler has returned, whatever the loop.
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "fixture.h"
#include "platform/forms.h"
#include "platform/prompt.h"
#include "platform/services.h"
#include "realbox.h"

namespace {
class Probe : public Form {
public:
    Probe() : Form(QStringLiteral("Probe")) {}
    // A handler that runs a nested loop and then looks at its own window again.
    void Handler(const std::function<void()>& nestedLoop)
    {
        nestedLoop();
        visibleAfter = isVisible();
        unloadedAfter = Forms::gone(this);
    }
    bool visibleAfter = true;
    bool unloadedAfter = false;
};

class Modal : public Form {
public:
    Modal() : Form(QStringLiteral("Modal")) {}
};

// Runs whileInside() once from inside the nested loop, then lets the loop end.
using NestedLoop = std::function<void(const std::function<void()>& whileInside)>;

struct Case {
    const char* name;
    NestedLoop run;
};

void waitOn(Clock& clock, const std::function<void()>& whileInside)
{
    bool done = false;
    QTimer::singleShot(0, [&] {
        whileInside();
        done = true;
    });
    clock.waitUntil([&] { return done; }, -1);
}

void messageBox(const std::function<void()>& whileInside)
{
    bool ownerless = false;
    RealBoxes boxes(QStringLiteral("Question"), QMessageBox::Ok, [&] {
        ownerless = RealBoxes::openBoxes().value(0) && !RealBoxes::openBoxes().value(0)->parent();
        whileInside();
    });
    MsgBox(QStringLiteral("Question"));
    EXPECT_TRUE(ownerless) << "a message box is never owned by a window";
}

const Case kCases[] = {
    {"the test clock's wait", [](const auto& inside) { waitOn(Clocks(), inside); }},
    {"the system clock's wait",
     [](const auto& inside) {
         SystemClock clock;
         waitOn(clock, inside);
     }},
    {"a message box", [](const auto& inside) { messageBox(inside); }},
    {"an input box",
     [](const auto& inside) {
         Prompt* before = &Prompts();
         WidgetPrompt real;
         setPrompts(&real);
         QTimer tick;
         QObject::connect(&tick, &QTimer::timeout, [&] {
             for (QWidget* w : QApplication::topLevelWidgets())
                 if (auto* d = qobject_cast<QInputDialog*>(w); d && d->isVisible()) {
                     tick.stop();
                     EXPECT_EQ(d->parent(), nullptr) << "an input box is never owned by a window";
                     inside();
                     d->reject();
                 }
         });
         tick.start(1);
         InputBox(QStringLiteral("Name?"));
         setPrompts(before);
     }},
    {"a modal window",
     [](const auto& inside) {
         QTimer::singleShot(0, [&] {
             inside();
             Forms::unload<Modal>();
         });
         Forms::get<Modal>().Show(true);
     }},
    {"waiting events",
     [](const auto& inside) {
         QMetaObject::invokeMethod(qApp, [&] { inside(); }, Qt::QueuedConnection);
         DoEvents();
     }},
    {"a message box inside a wait",
     [](const auto& inside) { waitOn(Clocks(), [&] { messageBox(inside); }); }},
};

class NestedLoops : public AppFixture {};
} // namespace

TEST_F(NestedLoops, AWindowUnloadedUnderItsHandlersLoopOutlivesTheHandler)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Probe& probe = Forms::get<Probe>();
        probe.Show();
        QPointer<Probe> alive(&probe);
        bool hiddenAtOnce = false;
        bool deferredDeletesSent = true;
        probe.Handler([&] {
            c.run([&] {
                EXPECT_TRUE(Forms::unload(alive.data()));
                hiddenAtOnce = alive && !alive->isVisible();
                // Deferred deletes delivered inside the loop must not reach the window.
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                deferredDeletesSent = !alive.isNull();
            });
        });
        ASSERT_FALSE(alive.isNull());
        EXPECT_TRUE(hiddenAtOnce);
        EXPECT_TRUE(deferredDeletesSent);
        EXPECT_FALSE(probe.visibleAfter);
        EXPECT_TRUE(probe.unloadedAfter);
        EXPECT_EQ(Forms::find<Probe>(), nullptr);
        // Once the handler has returned, the window goes with the next deferred deletes.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(alive.isNull());
        EXPECT_EQ(NestedLoopScope::depth(), 0);
    }
}
