#include "platform/forms.h"
#include "platform/placement.h"
#include "platform/stacking.h"

#include <QApplication>
#include <algorithm>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace {
int32_t g_nextId = 1;
int g_loopDepth = 0;

// Unloaded windows waiting for the moment no nested loop runs.
std::vector<QPointer<Form>>& retired()
{
    static std::vector<QPointer<Form>> v;
    return v;
}

// Deletes the unloaded windows when its own deferred delete is delivered, unless a nested
// loop runs then (Qt delivers deferred deletes inside nested loops too): the last nested loop
// to end schedules the next sweep. Being a deferred delete, it also goes with the deferred
// deletes a test sends at its end.
class Sweeper : public QObject {
public:
    ~Sweeper() override;
};
Sweeper* g_sweeper = nullptr;

Sweeper::~Sweeper()
{
    g_sweeper = nullptr;
    if (g_loopDepth > 0)
        return;
    const std::vector<QPointer<Form>> doomed = std::move(retired());
    retired().clear();
    for (const QPointer<Form>& f : doomed)
        delete f.data();
}

// Windows in the order they came to the front, most recent last.
std::vector<QPointer<Form>>& frontOrder()
{
    static std::vector<QPointer<Form>> v;
    return v;
}
} // namespace

Form::Form(const QString& formName, QWidget* parent)
    : QWidget(parent, Qt::Window), m_formName(formName), m_id(g_nextId++)
{
    setObjectName(formName);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

Form::~Form()
{
    if (m_modalLoop)
        m_modalLoop->quit();
}

void Form::Show(bool modal)
{
    Forms::noteFront(this);
    if (!modal) {
        show();
        raise();
        activateWindow();
        return;
    }
    setWindowModality(Qt::ApplicationModal);
    const bool madeOnTop = !isVisible() && StandAboveOwner(*this, Forms::foreground());
    show();
    raise();
    activateWindow();
    QEventLoop loop;
    m_modalLoop = &loop;
    QPointer<Form> self(this);
    // Leaves when the window is hidden (Hide or unload) or destroyed.
    struct Watcher : QObject {
        QEventLoop* loop;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Hide)
                loop->quit();
            return false;
        }
    } watcher;
    watcher.loop = &loop;
    installEventFilter(&watcher);
    if (isVisible()) {
        NestedLoopScope nested;
        loop.exec();
    }
    if (self) {
        removeEventFilter(&watcher);
        m_modalLoop = nullptr;
        setWindowModality(Qt::NonModal);
        // The window stood above the one it was opened from for this showing only.
        if (QWindow* window = windowHandle())
            window->setTransientParent(nullptr);
        if (madeOnTop && !isVisible())
            setWindowFlag(Qt::WindowStaysOnTopHint, false);
    }
}

void Form::centreOnScreen()
{
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    move(CentredPlacement(frameGeometry().size(), s->geometry(), s->availableGeometry()));
}

int Form::WindowState() const
{
    if (windowState() & Qt::WindowMinimized)
        return WinState::Minimized;
    if (windowState() & Qt::WindowMaximized)
        return WinState::Maximized;
    return WinState::Normal;
}

void Form::setWindowStateValue(int state)
{
    switch (state) {
    case WinState::Minimized: setWindowState(Qt::WindowMinimized); break;
    case WinState::Maximized: setWindowState(Qt::WindowMaximized); break;
    default: setWindowState(Qt::WindowNoState); break;
    }
}

void Form::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        Forms::noteFront(this);
    QWidget::changeEvent(e);
}

void Form::closeEvent(QCloseEvent* e)
{
    // The close box unloads the window through the registry, which runs the unload handler.
    e->ignore();
    if (!m_unloading)
        Forms::unload(this);
}

std::map<std::type_index, QPointer<Form>>& Forms::instances()
{
    static std::map<std::type_index, QPointer<Form>> m;
    return m;
}
std::vector<std::type_index>& Forms::order()
{
    static std::vector<std::type_index> v;
    return v;
}
std::map<std::type_index, std::shared_ptr<void>>& Forms::states()
{
    static std::map<std::type_index, std::shared_ptr<void>> m;
    return m;
}

void Forms::add(std::type_index t, Form* f)
{
    instances()[t] = f;
    order().push_back(t);
}

