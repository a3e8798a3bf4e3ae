#pragma once
// Readers of the small settings files in the program folder ("MWFolders.ini",
// "cddb.ini", "cdrip.ini"); they read with FieldReader (core/fieldreader.h).
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <utility>

// Tells whoever shows the settings (the settings dialog) that a reader has just read them,
// so it can show them; the readers never reach into a window themselves.
class SettingsRead : public QObject {
    Q_OBJECT
public:
    static SettingsRead& instance();
    // Whether the CDDB settings were read while nobody showed them; taking it clears it. The
    // settings dialog then shows the values read rather than its defaults.
    bool takeUnshownCddbRead() { return std::exchange(m_cddbRead, false); }
    void noteCddbRead();
    // Back to "nothing read yet" (the program-wide values are reset).
    void forget() { m_cddbRead = false; }
signals:
    // The music folder setting as read (as the settings dialog shows it).
    void musicFolder(const QString& text);
    // CDDBEmail, CDDBServer and CDDBPort have been read.
    void cddb();
    // The CD drives found, and the index of the chosen one (-1: none of them).
    void drives(const QStringList& devices, int chosen);

private:
    bool m_cddbRead = false;
};

// Sets MusicFolder (always ending in "/") from "MWFolders.ini", repairing the setting
// when the folder has gone; tells SettingsRead the setting.
void GetMWFolders();
// Reads CDDBEmail, CDDBServer and CDDBPort from "cddb.ini" into the variables and tells
// SettingsRead. mode 1 asks for a missing e-mail address (and on OK opens the settings at
// their CDDB tab); returns 1 when it did (the caller must then not start its CDDB
// conversation), else 0.
int16_t funGetCDDBINI(const int16_t& mode);
// The chosen CD drive's 0-based index from "cdrip.ini" (the stored number minus 1,
// never negative; 0 when it cannot be read).
int16_t getdriveletterno();

// The last music folder setting read, as the settings dialog shows it.
QString MusicFolderSettingText();
