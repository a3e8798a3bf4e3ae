#include "cd/encoderswitch.h"

#include "cd/frmcd.h"
#include "core/globals.h"
#include "platform/errors.h"
#include "platform/forms.h"

#include <initializer_list>

namespace {
const QString kModule = QStringLiteral("modMP3");
} // namespace

void turnoffEncOptions()
{
    frmCD* cd = Forms::find<frmCD>();
    if (!cd)
        return;
    Trap trap(kModule, QStringLiteral("turnoffEncOptions"));
    for (QWidget* w : std::initializer_list<QWidget*>{cd->Opt320, cd->Opt256, cd->Opt192, cd->Opt128, cd->Opt64,
                                                      cd->Label30, cd->Label27, cd->Label28, cd->Label25, cd->Label15,
                                                      cd->Label19, cd->Label20, cd->chkAutoCreate, cd->Label35})
        trap([w] { w->setEnabled(false); });
    AutoPlaylistName.clear();
    // Clearing a ticked box raises its click event, which the CD window must ignore. The flag
    // is raised only when that event will come, so it never swallows a later real click.
    trap([cd] {
        if (cd->chkAutoCreate->isChecked()) {
            SkipAutoCreateClick = 1;
            cd->chkAutoCreate->setChecked(false);
        }
    });
}

void turnonencoptions()
{
    frmCD* cd = Forms::find<frmCD>();
    if (!cd)
        return;
    Trap trap(kModule, QStringLiteral("turnonencoptions"));
    for (QWidget* w : std::initializer_list<QWidget*>{cd->Opt320, cd->Opt256, cd->Opt192, cd->Opt128, cd->Opt64,
                                                      cd->Label27, cd->Label28, cd->Label30, cd->Label25, cd->Label15,
                                                      cd->Label19, cd->Label20, cd->chkAutoCreate, cd->Label35})
        trap([w] { w->setEnabled(true); });
}
