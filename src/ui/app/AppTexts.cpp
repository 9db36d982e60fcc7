#include "AppTexts.h"

namespace tavo::apptexts {

const QString kSheetCaption = QStringLiteral("TAVO 707 Utility Software - Vantorel Technologies");
const QString kUtilityItem = QStringLiteral("Utilità");
const QString kAboutItem = QStringLiteral("About  Nimbrel (&A)...");
const QString kMenuTip = QStringLiteral("Menu");
const QString kInfoTitle = QStringLiteral("Info");

const QString kAboutCaption = QStringLiteral("Nimbrel Utility for Windows Info.");
const QString kAboutText = QStringLiteral("TAVO Utility software di utilità per TAVO 707  Vantorel Technologies");
const QString kAboutRights = QStringLiteral("Versione 1.10 - Copyright © 2026 Vantorel Technologies. Tutti i diritti riservati.");

const QString kSocketInitFailed = QStringLiteral("Windows sockets initialization failed.");
const QString kDataFolderFailed = QStringLiteral("Impossibile creare la cartella dei dati %1.");

}  // namespace tavo::apptexts
