#pragma once

// Runs the tavo-sim executable for a test: starts it, reads its "ready port" line and the
// event lines it prints, each wait bounded and woken by the process's output.
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace tavo::test {

class SimProcess {
public:
    static constexpr int kWaitMs = 10000;

    ~SimProcess() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(kWaitMs);
        }
    }

    // Starts tavo-sim with the arguments and waits for "ready port <P>".
    bool start(const QStringList& arguments) {
        m_process.setProgram(QStringLiteral(TAVO_SIM_EXE));
        m_process.setArguments(arguments);
        m_process.start();
        if (!m_process.waitForStarted(kWaitMs)) return false;
        QString line;
        if (!waitLine(QStringLiteral("ready port "), &line)) return false;
        m_port = quint16(line.section(u' ', 2, 2).toUInt());
        return m_port != 0;
    }

    // The next line, after the last one found, that starts with the prefix.
    bool waitLine(const QString& prefix, QString* found = nullptr, int ms = kWaitMs) {
        QDeadlineTimer deadline(ms);
        for (;;) {
            readLines();
            for (int i = m_next; i < m_lines.size(); ++i) {
                if (!m_lines.at(i).startsWith(prefix)) continue;
                m_next = i + 1;
                if (found) *found = m_lines.at(i);
                return true;
            }
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning) return false;
            m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        }
    }

    // Ends it with SIGTERM; true when it then exits normally with status 0.
    bool terminate() {
        m_process.terminate();
        return m_process.waitForFinished(kWaitMs) && m_process.exitStatus() == QProcess::NormalExit &&
               m_process.exitCode() == 0;
    }

    quint16 port() const { return m_port; }
    QProcess& process() { return m_process; }
    QStringList lines() {
        readLines();
        return m_lines;
    }

private:
    void readLines() {
        while (m_process.canReadLine()) m_lines << QString::fromUtf8(m_process.readLine()).trimmed();
    }

    QProcess m_process;
    QStringList m_lines;
    int m_next = 0;
    quint16 m_port = 0;
};

}  // namespace tavo::test
