#include "common/TablePrompts.h"

#include <QString>

#include "TableWords.h"
#include "common/Prompts.h"

namespace tavo {

TableMessageSink tableMessagesTo(Prompts& prompts) {
    return [&prompts](TableMessage message, const std::string& detail) {
        const TableMessageText described = describeTableMessage(message);
        QString text = QString::fromUtf8(described.text);
        if (!detail.empty()) text += QStringLiteral("\n") + QString::fromStdString(detail);
        prompts.message(text, QString::fromUtf8(described.caption));
    };
}

}  // namespace tavo
