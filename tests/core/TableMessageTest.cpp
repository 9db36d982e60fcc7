#include <gtest/gtest.h>

#include <string>

#include "TableWords.h"

namespace tavo {
namespace {

TEST(TableMessage, TextsAndCaptionsAreTheTablesOwn) {
    struct Case {
        TableMessage message;
        const char* text;
        const char* caption;
    } cases[] = {
        {TableMessage::OutOfRange, "Out of range of the database !", "Fatal Error"},
        {TableMessage::WrongDataType, "Wrong data type!!", "Error"},
        {TableMessage::DatabaseFull, "DataBase pieno !!!", "Errore"},
        {TableMessage::WrongDataTypeHistory, "Tipo di dato errato !!", "Errore"},
    };
    for (const auto& c : cases) {
        const TableMessageText described = describeTableMessage(c.message);
        EXPECT_STREQ(described.text, c.text);
        EXPECT_STREQ(described.caption, c.caption);
    }
    for (TableMessage message : {TableMessage::FileNotReadable, TableMessage::FileNotWritable}) {
        EXPECT_FALSE(std::string(describeTableMessage(message).text).empty());
        EXPECT_STREQ(describeTableMessage(message).caption, "Errore");
    }
    EXPECT_FALSE(std::string(describeTableMessage(TableMessage::UnreadRecordsKept).text).empty());
    EXPECT_STREQ(describeTableMessage(TableMessage::UnreadRecordsKept).caption, "Avviso");
}

}  // namespace
}  // namespace tavo
