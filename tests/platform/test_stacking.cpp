// Boxes, pickers and modal windows opened over a window that stays on top stand above it:
// they stay on top too, are transient for the window they were opened from, and take the focus.
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

#include "fixture.h"
#include "platform/forms.h"
#include "platform/prompt.h"

namespace {
class Owner : public Form {
public:
    Owner() : Form(QStringLiteral("Owner")) { resize(300, 200); }
};

class ModalChild : public Form {
public:
    ModalChild() : Form(QStringLiteral("ModalChild")) { resize(200, 100); }
};

// What a dialog looked like once it showed.
struct Seen {
    bool shown = false;
    bool onTop = false;
    bool transientForOwner = false;
    bool active = false;
};

// Runs open() with the real prompt in place; once a dialog is the active modal window (and
// has had a turn of the event loop to take the focus), records how it stands and closes it.
Seen openAndLook(QWidget& owner, const std::function<void()>& open)
{
    Seen seen;
    WidgetPrompt real;
    Prompt* previous = &Prompts();
    setPrompts(&real);
    QTimer tick;
    int ticks = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || dialog == &owner || !dialog->isVisible() || ++ticks < 3)
            return;
        seen.shown = true;
        seen.onTop = dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        seen.transientForOwner =
            dialog->windowHandle() && dialog->windowHandle()->transientParent() == owner.windowHandle();
        seen.active = QApplication::activeWindow() == dialog;
        if (auto* d = qobject_cast<QDialog*>(dialog))
            d->reject();
        else
            dialog->hide();
    });
    tick.start(1);
    open();
    setPrompts(previous);
    return seen;
}

void showActive(Form& w)
{
    w.Show();
    QApplication::setActiveWindow(&w);
    QCoreApplication::processEvents();
}

const struct PromptCase {
    const char* name;
    std::function<void()> open;
} kPrompts[] = {
    {"message box", [] { MsgBox(QStringLiteral("Question"), Mb::YesNo); }},
    {"input box", [] { InputBox(QStringLiteral("Name?")); }},
    {"file picker", [] { Prompts().openFile(QStringLiteral("Open"), QDir::tempPath(), QStringLiteral("*.mp3")); }},
    {"files picker", [] { Prompts().openFiles(QStringLiteral("Open"), QDir::tempPath(), QStringLiteral("*.mp3")); }},
    {"save picker", [] { Prompts().saveFile(QStringLiteral("Save"), QDir::tempPath(), QStringLiteral("*.m3u")); }},
    {"folder picker", [] { Prompts().folder(QStringLiteral("Music Folder"), QDir::tempPath()); }},
};
} // namespace

class Stacking : public AppFixture {};

TEST_F(Stacking, EveryPromptOverAWindowOnTopStandsAboveItAndTakesTheFocus)
{
    Owner& owner = Forms::get<Owner>();
    owner.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    showActive(owner);
    for (const auto& c : kPrompts) {
        SCOPED_TRACE(c.name);
        const Seen seen = openAndLook(owner, c.open);
        ASSERT_TRUE(seen.shown);
        EXPECT_TRUE(seen.onTop);
        EXPECT_TRUE(seen.transientForOwner);
        EXPECT_TRUE(seen.active);
    }
}

TEST_F(Stacking, APickerOverAnOrdinaryWindowStaysAnOrdinaryWindowAboveIt)
{
    Owner& owner = Forms::get<Owner>();
    showActive(owner);
    const Seen seen = openAndLook(owner, kPrompts[5].open);
    ASSERT_TRUE(seen.shown);
    EXPECT_FALSE(seen.onTop);
    EXPECT_TRUE(seen.transientForOwner);
}

TEST_F(Stacking, AModalWindowStandsAboveAWindowOnTopForThatShowingOnly)
{
    Owner& owner = Forms::get<Owner>();
    owner.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    showActive(owner);
    ModalChild& child = Forms::get<ModalChild>();
    const Seen seen = openAndLook(owner, [&] { child.Show(true); });
    ASSERT_TRUE(seen.shown);
    EXPECT_TRUE(seen.onTop);
    EXPECT_TRUE(seen.transientForOwner);
    EXPECT_TRUE(seen.active);
    // Shown again on its own, it is an ordinary window.
    EXPECT_FALSE(child.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(child.windowHandle()->transientParent(), nullptr);
}
