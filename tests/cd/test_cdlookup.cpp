// The CD window's CDDB lookup and its Save: the disc's records in the CD catalogue,
// against a CDDB server played by the test on 127.0.0.1.
#include <gtest/gtest.h>

#include "cd/frmcddbstatus.h"
#include "cdwindowfixture.h"
#include "fakecddb.h"

class CdLookup : public CdWindowTest {
protected:
    frmCD& start()
    {
        insertDisc({4500 * 4 + 12 * 75, 300, 300});
        frmCD& cd = loadCd();
        cd.Timer1->stop();
        id = cd.state().cdidb.toLower().toLatin1();
        writeSettings("me@example.org");
        fake.replies["cddb query"] = "200 rock " + id + " The Band / The Disc\r\n";
        fake.replies["cddb read"] = "210 rock " + id + " CD database entry follows (until terminating `.')\r\n"
                                    "# xmcd\r\nDISCID=" + id + "\r\nDTITLE=The Band / The Disc\r\n"
                                    "TTITLE0=One\r\nTTITLE1=Two\r\nEXTD=\r\n.\r\n";
        return cd;
    }
    void writeSettings(const QByteArray& email)
    {
        writeAll(programFile(QStringLiteral("cddb.ini")),
                 "Email=" + email + "\r\nServer=127.0.0.1\r\nPort=" + QByteArray::number(fake.port()) + "\r\n");
    }
    // The catalogue's records of the disc: title, length, selected.
    QStringList records() const
    {
        QStringList out;
        for (qsizetype i = 1; i <= CDLibrary->Count(); ++i) {
            const auto r = CDLibrary->Item(i);
            if (r->CDID().compare(QString::fromLatin1(id), Qt::CaseInsensitive) == 0)
                out << r->TrackTitle() + '|' + r->TrackLength() + '|' + r->TrackSelected() + '|' + r->artist() + '|' +
                           r->CDTitle() + '|' + r->Category();
        }
        return out;
    }
    FakeCddb fake;
    QByteArray id;
};

TEST_F(CdLookup, LookupFillsTheWindowAndReplacesTheDiscsRecords)
{
    frmCD& cd = start();
    CDLibrary->Add(QString::fromLatin1(id).toUpper(), "Old", "Old", "Old", "00:01", "", "", "Yes");
    CDLibrary->Add(QStringLiteral("FFFFFFFF"), "Keep", "Keep", "Keep", "00:01", "", "", "No");
    cd.picCDDB_Click();
    EXPECT_TRUE(prompt.asked.empty()) << prompt.messageTexts().join(" | ").toStdString();
    EXPECT_EQ(Forms::find<frmCDDBStatus>(), nullptr);
    EXPECT_EQ(cd.txtArtist->text(), QStringLiteral("The Band"));
    EXPECT_EQ(cd.txtCDTitle->text(), QStringLiteral("The Disc"));
    EXPECT_EQ(cd.txtcategory->text(), QStringLiteral("rock"));
    ASSERT_EQ(cd.ListView1->topLevelItemCount(), 3);
    EXPECT_EQ(row(cd, 1), (QStringList{"One", "1", "04:12"}));
    EXPECT_EQ(row(cd, 3), (QStringList{"", "3", "00:04"})); // no title in the reply
    EXPECT_TRUE(cd.ListView1->selectedItems().isEmpty());
    EXPECT_EQ(records(), (QStringList{"One|04:12|No|The Band|The Disc|rock", "Two|00:04|No|The Band|The Disc|rock",
                                      "|00:04|No|The Band|The Disc|rock"}));
    EXPECT_EQ(CDLibrary->Count(), 4);
    EXPECT_TRUE(readAll(programFile(QStringLiteral("cd.mpd"))).contains("The Disc"));

    // Save keeps what the window shows, edits and selection included, as the disc's one set.
    cd.ListView1->topLevelItem(0)->setText(0, QStringLiteral("Uno"));
    cd.ListView1->topLevelItem(2)->setSelected(true);
    cd.sscmdSave_Click();
    EXPECT_EQ(records(), (QStringList{"Uno|04:12|No|The Band|The Disc|rock", "Two|00:04|No|The Band|The Disc|rock",
                                      "|00:04|Yes|The Band|The Disc|rock"}));
    EXPECT_TRUE(cd.ListView1->hasFocus() || !cd.isActiveWindow());

    // The next load of the disc shows the saved set.
    Forms::unload(&cd);
    settle();
    frmCD& again = loadCd();
    EXPECT_EQ(row(again, 1), (QStringList{"Uno", "1", "04:12"}));
    EXPECT_TRUE(again.ListView1->topLevelItem(2)->isSelected());
    EXPECT_FALSE(again.ListView1->topLevelItem(0)->isSelected());
}

