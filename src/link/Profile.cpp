#include "Profile.h"

#include <QDir>
#include <QSettings>

namespace tavo {
namespace {
QString Key() { return QString::fromLatin1(Profile::kSection) + '/' + Profile::kPathEntry; }
}  // namespace

void Profile::WriteStartupPath(const QString& directory) {
    QSettings settings(kOrganisation, kApplication);
    settings.setValue(Key(), QDir::toNativeSeparators(directory));
    settings.sync();
}

QString Profile::StartupPath() {
    QSettings settings(kOrganisation, kApplication);
    return settings.value(Key()).toString();
}

QString Profile::DataDirectory() {
    const QString path = StartupPath();
    return path.isEmpty() ? QDir::currentPath() : path;
}

}  // namespace tavo
