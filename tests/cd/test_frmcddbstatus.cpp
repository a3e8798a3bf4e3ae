// The CDDB status window.
#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>

#include "cd/cddbclient.h"
#include "cd/frmcddbstatus.h"
#include "fixture.h"
#include "platform/forms.h"

class CddbStatusWindow : public AppFixture {};

TEST_F(CddbStatusWindow, ShowsRepliesAsPlainTextCentredAndOnTop)
{
    auto& w = Forms::get<frmCDDBStatus>();
    EXPECT_EQ(w.Caption(), "CDDB Status");
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    // Server text that looks like markup is shown as it came.
    const QString reply = "210 rock 0901e002 <b>entry</b> follows\r\nDTITLE=AC/DC / Back In Black\r\n"
                          "TTITLE0=Hells Bells\r\nTTITLE1=Shoot to Thrill\r\n.\r\n";
    w.Label1->setText(reply);
    EXPECT_EQ(w.Label1->textFormat(), Qt::PlainText);
    w.Show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.isVisible());

    const QString dir = QStringLiteral(QUILLORY_PROGRAM_DIR) + "/../screenshots";
    QDir().mkpath(dir);
    EXPECT_TRUE(w.grab().save(dir + "/frmCDDBStatus.png"));
}
