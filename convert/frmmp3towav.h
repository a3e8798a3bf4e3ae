#pragma once
#include "shell/featureform.h"

// The MP3-to-WAV converter window.
class frmMP3ToWAV : public FeatureForm {
    Q_OBJECT
public:
    frmMP3ToWAV();
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    // Opens the other converter.
    void picConvert_Click() override;

    ListView* lvwFiles; // the MP3 files to convert
};
