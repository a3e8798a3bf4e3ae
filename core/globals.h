#pragma once
// The program-wide variables. Each exists once for the whole run and starts at 0,
// empty text or no object. Flags are 16-bit and compared with one exact value:
// window flags 1 / 0, abort flags 0 / -1, OptionsFromCD -1.
#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>

#include "library/catalogues.h"

inline int16_t Refreshing = 0;
inline int32_t LastWindow = 0; // id of the window that was in front before the converter choice opened
inline int16_t OptionsFromCD = 0;
inline int16_t SwitchingWindow = 0;
inline QString SkinName;
inline int16_t SkinFlag = 0;
inline QVariant SkinForeColor;
inline QVariant SkinBackColor;
inline QString EditSongTitle;
inline QString EditSongArtist;
inline QString CDPlayState;
inline int16_t StoppedOnPurpose = 0;
inline int16_t PlayerStarted = 0;
inline QString MusicFolder;          // always ends in "/"
inline int16_t ConversionRunning = 0;
inline int16_t ProgressPercent = 0;
inline QString CDPosTrack;
inline QString CDPosMin;
inline QString CDPosSec;
inline QString CDPosFrame;
inline int16_t CDPlayerFailed = 0;
inline QString CDDriveLetter;        // the CD drive's device path ("/dev/sr0") or a disc image
inline double PixelScale = 1.0;
inline int16_t EncodeOutputMode = 0;
inline QString EncoderMode;
inline int16_t SkipAutoCreateClick = 0;
inline QString AutoPlaylistName;
inline QString AppDriveRoot;         // the home folder, with "/"
inline QString DefaultMusicFolder;   // AppDriveRoot + "My Music/"
inline QString CDDBServer;
inline int32_t CDDBPort = 0;         // wide: ports above 32767 are valid
inline QString CDDBEmail;
inline int16_t RipAbort = 0;
inline int16_t DecodeAbort = 0;
inline int16_t EncodeAbort = 0;
inline int16_t BurnAbort = 0;

// The five catalogues, created and loaded at start-up, released at exit.
inline std::unique_ptr<colMp3> SongLibrary;
inline std::unique_ptr<colPlaylist> Playlists;
inline std::unique_ptr<colPlaylist> RecentList;
inline std::unique_ptr<colCD> CDLibrary;
inline std::unique_ptr<colCategory> Categories;

// Puts every program-wide variable back to its starting value (tests; the catalogues are released).
void ResetGlobals();
