// "Importa..." and "Esporta..." on the IP configuration page: the file comes through the
// prompts seam, a good file fills the list at once, and a bad one is refused with every
// problem in one message and nothing changed.
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "FakePrompts.h"
#include "UiTestHelpers.h"
#include "bootp/IPPage.h"

namespace tavo {
namespace {

using test::FakePrompts;
using Message = FakePrompts::Message;

const QByteArray kOneDevice =
    "\r\n[1]\r\nHType : 1 \r\nhlen : 6 \r\nIP :  10.  0.  0. 11 \r\nMAC : 024B7E000011 \r\n"
    "Gateway :  10.  0.  0.  1 \r\nSubnet : 255.255.255.  0\r\n";

class IPPageCsvTest : public ::testing::Test {
protected:
    void SetUp() override { test::WriteFileBytes(path("bootp.ini"), kOneDevice); }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    std::unique_ptr<CIPPage> openPage() {
        auto page = std::make_unique<CIPPage>(context);
        page->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(page.get()));
        return page;
    }
    static void click(CIPPage& page, const char* name) {
        auto* button = page.findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    static int rows(CIPPage& page) { return page.findChild<QTableWidget*>(QStringLiteral("1000"))->rowCount(); }

    QTemporaryDir dir;
    FakePrompts prompts;
    AppContext context{prompts, test::loopbackLink(), dir.path()};
};

TEST_F(IPPageCsvTest, ButtonsBesideTheDeviceButtons) {
    auto page = openPage();
    EXPECT_EQ(page->findChild<QPushButton*>(QStringLiteral("importDevices"))->text(), QStringLiteral("Importa..."));
    EXPECT_EQ(page->findChild<QPushButton*>(QStringLiteral("exportDevices"))->text(), QStringLiteral("Esporta..."));
}

TEST_F(IPPageCsvTest, ExportWritesTheTableAndSaysSo) {
    auto page = openPage();
    prompts.pathAnswers.enqueue(path("plan.csv"));
    click(*page, "exportDevices");
    EXPECT_EQ(test::ReadFileBytes(path("plan.csv")),
              "ip,mac,gateway,subnet,htype,hlen\r\n10.0.0.11,024B7E000011,10.0.0.1,255.255.255.0,1,6\r\n");
    EXPECT_EQ(prompts.messages, (QList<Message>{{"Dispositivi esportati: 1 in " + path("plan.csv") + ".", "Avviso"}}));
}

TEST_F(IPPageCsvTest, AGoodFileIsImportedIntoTheListAndTheHistories) {
    test::WriteFileBytes(path("plan.csv"), "\xEF\xBB\xBFIP;MAC\r\n10.0.0.12;02-4b-7e-00-00-12\r\n10.0.0.13;024B7E000013\r\n");
    auto page = openPage();
    prompts.pathAnswers.enqueue(path("plan.csv"));
    click(*page, "importDevices");
    EXPECT_EQ(prompts.messages, (QList<Message>{{"Dispositivi importati: 2 (2 aggiunti, 0 sostituiti).", "Avviso"}}));
    EXPECT_EQ(rows(*page), 3);
    EXPECT_EQ(page->findChild<QTableWidget*>(QStringLiteral("1000"))->item(2, 3)->text(), QStringLiteral("024B7E000013"));
    EXPECT_EQ(test::ReadFileBytes(path("iph.ini")), "[1]\t 10.0.0.12\r\n[2]\t 10.0.0.13\r\n");
}

TEST_F(IPPageCsvTest, ABadFileIsRefusedWithEveryProblemInOneMessage) {
    test::WriteFileBytes(path("plan.csv"), "ip,mac\n10.0.0.12,024B7E000012\n10.0.0.11,024B7E00001\n10.0.0.14,024B7E000011\n");
    auto page = openPage();
    prompts.pathAnswers.enqueue(path("plan.csv"));
    click(*page, "importDevices");
    EXPECT_EQ(prompts.messages,
              (QList<Message>{{"Nessun dispositivo importato da " + path("plan.csv") + ": 2 errori.\n"
                               "Riga 3, colonna 2: indirizzo MAC non valido\n"
                               "Riga 4, colonna 2: indirizzo MAC già nel dispositivo 1",
                               "Errore"}}));
    EXPECT_EQ(rows(*page), 1);
    EXPECT_EQ(test::ReadFileBytes(path("bootp.ini")), kOneDevice);
}

TEST_F(IPPageCsvTest, CancelledPickersDoNothing) {
    auto page = openPage();
    click(*page, "importDevices");
    click(*page, "exportDevices");
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(test::ReadFileBytes(path("bootp.ini")), kOneDevice);
}

}  // namespace
}  // namespace tavo
