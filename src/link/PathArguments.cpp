#include "PathArguments.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace tavo {
namespace {

// Whether a file can be made in the folder: a temporary file is created and removed at
// once (asking the permission bits is not enough: they do not tell a read-only or
// virtual file system, and an administrator passes them all).
bool canCreateIn(const QString& folder, QString& reason) {
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".tavo-probe-XXXXXX")));
    if (probe.open()) return true;
    reason = probe.errorString();
    return false;
}

}  // namespace

bool checkWritableFolder(const QString& path, QString& error) {
    const QFileInfo info(path);
    QString reason;
    if (path.isEmpty()) {
        error = QStringLiteral("an empty folder name");
    } else if (!info.exists()) {
        error = QString("%1: no such folder").arg(path);
    } else if (!info.isDir()) {
        error = QString("%1: not a folder").arg(path);
    } else if (!canCreateIn(path, reason)) {
        error = QString("%1: cannot write in this folder (%2)").arg(path, reason);
    } else {
        return true;
    }
    return false;
}

bool checkOutputFile(const QString& path, QString& error) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    QString reason;
    if (path.isEmpty()) {
        error = QStringLiteral("an empty file name");
    } else if (info.isDir()) {
        error = QString("%1: is a folder").arg(path);
    } else if (info.exists() && !info.isFile()) {
        error = QString("%1: not a regular file").arg(path);
    } else if (!QFileInfo(folder).isDir()) {
        error = QString("%1: the folder %2 does not exist").arg(path, folder);
    } else if (!canCreateIn(folder, reason)) {
        error = QString("%1: cannot write in the folder %2 (%3)").arg(path, folder, reason);
    } else {
        return true;
    }
    return false;
}

bool checkInputPath(const QString& path, bool folder, QString& error) {
    const QFileInfo info(path);
    if (path.isEmpty()) {
        error = folder ? QStringLiteral("an empty folder name") : QStringLiteral("an empty file name");
    } else if (!info.exists()) {
        error = QString("%1: no such %2").arg(path, folder ? "folder" : "file");
    } else if (folder != info.isDir()) {
        error = QString("%1: not a %2").arg(path, folder ? "folder" : "file");
    } else if (!info.isReadable()) {
        error = QString("%1: cannot be read").arg(path);
    } else {
        return true;
    }
    return false;
}


}  // namespace tavo
