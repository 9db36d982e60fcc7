#pragma once

class QTranslator;

namespace tavo {

// Loads Qt's own Italian texts ("qtbase_it.qm") into the application, whatever the
// system's language, so that the standard dialogs and buttons speak the program's
// language. They are looked for beside the program first (a Windows installation keeps
// them there or in its "translations" folder), then in Qt's own translations folder.
// Gives the translator installed, or nullptr when no catalogue was found (the standard
// texts then stay English; nothing else changes).
QTranslator* installQtItalian();

}  // namespace tavo
