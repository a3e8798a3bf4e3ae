#include "player/frmplay.h"

#include <QHeaderView>
#include <QVBoxLayout>

#include "core/errors.h"
#include "core/globals.h"
#include "controls/mp3play.h"
#include "core/skin.h"
#include "library/catalogues.h"
#include "shell/windowchrome.h"

namespace {
const QString kModule = QStringLiteral("frmPlay");
const QString kRecentName = QStringLiteral("*%#Recent List#%*");

// Replaces the recent list with the play list's rows and saves it.
void saveRecentList(colPlaylist* recent, const std::vector<QStringList>& rows)
{
    if (!recent)
        return;
    recent->Clear();
    int16_t n = 0;
    for (const QStringList& r : rows)
        recent->Add(kRecentName, ++n, r.value(0), r.value(1), r.value(2), QString(), QString());
    recent->SaveFile();
}
} // namespace

frmPlay::frmPlay()
    : FeatureForm({QStringLiteral("frmPlay"), QStringLiteral("The MP3 Player"), Feature::Player,
                   QStringLiteral("Close MP3 Player"), 1, 620, 430})
{
    auto* lay = new QVBoxLayout(body);
    lay->setContentsMargins(0, 4, 0, 0);
    Mp3Play1 = new Mp3Play(this);
    lvwPlayList = new ListView(body);
    lvwPlayList->setObjectName(QStringLiteral("lvwPlayList"));
    lvwPlayList->setHeaderLabels({QStringLiteral("Song"), QStringLiteral("Artist"), QStringLiteral("Time")});
    lvwPlayList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lay->addWidget(lvwPlayList);
    chkShuffle = new CheckBox(QStringLiteral("Shuffle Play"), body);
    chkShuffle->setObjectName(QStringLiteral("chkShuffle"));
    lay->addWidget(chkShuffle);
    connect(chkShuffle, &QCheckBox::toggled, this, &frmPlay::chkShuffle_Click);
}

void frmPlay::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] { putskin(this); });
    trap([this] { centreOnScreen(); });
}

void frmPlay::chkShuffle_Click()
{
    setCaption(chkShuffle->isChecked() ? QStringLiteral("The MP3 Player (Shuffle Play)")
                                       : QStringLiteral("The MP3 Player"));
}

void frmPlay::Mp3Stop() { Mp3Play1->Stop(); }
void frmPlay::Mp3Close() { Mp3Play1->Close(); }

void frmPlay::Form_Unload(int& cancel)
{
    Trap trap(kModule, QStringLiteral("Form_Unload"));
    if (PlayerStarted == 1) {
        StoppedOnPurpose = 1;
        trap([this] { Mp3Stop(); });
        trap([this] { Mp3Close(); });
    }
    trap([this] {
        std::vector<QStringList> rows;
        for (int i = 0; i < lvwPlayList->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* it = lvwPlayList->topLevelItem(i);
            rows.push_back({it->text(0), it->text(1), it->text(2)});
        }
        saveRecentList(RecentList.get(), rows);
    });
    trap([] { ClosingRule(); });
}
