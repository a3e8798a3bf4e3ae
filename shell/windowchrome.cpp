#include "shell/windowchrome.h"

#include <QAction>
#include <QCursor>
#include <QMenu>

#include "platform/errors.h"
#include "core/globals.h"
#include "platform/appcontext.h"
#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/prompt.h"
#include "platform/services.h"
#include "core/launchers.h"
#include "shell/frmskindir.h"

namespace {
Label* menuLabel(QWidget* parent, const QString& name, const QString& caption, const QString& tip, int l, int t,
                 int w, int h)
{
    auto* lbl = new Label(caption, parent);
    lbl->setObjectName(name);
    lbl->setToolTip(tip);
    QFont f = lbl->font();
    f.setBold(true);
    f.setPointSizeF(8.25);
    lbl->setFont(f);
    lbl->setCursor(Qt::PointingHandCursor);
    // Captions hang from the top edge, so labels of different heights line up.
    lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeTwips(lbl, l, t, w, h);
    // The design widths were made for a narrower font: never cut a caption.
    if (lbl->sizeHint().width() > lbl->width())
        lbl->resize(lbl->sizeHint().width(), lbl->height());
    return lbl;
}
} // namespace

WindowChrome::WindowChrome(Form* owner, const QString& module) : QObject(owner), m_owner(owner), m_module(module)
{
    Label6 = menuLabel(owner, QStringLiteral("Label6"), QStringLiteral("File"), QStringLiteral("Navigate And Close Program"),
                       75, 50, 315, 195);
    Label12 = menuLabel(owner, QStringLiteral("Label12"), QStringLiteral("Skins"),
                        QStringLiteral("Change Skins (Appearance) "), 600, 45, 495, 200);
    Label8 = menuLabel(owner, QStringLiteral("Label8"), QStringLiteral("Configure"), QStringLiteral("Program Settings "),
                       1335, 45, 810, 195);
    Label10 = menuLabel(owner, QStringLiteral("Label10"), QStringLiteral("WebSites"),
                        QStringLiteral("Visit Our Quillory Web Site"), 2400, 45, 840, 255);
    Label7 = menuLabel(owner, QStringLiteral("Label7"), QStringLiteral("Help"),
                       QStringLiteral("Help, Program Info/Credits, And Order Info"), 3405, 45, 405, 195);
    connect(Label6, &Label::clicked, this, &WindowChrome::Label6_Click);
    connect(Label12, &Label::clicked, this, &WindowChrome::Label12_Click);
    connect(Label8, &Label::clicked, this, &WindowChrome::Label8_Click);
    connect(Label10, &Label::clicked, this, &WindowChrome::Label10_Click);
    connect(Label7, &Label::clicked, this, &WindowChrome::Label7_Click);

    auto makeMenu = [owner](const QString& name, const QString& caption) {
        auto* m = new QMenu(caption, owner);
        m->setObjectName(name);
        return m;
    };
    mnuFile = makeMenu(QStringLiteral("mnuFile"), QStringLiteral("File"));
    mnuConfig = makeMenu(QStringLiteral("mnuConfig"), QStringLiteral("Configure Program"));
    mnuskin = makeMenu(QStringLiteral("mnuskin"), QStringLiteral("Change Skin"));
    mnuHelp = makeMenu(QStringLiteral("mnuHelp"), QStringLiteral("Help"));
    mnuweb = makeMenu(QStringLiteral("mnuweb"), QStringLiteral("Websites"));

    mnuSettings = addEntry(mnuConfig, QStringLiteral("mnuSettings"), QStringLiteral("Program Settings..."),
                           QStringLiteral("mnuSettings_Click"), [this] {
                               if (m_settings)
                                   m_settings();
                           });
    mnuOpenSkins = addEntry(mnuskin, QStringLiteral("mnuOpenSkins"), QStringLiteral("Change Skin..."),
                            QStringLiteral("mnuOpenSkins_Click"), [] { Forms::get<frmSkinDir>().Show(true); });
    mnuHelpFile = addEntry(mnuHelp, QStringLiteral("mnuHelpFile"), QStringLiteral("Quillory Help"),
                           QStringLiteral("mnuHelpFile_Click"), [] { Help(); });
    mnuManual = addEntry(mnuHelp, QStringLiteral("mnuManual"), QStringLiteral("Quillory Manual"),
                         QStringLiteral("mnuManual_Click"), [] { manual(); });
    mnuHelp->addSeparator();
    mnuAbout = addEntry(mnuHelp, QStringLiteral("mnuAbout"), QStringLiteral("About Quillory..."),
                        QStringLiteral("mnuAbout_Click"), [] { about(); });
    mnuHelp->addSeparator();
    // The Order entry has no trap of its own: StartOrderProgram logs a failed start itself.
    mnuOrder = mnuHelp->addAction(QStringLiteral("Order Quillory"));
    mnuOrder->setObjectName(QStringLiteral("mnuOrder"));
    connect(mnuOrder, &QAction::triggered, this, [this] { StartOrderProgram(m_module); });

    mnuFreeMP3s = mnuweb->addMenu(QStringLiteral("Free MP3s"));
    mnuFreeMP3s->setObjectName(QStringLiteral("mnuFreeMP3s"));
    int n = 0;
    for (const MusicSite& s : FreeMp3Sites()) {
        const QString name = QStringLiteral("mnuFreeSite%1").arg(++n);
        mnuFreeSite.push_back(addEntry(mnuFreeMP3s, name, s.caption, name + QStringLiteral("_Click"),
                                       [s] { OpenMusicSite(s); }));
    }
    mnuFindMP3s = mnuweb->addMenu(QStringLiteral("Find MP3s"));
    mnuFindMP3s->setObjectName(QStringLiteral("mnuFindMP3s"));
    n = 0;
    for (const MusicSite& s : FindMp3Sites()) {
        const QString name = QStringLiteral("mnuSearchSite%1").arg(++n);
        mnuSearchSite.push_back(addEntry(mnuFindMP3s, name, s.caption, name + QStringLiteral("_Click"),
                                         [s] { OpenMusicSite(s); }));
    }
    mnuwebsite = addEntry(mnuweb, QStringLiteral("mnuwebsite"), QStringLiteral("Quillory Web Site..."),
                          QStringLiteral("mnuwebsite_Click"), [] { GoToWebsite(); });
}