std::vector<Form*> Forms::loaded()
{
    std::vector<Form*> out;
    for (const auto& t : order()) {
        auto it = instances().find(t);
        if (it != instances().end() && it->second && !it->second->m_unloading)
            out.push_back(it->second.data());
    }
    return out;
}

Form* Forms::findByCaption(const QString& caption)
{
    for (Form* f : loaded())
        if (f->windowTitle().compare(caption, Qt::CaseInsensitive) == 0)
            return f;
    return nullptr;
}

Form* Forms::findByName(const QString& name)
{
    for (Form* f : loaded())
        if (f->formName().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    return nullptr;
}

Form* Forms::byId(int32_t id)
{
    for (Form* f : loaded())
        if (f->windowId() == id)
            return f;
    return nullptr;
}

void Forms::noteFront(Form* f)
{
    auto& v = frontOrder();
    std::erase_if(v, [f](const QPointer<Form>& p) { return !p || p == f; });
    v.push_back(f);
}

Form* Forms::foreground()
{
    auto isOurs = [](Form* f) {
        if (!f || f->m_unloading || !f->isVisible())
            return false;
        const auto all = loaded();
        return std::find(all.begin(), all.end(), f) != all.end();
    };
    if (auto* active = qobject_cast<Form*>(QApplication::activeWindow()); isOurs(active))
        return active;
    const auto& v = frontOrder();
    for (auto it = v.rbegin(); it != v.rend(); ++it)
        if (isOurs(it->data()))
            return it->data();
    return nullptr;
}

void Forms::restore(Form* f)
{
    if (!f)
        return;
    if (f->windowState() & Qt::WindowMinimized)
        f->showNormal();
    else
        f->show();
    f->raise();
    f->activateWindow();
    noteFront(f);
}

bool Forms::unload(Form* f)
{
    if (!f || f->m_unloading)
        return true;
    int cancel = 0;
    f->m_unloading = true;
    f->Form_Unload(cancel);
    if (cancel) {
        f->m_unloading = false;
        return false;
    }
    retire(f);
    return true;
}

void Forms::retire(Form* f)
{
    f->m_unloaded = true;
    f->hide();
    for (auto it = instances().begin(); it != instances().end(); ++it) {
        if (it->second == f) {
            const auto t = it->first;
            instances().erase(it);
            std::erase(order(), t);
            break;
        }
    }
    retired().push_back(f);
    scheduleSweep();
}

void Forms::scheduleSweep()
{
    if (g_sweeper || g_loopDepth > 0 || retired().empty())
        return;
    g_sweeper = new Sweeper;
    g_sweeper->deleteLater();
}

std::map<FormKind, Forms::KindEntry>& Forms::kinds()
{
    static std::map<FormKind, KindEntry> m;
    return m;
}

const Forms::KindEntry& Forms::kindEntry(FormKind k)
{
    const auto it = kinds().find(k);
    // Every kind is registered at start-up; a missing one is a fault of the program's wiring.
    Q_ASSERT_X(it != kinds().end(), "Forms", "window kind not registered");
    if (it == kinds().end())
        qFatal("window kind %d not registered", static_cast<int>(k));
    return it->second;
}

Form& Forms::get(FormKind k)
{
    return *kindEntry(k).load();
}

Form* Forms::find(FormKind k)
{
    const auto it = instances().find(kindEntry(k).type);
    return it == instances().end() ? nullptr : it->second.data();
}

bool Forms::unload(FormKind k)
{
    Form* f = find(k);
    return f ? unload(f) : true;
}

void Forms::reset()
{
    std::vector<Form*> all;
    for (const auto& [t, f] : instances())
        if (f)
            all.push_back(f.data());
    for (Form* f : all) {
        f->m_unloading = true;
        retire(f);
    }
    instances().clear();
    order().clear();
    states().clear();
    frontOrder().clear();
}

NestedLoopScope::NestedLoopScope() { ++g_loopDepth; }

NestedLoopScope::~NestedLoopScope()
{
    if (--g_loopDepth == 0)
        Forms::scheduleSweep();
}

int NestedLoopScope::depth() { return g_loopDepth; }

void DoEvents(QEventLoop::ProcessEventsFlags flags)
{
    NestedLoopScope nested;
    QCoreApplication::processEvents(flags);
}
