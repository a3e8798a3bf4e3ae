#include "jobs/musicmovejob.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <sys/stat.h>

#include "platform/files.h"

namespace {
bool same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The device of a path itself (a link is not followed); false when it cannot be looked at.
bool deviceOf(const QString& path, unsigned long long& device)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    device = static_cast<unsigned long long>(st.st_dev);
    return true;
}
} // namespace

void MoveSongInto(const QString& targetFolder, const QString& sourceFolder, const QString& songFile,
                  const QString& sourceName, const std::function<void(const AppError&)>& fail)
{
    const QString source = sourceFolder + (sourceName.isEmpty() ? songFile : sourceName);
    auto moveTo = [&](const QString& target) {
        if (!QFileInfo(source).isFile())
            return fail(AppError(Err::FileNotFound, QStringLiteral("File not found: ") + source));
        if (!QFile::rename(source, target))
            fail(AppError(Err::PathFileAccess, QStringLiteral("Path/File access error: ") + source));
    };
    const QString existing = findIgnoringCase(targetFolder, songFile);
    if (existing.isEmpty())
        return moveTo(targetFolder + songFile);
    if (!QFileInfo(source).isFile())
        return fail(AppError(Err::FileNotFound, QStringLiteral("File not found: ") + source));
    if (QFileInfo(source).size() == QFileInfo(existing).size())
        return; // the same song is already there
    const QString base = songFile.left(songFile.size() - 4);
    for (int n = 1;; ++n) {
        const QString candidate = base + QLatin1Char('(') + QString::number(n) + QStringLiteral(").mp3");
        if (!existsIgnoringCase(targetFolder + candidate))
            return moveTo(targetFolder + candidate);
    }
}

MusicMoveJob::MusicMoveJob(MusicMovePlan plan, QObject* parent) : Job(parent), m_plan(std::move(plan)) {}

void MusicMoveJob::start()
{
    if (running())
        return;
    begin();
    m_cancelled = false;
    m_work.clear();
    m_folder.clear();
    QPointer<MusicMoveJob> alive(this);
    emit newTask(QStringLiteral("Moving MP3 Files to ") + m_plan.root + QStringLiteral("My Music Folder. Please Wait..."));
    if (!alive)
        return;
    if (!m_plan.target.isEmpty() && !QDir().mkpath(m_plan.target) &&
        !report(QStringLiteral("MoveAllMP3Files"),
                AppError(Err::PathNotFound, QStringLiteral("Path not found: ") + m_plan.target)))
        return;
    if (!m_plan.root.isEmpty() && deviceOf(m_plan.root, m_device))
        m_work << m_plan.root;
    scheduleStep();
}

void MusicMoveJob::cancel() { m_cancelled = true; }

void MusicMoveJob::scheduleStep()
{
    // One step is queued at a time, and only once the step before has returned: a handler
    // that waits in a box while a step runs never lets the next step start under it.
    if (m_scheduled)
        return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        step();
    });
}

void MusicMoveJob::step()
{
    if (!running())
        return;
    for (int handled = 0; handled < kBatch;) {
        if (m_cancelled) {
            m_work.clear();
            m_folder.clear();
            m_entries.clear();
            finish(JobOutcome::aborted());
            return;
        }
        if (m_folder.isEmpty() && !openNextFolder()) {
            finish(JobOutcome::finishedWell());
            return;
        }
        if (m_next >= m_entries.size()) {
            // The folder is done: off the work list.
            m_work.removeFirst();
            m_folder.clear();
            m_entries.clear();
            continue;
        }
        if (!handle(m_entries.at(m_next++)))
            return;
        ++handled;
    }
    scheduleStep();
}

bool MusicMoveJob::openNextFolder()
{
    while (!m_work.isEmpty()) {
        QString folder = m_work.first().trimmed();
        if (!folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        const QDir dir(folder);
        if (!dir.exists()) {
            m_work.removeFirst();
            continue;
        }
        m_folder = folder;
        m_entries = dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
        m_next = 0;
        m_inTarget = same(folder, m_plan.target);
        return true;
    }
    return false;
}

bool MusicMoveJob::handle(const QFileInfo& entry)
{
    const QString name = entry.fileName();
    if (entry.isSymLink())
        return true;
    if (entry.isDir()) {
        unsigned long long device = 0;
        // Sub-folders are searched right after their folder, the last found first.
        if (!name.startsWith(QLatin1Char('.')) && deviceOf(entry.absoluteFilePath(), device) && device == m_device)
            m_work.insert(1, m_folder + name);
        return true;
    }
    if (!entry.isFile() || m_inTarget)
        return true;
    const qsizetype mp3 = name.indexOf(QLatin1String(".mp3"), 0, Qt::CaseInsensitive);
    if (mp3 >= 0) {
        QPointer<MusicMoveJob> alive(this);
        MoveSongInto(m_plan.target, m_folder, name.left(mp3) + QStringLiteral(".mp3"), name, [&](const AppError& e) {
            report(QStringLiteral("checkduplicatemp3"), e);
        });
        if (!alive)
            return false;
    }
    const qsizetype lst = name.indexOf(QLatin1String(".lst"), 0, Qt::CaseInsensitive);
    if (lst < 0)
        return true;
    const QString playlist = name.left(lst);
    bool known = false;
    for (const QString& p : m_plan.knownPlaylists)
        if (same(p, playlist)) {
            known = true;
            break;
        }
    if (!known || existsIgnoringCase(m_plan.target + playlist + QStringLiteral(".lst")))
        return true;
    const QString source = findIgnoringCase(m_folder, playlist + QStringLiteral(".lst"));
    if (source.isEmpty())
        return true; // ".lst" inside the name, not a marker file
    if (!QFile::rename(source, m_plan.target + playlist + QStringLiteral(".lst")))
        return report(QStringLiteral("MoveMP3FilesInFolder"),
                      AppError(Err::PathFileAccess, QStringLiteral("Path/File access error: ") + source));
    return true;
}

bool MusicMoveJob::report(const QString& procedure, const AppError& error)
{
    QPointer<MusicMoveJob> alive(this);
    emit stepFailed(procedure, error);
    return !alive.isNull();
}
