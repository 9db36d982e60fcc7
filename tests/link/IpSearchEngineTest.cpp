// The IP search engine records the searched MAC address in the MAC history when it
// starts, once only, in the operator's values; the search itself is covered by the
// device link and flood tests.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "IpSearchEngine.h"

namespace tavo {
namespace {

TEST(IpSearchEngine, StartRecordsTheMacOnceInTheOperatorsValues) {
    QTemporaryDir dir;
    LinkConfig link;
    link.devicePort = 9;  // nothing is sent: no request leaves before the first tick
    link.broadcast = QHostAddress::LocalHost;
    IpSearchEngine search({link, Pace::product(), {}, dir.path().toStdString(), {}});
    const QString history = QDir(dir.path()).filePath(QStringLiteral("mach.ini"));
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(search.start({2, 75, 126, 10, 27, 44}));
        EXPECT_TRUE(search.isSearching());
        search.cancel();
        EXPECT_FALSE(search.isSearching());
        QFile file(history);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("[1]\t 2:75:126:10:27:44\r\n"));
    }
}

}  // namespace
}  // namespace tavo
