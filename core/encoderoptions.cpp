#include "core/encoderoptions.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <optional>

#include "platform/errors.h"
#include "core/globals.h"

namespace {
const QString kModule = QStringLiteral("modMP3");
}

QString fnGetCBRVBR()
{
    QString options = QStringLiteral("-f ");
    Trap trap(kModule, QStringLiteral("fnGetCBRVBR"));
    trap([&] {
        const QString preset = EncoderMode.left(4).toUpper();
        if (preset == QLatin1String("CBR1"))
            options = QStringLiteral("-f ");
        else if (preset == QLatin1String("CBR2"))
            options = QString();
        else if (preset == QLatin1String("VBR1"))
            options = QStringLiteral("-v -V 0 ");
        else if (preset == QLatin1String("VBR2"))
            options = QStringLiteral("-v -V 4 ");
        else if (preset == QLatin1String("VBR3"))
            options = QStringLiteral("-v -V 9 ");
        else
            options = QStringLiteral("-f ");
    });
    return options;
}

double getencoderratio(const QString& rateText)
{
    try {
        // An empty factor counts as 0.
        std::optional<double> rate;
        if (rateText.contains(QLatin1String("320")))
            rate = 128.0 / 320.0;
        if (rateText.contains(QLatin1String("256")))
            rate = 128.0 / 256.0;
        if (rateText.contains(QLatin1String("192")))
            rate = 128.0 / 192.0;
        if (rateText.contains(QLatin1String("128")))
            rate = 1.0;
        if (rateText.contains(QLatin1String("64")))
            rate = 2.0;
        const QString three = EncoderMode.left(3).toUpper();
        const QString four = EncoderMode.left(4).toUpper();
        std::optional<double> mode;
        if (three == QLatin1String("CBR"))
            mode = 1.0;
        if (four == QLatin1String("VBR1"))
            mode = 0.66;
        else if (four == QLatin1String("VBR2"))
            mode = 0.9;
        else if (four == QLatin1String("VBR3"))
            mode = 0.94;
        if (three == QLatin1String("VBR") && rate && *rate == 2.0)
            rate = 1.0;
        if (three == QLatin1String("VBR") && rate.value_or(0.0) < 1.0)
            mode = 1.0;
        return (rate.value_or(0.0) * 11.0) * mode.value_or(0.0);
    } catch (...) {
        return 1.0;
    }
}

QString BitRateOptionText(bool b320, bool b256, bool b192, bool b128, bool b64)
{
    QString rate;
    if (b320)
        rate = QStringLiteral("-b320 ");
    if (b256)
        rate = QStringLiteral("-b256 ");
    if (b192)
        rate = QStringLiteral("-b192 ");
    if (b128)
        rate = QStringLiteral("-b128 ");
    if (b64)
        rate = QStringLiteral("-b64 ");
    return rate;
}

QString GetWindowsSysDir()
{
    QString dir;
    Trap trap(kModule, QStringLiteral("GetWindowsSysDir"));
    trap([&] {
        const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
        if (!lame.isEmpty())
            dir = QFileInfo(lame).absolutePath();
    });
    if (!dir.endsWith('/'))
        dir += '/';
    return dir;
}

EncoderCommand BuildEncoderCommand(const QString& rateText, const QString& wavPath, const QString& mp3Path)
{
    EncoderCommand c;
    const QString dir = GetWindowsSysDir();
    const QString options = fnGetCBRVBR();
    c.program = dir + QStringLiteral("lame");
    c.arguments = (options + rateText).split(' ', Qt::SkipEmptyParts);
    c.arguments << QStringLiteral("--nohist") << wavPath << mp3Path;
    c.display = dir + QStringLiteral("lame ") + options + rateText + '"' + wavPath + QStringLiteral("\" \"") +
                mp3Path + '"';
    return c;
}

QString EncoderSelectionText(const QString& mode)
{
    if (mode.contains(QLatin1String("CBR"), Qt::CaseInsensitive))
        return QStringLiteral("Constant Bit Rate ") + mode;
    return QStringLiteral("Variable Bit Rate ") + mode;
}

