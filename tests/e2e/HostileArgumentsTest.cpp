// Hostile command lines for every program: empty, huge and non-UTF-8 words, negative and
// oversized numbers, addresses with too many parts, paths that do not exist or cannot be
// written. Each is refused with a message and exit status 2, before anything is sent or
// any file changes.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tavo {
namespace {

constexpr auto kProcessBound = std::chrono::seconds(30);

struct Outcome {
    int status = -1;  // exit status, -1 when killed or not ended in time
    std::string err;
};

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Runs a program with raw byte arguments (a QString could not carry bytes that are not
// UTF-8), in `cwd`, stdin empty, stderr into a file; bounded in time.
Outcome runRaw(const std::string& exe, const std::vector<std::string>& args, const std::string& cwd,
               const std::string& errPath) {
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string previous = QDir::currentPath().toStdString();
    chdir(cwd.c_str());
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    chdir(previous.c_str());
    posix_spawn_file_actions_destroy(&actions);
    Outcome outcome;
    if (spawned != 0) return outcome;
    const auto deadline = std::chrono::steady_clock::now() + kProcessBound;
    int raw = 0;
    while (waitpid(pid, &raw, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &raw, 0);
            outcome.err = fileText(errPath);
            return outcome;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.err = fileText(errPath);
    return outcome;
}

std::map<QString, QByteArray> treeBytes(const QString& root) {
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files[QDir(root).relativeFilePath(path)] = file.readAll();
    }
    return files;
}

// Placeholders in the cases: {DIR} the data folder (also the working folder, with the
// golden tables and a web folder), {SINK} the port of a socket that would see anything
// sent, {BIG} 100,000 digits, {RAW} two bytes that are not UTF-8.
std::string expand(std::string word, const std::string& dir, const std::string& sink) {
    const std::map<std::string, std::string> values = {
        {"{DIR}", dir}, {"{SINK}", sink}, {"{BIG}", std::string(100000, '9')}, {"{RAW}", "\xff\xfe"}};
    for (const auto& [key, value] : values)
        for (size_t at; (at = word.find(key)) != std::string::npos;) word.replace(at, key.size(), value);
    return word;
}

struct Case {
    const char* program;  // "tavo", "tavo-utility" or "tavo-sim"
    std::vector<std::string> args;
};

// Whatever a case would send goes to loopback: the device port and the broadcast address
// are the sink's wherever a command takes them, the utility closes itself, the simulator
// sends no BootP request and ends by itself.
const std::vector<Case> kCases = {
    {"tavo", {""}},
    {"tavo", {"{RAW}"}},
    {"tavo", {"{BIG}"}},
    {"tavo", {"devices"}},
    {"tavo", {"devices", "{RAW}", "--data-dir", "{DIR}"}},
    {"tavo", {"devices", "list", "--mac", "024B7E000001", "--data-dir", "{DIR}"}},
    {"tavo", {"devices", "add", "--ip", "", "--mac", "024B7E000001", "--data-dir", "{DIR}"}},
    {"tavo", {"devices", "add", "--ip", "127.0.0.1.5", "--mac", "024B7E000001", "--data-dir", "{DIR}"}},
    {"tavo", {"devices", "add", "--ip", "256.1.1.1", "--mac", "024B7E000001", "--data-dir", "{DIR}"}},
    {"tavo", {"devices", "add", "--ip", "-1.0.0.1", "--mac", "024B7E000001", "--data-dir", "{DIR}"}},
    {"tavo", {"devices", "add", "--ip", "{BIG}", "--mac", "024B7E000001", "--data-dir", "{DIR}"}},
    {"tavo", {"devices", "add", "--ip", "127.0.0.9", "--mac", "024B7E00000102", "--data-dir", "{DIR}"}},
    {"tavo", {"devices", "add", "--ip", "127.0.0.9", "--mac", "{RAW}", "--data-dir", "{DIR}"}},
    {"tavo", {"devices", "add", "--ip", "127.0.0.9", "--mac", "024B7E000001", "--gateway", "1.2.3", "--data-dir", "{DIR}"}},
    {"tavo", {"devices", "add", "--ip", "127.0.0.9", "--mac", "024B7E000001", "--data-dir", "/nonexistent"}},
    {"tavo", {"devices", "add", "--ip", "127.0.0.9", "--mac", "024B7E000001", "--data-dir", "/proc"}},
    {"tavo", {"devices", "list", "--data-dir", "{DIR}/bootp.ini"}},
    {"tavo", {"devices", "list", "--data-dir", "{RAW}"}},
    {"tavo", {"devices", "remove", "--mac", "", "--data-dir", "{DIR}"}},
    {"tavo", {"history", "ip", "clear", "--data-dir", "/nonexistent"}},
    {"tavo", {"history", "mac", "clear", "--data-dir", "/proc"}},
    {"tavo", {"history", "{RAW}", "list", "--data-dir", "{DIR}"}},
    {"tavo", {"ip", "clear", "127.0.0.1.5", "--yes", "--device-port", "{SINK}", "--data-dir", "{DIR}"}},
    {"tavo", {"ip", "clear", "", "--yes", "--device-port", "{SINK}", "--data-dir", "{DIR}"}},
    {"tavo", {"ip", "clear", "127.0.0.1", "--yes", "--device-port", "{SINK}", "--data-dir", "/nonexistent"}},
    {"tavo", {"ip", "find", "024B7E000001", "--timeout", "-1", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--data-dir", "{DIR}"}},
    {"tavo", {"ip", "find", "024B7E000001", "--timeout", "{BIG}", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--data-dir", "{DIR}"}},
    {"tavo", {"ip", "find", "024B7E0000", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--data-dir", "{DIR}"}},
    {"tavo", {"ip", "find", "024B7E000001", "--device-port", "70000", "--broadcast", "127.255.255.255", "--data-dir", "{DIR}"}},
    {"tavo", {"ip", "find", "024B7E000001", "--device-port", "-5", "--broadcast", "127.255.255.255", "--data-dir", "{DIR}"}},
    {"tavo", {"ip", "find", "024B7E000001", "--device-port", "{SINK}", "--broadcast", "127.255.255.255.1", "--data-dir", "{DIR}"}},
    {"tavo", {"ip", "find", "024B7E000001", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--interface", "{RAW}", "--data-dir", "{DIR}"}},
    {"tavo", {"flash", "read", "127.0.0.1", "0", "2048", "--device-port", "{SINK}", "--data-dir", "{DIR}"}},
    {"tavo", {"flash", "read", "127.0.0.1", "-1", "5", "--device-port", "{SINK}", "--data-dir", "{DIR}"}},
    {"tavo", {"flash", "read", "127.0.0.1", "{BIG}", "5", "--device-port", "{SINK}", "--data-dir", "{DIR}"}},
    {"tavo", {"flash", "read", "127.0.0.1", "0", "1", "-o", "/nonexistent/dump.bin", "--device-port", "{SINK}", "--data-dir", "{DIR}"}},
    {"tavo", {"flash", "read", "127.0.0.1", "0", "1", "-o", "/proc/version", "--device-port", "{SINK}", "--data-dir", "{DIR}"}},
    {"tavo", {"flash", "read", "127.0.0.1", "0", "1", "-o", "{DIR}", "--device-port", "{SINK}", "--data-dir", "{DIR}"}},
    {"tavo", {"flash", "read", "127.0.0.1", "0", "1", "--timeout-ms", "-3", "--device-port", "{SINK}", "--data-dir", "{DIR}"}},
    {"tavo", {"flash", "clear", "127.0.0.1", "0", "2044", "--yes", "--device-port", "{SINK}", "--data-dir", "{DIR}"}},
    {"tavo", {"reg", "read", "127.0.0.1", "1FF", "--device-port", "{SINK}", "--data-dir", "{DIR}"}},
    {"tavo", {"reg", "write", "127.0.0.1", "10", "-1", "--yes", "--device-port", "{SINK}", "--data-dir", "{DIR}"}},
    {"tavo", {"reg", "write", "127.0.0.1", "10", "100", "--yes", "--device-port", "{SINK}", "--data-dir", "{DIR}"}},
    {"tavo", {"reg", "dump", "127.0.0.1.1", "--device-port", "{SINK}", "--data-dir", "{DIR}"}},
    {"tavo", {"reg", "dump", "127.0.0.1", "--device-port", "{BIG}", "--data-dir", "{DIR}"}},
    {"tavo", {"image", "build", "/nonexistent", "-o", "{DIR}/out.TAV"}},
    {"tavo", {"image", "build", "{DIR}/web", "-o", "/nonexistent/out.TAV"}},
    {"tavo", {"image", "build", "{DIR}/web", "-o", "/proc/out.TAV"}},
    {"tavo", {"image", "build", "{DIR}/web", "-o", "{DIR}/out.TAV", "--template", "/nonexistent.html"}},
    {"tavo", {"image", "inspect", "/nonexistent.TAV"}},
    {"tavo", {"image", "inspect", "{RAW}"}},
    {"tavo", {"bootp", "serve", "--port", "70000", "--reply-port", "{SINK}", "--broadcast", "127.255.255.255", "--data-dir", "{DIR}"}},
    {"tavo", {"bootp", "serve", "--port", "0", "--max-seconds", "-1", "--reply-port", "{SINK}", "--broadcast", "127.255.255.255", "--data-dir", "{DIR}"}},
    {"tavo", {"bootp", "serve", "--port", "0", "--max-seconds", "{BIG}", "--reply-port", "{SINK}", "--broadcast", "127.255.255.255", "--data-dir", "{DIR}"}},
    {"tavo", {"bootp", "serve", "--port", "0", "--max-seconds", "1", "--reply-port", "{SINK}", "--broadcast", "127.255.255.255", "--data-dir", "/nonexistent"}},
    {"tavo", {"bootp", "serve", "--port", "0", "--max-seconds", "1", "--reply-port", "{SINK}", "--broadcast", "127.255.255.255.9", "--data-dir", "{DIR}"}},
    {"tavo", {"bootp", "serve", "--port", "0", "--max-seconds", "1", "--reply-port", "{SINK}", "--broadcast", "127.255.255.255", "--add-unknown", "--ip-pool", "10.0.0.5-10.0.0.1", "--data-dir", "{DIR}"}},
    {"tavo", {"bootp", "serve", "--port", "0", "--max-seconds", "1", "--reply-port", "{SINK}", "--broadcast", "127.255.255.255", "--add-unknown", "--ip-pool", "{BIG}", "--data-dir", "{DIR}"}},
    {"tavo", {"commission", "--bootp-server-port", "0", "--bootp-client-port", "{SINK}", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--max-seconds", "1", "--data-dir", "{DIR}"}},
    {"tavo", {"commission", "--image", "/nonexistent.TAV", "--bootp-server-port", "0", "--bootp-client-port", "{SINK}", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--max-seconds", "1", "--data-dir", "{DIR}"}},
    {"tavo", {"commission", "--image", "{DIR}", "--bootp-server-port", "0", "--bootp-client-port", "{SINK}", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--max-seconds", "1", "--data-dir", "{DIR}"}},
    {"tavo", {"commission", "--image", "{RAW}", "--bootp-server-port", "0", "--bootp-client-port", "{SINK}", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--max-seconds", "1", "--data-dir", "{DIR}"}},
    {"tavo", {"commission", "--image", "{DIR}/web/index.htm", "--retries", "-1", "--bootp-server-port", "0", "--bootp-client-port", "{SINK}", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--max-seconds", "1", "--data-dir", "{DIR}"}},
    {"tavo", {"commission", "--image", "{DIR}/web/index.htm", "--devices", "{BIG}", "--bootp-server-port", "0", "--bootp-client-port", "{SINK}", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--max-seconds", "1", "--data-dir", "{DIR}"}},
    {"tavo", {"commission", "--image", "{DIR}/web/index.htm", "--pace-ms", "60001", "--bootp-server-port", "0", "--bootp-client-port", "{SINK}", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--max-seconds", "1", "--data-dir", "{DIR}"}},
    {"tavo", {"commission", "--image", "{DIR}/web/index.htm", "--ip-pool", "10.0.0.5-10.0.0.1", "--bootp-server-port", "0", "--bootp-client-port", "{SINK}", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--max-seconds", "1", "--data-dir", "{DIR}"}},
    {"tavo", {"commission", "--image", "{DIR}/web/index.htm", "--gateway", "10.0.0.1", "--bootp-server-port", "0", "--bootp-client-port", "{SINK}", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--max-seconds", "1", "--data-dir", "{DIR}"}},
    {"tavo", {"commission", "--image", "{DIR}/web/index.htm", "--registers", "/nonexistent.txt", "--bootp-server-port", "0", "--bootp-client-port", "{SINK}", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--max-seconds", "1", "--data-dir", "{DIR}"}},
    {"tavo", {"commission", "--image", "{DIR}/web/index.htm", "--registers", "{DIR}/bootp.ini", "--bootp-server-port", "0", "--bootp-client-port", "{SINK}", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--max-seconds", "1", "--data-dir", "{DIR}"}},
    {"tavo", {"commission", "--image", "{DIR}/web/index.htm", "--report", "/proc/report.csv", "--bootp-server-port", "0", "--bootp-client-port", "{SINK}", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--max-seconds", "1", "--data-dir", "{DIR}"}},
    {"tavo", {"commission", "--image", "{DIR}/web/index.htm", "--report", "{DIR}/bootp.ini", "--bootp-server-port", "0", "--bootp-client-port", "{SINK}", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--max-seconds", "1", "--data-dir", "{DIR}"}},
    {"tavo", {"commission", "--image", "{DIR}/web/index.htm", "--verify", "--no-verify", "--bootp-server-port", "0", "--bootp-client-port", "{SINK}", "--device-port", "{SINK}", "--broadcast", "127.255.255.255", "--max-seconds", "1", "--data-dir", "{DIR}"}},
    {"tavo", {"doctor", "--listen", "{BIG}"}},
    {"tavo", {"doctor", "--listen", "-1"}},
    {"tavo", {"doctor", "--for", "{RAW}"}},
    {"tavo", {"doctor", "--interface", ""}},
    {"tavo", {"doctor", "--bootp-server-port", "70000"}},
    {"tavo", {"doctor", "{RAW}"}},
    {"tavo-utility", {"--data-dir", "/nonexistent", "--close-after-ms", "100"}},
    {"tavo-utility", {"--data-dir", "/proc", "--close-after-ms", "100"}},
    {"tavo-utility", {"--data-dir", "{DIR}", "--close-after-ms", "-5"}},
    {"tavo-utility", {"--data-dir", "{DIR}", "--close-after-ms", "{BIG}"}},
    {"tavo-utility", {"--data-dir", "{DIR}", "--close-after-ms", "100", "--screenshot", "/nonexistent/shot.png"}},
    {"tavo-utility", {"--data-dir", "{DIR}", "--close-after-ms", "100", "--device-port", "70000"}},
    {"tavo-utility", {"--data-dir", "{DIR}", "--close-after-ms", "100", "--broadcast", "127.0.0.1.2"}},
    {"tavo-utility", {"--data-dir", "{DIR}", "--close-after-ms", "100", "{RAW}"}},
    {"tavo-utility", {"--data-dir", "{DIR}", "--close-after-ms", "100", ""}},
    {"tavo-utility", {"--data-dir", "{DIR}", "--close-after-ms", "100", "--{BIG}"}},
    {"tavo-sim", {"--port", "70000", "--bootp-max-requests", "0", "--max-seconds", "2"}},
    {"tavo-sim", {"--port", "-1", "--bootp-max-requests", "0", "--max-seconds", "2"}},
    {"tavo-sim", {"--ip", "127.0.0.1.5", "--mac", "024B7E000001", "--bootp-max-requests", "0", "--max-seconds", "2"}},
    {"tavo-sim", {"--ip", "127.0.0.5", "--mac", "{RAW}", "--bootp-max-requests", "0", "--max-seconds", "2"}},
    {"tavo-sim", {"--ip", "127.0.0.5", "--mac", "024B7E00000102", "--bootp-max-requests", "0", "--max-seconds", "2"}},
    {"tavo-sim", {"--ip", "127.0.0.5", "--mac", "024B7E000005", "--bootp-max-requests", "0", "--max-seconds", "-1"}},
    {"tavo-sim", {"--ip", "127.0.0.5", "--mac", "024B7E000005", "--bootp-max-requests", "0", "--max-seconds", "{BIG}"}},
    {"tavo-sim", {"--ip", "127.0.0.5", "--mac", "024B7E000005", "--bootp-max-requests", "-3", "--max-seconds", "2"}},
    {"tavo-sim", {"--ip", "127.0.0.5", "--mac", "024B7E000005", "--bootp-max-requests", "0", "--delay-ms", "5-1", "--max-seconds", "2"}},
    {"tavo-sim", {"--ip", "127.0.0.5", "--mac", "024B7E000005", "--bootp-max-requests", "0", "--broadcast", "{BIG}", "--max-seconds", "2"}},
    {"tavo-sim", {"--ip", "127.0.0.5", "--mac", "024B7E000005", "--bootp-max-requests", "0", "", "--max-seconds", "2"}},
    {"tavo-sim", {"--ip", "127.0.0.5", "--mac", "024B7E000005", "--bootp-max-requests", "0", "{RAW}", "--max-seconds", "2"}},
};

std::string exeOf(const std::string& program) {
    if (program == "tavo") return TAVO_CLI_EXE;
    if (program == "tavo-utility") return TAVO_UTILITY_EXE;
    return TAVO_SIM_EXE;
}

TEST(HostileArguments, EachIsRefusedWithAMessageAndStatus2NothingSentNothingChanged) {
    QTemporaryDir work;
    QTemporaryDir logs;
    const QString dir = work.path();
    for (const char* table : {"bootp.ini", "iph.ini", "mach.ini"})
        ASSERT_TRUE(QFile::copy(QString(TAVO_SOURCE_DIR) + "/tests/core/data/" + table, dir + "/" + table));
    ASSERT_TRUE(QDir(dir).mkpath("web"));
    QFile page(dir + "/web/index.htm");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html>hi</html>");
    page.close();
    // Bound to every address of the machine's loopback on its port, so that it sees a
    // command to 127.0.0.1 and a loopback broadcast alike.
    QUdpSocket sink;
    sink.setProxy(QNetworkProxy::NoProxy);
    ASSERT_TRUE(sink.bind(QHostAddress(QHostAddress::AnyIPv4), 0));
    const std::string sinkPort = std::to_string(sink.localPort());
    const auto before = treeBytes(dir);
    const std::string errPath = logs.filePath("stderr").toStdString();

    for (const Case& c : kCases) {
        std::vector<std::string> args;
        std::string shown = c.program;
        for (const std::string& a : c.args) {
            args.push_back(expand(a, dir.toStdString(), sinkPort));
            shown += " '" + (a.size() > 40 ? a.substr(0, 40) + "..." : a) + "'";
        }
        SCOPED_TRACE(shown);
        const Outcome outcome = runRaw(exeOf(c.program), args, dir.toStdString(), errPath);
        EXPECT_EQ(outcome.status, 2) << outcome.err.substr(0, 400);
        // A message of the program's own, first thing on stderr after any platform notes.
        EXPECT_NE(outcome.err.find(std::string(c.program) + ":"), std::string::npos) << outcome.err.substr(0, 400);
        EXPECT_EQ(outcome.err.find("Sanitizer"), std::string::npos) << outcome.err.substr(0, 2000);
        EXPECT_EQ(outcome.err.find("runtime error"), std::string::npos) << outcome.err.substr(0, 2000);
        EXPECT_FALSE(sink.hasPendingDatagrams()) << "something was sent";
        while (sink.hasPendingDatagrams()) sink.receiveDatagram();
        const auto after = treeBytes(dir);
        EXPECT_TRUE(after == before) << "a file changed, came or went";
    }
}

}  // namespace
}  // namespace tavo
