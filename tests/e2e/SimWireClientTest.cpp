// A third-party client, written in Python from the datagram tables alone, against tavo-sim.
#include "SimProcess.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

using tavo::test::SimProcess;

constexpr const char* kPython = "/usr/bin/python3";
constexpr int kScriptWaitMs = 90000;  // bound only: every wait in the script has its own time-out

TEST(SimWireClient, PythonClientAgreesWithTheSimulator) {
    if (!QFileInfo::exists(kPython)) GTEST_SKIP() << kPython << " is not installed";
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--port", "0", "--max-seconds", "120", "--bootp-max-requests", "0", "--ip", "127.0.0.2",
                           "--mac", "024B7E0000C2", "--ip", "127.0.0.3", "--mac", "02:4b:7e:00:00:c3"}));

    QProcess client;
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.start(kPython, {QStringLiteral(TAVO_SOURCE_DIR "/tests/e2e/wire_client.py"), "--port",
                           QString::number(sim.port()), "--device", "127.0.0.2,024B7E0000C2", "--device",
                           "127.0.0.3,024B7E0000C3"});
    ASSERT_TRUE(client.waitForFinished(kScriptWaitMs));
    const QByteArray output = client.readAll();
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client.exitCode(), 0) << output.constData();
    EXPECT_TRUE(output.contains("ok")) << output.constData();
    EXPECT_TRUE(sim.waitLine("cleared 024B7E0000C2"));
    EXPECT_TRUE(sim.terminate());
}

}  // namespace
