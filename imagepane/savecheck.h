// The words a failed save is reported with: which file, and why it could not be written.
#pragma once

#include <QString>
#include <cstddef>

// The reason a picture of about bytesNeeded bytes cannot be written to path: an unknown format,
// a missing folder, a read-only file, no permission in the folder, no space on the disk. A
// general reason when none of these is found.
QString SaveFailureReason(const QString &path, std::size_t bytesNeeded);

// "Cannot save PATH: REASON."
QString SaveFailureMessage(const QString &path, const QString &reason);
