#pragma once
// Turns the encoder preset (EncoderMode) and a bit-rate choice into what an encoder run
// needs.
#include <QString>
#include <QStringList>

// Encoder quality options for the current preset ("-f ", "", "-v -V 0 ", ...).
QString fnGetCBRVBR();
// Expected ratio of WAV bytes to MP3 bytes for a bit-rate option text ("-b128 ") and the current preset.
double getencoderratio(const QString& rateText);
// The encoder's bit-rate option for the ticked rate buttons ("-b320 " ... "-b64 "): each ticked
// button replaces the text in this order, so the lowest ticked rate wins; "" when none is ticked.
QString BitRateOptionText(bool b320, bool b256, bool b192, bool b128, bool b64);
// The folder the encoder is started from, ending in "/" ("/" alone when it is not installed).
QString GetWindowsSysDir();

// One encoder run: the program and its arguments (no shell), and the same command as one
// line for logs and messages.
struct EncoderCommand {
    QString program;
    QStringList arguments;
    QString display;
};
EncoderCommand BuildEncoderCommand(const QString& rateText, const QString& wavPath, const QString& mp3Path);

// The bit-rate text the encoder windows show for a preset:
// "Constant Bit Rate CBR1" or "Variable Bit Rate VBR2".
QString EncoderSelectionText(const QString& mode);
