#pragma once

#include <QString>

#include "LinkConfig.h"

namespace tavo {

class Prompts;

// What every page and dialog is given at construction: the operator's prompts, where
// the link sends, and the folder of the text-file tables.
struct AppContext {
    Prompts& prompts;
    LinkConfig link;
    QString dataDir;
};

}  // namespace tavo
