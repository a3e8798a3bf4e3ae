#pragma once
// The check before a run that writes files into a folder: when no file can be made there,
// the user is told so plainly, naming the folder, and the run does not start.
#include <QString>

// The message for a folder no file can be written in; kind names the files ("WAV", "MP3").
QString FolderNotWritableText(const QString& folder, const QString& kind);
// The message for a run's file that was not written (the run reports it instead of done).
QString FileNotWrittenText(const QString& path);
// True when files can be written in folder; otherwise shows FolderNotWritableText and
// returns false.
bool CheckFolderWritable(const QString& folder, const QString& kind);
