#include "MaintenanceTexts.h"

namespace tavo::maintenance {

const char* const kLogReadSending = "Invio comando di lettura ...";
const char* const kLogReadingAt = "reading at sector ";
const char* const kLogSectorReceived = "   [ settore ricevuto .. ]";
const char* const kLogSectorMissing = "   [ settore %1 non ricevuto .. ]";
const char* const kLogReadSent = "Comando di lettura inviato correttamente.";
const char* const kLogReadStopped = "Lettura interrotta.";
const char* const kLogClearSending = "Invio del comando clear ...";
const char* const kLogClearDone = "Invio del comando clear eseguito correttamente ...";
const char* const kLogClearStopped = "Cancellazione interrotta !!";
const char* const kLogRegisterRead = "Invio comando di lettura registro ...";
const char* const kLogRegisterWrite = "Invio comando di scrittura registro ...";
const char* const kLogRegisterReply = "received..";

const char* const kNoSocket = "Inizilizzazione del Socket!";
const char* const kFlashSocketError = "Errore nel Socket!!";
const char* const kReadFromOutOfRange = "Impossibile accedere al settore 'from' poichè è out of range";
const char* const kReadToOutOfRange = "Il settore 'to' è out of range lettura possibile";
const char* const kReadFromAfterTo = "Controllare l'ingresso. 'from' è maggiore di 'to'!!";
const char* const kClearFromOutOfRange = "Il settore 'from' è out of range posso cancellare";
const char* const kClearToOutOfRange = "Il settore 'to' is out of range posso cancellare";
const char* const kClearFromAfterTo = "Controllare l'ingresso. 'from' è maggiore  grande di 'to'!!";
const char* const kClearDoneCaption = "Cancellazione eseguita";
const char* const kBadRegister = "Il dato non è stato inserito correttamente!!";
const char* const kBadRegisterCaption = "Errore ..!! ";
const char* const kBelowRegisterSpace = "Si è superato lo spazio lecito di indirizzamento!!";
const char* const kNotUnsigned = "Immettere un numero intero positivo.";

const char* const kPageTitle = "Utility";
const char* const kTargetLabel = "Target IP";
const char* const kHistoryButton = "History";
const char* const kDeleteHistoryButton = "Delete\nHistory";
const char* const kFlashBox = "Flash Memory";
const char* const kReadButton = "Read";
const char* const kFromLabel = "from";
const char* const kToLabel = "to";
const char* const kRegisterBox = "Register";
const char* const kReadAllButton = "Read All";
const char* const kRegisterLabel = "Register #";
const char* const kHexLabel = "(hex)";
const char* const kValueLabel = "Value";
const char* const kMonitoringLabel = "monitoring....";

const char* const kViewerCaption = "Show Dump Dialog";
const char* const kIndexHeader = " index";
const char* const kAsciiHeader = "ASCII";
const char* const kMissingCell = "--";
const char* const kPageLabel = "Page - %1";
const char* const kPageLabelInitial = "xx Pagina";
const char* const kExitButton = "Esci";
const char* const kNextButton = "Successivo";
const char* const kPreviousButton = "Precedente";
const char* const kSaveButton = "Salva...";
const char* const kCompareButton = "Confronta...";
const char* const kPageJumpLabel = "Vai a pagina";
const char* const kSaveCaption = "Salva dump";
const char* const kCompareCaption = "Confronta con file";
const char* const kFileFilter = "File binari (*.bin);;Tutti i file (*)";
const char* const kSaved = "Dump salvato in %1.";
const char* const kSavedMissing = "Dump salvato in %1. Settori non ricevuti, riempiti con 00: %2";
const char* const kNotWritten = "Impossibile scrivere il file %1";
const char* const kNotRead = "Impossibile leggere il file %1";
const char* const kSame = "Il file coincide con i dati letti.";
const char* const kDifferent = "Primo byte diverso all'offset 0x%1 (settore %2, byte 0x%3). Byte diversi: %4.";
const char* const kLengths = " Lunghezze diverse: dati %1 byte, file %2 byte.";
const char* const kUncompared = " Settori non ricevuti, non confrontati: %1";
const char* const kPageOutOfRange = "Pagina fuori intervallo: %1 - %2";

}  // namespace tavo::maintenance