TEST_F(CdLookup, SaveBeforeAnyLookupStoresThePlaceholders)
{
    frmCD& cd = start();
    cd.sscmdSave_Click();
    EXPECT_EQ(records(), (QStringList{"Track No. 1|04:12|No|Artist|CD Title|Category",
                                      "Track No. 2|00:04|No|Artist|CD Title|Category",
                                      "Track No. 3|00:04|No|Artist|CD Title|Category"}));
}

TEST_F(CdLookup, AFailedLookupChangesNothing)
{
    frmCD& cd = start();
    fake.replies["cddb query"] = "202 No match for disc ID " + id + ".\r\n";
    cd.picCDDB_Click();
    ASSERT_FALSE(prompt.asked.empty());
    EXPECT_EQ(cd.txtArtist->text(), QStringLiteral("Artist"));
    EXPECT_EQ(row(cd, 1).at(0), QStringLiteral("Track No. 1"));
    EXPECT_EQ(CDLibrary->Count(), 0);
    EXPECT_EQ(Forms::find<frmCDDBStatus>(), nullptr);
}

TEST_F(CdLookup, NoEmailAddressMeansNoLookup)
{
    frmCD& cd = start();
    writeSettings("");
    prompt.answers = {Mb::Cancel};
    cd.picCDDB_Click();
    ASSERT_EQ(prompt.asked.size(), 1u) << prompt.messageTexts().join(" | ").toStdString();
    EXPECT_EQ(prompt.last().text,
              QStringLiteral("You need to enter EMail information into the Configure window to access CDDB"));
    EXPECT_EQ(fake.connections, 0);
    EXPECT_EQ(Forms::find<frmCDDBStatus>(), nullptr);
}

TEST_F(CdLookup, ControlCharactersFromTheServerNeverReachTheCatalogue)
{
    frmCD& cd = start();
    fake.replies["cddb read"] = "210 rock " + id + " entry\r\nDISCID=" + id + "\r\nDTITLE=A\x01rtist / Ti\x1ftle\r\n"
                                "TTITLE0=On\x02" "e\r\n.\r\n";
    cd.picCDDB_Click();
    EXPECT_EQ(records().value(0), QStringLiteral("One|04:12|No|Artist|Title|rock"));
}

// Answers that give no entry leave the disc's names as stored, in the window and in the
// catalogue, and the user is told why.
TEST_F(CdLookup, AnUnusableAnswerKeepsTheStoredNames)
{
    frmCD& cd = start();
    cd.picCDDB_Click();
    ASSERT_EQ(cd.txtArtist->text(), QStringLiteral("The Band"));
    const QStringList stored = records();
    const QByteArray savedFile = readAll(programFile(QStringLiteral("cd.mpd")));
    const QByteArray exact = fake.replies["cddb query"];
    const struct {
        QByteArray query, read, message;
    } cases[] = {
        {"210 Found exact matches, list follows (until terminating `.')\r\nrock " + id + " A / B\r\n.\r\n", "",
         "Unexpected answer from CDDB: 210 Found exact matches, list follows (until terminating `.')"},
        {exact, "210 rock " + id + " CD database entry follows (until terminating `.')\r\n# xmcd\r\nDISCID=" + id +
                 "\r\n.\r\n",
         "The CD entry from CDDB has no disc title"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        prompt.asked.clear();
        fake.replies["cddb query"] = c.query;
        fake.replies["cddb read"] = c.read;
        cd.picCDDB_Click();
        EXPECT_EQ(prompt.messageTexts(), QStringList{QString::fromLatin1(c.message)});
        EXPECT_EQ(cd.txtArtist->text(), QStringLiteral("The Band"));
        EXPECT_EQ(cd.txtCDTitle->text(), QStringLiteral("The Disc"));
        EXPECT_EQ(row(cd, 1), (QStringList{"One", "1", "04:12"}));
        EXPECT_EQ(records(), stored);
        EXPECT_EQ(readAll(programFile(QStringLiteral("cd.mpd"))), savedFile);
    }
}
