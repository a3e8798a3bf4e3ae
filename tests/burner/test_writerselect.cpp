// Writer detection and selection of the burner window, over image writers.
#include <QFileInfo>

#include "burner/writerselect.h"
#include "controls/acdwrite.h"
#include "controls/acdwrite_image.h"
#include "fixture.h"
#include "platform/cddrives.h"
#include "platform/controls.h"

namespace {

const QString kNoWriter = QStringLiteral("No CD Writer Found or Could Not Initialize CD Writer\n"
                                         "If You Have A CD Writer, You May Need To Re-Install Drivers.");
const QString kNoneListed = QStringLiteral("No CD Writer Found On Your Computer");
const QString kDriver = QStringLiteral("Could Not Determine Your CD Writer Driver.\n"
                                       "Make Sure You Have Selected Your CD Writer In The Drop Down List.");

struct Writer {
    QString name;
    int driver;
};

class WriterSelectionTest : public AppFixture {
protected:
    void TearDown() override
    {
        ImageWriters::setInjected({});
        AppFixture::TearDown();
    }
    // Image writers with these names and driver numbers, in this order.
    void inject(const std::vector<Writer>& writers)
    {
        std::vector<QString> cues;
        std::vector<ImageWriterSetup> specs;
        for (size_t i = 0; i < writers.size(); ++i) {
            ImageWriterSetup s;
            s.cuePath = homeDir() + QStringLiteral("w%1.cue").arg(i);
            s.name = writers[i].name;
            s.driver = writers[i].driver;
            cues.push_back(s.cuePath);
            specs.push_back(s);
        }
        CdDrives::setInjectedImages(cues);
        ImageWriters::setInjected(specs);
    }
    // The burner window's load: Get_Burner_Drive, then the list and the first usable writer.
    void load()
    {
        if (sel.Get_Burner_Drive() == 1) {
            sel.LoadBurnerCombo();
            sel.DetermineDriverForFirstCDR();
        }
    }
    QStringList entries() const
    {
        QStringList out;
        for (int i = 0; i < combo.count(); ++i)
            out << combo.itemText(i);
        return out;
    }

    ACDWRITE control;
    ComboBox combo;
    WriterSelection sel{control, combo};
};

TEST_F(WriterSelectionTest, EntryTextIsTheFirstTwentyCharactersWithoutTheFirstTab)
{
    const QString tabbed = QStringLiteral("ABCDEFGH\tIJKLMNOPQRSTUVWXYZ0123").left(30);
    ASSERT_EQ(tabbed.size(), 30);
    EXPECT_EQ(WriterSelection::EntryText(tabbed), QStringLiteral("ABCDEFGHIJKLMNOPQRS"));
    EXPECT_EQ(WriterSelection::EntryText(QStringLiteral("1234567890123456789012345")),
              QStringLiteral("12345678901234567890"));
    EXPECT_EQ(WriterSelection::EntryText(QStringLiteral("A\tB\tC")), QStringLiteral("AB\tC"));
    EXPECT_EQ(WriterSelection::EntryText(QStringLiteral("12345678901234567890\tX")),
              QStringLiteral("12345678901234567890"));

    inject({{tabbed, 1}, {QStringLiteral("Short"), 1}});
    load();
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("ABCDEFGHIJKLMNOPQRS"), QStringLiteral("Short")}));
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(WriterSelectionTest, TheFirstWriterWithAUsableDriverIsChosenAndHandedOver)
{
    inject({{QStringLiteral("Zero"), 0}, {QStringLiteral("Five"), 5}});
    load();
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_EQ(control.SelectedWriter(), 1);
    EXPECT_EQ(control.Driver(), 5);
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(sel.SelectedWriterDevice(), homeDir() + QStringLiteral("w1.cue"));
}

