#pragma once

#include <QString>

#include "LinkConfig.h"
#include "Pace.h"

namespace tavo {

class Prompts;

// What every page and dialog is given at construction: the operator's prompts, where
// the link sends, the folder of the text-file tables, and the pace of the windows that
// take theirs from here (the commissioning line; tests make it fast).
struct AppContext {
    Prompts& prompts;
    LinkConfig link;
    QString dataDir;
    Pace pace = Pace::product();
};

}  // namespace tavo
