#pragma once

#include <QString>

// The paths that command lines name (tavo, tavo-utility, tavo-sim), checked before the
// program does anything: each check is false with a message that names the path and
// what is wrong with it, and the program then ends with its usage status.
namespace tavo {

// A folder that exists and in which a file can be made (the tables are replaced through
// a temporary file beside them).
bool checkWritableFolder(const QString& path, QString& error);
// A file to write: not a folder nor a device, in an existing folder a file can be made in.
bool checkOutputFile(const QString& path, QString& error);
// A file (or a folder) to read that exists and can be read.
bool checkInputPath(const QString& path, bool folder, QString& error);

}  // namespace tavo
