#pragma once

#include "TableMessage.h"

// The words of the table messages. The window shows them in a message box and the
// command line prints the same words on stderr, so both front ends take them from here;
// the tables themselves report only the typed message.
namespace tavo {

// The message boxes' captions, which the windows use for their own messages too.
inline constexpr const char* kErrorCaption = "Errore";
inline constexpr const char* kNoticeCaption = "Avviso";

struct TableMessageText {
    const char* text;
    const char* caption;
};

TableMessageText describeTableMessage(TableMessage message);

}  // namespace tavo
