#include "fixture.h"

#include "platform/errors.h"
#include "platform/appcontext.h"
#include <QLocale>

using ErrorLog = AppFixture;

TEST_F(ErrorLog, TwoErrorsInARowWriteTwoCompleteRecords)
{
    prompt.answers = {Mb::Yes, Mb::Yes};
    LogError(QStringLiteral("modMP3"), QStringLiteral("Main"), 53, QStringLiteral("File not found"),
             QStringLiteral("Quillory"));
    LogError(QStringLiteral("frmPlay"), QStringLiteral("Form_Load"), -2147024809, QStringLiteral("Bad"),
             QStringLiteral("Src"));
    const QByteArray log = readAll(programFile(QStringLiteral("QuilloryError.log")));
    const QList<QByteArray> lines = log.split('\n');
    ASSERT_EQ(lines.size(), 21); // 20 lines plus what follows the last LF
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(lines[i].endsWith('\r')) << i;
    const QString date = QLocale::system().toString(clock.now().date(), QLocale::ShortFormat) + " 12:00:00";
    const QByteArray first = "***** Error event record *****\r\n"
                             "Event occured at: " + date.toUtf8() + "\r\n"
                             "Program Version: 1.60.0000\r\n"
                             "Module Name : modMP3\r\n"
                             "Procedure   : Main\r\n"
                             "Error number: 53\r\n"
                             "Error descr : File not found\r\n"
                             "Error Source: Quillory\r\n"
                             "========================================\r\n"
                             "\r\n";
    EXPECT_EQ(log.left(first.size()), first);
    EXPECT_TRUE(log.mid(first.size()).contains("Error number: -2147024809\r\n"));
    EXPECT_TRUE(log.endsWith("========================================\r\n\r\n"));
    EXPECT_EQ(exitSeam.calls, 0);
}

TEST_F(ErrorLog, BoxTextIsExactAndNoEndsTheProgram)
{
    prompt.answers = {Mb::No};
    EXPECT_THROW(LogError(QStringLiteral("frmCD"), QStringLiteral("GetCDID"), 0, QStringLiteral("Desc"),
                          QStringLiteral("Src")),
                 ProgramEnded);
    ASSERT_EQ(prompt.asked.size(), 1u);
    const PromptRecord& r = prompt.asked[0];
    EXPECT_EQ(r.title, QStringLiteral("Quillory Error"));
    EXPECT_EQ(r.style, Mb::YesNo | Mb::Exclamation);
    const QString expected = QStringLiteral(
        "Program Error\r\nProgram Version: 1.60.0000\r\nModule Name : frmCD\r\nProcedure    : GetCDID\r\n"
        "Error Source : Src\r\nError Number: 0\r\nError Desc    : Desc\r\n\r\n"
        "Please e-mail above error information\r\nand/or the QuilloryError.log file from\r\n"
        "your Quillory Folder to\r\nsupport@quillory.example\r\n\r\n"
        "You may be able to continue without \r\nproblems or the program may behave  \r\n"
        "erratically, depending on the type of error. \r\n\r\nDo you wish to try to continue?");
    EXPECT_EQ(r.text, expected);
    EXPECT_EQ(exitSeam.calls, 1);
}

TEST_F(ErrorLog, TrapLogsAndGoesOnWithTheNextStep)
{
    prompt.answers = {Mb::Yes};
    Trap trap(QStringLiteral("modMP3"), QStringLiteral("Demo"));
    int ran = 0;
    EXPECT_FALSE(trap([&] { throw AppError(Err::FileNotFound, QStringLiteral("File not found")); }));
    EXPECT_TRUE(trap([&] { ++ran; }));
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(trap.failures(), 1);
    EXPECT_TRUE(readAll(programFile(QStringLiteral("QuilloryError.log"))).contains("Procedure   : Demo\r\n"));
}

TEST_F(ErrorLog, UnwritableLogStillShowsTheBox)
{
    AppContext::setCurrent(AppContext(programDir() + QStringLiteral("missing/folder"), homeDir()));
    prompt.answers = {Mb::Yes};
    LogError(QStringLiteral("m"), QStringLiteral("p"), 1, QStringLiteral("d"), QStringLiteral("s"));
    EXPECT_EQ(prompt.asked.size(), 1u);
}
