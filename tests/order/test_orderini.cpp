#include "doubles.h"

#include "profile.h"

using namespace orderapp;
using ordertest::OrderFixture;

using OrderIni = OrderFixture;

TEST_F(OrderIni, MissingFileGivesDefaultsEverywhere)
{
    OrderInfo info;
    info.Program1Name = QStringLiteral("stale");
    const QString comment = ReadOrderIni(iniPath(), info);
    EXPECT_EQ(comment, QString());
    EXPECT_EQ(info.AuthorName, QStringLiteral("Author"));
    EXPECT_EQ(info.AuthorEmail, QStringLiteral("Author"));
    for (const QString* v : {&info.AuthorPhone, &info.Program1ID, &info.Program1Name, &info.Program1Price,
                             &info.Program2ID, &info.Program2Name, &info.Program2Price, &info.Program3ID,
                             &info.Program3Name, &info.Program3Price})
        EXPECT_TRUE(v->isNull() || v->isEmpty());

    // The windows still open, with an empty comment line and three blank product rows.
    order& start = order::showWindow();
    EXPECT_EQ(start.Label4->text(), QString());
    start.Option3->setChecked(true);
    start.btnNext_Click();
    fax* f = fax::loaded();
    ASSERT_NE(f, nullptr);
    for (QLabel* l : {f->Label5, f->Label6, f->Label7, f->Label12, f->Label8, f->Label11})
        EXPECT_EQ(l->text(), QString());
    web& w = web::showWindow();
    for (QLabel* l : {w.Label2, w.Label6, w.Label7, w.Label9, w.Label10, w.Label11})
        EXPECT_EQ(l->text(), QString());
}

TEST_F(OrderIni, PartialFileKeepsDefaultsForWhatIsMissing)
{
    writeIni("[programinfo]\r\n"
             "  program1name =  \"Quillory Standard\"  \r\n"
             "Program2Price='$9'\r\n"
             "Program3Name=\"unbalanced'\r\n"
             "Program3Price=\"\"\"\r\n"
             "; a note\r\n"
             "[AuthorInfo]\n"
             "AuthorPhone=   \n"
             "Comments='Ask us anything'\n");
    OrderInfo info;
    const QString comment = ReadOrderIni(iniPath(), info);
    EXPECT_EQ(comment, QStringLiteral("Ask us anything"));
    EXPECT_EQ(info.Program1Name, QStringLiteral("Quillory Standard"));
    EXPECT_EQ(info.Program2Price, QStringLiteral("$9"));
    EXPECT_EQ(info.Program3Name, QStringLiteral("\"unbalanced'"));
    EXPECT_EQ(info.Program3Price, QStringLiteral("\"")); // one pair removed, no more
    EXPECT_EQ(info.Program1Price, QString());
    EXPECT_EQ(info.AuthorPhone, QString());
    EXPECT_EQ(info.AuthorName, QStringLiteral("Author")); // key missing from its section
}

TEST_F(OrderIni, LongValuesAreCutAtTheBufferLimits)
{
    const QByteArray name(60, 'N');
    QByteArray comments(250, 'c');
    comments[0] = 'C';
    writeIni("[ProgramInfo]\nProgram1Name=" + name + "\n[AuthorInfo]\nComments=\"" + comments + "\"\n");
    order& start = order::showWindow();
    EXPECT_EQ(start.Label4->text(), QString::fromLatin1(comments.left(199)));
    EXPECT_EQ(Info().Program1Name, QString(49, QLatin1Char('N')));
    mail& m = mail::showWindow();
    EXPECT_EQ(m.Label5->text(), QString(49, QLatin1Char('N')));

    // Exactly at the limit nothing is lost; non-ASCII text counts characters, not bytes.
    writeIni("[X]\nA=" + QByteArray(49, 'a') + "\nB=" + QString(60, QChar(0x00e9)).toUtf8() + "\n");
    EXPECT_EQ(GetPrivateProfileString("x", "a", {}, 50, iniPath()), QString(49, QLatin1Char('a')));
    EXPECT_EQ(GetPrivateProfileString("X", "B", {}, 50, iniPath()), QString(49, QChar(0x00e9)));
    EXPECT_EQ(GetPrivateProfileString("X", "missing", QStringLiteral("Author"), 4, iniPath()), QStringLiteral("Aut"));
}

TEST_F(OrderIni, ShippedFileListsThreeProducts)
{
    const QString shipped = QStringLiteral(QUILLORY_PROGRAM_DIR "/order.ini");
    ASSERT_TRUE(QFile::exists(shipped));
    OrderInfo info;
    const QString comment = ReadOrderIni(shipped, info);
    EXPECT_FALSE(comment.isEmpty());
    EXPECT_FALSE(comment.startsWith(QLatin1Char('"')));
    for (const QString& v : {info.Program1Name, info.Program1Price, info.Program2Name, info.Program2Price,
                             info.Program3Name, info.Program3Price})
        EXPECT_FALSE(v.isEmpty());
    EXPECT_TRUE(info.AuthorEmail.endsWith(QLatin1String(".example")));
}
