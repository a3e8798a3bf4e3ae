#pragma once
#include "shell/featureform.h"

// The audio-CD burner window.
class frmBurner : public FeatureForm {
    Q_OBJECT
public:
    frmBurner();
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

    ListView* ListView1;  // the music folder's WAV and MP3 files
    CheckBox* Check1;     // test mode
    ComboBox* Combo1;     // writing speed, "1X" to "10X"
    SSCommand* sscmdBurn;
};
