#include "core/globals.h"

#include "library/catalogues.h"

void ResetGlobals()
{
    Refreshing = 0;
    LastWindow = 0;
    OptionsFromCD = 0;
    SwitchingWindow = 0;
    SkinName.clear();
    SkinFlag = 0;
    SkinForeColor = QVariant();
    SkinBackColor = QVariant();
    EditSongTitle.clear();
    EditSongArtist.clear();
    CDPlayState.clear();
    StoppedOnPurpose = 0;
    PlayerStarted = 0;
    MusicFolder.clear();
    ConversionRunning = 0;
    ProgressPercent = 0;
    CDPosTrack.clear();
    CDPosMin.clear();
    CDPosSec.clear();
    CDPosFrame.clear();
    CDPlayerFailed = 0;
    CDDriveLetter.clear();
    PixelScale = 1.0;
    EncodeOutputMode = 0;
    EncoderMode.clear();
    SkipAutoCreateClick = 0;
    AutoPlaylistName.clear();
    AppDriveRoot.clear();
    DefaultMusicFolder.clear();
    CDDBServer.clear();
    CDDBPort = 0;
    CDDBEmail.clear();
    RipAbort = 0;
    DecodeAbort = 0;
    EncodeAbort = 0;
    BurnAbort = 0;
    SongLibrary.reset();
    Playlists.reset();
    RecentList.reset();
    CDLibrary.reset();
    Categories.reset();
}