QAction* WindowChrome::addEntry(QMenu* menu, const QString& name, const QString& caption, const QString& procedure,
                                std::function<void()> handler)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, [this, procedure, handler = std::move(handler)] {
        Trap trap(m_module, procedure);
        trap(handler);
    });
    return a;
}

QAction* WindowChrome::addFileEntry(const QString& name, const QString& caption, std::function<void()> handler)
{
    return addEntry(mnuFile, name, caption, name + QStringLiteral("_Click"), std::move(handler));
}

void WindowChrome::addFileSeparator() { mnuFile->addSeparator(); }

QAction* WindowChrome::entry(const QString& name) const
{
    for (QMenu* m : {mnuFile, mnuConfig, mnuskin, mnuweb, mnuHelp, mnuFreeMP3s, mnuFindMP3s})
        for (QAction* a : m->actions())
            if (a->objectName() == name)
                return a;
    return nullptr;
}

void WindowChrome::popUp(QMenu* menu)
{
    // Pops up at the pointer and returns at once; choosing an entry runs its handler,
    // dismissing the menu runs nothing.
    m_lastPopup = menu;
    menu->popup(QCursor::pos());
}

void WindowChrome::Label6_Click()
{
    Trap trap(m_module, QStringLiteral("Label6_Click"));
    trap([&] { popUp(mnuFile); });
}
void WindowChrome::Label12_Click() { popUp(mnuskin); }
void WindowChrome::Label8_Click()
{
    Trap trap(m_module, QStringLiteral("Label8_Click"));
    trap([&] { popUp(mnuConfig); });
}
void WindowChrome::Label10_Click()
{
    Trap trap(m_module, QStringLiteral("Label10_Click"));
    trap([&] { popUp(mnuweb); });
}
void WindowChrome::Label7_Click()
{
    Trap trap(m_module, QStringLiteral("Label7_Click"));
    trap([&] { popUp(mnuHelp); });
}

void StartOrderProgram(const QString& module)
{
    const QString program = Ctx().programFile(QStringLiteral("order"));
    if (!Processes().startDetached(program, {}, Ctx().programFolder()))
        LogError(module, QStringLiteral("mnuOrder_Click"), Err::FileNotFound,
                 QStringLiteral("The order program could not be started: ") + program, kAppTitle);
}

void ClosingRule(bool cdPlayerRule)
{
    const bool keepHidden = Refreshing == 1 || SwitchingWindow == 1 || (cdPlayerRule && CDPlayerFailed == 1);
    if (!keepHidden)
        Forms::get(FormKind::Main).Show();
    SwitchingWindow = 0;
}
