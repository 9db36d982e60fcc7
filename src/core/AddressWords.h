#pragma once

// The Italian words of the address commands that the terminal shows as well as the
// window: `tavo ip clear` asks and reports in the operator's own words, so both front
// ends take them from here. Constants only; every other text of the address dialogs
// lives with the dialogs, and the command line's own words are English.
namespace tavo {

inline constexpr const char* kIpClearOperation = "IP Clear";
inline constexpr const char* kIpClearConfirmation = "Cancellazione dell'indirizzo IP dal dispositivo !!";
inline constexpr const char* kIpClearSentText = "Comando di cancellazione indirizzo IP inviato..";

}  // namespace tavo
