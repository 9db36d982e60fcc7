#include "AddressEnglish.h"

namespace tavo::cli {

EnglishFailure ipClearNotSentFailure(const QString& target) {
    return {"not_sent", "the IP clear command could not be sent to " + target};
}

EnglishFailure otherDeviceFailure(const QString& other, const QString& wanted) {
    return {"other_device", "a device with another MAC address answered: " + other + " (searched for " + wanted + ")"};
}

const char* const kSearchReplyUnreadableLine = "tavo: a reply could not be read (socket error); still searching\n";

EnglishFailure searchNotSentFailure(const QString& broadcast, bool limitedBroadcast) {
    return {"not_sent", "the search request could not be sent to " + broadcast +
                            (limitedBroadcast ? " (no interface can carry it)" : QString())};
}

EnglishFailure searchNoSocketFailure() { return {"no_socket", "the search socket cannot be opened"}; }

EnglishFailure noAnswerFailure(const QString& wanted, double seconds) {
    return {"no_answer", QString("no device answered for %1 within %2 s").arg(wanted).arg(seconds)};
}

EnglishFailure searchStoppedFailure() { return {"stopped", "search stopped"}; }

QString notAnAddressText(const QString& text) { return "not an IPv4 address: " + text; }

EnglishFailure notAnAddressFailure(const QString& text) { return {"bad_address", notAnAddressText(text)}; }

EnglishFailure notAMacFailure(const QString& text) { return {"bad_mac", "not a MAC address: " + text}; }

}  // namespace tavo::cli
