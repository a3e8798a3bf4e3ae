#pragma once
// Saving a file whole through the crash-safe write of platform/atomicfile.h, failing the
// way our layers fail: AppError 76 when the folder is missing, 61 when the disk is full,
// 75 for any other failure. The file is then left as it was.
#include <QByteArray>
#include <QString>

#include "platform/atomicfile.h"

void SaveWholeFile(const QString& path, const QByteArray& bytes, const AtomicFile::BeforeRename& beforeRename = {});

// The same, with the contents handed over piece by piece (AtomicFile::WriteWith).
void SaveWholeFileWith(const QString& path, const std::function<void(const AtomicFile::Put& put)>& produce,
                       const AtomicFile::BeforeRename& beforeRename = {});
