#pragma once
// Files a run writes into a folder: the check before the run (when no file can be made there,
// the user is told so plainly, naming the folder, and the run does not start), and the words
// for a write that failed part-way (a folder made read-only, a disk that filled).
#include <QString>

// The message for a folder no file can be written in; kind names the files ("WAV", "MP3").
// button, when given, is the caption of the window's button that picks another folder.
QString FolderNotWritableText(const QString& folder, const QString& kind, const QString& button = {});
// The message for a run's file that was not written (the run reports it instead of done).
QString FileNotWrittenText(const QString& path);
// The message for a disk that filled while fileName was written in folder.
QString DiskFullText(const QString& folder, const QString& fileName);
// True when files can be written in folder; otherwise shows FolderNotWritableText and
// returns false.
bool CheckFolderWritable(const QString& folder, const QString& kind, const QString& button = {});

// Why a write in folder failed, asked once it has: no new file can be made there, the disk has
// (all but) no room left, or neither (the cause lies elsewhere).
enum class WriteTrouble { None, FolderNotWritable, DiskFull };
WriteTrouble WriteTroubleOf(const QString& folder);
// The message for fileName (of kind files) that a run could not write in folder, in the words
// of the cause WriteTroubleOf finds.
QString WriteFailedText(const QString& folder, const QString& fileName, const QString& kind);
// The same in the words of trouble, a cause the caller has already found.
QString WriteFailedText(WriteTrouble trouble, const QString& folder, const QString& fileName, const QString& kind);
