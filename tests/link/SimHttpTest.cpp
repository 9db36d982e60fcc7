// The simulator's web server against images in its flash, with a plain HTTP client on
// loopback: the resource index of the path (up to "?"), the record's response as it
// stands, HEAD, its own answers for unused entries, erased flash and other methods.
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>

#include "Loopback.h"
#include "SimHttp.h"
#include "SimNetwork.h"
#include "WebImage.h"

namespace tavo {
namespace {

using namespace tavo::test;

std::vector<uint8_t> Body(const std::string& text) { return {text.begin(), text.end()}; }

// Composed with the utility's own composer: the simulator reads it from the format alone.
std::vector<uint8_t> SampleImage(bool withDefault) {
    WebImageComposer composer;
    composer.addResource("/a.gif", Body("GIF89a-picture"));
    composer.addResource("/img/b.txt", Body("hello"));
    if (withDefault) composer.addResource("/707.html", Body("<html>default</html>"));
    return composer.finish();
}

QByteArray Record(const std::vector<uint8_t>& image, const std::string& urlPath) {
    const uint8_t index = ResourceIndex(urlPath);
    const uint32_t offset = uint32_t(image[index * 4]) << 24 | uint32_t(image[index * 4 + 1]) << 16 |
                            uint32_t(image[index * 4 + 2]) << 8 | image[index * 4 + 3];
    const uint32_t length = uint32_t(image[offset]) << 24 | uint32_t(image[offset + 1]) << 16 |
                            uint32_t(image[offset + 2]) << 8 | image[offset + 3];
    return QByteArray(reinterpret_cast<const char*>(image.data() + offset + 6), qsizetype(length));
}

class SimHttpTest : public ::testing::Test {
protected:
    void start(const std::vector<uint8_t>& image) {
        network.addDevice(sim::Ipv4Address{127, 0, 0, 2}, sim::MacAddress{2, 0x4B, 0x7E, 0, 0, 1});
        std::copy(image.begin(), image.end(), network.device(0).flash().begin());
        ASSERT_TRUE(network.start());
        ASSERT_TRUE(http.start(0)) << http.errorString().toStdString();
    }
    // Sends the raw request and returns everything until the server closes.
    QByteArray fetch(const QByteArray& request) {
        QTcpSocket client;
        client.setProxy(QNetworkProxy::NoProxy);
        client.connectToHost(QHostAddress(QStringLiteral("127.0.0.2")), http.port());
        if (!client.waitForConnected(kWaitMs)) return "no connection";
        client.write(request);
        QByteArray answer;
        QElapsedTimer bound;
        bound.start();
        while (client.state() != QAbstractSocket::UnconnectedState && bound.elapsed() < kWaitMs) {
            QTest::qWait(2);  // the server runs on this thread's event loop
            answer += client.readAll();
        }
        return answer + client.readAll();
    }
    QByteArray get(const QByteArray& target) { return fetch("GET " + target + " HTTP/1.1\r\nHost: x\r\n\r\n"); }
    sim::SimNetwork network;
    sim::SimHttp http{network};
};

TEST_F(SimHttpTest, ResourcesAreServedAsTheirRecordsStand) {
    const auto image = SampleImage(true);
    start(image);
    EXPECT_EQ(get("/a.gif"), Record(image, "/a.gif"));
    EXPECT_EQ(get("/img/b.txt?x=1&y=2"), Record(image, "/img/b.txt"));
    EXPECT_EQ(get("/707.html"), Record(image, "/707.html"));
    // "/" and any unused index lead to the default page.
    EXPECT_EQ(get("/"), Record(image, "/707.html"));
    EXPECT_EQ(get("/nothing-here.htm"), Record(image, "/707.html"));
    EXPECT_TRUE(get("/a.gif").startsWith("HTTP/1.1 200 OK\r\nContent-Length: 14\r\n"));
}

TEST_F(SimHttpTest, HeadSendsTheHeaderAlone) {
    const auto image = SampleImage(true);
    start(image);
    const QByteArray record = Record(image, "/a.gif");
    EXPECT_EQ(fetch("HEAD /a.gif HTTP/1.1\r\n\r\n"), record.left(record.indexOf("\r\n\r\n") + 4));
}

TEST_F(SimHttpTest, UnusedEntriesWithoutADefaultPageGetA404OfItsOwn) {
    start(SampleImage(false));
    EXPECT_TRUE(get("/").startsWith("HTTP/1.1 404 Not Found\r\n"));
    EXPECT_TRUE(fetch("POST /a.gif HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 501 "));
    EXPECT_TRUE(fetch("nonsense\r\n\r\n").startsWith("HTTP/1.1 400 "));
}

TEST(SimHttpRespond, ErasedFlashAndRecordsOutsideTheImage) {
    QByteArray flash(64 * 1024, char(0xFF));
    EXPECT_TRUE(sim::SimHttp::respond(flash, "GET", "/").startsWith("HTTP/1.1 503 "));
    // Entry 0x2F ("/") points past the end of the flash; every other entry is 0.
    std::fill(flash.begin(), flash.begin() + 1024, char(0));
    flash[0x2F * 4] = 0x7F;
    EXPECT_TRUE(sim::SimHttp::respond(flash, "GET", "/").startsWith("HTTP/1.1 404 "));
    EXPECT_TRUE(sim::SimHttp::respond(flash, "GET", "/x").startsWith("HTTP/1.1 404 "));
    // A record whose length runs past the end of the flash.
    flash[0x2F * 4] = 0;
    flash[0x2F * 4 + 2] = 0x04;  // offset 1024
    flash[1024] = 0x01;          // L = 0x01FFFFFF...
    EXPECT_TRUE(sim::SimHttp::respond(flash, "GET", "/").startsWith("HTTP/1.1 404 "));
}

TEST(SimHttpRespond, TheIndexIsTheByteSumOfThePathAsReceived) {
    QByteArray flash(4096, 0);
    const QByteArray response = "HTTP/1.1 200 OK\r\n\r\nX";
    // Entry 0xF4 (/a.gif) addresses a record at 1024; "%61" is not decoded, so
    // /%61.gif sums to another index and finds nothing.
    flash[0xF4 * 4 + 2] = 0x04;
    flash[1024 + 3] = char(response.size());
    flash.replace(1030, response.size(), response);
    EXPECT_EQ(sim::SimHttp::respond(flash, "GET", "/a.gif"), response);
    EXPECT_EQ(sim::SimHttp::respond(flash, "GET", "/a.gif?q"), response);
    EXPECT_TRUE(sim::SimHttp::respond(flash, "GET", "/%61.gif").startsWith("HTTP/1.1 404 "));
}

}  // namespace
}  // namespace tavo
