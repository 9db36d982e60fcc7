#pragma once

#include <QLoggingCategory>

// The link's diagnostics: every socket's read-event trace ("Errorcode = %d"). Off unless
// switched on, e.g. QT_LOGGING_RULES="tavo.socket.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcSocket)
