#pragma once
// The burner window's writer detection and selection: finds the CD writers through the
// window's CD-writing control, lists them in its writer list, makes one current and hands
// that writer's driver number to the control. The window keeps one of these over its own
// writer list (Combo2) and control (ACDWRITE1) and calls the procedures by their names.
#include <QString>

class ACDWRITE;
class QComboBox;

class WriterSelection {
public:
    WriterSelection(ACDWRITE& control, QComboBox& writerList) : ACDWRITE1(control), Combo2(writerList) {}

    // Initialises the control: 1 = a writer is ready, 0 = not (after its message).
    int Get_Burner_Drive();
    // Looks for writers again and fills the list anew: 1 = a writer is listed now.
    int LookForWriters();
    // Fills the writer list, one entry per writer in the control's order.
    void LoadBurnerCombo();
    // Chooses the first listed writer whose driver is usable.
    void DetermineDriverForFirstCDR();
    // Selects the listed choice in the control again and hands its driver over.
    void DetermineDriver();
    // The gate before a burn: 0 = a usable driver was handed over, 1 = not (after its message).
    int CheckIfBurnerSelected();
    // Re-initialises the control and renews the choice; the list keeps its selection.
    void ResetBurner();

    // The selected writer's own device (never its list position taken as a drive number):
    // what the disc check and Eject address. "" when nothing is selected.
    QString SelectedWriterDevice() const;

    // The list entry for a writer name: its first 20 characters, the first tab among
    // them taken out.
    static QString EntryText(const QString& writerName);

private:
    // Makes list entry index current in the control; true when its driver is usable
    // and has been handed over.
    bool driverTest(int index);

    ACDWRITE& ACDWRITE1;
    QComboBox& Combo2;
};
