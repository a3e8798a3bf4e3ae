#pragma once
// The forms engine: every window is a single instance, created on first touch,
// found by caption, and unloaded by running its unload handler, hiding it and
// deleting it later: only once no nested event loop runs, so never under a running
// handler or a wait, message box or dialog started from it.
#include <QEventLoop>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <typeindex>
#include <vector>

namespace WinState {
enum { Normal = 0, Minimized = 1, Maximized = 2 };
}

class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(const QString& formName, QWidget* parent = nullptr);
    ~Form() override;

    const QString& formName() const { return m_formName; }

    // The window's load handler; runs once, right after the window is created by the registry.
    virtual void Form_Load() {}
    // The window's unload handler; set cancel to non-zero to keep the window.
    virtual void Form_Unload(int& cancel) { (void)cancel; }

    // Shows the window (modeless), or modal: then returns when the window is hidden or unloaded.
    void Show(bool modal = false);
    void Hide() { hide(); }
    QString Caption() const { return windowTitle(); }
    void setCaption(const QString& c) { setWindowTitle(c); }
    int WindowState() const;
    void setWindowStateValue(int state);
    // Centres the window on its screen: left = (screen width - width) / 2, then top likewise.
    void centreOnScreen();
    // The window's handle for code that remembers a window by number (never 0).
    int32_t windowId() const { return m_id; }
    bool isUnloading() const { return m_unloading; }
    // True once the window is unloaded: hidden, forgotten, waiting to be deleted.
    bool isUnloaded() const { return m_unloaded; }

    // Window size in twips (15 per pixel at the design scale), as the designs give them.
    static int twipsToPx(int twips) { return twips / 15; }
    static int pxToTwips(int px) { return px * 15; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    friend class Forms;
    QString m_formName;
    int32_t m_id = 0;
    bool m_unloading = false;
    bool m_unloaded = false;
    QEventLoop* m_modalLoop = nullptr;
};

// Marks a nested event loop (a message box, input box or file dialog, the event-pumping wait,
// a modal window) for as long as it lives. Every nested loop runs inside one. A window
// unloaded while any of them runs is hidden at once and deleted only after the last has
// returned: whatever handler or loop is on the stack, its window outlives it.
class NestedLoopScope {
public:
    NestedLoopScope();
    ~NestedLoopScope();
    NestedLoopScope(const NestedLoopScope&) = delete;
    NestedLoopScope& operator=(const NestedLoopScope&) = delete;
    // How many nested loops run now.
    static int depth();
};

// The program's windows by kind. A window shows, finds or unloads another through its kind,
// so the window folders never include each other; the program registers the class of each
// kind at start-up (and the test fixture does the same).
enum class FormKind { Main, Options, About, SkinDir, Play, Songs, CD, ConvertChoice, WAVToMP3, MP3ToWAV, ProgMP3ToWAV, Burner };

// Runs the window events that are waiting, as a nested loop (the original runtime's DoEvents).
void DoEvents(QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);

class Forms {
public:
    // The single instance of T, created and loaded on first touch.
    template <class T> static T& get()
    {
        if (T* f = find<T>())
            return *f;
        T* f = new T();
        add(std::type_index(typeid(T)), f);
        f->Form_Load();
        return *f;
    }
    // The instance of T if it is loaded, else nullptr. Does not load it.
    template <class T> static T* find()
    {
        auto it = instances().find(std::type_index(typeid(T)));
        return it == instances().end() ? nullptr : static_cast<T*>(it->second.data());
    }
    template <class T> static bool isLoaded() { return find<T>() != nullptr; }
    template <class T> static bool unload() { T* f = find<T>(); return f ? unload(f) : true; }
    // Window state of T; reading or setting it loads the window when it is not loaded.
    template <class T> static int windowState() { return get<T>().WindowState(); }
    template <class T> static void setWindowState(int state) { get<T>().setWindowStateValue(state); }

    // Makes kind k stand for window class T.
    template <class T> static void registerKind(FormKind k)
    {
        kinds()[k] = {std::type_index(typeid(T)), [] { return static_cast<Form*>(&get<T>()); }};
    }
    // The window of kind k, created and loaded on first touch (as get<T>()).
    static Form& get(FormKind k);
    // The loaded window of kind k, or nullptr. Does not load it.
    static Form* find(FormKind k);
    static bool unload(FormKind k);
    static int windowState(FormKind k) { return get(k).WindowState(); }
    static void setWindowState(FormKind k, int state) { get(k).setWindowStateValue(state); }

    // The loaded window with this handle, or nullptr.
    static Form* byId(int32_t id);
    // The window in front: the active window when it is one of ours, else the visible
    // window that was shown or activated last. nullptr when none is visible.
    static Form* foreground();
    // Brings a window back as the platform's "restore" does: un-minimised, shown, in front.
    static void restore(Form* f);
    // Records that f came to the front (Show and activation call it).
    static void noteFront(Form* f);

    // Every loaded window, in load order.
    static std::vector<Form*> loaded();
    // A loaded window (shown or hidden) whose caption equals text, ignoring letter case.
    static Form* findByCaption(const QString& caption);
    // A loaded window by its form name, ignoring letter case.
    static Form* findByName(const QString& name);
    // Runs the unload handler; unless cancelled, hides the window, forgets it and deletes it
    // once no nested loop runs. Returns false when the handler cancelled.
    static bool unload(Form* f);
    // True when the window behind f is gone for the program: deleted, or unloaded and waiting
    // to be deleted. A handler checks it after a wait before it touches its window again.
    static bool gone(const Form* f) { return !f || f->m_unloaded; }
    // Unloads every window without running handlers (tests).
    static void reset();

    // Form-level values that survive an unload of their window: one object per type S.
    template <class S> static S& persistent()
    {
        auto& slot = states()[std::type_index(typeid(S))];
        if (!slot)
            slot = std::shared_ptr<void>(new S(), [](void* p) { delete static_cast<S*>(p); });
        return *static_cast<S*>(slot.get());
    }

private:
    friend class NestedLoopScope;
    static void add(std::type_index t, Form* f);
    // Hides f, forgets it and deletes it once no nested loop runs.
    static void retire(Form* f);
    static void scheduleSweep();
    static std::map<std::type_index, QPointer<Form>>& instances();
    static std::vector<std::type_index>& order();
    static std::map<std::type_index, std::shared_ptr<void>>& states();
    struct KindEntry {
        std::type_index type = std::type_index(typeid(void));
        Form* (*load)() = nullptr;
    };
    static std::map<FormKind, KindEntry>& kinds();
    static const KindEntry& kindEntry(FormKind k);
};
