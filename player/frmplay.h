#pragma once
#include "shell/featureform.h"

class Mp3Play;

// The MP3 player window.
class frmPlay : public FeatureForm {
    Q_OBJECT
public:
    frmPlay();
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

    // The player's MP3 control.
    Mp3Play* Mp3Play1;
    // The play list: one row per song (title, artist, play time).
    ListView* lvwPlayList;
    // Shuffle play on and off; the caption tells which.
    CheckBox* chkShuffle;

    // Stops playback and closes the open song on the player's MP3 control.
    void Mp3Stop();
    void Mp3Close();

    void chkShuffle_Click();
};
