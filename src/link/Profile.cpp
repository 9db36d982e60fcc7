#include "Profile.h"

#include <QDir>
#include <QSettings>

namespace tavo {
namespace {
QString key() { return QString::fromLatin1(Profile::kSection) + '/' + Profile::kPathEntry; }
}  // namespace

void Profile::writeStartupPath(const QString& directory) {
    QSettings settings(kOrganisation, kApplication);
    settings.setValue(key(), QDir::toNativeSeparators(directory));
    settings.sync();
}

QString Profile::startupPath() {
    QSettings settings(kOrganisation, kApplication);
    return settings.value(key()).toString();
}

QString Profile::dataDirectory() {
    const QString path = startupPath();
    return path.isEmpty() ? QDir::currentPath() : path;
}

}  // namespace tavo
