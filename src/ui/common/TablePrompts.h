#pragma once

#include "TableMessage.h"

namespace tavo {

class Prompts;

// A table message sink that shows every message of a table to the operator: the table's
// own text and caption, and for the file messages the file and the reason underneath.
TableMessageSink tableMessagesTo(Prompts& prompts);

}  // namespace tavo
