#include "LinkLog.h"

Q_LOGGING_CATEGORY(lcSocket, "tavo.socket", QtInfoMsg)
