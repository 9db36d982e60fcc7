#include "TableWords.h"

namespace tavo {

TableMessageText describeTableMessage(TableMessage message) {
    switch (message) {
        case TableMessage::OutOfRange:
            return {"Out of range of the database !", "Fatal Error"};
        case TableMessage::WrongDataType:
            return {"Wrong data type!!", "Error"};
        case TableMessage::DatabaseFull:
            return {"DataBase pieno !!!", kErrorCaption};
        case TableMessage::WrongDataTypeHistory:
            return {"Tipo di dato errato !!", kErrorCaption};
        case TableMessage::FileNotReadable:
            return {"Impossibile leggere il file della tabella: il file non è stato modificato.",
                    kErrorCaption};
        case TableMessage::FileNotWritable:
            return {"Impossibile scrivere il file della tabella: il file precedente è rimasto "
                    "invariato.",
                    kErrorCaption};
        case TableMessage::UnreadRecordsKept:
            return {"Alcune righe del file della tabella non erano leggibili: una copia del file "
                    "originale è stata conservata.",
                    kNoticeCaption};
    }
    return {"", ""};
}

}  // namespace tavo
