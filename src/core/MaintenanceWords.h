#pragma once

// The words of the maintenance operations that the Utility page and the terminal share:
// the terminal asks and answers in the page's own Italian, so each has one home here.
// Plain texts (UTF-8), no logic.
namespace tavo {

inline constexpr const char* kClearOperationWord = "Clear";
inline constexpr const char* kWriteOperationWord = "Write";
// Followed by the target's dotted address.
inline constexpr const char* kClearConfirmText = "Si sta cancellando l'indirizzo IP ";
inline constexpr const char* kWriteConfirmText = "Si sta scrivendo sull'indirizzo IP ";
inline constexpr const char* kClearDoneText = "Cancellazione della memoria Flash completata!!";

}  // namespace tavo
