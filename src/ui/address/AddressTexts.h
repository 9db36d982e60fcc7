#pragma once

#include "AddressWords.h"

// The texts of the address dialogs (IP clear, IP search), beside the words they share
// with the command line.
namespace tavo {

// The IP history's picker, and the buttons of the IP clear dialog and the "Web Upload"
// page that open it.
inline constexpr const char* kIpHistoryTitle = "DataBase indirizzi IP";
// The IP search dialog, and the IP page's button that opens it.
inline constexpr const char* kIpSearchTitle = "Ricerca indirizzo IP";

// When the stack refuses the datagram the operator is told so instead of being told it
// was sent.
inline constexpr const char* kIpClearNotSentText = "Impossibile inviare il comando di cancellazione indirizzo IP !!";

inline constexpr const char* kSearchWaitingText = "In Attesa.....";
inline constexpr const char* kSearchingText = "Ricerca dell'indirizzo IP in corso ";
inline constexpr const char* kSearchStoppedText = "Ricerca dell'indirizzo IP interrotta ...";
inline constexpr const char* kSearchConcludedText = "Operazione di ricerca conclusa...";
inline constexpr const char* kSearchSocketErrorText = "Socket error";
inline constexpr const char* kSearchOtherDeviceText = "Error";
inline constexpr const char* kSearchNoSocketText = "Impossibile inizializzare il socket !!";
inline constexpr const char* kSearchFindText = "Trova";
inline constexpr const char* kSearchMacDatabase = "DataBase MAC";
inline constexpr const char* kSearchClearMacDatabase = "Cancella DataBase MAC";
inline constexpr const char* kSearchHistoryBox = "DataBase Mac";
inline constexpr const char* kSearchFoundLabel = "Indirizzo IP trovato";

inline constexpr const char* kIpClearTitle = "Cancellazione indirizzo IP";
inline constexpr const char* kIpClearCurrentLabel = "Indirizzo IP Corrente";

// The MAC history's picker.
inline constexpr const char* kMacHistoryTitle = "DataBase indirizzi MAC";

}  // namespace tavo
