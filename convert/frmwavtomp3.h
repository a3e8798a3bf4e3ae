#pragma once
#include "shell/featureform.h"

// The WAV-to-MP3 converter window.
class frmWAVToMP3 : public FeatureForm {
    Q_OBJECT
public:
    frmWAVToMP3();
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    // Opens the other converter.
    void picConvert_Click() override;

    ListView* lvwFiles; // the WAV files to convert
    Label* Label21;     // "Encoder Selection:"
    Label* Label23;     // the preset's bit-rate text
};
