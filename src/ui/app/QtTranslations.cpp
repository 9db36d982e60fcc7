#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QStringList>
#include <QTranslator>

namespace tavo {

QTranslator* installQtItalian() {
    const QString programDir = QCoreApplication::applicationDirPath();
    const QStringList folders{programDir, programDir + QStringLiteral("/translations"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    auto* translator = new QTranslator(QCoreApplication::instance());
    for (const QString& folder : folders) {
        if (translator->load(QStringLiteral("qtbase_it"), folder) && QCoreApplication::installTranslator(translator))
            return translator;
    }
    delete translator;
    return nullptr;
}

}  // namespace tavo
