#include "songs/frmsongs.h"

#include <QHBoxLayout>
#include <QHeaderView>

#include "core/errors.h"
#include "core/skin.h"
#include "shell/windowchrome.h"

namespace {
const QString kModule = QStringLiteral("frmSongs");
}

frmSongs::frmSongs()
    : FeatureForm({QStringLiteral("frmSongs"), QStringLiteral("PlayLists"), Feature::PlayLists,
                   QStringLiteral("Close PlayLists"), 1, 660, 450})
{
    auto* lay = new QHBoxLayout(body);
    lay->setContentsMargins(0, 4, 0, 0);
    lvwSongs = new ListView(body);
    lvwSongs->setObjectName(QStringLiteral("lvwSongs"));
    lvwSongs->setHeaderLabels(
        {QStringLiteral("Song"), QStringLiteral("Artist"), QStringLiteral("Time"), QStringLiteral("Album")});
    lvwSongs->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lvwPlaylists = new ListView(body);
    lvwPlaylists->setObjectName(QStringLiteral("lvwPlaylists"));
    lvwPlaylists->setHeaderLabels({QStringLiteral("Playlists")});
    lay->addWidget(lvwSongs, 3);
    lay->addWidget(lvwPlaylists, 1);
}

void frmSongs::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    trap([this] { putskin(this); });
    trap([this] { centreOnScreen(); });
}

void frmSongs::Form_Unload(int& cancel)
{
    Trap trap(kModule, QStringLiteral("Form_Unload"));
    trap([] { ClosingRule(); });
}
