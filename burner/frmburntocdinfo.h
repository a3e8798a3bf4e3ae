#pragma once
// After a real burn: stores the disc just burned in the CD catalogue under its disc id,
// one record per track, titled from the burn list, so the CD player knows the disc.
#include <QGroupBox>
#include <QPushButton>
#include <memory>
#include <vector>

#include "core/discid.h"
#include "platform/controls.h"
#include "platform/forms.h"

class CDAudio;

class frmBurnToCDInfo : public Form {
    Q_OBJECT
public:
    frmBurnToCDInfo();
    ~frmBurnToCDInfo() override;
    void Form_Load() override;
    void Command1_Click();
    void Command2_Click();

    QGroupBox* Frame3;
    ComboBox* DriveLetter;
    QGroupBox* Frame2;
    Label* Label3;
    Label* Label2;
    QGroupBox* Frame1;
    TextBox* txtCDTitle;
    TextBox* txtArtist;
    TextBox* txtCategory;
    QPushButton* Command1; // Save
    QPushButton* Command2; // Cancel

    QString DiscID;
    int16_t TrackCount = 0;
    int32_t DiscSeconds = 0;
    std::vector<TocEntry> TrackStarts; // 1..TrackCount starts, TrackCount + 1 lead-out

private:
    void DetectCDDrives();
    QString GetCDID();
    void LoadCDInfo();
    std::unique_ptr<CDAudio> CDDevice;
};
