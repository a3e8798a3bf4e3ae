#include "burner/writerselect.h"

#include <QComboBox>

#include "controls/acdwrite.h"
#include "core/cdhelpers.h"
#include "platform/errors.h"
#include "platform/prompt.h"

namespace {
const QString kModule = QStringLiteral("frmBurner");

void driverMessage(int icon)
{
    MsgBox(QStringLiteral("Could Not Determine Your CD Writer Driver.\n"
                          "Make Sure You Have Selected Your CD Writer In The Drop Down List."),
           Mb::OKOnly | icon, kAppTitle);
}
} // namespace

QString WriterSelection::EntryText(const QString& writerName)
{
    QString text = writerName.left(20);
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    if (tab >= 0)
        text.remove(tab, 1);
    return text;
}

bool WriterSelection::driverTest(int index)
{
    ACDWRITE1.SelectWriter(index);
    if (!(ACDWRITE1.WriterDriver() > 0))
        return false;
    if (!(ACDWRITE1.WriterDriver() < 100))
        return false;
    ACDWRITE1.SetDriver(ACDWRITE1.WriterDriver());
    return true;
}

int WriterSelection::Get_Burner_Drive()
{
    Trap trap(kModule, QStringLiteral("Get_Burner_Drive"));
    int result = 0;
    trap([&] {
        if (ACDWRITE1.InitWriter() == 0) {
            result = 1;
            return;
        }
        if (!ACDWRITE1.DrivesInUse().isEmpty()) {
            MsgBox(BurnText::discInUse(ACDWRITE1.DrivesInUse()), Mb::OKOnly | Mb::Exclamation, kAppTitle);
            return;
        }
        MsgBox(QStringLiteral("No CD Writer Found or Could Not Initialize CD Writer\n"
                              "If You Have A CD Writer, You May Need To Re-Install Drivers.") +
                   CdAccessNote(),
               Mb::OKOnly, kAppTitle);
    });
    return result;
}

int WriterSelection::LookForWriters()
{
    if (Get_Burner_Drive() != 1)
        return 0;
    LoadBurnerCombo();
    DetermineDriverForFirstCDR();
    return Combo2.count() > 0 ? 1 : 0;
}

void WriterSelection::LoadBurnerCombo()
{
    Trap trap(kModule, QStringLiteral("LoadBurnerCombo"));
    trap([&] { Combo2.clear(); });
    trap([&] {
        const int count = ACDWRITE1.WriterCount();
        for (int i = 1; i <= count; ++i) {
            Combo2.addItem(EntryText(ACDWRITE1.WriterName(i - 1)));
            Combo2.setCurrentIndex(0);
        }
    });
    trap([&] {
        if (Combo2.count() == 0)
            MsgBox(QStringLiteral("No CD Writer Found On Your Computer"), Mb::OKOnly, kAppTitle);
    });
}

void WriterSelection::DetermineDriverForFirstCDR()
{
    Trap trap(kModule, QStringLiteral("DetermineDriverForFirstCDR"));
    bool found = false;
    trap([&] {
        for (int i = 0; i < Combo2.count(); ++i) {
            if (driverTest(i)) {
                Combo2.setCurrentIndex(i);
                found = true;
                return;
            }
        }
    });
    if (!found)
        trap([&] { driverMessage(Mb::Exclamation); });
}

void WriterSelection::DetermineDriver()
{
    Trap trap(kModule, QStringLiteral("DetermineDriver"));
    trap([&] {
        if (!driverTest(Combo2.currentIndex()))
            driverMessage(Mb::NoIcon);
    });
}

int WriterSelection::CheckIfBurnerSelected()
{
    Trap trap(kModule, QStringLiteral("CheckIfBurnerSelected"));
    int result = 1;
    trap([&] {
        if (driverTest(Combo2.currentIndex())) {
            result = 0;
            return;
        }
        driverMessage(Mb::Exclamation);
    });
    return result;
}

void WriterSelection::ResetBurner()
{
    Trap trap(kModule, QStringLiteral("ResetBurner"));
    int selected = -1;
    trap([&] { selected = Combo2.currentIndex(); });
    trap([&] { ACDWRITE1.Reset(); });
    trap([&] { Get_Burner_Drive(); });
    trap([&] { DetermineDriver(); });
    trap([&] { Combo2.setCurrentIndex(selected); });
}

QString WriterSelection::SelectedWriterDevice() const
{
    return ACDWRITE1.WriterDevice(Combo2.currentIndex());
}
