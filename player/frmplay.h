#pragma once
#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <functional>

#include "shell/featureform.h"

class Mp3Play;
class QFrame;
class QLabel;
class QSlider;
class ListItem;

// The MP3 player window: the play list with its transport, shuffle play, the song browser
// and playlist picker on the right-hand pane, the cover view and the mini player.
class frmPlay : public FeatureForm {
    Q_OBJECT
public:
    frmPlay();
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

    // ---- controls ----
    Mp3Play* Mp3Play1;
    ListView* ListView1; // the play list: title, artist, length, number
    ListView* ListView2; // song browser: song, artist, length
    ListView* ListView3; // playlist names
    ListView* ListView4; // songs of the chosen playlist
    ListView* ListView5; // the shuffle pool, never shown
    TextBox* Text1;      // search text for the song browser
    TextBox* Text2;      // hidden: title of the current song
    TextBox* Text3;      // status line
    QSlider* Slider1;
    Label* Label20;      // "Vol"
    CheckBox* Check1;    // shuffle play
    Label* Label19;
    CheckBox* Check2;    // no duplicates
    Label* Label18;
    PictureBox* picPlay = nullptr;
    PictureBox* picPause = nullptr;
    PictureBox* picStop = nullptr;
    PictureBox* picPrev = nullptr;
    PictureBox* picNext = nullptr;
    PictureBox* picUpDown = nullptr;
    PictureBox* picPic = nullptr;
    QLabel* imgCover;    // cover picture (a plain picture: skins leave it alone)
    // Caption labels of the navigation pictures.
    Label* Label3;  // "Quillory"
    Label* Label5;  // "CD/MP3 Encoder"
    Label* Label21; // "Converter"
    Label* Label6;  // "PlayLists"
    Label* Label29; // "CD Burner"
    Label* Label7;  // "Exit"
    // Caption bar.
    Label* Label22; // "File"
    Label* Label30; // "Skins"
    Label* Label23; // "Configure"
    Label* Label27; // "WebSites"
    Label* Label14; // "Help"
    Label* Label28; // current music folder
    // Column labels, totals and hints.
    Label* Label8;  // browser column "Title "
    Label* Label9;  // browser column "Artist"
    Label* Label10; // browser column "Length"
    Label* Label11; // play list "Title"
    Label* Label12; // play list "Artist"
    Label* Label13; // play list "Length"
    Label* Label26; // play list "No."
    Label* Label2;  // total play time
    Label* Label24; // "Change Music Folder"
    Label* Label1;  // "Load MP3 Player From"
    Label* Label25; // browser hint
    Label* Label32; // add-all hint
    QFrame* Picture1;
    QFrame* Picture2;
    QFrame* Line1;
    QFrame* Line2;
    QFrame* Line3;
    QFrame* Line4;
    SSCommand* sscmdMP3;
    SSCommand* sscmdPlayLists;
    SSCommand* sscmdAddAll;
    SSCommand* sscmdMP3AddAll;
    SSCommand* sscmdClear;
    SSCommand* sscmdRemove;
    SSCommand* sscmdSearch;
    SSCommand* sscmdDone;
    SSCommand* SSCommand1;

    // ---- window state ----
    int16_t PlaySelectedNext = 0;
    int16_t NextPressed = 0;
    int16_t PreviousPressed = 0;
    int16_t upflag = 0;
    int16_t FlagPicDown = 0;
    QString JumpDigits;

    // Window size in twips, as the layouts give it.
    int widthTw() const { return m_wTw; }
    int heightTw() const { return m_hTw; }
    void setSizeTw(int widthTwips, int heightTwips);
    bool isTopmost() const;

    // The shuffle pick draws from this; it returns a number in [0, 1). Tests may replace it.
    std::function<double()> random;

    // ---- playback ----
    void picPlay_Click();
    void picStop_Click();
    void picPause_Click();
    void picNext_Click();
    void picPrev_Click();
    void ListView1_Click();
    void Slider1_Click();
    void Mp3Play1_ThreadEnded();
    void Mp3Play1_ActFrame(int32_t frame);
    void Form_KeyPress(int key);
    // The status line for a title, artist, length text and elapsed seconds.
    static QString StatusLine(const QString& title, const QString& artist, const QString& total, double secs);

    // ---- shuffle ----
    bool shuffleplay();
    void reloadshuffle();
    void removefromshuffle();
    void Check1_Click();

    // ---- recent list ----
    void LoadRecentList();
    void SaveRecentList();

    // ---- browser and picker ----
    void ListView2_Click();
    void ListView2_DblClick();
    void ListView2_ColumnClick(int column);
    void ListView3_Click();
    void ListView4_Click();
    void sscmdMP3_Click();
    void sscmdMP3AddAll_Click();
    void sscmdPlayLists_Click();

    // ---- play list commands ----
    void sscmdAddAll_Click();
    void sscmdClear_Click();
    void sscmdRemove_Click();
    void sscmdDone_Click();
    void sscmdSearch_Click();
    void SSCommand1_Click();

    // ---- cover, layouts ----
    void Text2_Change();
    void picUpDown_Click();
    void picPic_Click();

    // ---- chrome ----
    void picQuillory_Click() override;
    void picConvert_Click() override;
    void picPlayLists_Click() override;
    void picBurner_Click() override;
    void picExit_Click() override;
    void OpenSettings() override;
    void hoverNav(PictureBox* over);
    void Label28_MouseMove();

    // Stops playback and closes the open song on the player's MP3 control.
    void Mp3Stop();
    void Mp3Close();

    // 1-based index of the selected row of a list, 0 when none.
    static int selectedIndex(const ListView* lv);
    static void selectRow(ListView* lv, int index);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void skinForeColourChanged(const QColor& fore) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void buildPlayer();
    void buildPane();
    void buildChrome();
    void installKeyPreview(QWidget* w);
    // Play-list rows.
    void appendSong(const QString& title, const QString& artist, const QString& length);
    void renumber();
    // Adds every song of list to the play list (skipping those already in it when Check2 is
    // ticked); procedure names the command in the error log.
    void addAllSongs(const ListView* list, const QString& procedure);
    void showTotal();
    bool inPlayList(const QString& title, const QString& artist) const;
    // Start steps of the end-of-play event on row k.
    void startRow(int k, int16_t& flag);
    // Opens and plays the current song, its volume sent first when withVolume. A file that
    // cannot be opened is named to the user and logged under procedure, and the play list
    // goes on as at the end of a song.
    void playCurrent(const QString& procedure, bool withVolume);
    void skipUnplayable(int16_t result, const QString& procedure);
    int volume() const;
    void keepOnScreen();
    void setTopmost(bool on);
    void compactControls();
    void setFullHidden(bool hidden);

    int m_wTw = 4740;
    int m_hTw = 6360;
    bool m_sortFlags[4] = {false, false, false, false};
    QElapsedTimer m_sinceDouble;
};

// The song file of a title in the music folder, found ignoring letter case; the plain
// path (music folder, title, ".mp3") when there is no such file.
QString SongFile(const QString& title);
// Whether an ordinary, visible file answers to folder + name (letter case ignored).
bool OrdinaryFileExists(const QString& folder, const QString& name);