TEST_F(WriterSelectionTest, DriverNumbersOneToNinetyNineAreUsable)
{
    struct Case {
        int driver;
        bool usable;
    };
    for (const Case c : {Case{100, false}, Case{99, true}, Case{1, true}, Case{0, false}, Case{-3, false}}) {
        SCOPED_TRACE(c.driver);
        prompt.asked.clear();
        inject({{QStringLiteral("Writer"), c.driver}});
        load();
        EXPECT_EQ(prompt.asked.size(), c.usable ? 0u : 1u);
        if (!c.usable) {
            EXPECT_EQ(prompt.last().text, kDriver);
            EXPECT_EQ(prompt.last().style, Mb::OKOnly | Mb::Exclamation);
            EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory"));
        }
        prompt.asked.clear();
        EXPECT_EQ(sel.CheckIfBurnerSelected(), c.usable ? 0 : 1);
        sel.DetermineDriver();
        if (c.usable) {
            EXPECT_EQ(control.Driver(), c.driver);
            EXPECT_TRUE(prompt.asked.empty());
        } else {
            // The gate warns with the exclamation icon, DetermineDriver without an icon.
            ASSERT_EQ(prompt.asked.size(), 2u);
            EXPECT_EQ(prompt.asked[0].style, Mb::OKOnly | Mb::Exclamation);
            EXPECT_EQ(prompt.asked[1].text, kDriver);
            EXPECT_EQ(prompt.asked[1].style, Mb::OKOnly);
        }
    }
}

TEST_F(WriterSelectionTest, NoWriterAtAllIsReportedWithoutAnErrorBox)
{
    EXPECT_EQ(control.InitWriter(), 1);
    EXPECT_EQ(sel.Get_Burner_Drive(), 0);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.last().text, kNoWriter);
    EXPECT_EQ(prompt.last().style, Mb::OKOnly);
    EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory"));
    EXPECT_EQ(combo.count(), 0);
    EXPECT_FALSE(QFileInfo::exists(programFile(QStringLiteral("QuilloryError.log"))));

    // Filling the list anyway lists nothing and says so, then the driver message follows.
    prompt.asked.clear();
    sel.LoadBurnerCombo();
    sel.DetermineDriverForFirstCDR();
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[0].text, kNoneListed);
    EXPECT_EQ(prompt.asked[0].style, Mb::OKOnly);
    EXPECT_EQ(prompt.asked[1].text, kDriver);
    EXPECT_EQ(prompt.asked[1].style, Mb::OKOnly | Mb::Exclamation);
    EXPECT_EQ(sel.CheckIfBurnerSelected(), 1);
    EXPECT_EQ(sel.SelectedWriterDevice(), QString());
    EXPECT_FALSE(QFileInfo::exists(programFile(QStringLiteral("QuilloryError.log"))));
}

TEST_F(WriterSelectionTest, ResetBurnerKeepsTheUsersChoice)
{
    inject({{QStringLiteral("One"), 1}, {QStringLiteral("Two"), 2}, {QStringLiteral("Three"), 3}});
    load();
    EXPECT_EQ(combo.currentIndex(), 0);
    combo.setCurrentIndex(2); // the user picks another writer; nothing reacts yet
    EXPECT_EQ(control.Driver(), 1);
    sel.ResetBurner();
    EXPECT_EQ(combo.currentIndex(), 2);
    EXPECT_EQ(entries().size(), 3);
    EXPECT_EQ(control.SelectedWriter(), 2);
    EXPECT_EQ(control.Driver(), 3);
    EXPECT_EQ(sel.SelectedWriterDevice(), homeDir() + QStringLiteral("w2.cue"));
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(WriterSelectionTest, TheWriterIsAddressedByItsOwnDeviceNotByDrivePosition)
{
    // A reading drive comes first in the drive list; the only writer is the second drive.
    const QString reader = homeDir() + QStringLiteral("reader.cue");
    const QString writer = homeDir() + QStringLiteral("writer.cue");
    CdDrives::setInjectedImages({reader, writer});
    ImageWriterSetup s;
    s.cuePath = writer;
    ImageWriters::setInjected({s});
    load();
    ASSERT_EQ(combo.count(), 1);
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(CdDrives::list().at(0).device, reader);
    EXPECT_EQ(sel.SelectedWriterDevice(), writer);
}

} // namespace
