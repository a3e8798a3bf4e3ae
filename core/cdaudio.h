#pragma once
// The program's one road to the audio-CD device: each method sends one or a few
// command strings to the device opened under the alias "cd" and reads the replies
// from fixed-size buffers, as the string interface hands them over.
#include <QString>
#include <cstdint>

class CDAudio {
public:
    void SetFormat_msf();
    // The track's start as mm:ss:ff, padded with NUL characters to 30 characters.
    QString GetTrackStart(int32_t tracknum);
    void StartPlay();
    void PlayTrack(int16_t track);
    void PlayLastTrack(int16_t track);
    void SetTrack(int16_t track);
    void StopPlay();
    void PausePlay();
    // The device's result: MciErr::DeviceLocked when the disc is in use and stays in.
    unsigned EjectCD();
    void CloseCD();
    void UnloadAll();
    // 0 = the device opened, 1 = it did not.
    int16_t SetCDPlayerReady();
    void SetFormat_tmsf();
    void SetFormat_milliseconds();
    // 1 = no disc, 0 = a disc (or no answer).
    int16_t CheckCD();
    int16_t GetNumTracks();
    // The disc's length in the current time format, as the 30-character reply buffer.
    QString GetCDLength();
    QString GetTrackLength(int32_t tracknum);
    // Sets CDPosTrack, CDPosMin, CDPosSec and CDPosFrame from the tmsf position.
    void GetCDPosition();
    int16_t CheckIfPlaying();
    void SeekCDtoX(int16_t track);
    // 0 = device open and ready (time format tmsf), 1 = open failed.
    int16_t ReadyDevice();
    void FastForward(int32_t Spd);
    void ReWind(int32_t Spd);
    // "Play", "Stop", "Eject", "Seek", "Pause", "Ready", "NotOpen" or empty.
    QString Mode();

private:
    void skip(int32_t Spd, int sign, const char* procedure);
    char ModeReply[30] = {};
};

// Text-to-number conversions that fail the way the program's handlers expect:
// AppError 13 (type mismatch) for a text that is not a number, 6 (overflow) when out of range.
// Blanks around the number are allowed; fractions round half to even.
int16_t TextToInt16(const QString& text);
int32_t TextToInt32(const QString& text);
