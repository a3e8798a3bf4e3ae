#pragma once
// The walk that gathers every MP3 file of the home tree into the My Music folder, with the
// marker files of the playlists the program knows.
#include <QFileInfoList>
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/errors.h"
#include "jobs/job.h"

// What one walk does.
struct MusicMovePlan {
    QString root;                // where the walk starts (the home folder, with "/")
    QString target;              // the My Music folder, with "/"
    QStringList knownPlaylists;  // names of the stored playlists whose marker files move too
};

// Moves sourceFolder + sourceName (empty: songFile) into targetFolder as songFile, or as
// "name(n).mp3" with the first free n when that name is taken by a file of another size; a
// file of the same size is taken as the same song and stays where it is. A failure is handed
// to fail and ends the move of this file; a failure while looking whether a name is free
// counts as free.
void MoveSongInto(const QString& targetFolder, const QString& sourceFolder, const QString& songFile,
                  const QString& sourceName, const std::function<void(const AppError&)>& fail);

// The walk, depth first over one file system, no symbolic link followed, folders whose names
// begin with "." left out. Files lying in the My Music folder itself stay; its sub-folders are
// searched like any other. It works in small batches of directory entries, one batch per turn
// of the event loop, so the windows stay live; cancel() ends it after the batch in hand. What
// was moved stays moved; nothing else is left behind.
class MusicMoveJob : public Job {
    Q_OBJECT
public:
    explicit MusicMoveJob(MusicMovePlan plan, QObject* parent = nullptr);

    void start() override;
    void cancel() override;

    // Directory entries handled per turn of the event loop.
    static constexpr int kBatch = 64;

signals:
    // A step failed and the walk goes on: the procedure the step belongs to ("MoveAllMP3Files"
    // for the My Music folder that could not be made, "MoveMP3FilesInFolder" for a marker file,
    // "checkduplicatemp3" for an MP3 file) and the error, for the error log and box.
    void stepFailed(const QString& procedure, const AppError& error);

private:
    void step();
    void scheduleStep();
    // Opens the folder at the head of the work list; false when there is none left.
    bool openNextFolder();
    // Handles one directory entry of the folder in hand; false when a handler of stepFailed
    // deleted the job.
    bool handle(const QFileInfo& entry);
    bool report(const QString& procedure, const AppError& error);

    MusicMovePlan m_plan;
    QStringList m_work;           // folders still to search; the head is the one in hand
    QString m_folder;             // the folder in hand, with "/"; empty when none is open
    QFileInfoList m_entries;      // its entries
    qsizetype m_next = 0;         // the next of them to handle
    bool m_inTarget = false;      // the folder in hand is the My Music folder
    unsigned long long m_device = 0;
    bool m_cancelled = false;
    bool m_scheduled = false;
};
