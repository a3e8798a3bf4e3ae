#pragma once
#include "shell/featureform.h"

// The song library and playlist editor window.
class frmSongs : public FeatureForm {
    Q_OBJECT
public:
    frmSongs();
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

    ListView* lvwSongs;     // the songs of the music folder
    ListView* lvwPlaylists; // the playlists
};
