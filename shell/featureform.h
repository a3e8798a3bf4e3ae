#pragma once
// The base of every feature window: the window chrome (menu-bar labels and menus), the row
// of navigation picture buttons with their hover look, and the navigation handlers.
#include <QString>

#include "platform/controls.h"
#include "platform/forms.h"

class WindowChrome;

enum class Feature { Player, Encoder, Convert, PlayLists, Burner };

class FeatureForm : public Form {
    Q_OBJECT
public:
    struct Design {
        QString formName;
        QString caption;
        Feature own;            // the window's own feature: no navigation picture for it
        QString closeCaption;   // "Close MP3 Player", ...
        int settingsTab;        // tab of the settings dialog its settings button opens
        int width;              // client size in pixels
        int height;
    };
    explicit FeatureForm(const Design& d);

    WindowChrome* chrome;
    // Navigation pictures (nullptr for the window's own feature) and their caption labels.
    PictureBox* picQuillory = nullptr;
    PictureBox* picPlayer = nullptr;
    PictureBox* picEncoder = nullptr;
    PictureBox* picConvert = nullptr;
    PictureBox* picPlayLists = nullptr;
    PictureBox* picBurner = nullptr;
    PictureBox* picExit = nullptr;
    Label* lblQuillory = nullptr;
    Label* lblPlayer = nullptr;
    Label* lblEncoder = nullptr;
    Label* lblConvert = nullptr;
    Label* lblPlayLists = nullptr;
    Label* lblBurner = nullptr;
    Label* lblExit = nullptr;

    // The area between the menu-bar labels and the navigation row, for the window's own controls.
    QWidget* body;

    virtual void picQuillory_Click();
    virtual void picPlayer_Click();
    virtual void picEncoder_Click();
    virtual void picConvert_Click();
    virtual void picPlayLists_Click();
    virtual void picBurner_Click();
    virtual void picExit_Click();
    // The window's settings button: opens the settings dialog modally on the window's tab.
    virtual void OpenSettings();
    // The "Close ..." entry of the File menu.
    virtual void CloseWindow();

    // Pointer over the background: every navigation picture back to idle.
    void Form_MouseMove();

protected:
    void changeEvent(QEvent* e) override;
    // The skin's label colour has just been read for this window (putskin): pictures drawn in
    // it are drawn again.
    virtual void skinForeColourChanged(const QColor& fore) { (void)fore; }
    void mouseMoveEvent(QMouseEvent* e) override;
    const QString& module() const { return m_module; }
    // Shows target, then unloads this window with SwitchingWindow set.
    void switchTo(Form& target, const QString& procedure);
    // The same for the window of that kind, loading it first (an error there is trapped).
    void switchTo(FormKind kind, const QString& procedure);
    // The CD and burner windows set SwitchingWindow before opening the converter chooser.
    bool m_switchOnConvert = false;

private:
    void addNav(const QString& name, PictureBox*& pic, Label*& lbl, const QString& kind, const QString& caption,
                const QString& tip, int index, void (FeatureForm::*handler)());
    QString m_module;
    int m_navLeft = 8;
    int m_settingsTab;
};

// Disables (or enables) every control of a window (during a long run) that is not a caption label: buttons,
// pictures, lists, text boxes, option buttons, and every entry of the window's menus.
// Labels stay active, so their pointer handlers and menu pop-ups still respond.
void SetRunControlsEnabled(QWidget* form, bool enabled);
