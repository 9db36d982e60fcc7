#pragma once

// What the namespace tests share: programs run to their end or followed line by line,
// every wait bounded and woken by the program's own output, and whether this process
// runs inside a namespace that a test made.
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace tavo {
namespace {

constexpr int kWaitMs = 30000;  // tshark alone takes seconds to start on a busy machine

// A program whose output lines are awaited, each wait bounded and woken by its output.
class LineProcess {
public:
    ~LineProcess() { stop(); }

    bool start(const QString& program, const QStringList& arguments, const QProcessEnvironment& env = {}) {
        if (!env.isEmpty()) m_process.setProcessEnvironment(env);
        m_process.start(program, arguments);
        return m_process.waitForStarted(kWaitMs);
    }

    // The next line on stdout (or stderr with `fromStderr`) that contains `text`.
    bool waitLine(const QString& text, QString* found = nullptr, bool fromStderr = false, int waitMs = kWaitMs) {
        QDeadlineTimer deadline(waitMs);
        for (;;) {
            collect();
            QStringList& lines = fromStderr ? m_errLines : m_outLines;
            int& next = fromStderr ? m_errNext : m_outNext;
            for (; next < lines.size(); ++next) {
                if (!lines[next].contains(text)) continue;
                if (found) *found = lines[next];
                ++next;
                return true;
            }
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning) return false;
            // Woken only by output on the read channel: the one the line is awaited on.
            m_process.setReadChannel(fromStderr ? QProcess::StandardError : QProcess::StandardOutput);
            m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        }
    }

    qint64 processId() const { return m_process.processId(); }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // The exit status once finish() or terminate() returned.
    int exitCode() const { return m_process.exitCode(); }

    // Waits for the end; true on exit status 0.
    bool finish() {
        const bool ended = m_process.waitForFinished(kWaitMs);
        collect();
        return ended && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }

    bool terminate() {
        if (m_process.state() == QProcess::NotRunning) return false;
        m_process.terminate();
        return finish();
    }

    void stop() {
        if (m_process.state() == QProcess::NotRunning) return;
        m_process.kill();
        m_process.waitForFinished(kWaitMs);
    }

    // Forgets the lines that came so far: the next wait looks only at later ones.
    void skipPending() {
        collect();
        m_outNext = int(m_outLines.size());
        m_errNext = int(m_errLines.size());
    }

    QStringList outLines() {
        collect();
        return m_outLines;
    }
    QString all() {
        collect();
        return m_outLines.join('\n') + "\n--- stderr\n" + m_errLines.join('\n');
    }

private:
    void collect() {
        m_process.setReadChannel(QProcess::StandardOutput);
        while (m_process.canReadLine()) m_outLines << QString::fromUtf8(m_process.readLine()).trimmed();
        m_process.setReadChannel(QProcess::StandardError);
        while (m_process.canReadLine()) m_errLines << QString::fromUtf8(m_process.readLine()).trimmed();
        m_process.setReadChannel(QProcess::StandardOutput);
    }

    QProcess m_process;
    QStringList m_outLines, m_errLines;
    int m_outNext = 0, m_errNext = 0;
};

inline bool run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(kWaitMs) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

inline bool Ip(const QStringList& arguments) { return run(QStringLiteral("ip"), arguments); }

inline bool HaveProgram(const QString& name) {
    return !QStandardPaths::findExecutable(name, {"/usr/bin", "/usr/sbin", "/bin", "/sbin"}).isEmpty();
}

// Two namespaces made for a test, the PC's (a) and the devices' (b), joined by a veth pair
// made inside them so that it never appears in the machine's own namespace; the names are
// unique to this process, and both go with the object.
class NamespacePair {
public:
    NamespacePair(const QString& prefix, QString pcInterface, QString deviceInterface)
        : a(QStringLiteral("%1-%2-pc").arg(prefix).arg(::getpid())),
          b(QStringLiteral("%1-%2-dev").arg(prefix).arg(::getpid())),
          pcIf(std::move(pcInterface)),
          deviceIf(std::move(deviceInterface)) {}
    ~NamespacePair() {
        if (!m_made) return;
        Ip({"netns", "del", a});
        Ip({"netns", "del", b});
    }

    // Empty on success, else why the test cannot run here. `setUp` holds the test's own
    // `ip` commands (addresses, routes), run once both ends of the pair are up.
    QString make(const QList<QStringList>& setUp) {
        if (::geteuid() != 0) return QStringLiteral("needs root to make network namespaces");
        if (!Ip({"netns", "list"})) return QStringLiteral("ip netns is not available");
        if (!Ip({"netns", "add", a})) return QStringLiteral("ip netns add failed");
        m_made = true;
        bool ok = Ip({"netns", "add", b}) &&
                  run("ip", {"netns", "exec", a, "sysctl", "-qw", "net.ipv6.conf.all.disable_ipv6=1"}) &&
                  run("ip", {"netns", "exec", b, "sysctl", "-qw", "net.ipv6.conf.all.disable_ipv6=1"}) &&
                  Ip({"-n", a, "link", "add", pcIf, "type", "veth", "peer", "name", deviceIf, "netns", b}) &&
                  Ip({"-n", a, "link", "set", "lo", "up"}) && Ip({"-n", b, "link", "set", "lo", "up"}) &&
                  Ip({"-n", a, "link", "set", pcIf, "up"}) && Ip({"-n", b, "link", "set", deviceIf, "up"});
        for (const QStringList& command : setUp) ok = ok && Ip(command);
        return ok ? QString() : QStringLiteral("could not set up the test namespaces");
    }

    QStringList in(const QString& ns, const QStringList& command) const { return QStringList{"netns", "exec", ns} + command; }

    const QString a, b;
    const QString pcIf, deviceIf;

private:
    bool m_made = false;
};

// True inside a namespace registered with "ip netns add" (the machine's own namespace
// is not one of those).
inline bool InRegisteredNetworkNamespace() {
    struct stat mine {};
    if (::stat("/proc/self/ns/net", &mine) != 0) return false;
    for (const QString& name : QDir(QStringLiteral("/run/netns")).entryList(QDir::Files | QDir::System)) {
        struct stat registered {};
        const QByteArray path = QStringLiteral("/run/netns/%1").arg(name).toLocal8Bit();
        if (::stat(path.constData(), &registered) == 0 && registered.st_ino == mine.st_ino && registered.st_dev == mine.st_dev)
            return true;
    }
    return false;
}

}  // namespace
}  // namespace tavo
