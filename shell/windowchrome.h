#pragma once
// The furniture every window of the family shares: five labels along the top edge that
// act as the menu bar and pop up hidden menus, the common menus and their entries, the
// Order entry and the closing rule of a feature window.
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class Form;
class Label;
class QAction;
class QMenu;

class WindowChrome : public QObject {
    Q_OBJECT
public:
    // Builds the labels and menus on owner; handler failures are logged under module.
    WindowChrome(Form* owner, const QString& module);

    // Menu-bar labels: "File", "Skins", "Configure", "WebSites", "Help".
    Label* Label6;
    Label* Label12;
    Label* Label8;
    Label* Label10;
    Label* Label7;

    // The hidden top-level menus.
    QMenu* mnuFile;
    QMenu* mnuConfig;
    QMenu* mnuskin;
    QMenu* mnuweb;
    QMenu* mnuHelp;

    QAction* mnuSettings;
    QAction* mnuOpenSkins;
    QAction* mnuHelpFile;
    QAction* mnuManual;
    QAction* mnuAbout;
    QAction* mnuOrder;
    QMenu* mnuFreeMP3s;
    QMenu* mnuFindMP3s;
    std::vector<QAction*> mnuFreeSite;   // mnuFreeSite1 .. mnuFreeSite3
    std::vector<QAction*> mnuSearchSite; // mnuSearchSite1 .. mnuSearchSite2
    QAction* mnuwebsite;

    // Appends an entry to the File menu; its handler runs when the entry is chosen.
    QAction* addFileEntry(const QString& name, const QString& caption, std::function<void()> handler);
    void addFileSeparator();
    // What "Program Settings..." does in this window.
    void setSettingsHandler(std::function<void()> handler) { m_settings = std::move(handler); }

    // An entry of any of the menus by its name ("mnuOrder"), or nullptr.
    QAction* entry(const QString& name) const;
    // The menu popped up last (tests look at it); nullptr before the first.
    QMenu* lastPopup() const { return m_lastPopup; }

    void Label6_Click();
    void Label12_Click();
    void Label8_Click();
    void Label10_Click();
    void Label7_Click();

private:
    void popUp(QMenu* menu);
    QAction* addEntry(QMenu* menu, const QString& name, const QString& caption, const QString& procedure,
                      std::function<void()> handler);

    Form* m_owner;
    QString m_module;
    std::function<void()> m_settings;
    QMenu* m_lastPopup = nullptr;
};

// Starts the order program from the program folder, detached; a failure to start is logged.
void StartOrderProgram(const QString& module);

// The closing rule of a feature window: shows the main window unless a window is being
// refreshed or replaced (or, for the CD window, the CD player failed), then clears
// SwitchingWindow.
void ClosingRule(bool cdPlayerRule = false);
