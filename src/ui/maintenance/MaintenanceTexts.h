#pragma once

// The Italian texts of the Utility page and of the dump viewer, each written once.
// The words the terminal shares with the page are in MaintenanceWords.h.
namespace tavo::maintenance {

// The page's log lines.
extern const char* const kLogReadSending;
extern const char* const kLogReadingAt;
extern const char* const kLogSectorReceived;
extern const char* const kLogSectorMissing;
extern const char* const kLogReadSent;
extern const char* const kLogReadStopped;
extern const char* const kLogClearSending;
extern const char* const kLogClearDone;
extern const char* const kLogClearStopped;
extern const char* const kLogRegisterRead;
extern const char* const kLogRegisterWrite;
extern const char* const kLogRegisterReply;

// The page's messages and their captions.
extern const char* const kNoSocket;
extern const char* const kFlashSocketError;
extern const char* const kReadFromOutOfRange;
extern const char* const kReadToOutOfRange;
extern const char* const kReadFromAfterTo;
extern const char* const kClearFromOutOfRange;
extern const char* const kClearToOutOfRange;
extern const char* const kClearFromAfterTo;
extern const char* const kClearDoneCaption;
extern const char* const kBadRegister;
extern const char* const kBadRegisterCaption;  // also the message of a bad write
extern const char* const kBelowRegisterSpace;
// The prompt for a sector field that does not hold an unsigned decimal number.
extern const char* const kNotUnsigned;

// The page's captions.
extern const char* const kPageTitle;
extern const char* const kTargetLabel;
extern const char* const kHistoryButton;
extern const char* const kDeleteHistoryButton;
extern const char* const kFlashBox;
extern const char* const kReadButton;
extern const char* const kFromLabel;
extern const char* const kToLabel;
extern const char* const kRegisterBox;
extern const char* const kReadAllButton;
extern const char* const kRegisterLabel;
extern const char* const kHexLabel;
extern const char* const kValueLabel;
extern const char* const kMonitoringLabel;

// The dump viewer.
extern const char* const kViewerCaption;
extern const char* const kIndexHeader;
extern const char* const kAsciiHeader;
extern const char* const kMissingCell;
extern const char* const kPageLabel;
extern const char* const kPageLabelInitial;
extern const char* const kExitButton;
extern const char* const kNextButton;
extern const char* const kPreviousButton;
extern const char* const kSaveButton;
extern const char* const kCompareButton;
extern const char* const kPageJumpLabel;
extern const char* const kSaveCaption;
extern const char* const kCompareCaption;
extern const char* const kFileFilter;
extern const char* const kSaved;
extern const char* const kSavedMissing;
extern const char* const kNotWritten;
extern const char* const kNotRead;
extern const char* const kSame;
extern const char* const kDifferent;
extern const char* const kLengths;
extern const char* const kUncompared;
extern const char* const kPageOutOfRange;

}  // namespace tavo::maintenance
