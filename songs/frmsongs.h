#pragma once
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

#include "core/mp3tags.h"
#include "shell/featureform.h"

class FolderNames;
class Mp3Play;
class QListWidget;
class ListItem;

// The song library and playlist editor ("PlayLists"): the songs of the music folder joined
// with the song catalogue, the saved playlists, and the commands that build, save and delete
// playlists, edit and delete songs, give a playlist a cover and gather MP3 files.
class frmSongs : public FeatureForm {
    Q_OBJECT
public:
    frmSongs();
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    // The layout is fixed: resizing changes nothing.
    void Form_Resize() {}

    // Lists.
    ListView* ListView2; // the songs of the music folder: title, artist, length, CD title, category
    ListView* ListView1; // the songs of the playlist shown or being built
    ListView* ListView3; // the saved playlists
    Mp3Play* Mp3Play1;   // the window's MP3 control; its listing reads files on worker threads, not on it
    QListWidget* lstDirs; // never shown; the move job keeps its own list of folders to search

    // Labels.
    Label* Label28;      // "(Current Music Folder=...)"
    Label* Label6;       // "Songs In Music Folder Are Shown Below"
    Label* Label3;       // "Total Play Time = m:ss"
    Label* Label17;      // playlist list hint
    Label* Label2;       // song list hint
    Label* Label12;      // playlist songs hint
    Label* lblTitle;
    Label* lblArtist;
    Label* lblLength;
    Label* lblCDTitle;
    Label* lblCategory;
    TextBox* text1;      // search text

    // Buttons.
    SSCommand* SSAdd;
    SSCommand* SSEdit;
    SSCommand* SSSave;
    SSCommand* SSCancel;
    SSCommand* SSDelete;
    SSCommand* SSEditMP3;
    SSCommand* SSDeleteMP3;
    SSCommand* SSPicEdit;
    SSCommand* SSSearch;
    SSCommand* sscmdMoveFiles;
    SSCommand* SSCommand1; // "Change Folder"

    // The shared chrome under this window's own names: menu-bar labels ...
    Label* Label22; // "File"
    Label* Label8;  // "Configure"
    Label* Label11; // "Skins"
    Label* Label5;  // "Help"
    Label* Label16; // "WebSites"
    // ... and the caption labels of the navigation pictures.
    Label* Label10; // "Quillory"
    Label* Label13; // "MP3 Player"
    Label* Label14; // "CD/MP3 Encoder"
    Label* Label7;  // "Converter"
    Label* Label9;  // "CD Burner"
    Label* Label15; // "Exit"

    // Form-level state.
    int16_t NewPlaylistFlag = 0;
    int16_t EditPlaylistFlag = 0;
    std::array<int16_t, 6> ColumnSortFlags{};

    // Sorting and search.
    void ListView2_ColumnClick(int header); // 1-based header index
    void lblTitle_Click();
    void lblArtist_Click();
    void lblLength_Click();
    void lblCDTitle_Click();
    void lblCategory_Click();
    void SSSearch_Click();

    // Playlist viewing and building.
    void ListView3_Click();
    void ListView2_Click();
    void ListView1_DblClick();
    void SSAdd_Click();
    void SSEdit_Click();
    void SSCancel_Click();

    // Saving and deleting playlists.
    void SSSave_Click();
    void SSDelete_Click();

    // Songs.
    void SSEditMP3_Click();
    void SSDeleteMP3_Click();
    void SSPicEdit_Click();

    // Moving MP3 files into the My Music folder.
    void sscmdMoveFiles_Click();
    // Moves sourceFolder + sourceName into targetFolder as songFile, or as "name(n).mp3" when
    // that name is taken by a file of another size; a file of the same size stays where it is.
    // sourceName is the file's real name (empty = songFile).
    void CheckDuplicateMP3(const QString& targetFolder, const QString& sourceFolder, const QString& songFile,
                           const QString& sourceName = QString());

    // Navigation and menus.
    void picPlayer_Click() override;
    void picConvert_Click() override;
    void SSCommand1_Click();
    void Label28_MouseMove();
    void Label6_MouseMove();

    // The row texts of a list row: text and sub-items 1 to 4.
    static QStringList RowTexts(const ListItem* item);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // musicFiles: the files of the music folder in the file list's order.
    void loadSongs(const FolderNames& musicFiles);
    void loadPlaylists(const FolderNames& musicFiles);
    void setIdleButtons();
    void showTotal();
    // Starts the walk that gathers MP3 files into My Music; the window is disabled until it ends,
    // and then loaded afresh.
    void MoveAllMP3Files();
};
