#pragma once

// The English words of the command line for an address argument it cannot read, shared by
// `tavo devices`, `tavo ip`, `tavo bootp`, `tavo doctor` and the maintenance commands.
#include <QString>

#include "CliSupport.h"

namespace tavo::cli {

// `tavo ip clear` and `tavo ip find`.
EnglishFailure ipClearNotSentFailure(const QString& target);
EnglishFailure otherDeviceFailure(const QString& other, const QString& wanted);
extern const char* const kSearchReplyUnreadableLine;  // a whole stderr line
EnglishFailure searchNotSentFailure(const QString& broadcast, bool limitedBroadcast);
EnglishFailure searchNoSocketFailure();
EnglishFailure noAnswerFailure(const QString& wanted, double seconds);
EnglishFailure searchStoppedFailure();

// "not an IPv4 address: TEXT"
QString notAnAddressText(const QString& text);
EnglishFailure notAnAddressFailure(const QString& text);
// "not a MAC address: TEXT"
EnglishFailure notAMacFailure(const QString& text);

}  // namespace tavo::cli
