#include "platform/savefile.h"

#include "platform/errors.h"

namespace {
void throwUnlessWritten(AtomicFile::Outcome outcome)
{
    switch (outcome) {
    case AtomicFile::Outcome::Written: return;
    case AtomicFile::Outcome::NoFolder: throw AppError(Err::PathNotFound, QStringLiteral("Path not found"));
    case AtomicFile::Outcome::DiskFull: throw AppError(Err::DiskFull, QStringLiteral("Disk full"));
    case AtomicFile::Outcome::CannotCreate:
    case AtomicFile::Outcome::WriteFailed:
    case AtomicFile::Outcome::RenameFailed: break;
    }
    throw AppError(Err::PathFileAccess, QStringLiteral("Path/File access error"));
}
} // namespace

void SaveWholeFile(const QString& path, const QByteArray& bytes, const AtomicFile::BeforeRename& beforeRename)
{
    throwUnlessWritten(AtomicFile::Write(path, bytes, beforeRename));
}

void SaveWholeFileWith(const QString& path, const std::function<void(const AtomicFile::Put& put)>& produce,
                       const AtomicFile::BeforeRename& beforeRename)
{
    throwUnlessWritten(AtomicFile::WriteWith(path, produce, beforeRename));
}
