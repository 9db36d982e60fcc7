// The dump viewer: headers, row labels, byte texts, paging and its button states, the
// cancel gestures that page on, missing sectors, and the field engineer's extras.
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "DumpText.h"
#include "FakePrompts.h"
#include "UiTestHelpers.h"
#include "maintenance/ReadFlashDlg.h"

namespace tavo {
namespace {

using test::FakePrompts;
using Message = FakePrompts::Message;

SectorData Pattern(int sector) {
    SectorData data;
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(sector + int(i));
    return data;
}

FlashDump dumpRegisters(int from, int to, std::vector<int> missing = {}) {
    FlashDump dump(from, to);
    for (int s = from; s <= to; ++s)
        if (std::find(missing.begin(), missing.end(), s) == missing.end()) dump.store(s, Pattern(s));
    return dump;
}

struct Viewer {
    Viewer(int mode) : dialog(mode, prompts) {}
    void show() {
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
    QTableWidget* table() { return dialog.findChild<QTableWidget*>(QStringLiteral("1051")); }
    QString label() { return dialog.findChild<QLabel*>(QStringLiteral("1053"))->text(); }
    QPushButton* button(const char* id) { return dialog.findChild<QPushButton*>(QString::fromLatin1(id)); }
    bool previous() { return button("3")->isEnabled(); }
    bool next() { return button("2")->isEnabled(); }
    // The cell at the row with that label and the column with that header.
    QString cell(const QString& rowLabel, const QString& header) {
        int column = -1;
        for (int c = 0; c < table()->columnCount(); ++c)
            if (table()->horizontalHeaderItem(c)->text() == header) column = c;
        for (int r = 0; r < table()->rowCount(); ++r)
            if (table()->item(r, 0)->text() == rowLabel && column >= 0) return table()->item(r, column)->text();
        return QStringLiteral("(none)");
    }
    QStringList headers() {
        QStringList texts;
        for (int c = 0; c < table()->columnCount(); ++c) texts << table()->horizontalHeaderItem(c)->text();
        return texts;
    }
    FakePrompts prompts;
    CReadFlashDlg dialog;
};

TEST(ReadFlashDlg, FlashModeShowsHeadersRowLabelsAndEachByteInItsCell) {
    Viewer viewer(CReadFlashDlg::MODE_FLASH);
    FlashDump dump(7, 7);
    SectorData data = Pattern(7);
    data[0x5C] = 0xE7;
    dump.store(7, data);
    viewer.dialog.SetFlashData(dump);
    viewer.show();
    QStringList expected{" index"};
    for (const char* h : {"00", "01", "02", "03", "04", "05", "06", "07", "08", "09", "0a", "0b", "0c", "0d", "0e", "0f"})
        expected << h;
    expected << "ASCII";
    EXPECT_EQ(viewer.headers(), expected);
    EXPECT_EQ(viewer.table()->rowCount(), 16);
    EXPECT_EQ(viewer.table()->item(0, 0)->text(), "0000");
    EXPECT_EQ(viewer.table()->item(15, 0)->text(), "000F");
    EXPECT_EQ(viewer.cell("0005", "0c"), "E7");
    EXPECT_EQ(viewer.cell("0000", "0a"), "11");  // 7 + 10
    EXPECT_EQ(viewer.cell("0003", "ASCII"), QString::fromStdString(asciiText(std::span(data.data() + 48, 16))));
    EXPECT_EQ(viewer.label(), "Page - 7");
    EXPECT_FALSE(viewer.previous());
    EXPECT_FALSE(viewer.next());
}

// A row of text with blanks in it stays one whole line in the ASCII column: not broken
// at its blanks, not cut short with an ellipsis.
TEST(ReadFlashDlg, AsciiColumnShowsAWholeRowOnOneLine) {
    Viewer viewer(CReadFlashDlg::MODE_FLASH);
    FlashDump dump(4, 4);
    SectorData data{};
    const std::string text = "<!DOCTYPE html> <html lang=\"it\"> WWWWWWWWWWWWWWWW";
    std::copy(text.begin(), text.end(), data.begin());
    dump.store(4, data);
    viewer.dialog.SetFlashData(dump);
    viewer.show();
    QTableWidget* table = viewer.table();
    EXPECT_FALSE(table->wordWrap());
    const int ascii = table->columnCount() - 1;
    for (int r = 0; r < 3; ++r) {
        const QTableWidgetItem* item = table->item(r, ascii);
        ASSERT_EQ(item->text().size(), 16);
        const QRect cell = table->visualItemRect(item);
        // The style keeps a margin on either side of a cell's text.
        const int margins = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1);
        EXPECT_LE(QFontMetrics(item->font()).horizontalAdvance(item->text()) + margins, cell.width()) << r;
    }
}

TEST(ReadFlashDlg, PagingMovesThroughTheRangeAndSetsTheButtons) {
    Viewer viewer(CReadFlashDlg::MODE_FLASH);
    viewer.dialog.SetFlashData(dumpRegisters(0, 2));
    viewer.show();
    EXPECT_EQ(viewer.label(), "Page - 0");
    EXPECT_FALSE(viewer.previous());
    EXPECT_TRUE(viewer.next());
    QTest::mouseClick(viewer.button("2"), Qt::LeftButton);
    EXPECT_EQ(viewer.label(), "Page - 1");
    EXPECT_EQ(viewer.cell("0000", "00"), "01");
    QTest::mouseClick(viewer.button("2"), Qt::LeftButton);
    EXPECT_EQ(viewer.label(), "Page - 2");
    EXPECT_FALSE(viewer.next());
    EXPECT_TRUE(viewer.previous());
    QTest::mouseClick(viewer.button("3"), Qt::LeftButton);
    EXPECT_EQ(viewer.label(), "Page - 1");
    EXPECT_TRUE(viewer.next());
    EXPECT_TRUE(viewer.previous());
}

TEST(ReadFlashDlg, EscapeAndTheCloseBoxPageOnAndOnlyEsciCloses) {
    Viewer viewer(CReadFlashDlg::MODE_FLASH);
    viewer.dialog.SetFlashData(dumpRegisters(10, 13));
    viewer.show();
    QTest::mouseClick(viewer.button("2"), Qt::LeftButton);  // a middle page
    QTest::keyClick(&viewer.dialog, Qt::Key_Escape);
    EXPECT_EQ(viewer.label(), "Page - 12");
    EXPECT_TRUE(viewer.dialog.isVisible());
    viewer.dialog.close();
    EXPECT_EQ(viewer.label(), "Page - 13");
    EXPECT_TRUE(viewer.dialog.isVisible());
    viewer.dialog.close();  // on the last page: stays there, still open
    EXPECT_EQ(viewer.label(), "Page - 13");
    EXPECT_TRUE(viewer.dialog.isVisible());
    QTest::mouseClick(viewer.button("1"), Qt::LeftButton);
    EXPECT_FALSE(viewer.dialog.isVisible());
    EXPECT_EQ(viewer.dialog.result(), QDialog::Accepted);
}

TEST(ReadFlashDlg, AMissingSectorShowsDashesNeverOtherBytes) {
    Viewer viewer(CReadFlashDlg::MODE_FLASH);
    viewer.dialog.SetFlashData(dumpRegisters(0, 1, {0}));
    viewer.show();
    for (int r = 0; r < 16; ++r)
        for (int c = 1; c <= 16; ++c) ASSERT_EQ(viewer.table()->item(r, c)->text(), "--");
    EXPECT_EQ(viewer.table()->item(0, 17)->text(), "");
    QTest::mouseClick(viewer.button("2"), Qt::LeftButton);
    EXPECT_EQ(viewer.cell("0000", "00"), "01");
}

TEST(ReadFlashDlg, RegisterModeShowsEachRegisterUnderItsHighDigit) {
    Viewer viewer(CReadFlashDlg::MODE_REGISTER);
    RegisterTable table{};
    for (size_t i = 0; i < table.size(); ++i) table[i] = uint8_t(0x10 + i);  // each register holds its number
    table[0xA3 - 0x10] = 0x3C;
    viewer.dialog.SetRegisterData(table);
    viewer.show();
    QStringList expected{" index"};
    for (const char* h : {"10", "20", "30", "40", "50", "60", "70", "80", "90", "a0", "b0", "c0", "d0", "e0", "f0"})
        expected << h;
    EXPECT_EQ(viewer.headers(), expected);
    EXPECT_EQ(viewer.table()->item(3, 0)->text(), "03");
    EXPECT_EQ(viewer.cell("03", "a0"), "3C");
    EXPECT_EQ(viewer.cell("00", "10"), "10");
    EXPECT_EQ(viewer.cell("0F", "f0"), "FF");
    EXPECT_EQ(viewer.label(), "Page - 0");
    EXPECT_FALSE(viewer.previous());
    EXPECT_FALSE(viewer.next());
    EXPECT_EQ(viewer.dialog.findChild<QPushButton*>(QStringLiteral("save")), nullptr);
}

TEST(ReadFlashDlg, SaveWritesTheRangeAndNamesTheMissingSectors) {
    QTemporaryDir dir;
    Viewer viewer(CReadFlashDlg::MODE_FLASH);
    const FlashDump dump = dumpRegisters(4, 6, {5});
    viewer.dialog.SetFlashData(dump);
    viewer.show();
    const QString path = dir.filePath(QStringLiteral("dump.bin"));
    viewer.prompts.pathAnswers.enqueue(path);
    QTest::mouseClick(viewer.button("save"), Qt::LeftButton);
    const std::vector<uint8_t> raw = dump.rawBytes();
    EXPECT_EQ(test::ReadFileBytes(path), QByteArray(reinterpret_cast<const char*>(raw.data()), qsizetype(raw.size())));
    ASSERT_EQ(viewer.prompts.messages.size(), 1);
    EXPECT_EQ(viewer.prompts.messages[0],
              (Message{"Dump salvato in " + path + ". Settori non ricevuti, riempiti con 00: 5", "Attenzione"}));

    // The comparison with the file just written: equal where sectors came back.
    viewer.prompts.pathAnswers.enqueue(path);
    QTest::mouseClick(viewer.button("compare"), Qt::LeftButton);
    EXPECT_EQ(viewer.prompts.messages.last().text,
              "Il file coincide con i dati letti. Settori non ricevuti, non confrontati: 5");
    QByteArray changed = test::ReadFileBytes(path);
    changed[2 * 256 + 0x10] = char(changed[2 * 256 + 0x10] ^ 0xFF);
    test::WriteFileBytes(path, changed);
    viewer.prompts.pathAnswers.enqueue(path);
    QTest::mouseClick(viewer.button("compare"), Qt::LeftButton);
    EXPECT_EQ(viewer.prompts.messages.last(),
              (Message{"Primo byte diverso all'offset 0x210 (settore 6, byte 0x10). Byte diversi: 1. "
                       "Settori non ricevuti, non confrontati: 5",
                       "Confronta con file"}));
}

TEST(ReadFlashDlg, ATypedPageNumberJumpsToThatPage) {
    Viewer viewer(CReadFlashDlg::MODE_FLASH);
    viewer.dialog.SetFlashData(dumpRegisters(100, 120));
    viewer.show();
    auto* field = viewer.dialog.findChild<QLineEdit*>(QStringLiteral("pageJump"));
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("117"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(viewer.label(), "Page - 117");
    EXPECT_TRUE(viewer.previous());
    EXPECT_TRUE(viewer.dialog.isVisible());  // Enter did not press "Esci"
    field->clear();
    QTest::keyClicks(field, QStringLiteral("99"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(viewer.label(), "Page - 117");
    ASSERT_EQ(viewer.prompts.messages.size(), 1);
    EXPECT_EQ(viewer.prompts.messages[0], (Message{"Pagina fuori intervallo: 100 - 120", "Attenzione"}));
}

}  // namespace
}  // namespace tavo
