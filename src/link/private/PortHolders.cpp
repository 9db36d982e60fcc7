#include "PortHolders.h"

#include <QtGlobal>

#if defined(Q_OS_LINUX)
#include <QDir>
#include <QFile>
#include <set>

#include <unistd.h>

#include "ProcNetUdp.h"
#elif defined(Q_OS_WIN)
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
// clang-format on
#include <QFileInfo>
#include <algorithm>
#include <QString>
#include <vector>
#endif

namespace tavo {

#if defined(Q_OS_LINUX)
namespace {

std::set<uint64_t> socketInodes(quint16 port) {
    std::set<uint64_t> inodes;
    for (const char* table : {"/proc/net/udp", "/proc/net/udp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = file.readAll();
        for (const UdpSocketRow& row : parseProcNetUdp(std::string_view(text.constData(), size_t(text.size()))))
            if (row.localPort == port && row.inode != 0) inodes.insert(row.inode);
    }
    return inodes;
}

std::string programName(const QString& pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly)) return {};
    return comm.readAll().trimmed().toStdString();
}

bool holdsOneOf(const QString& pid, const std::set<uint64_t>& inodes) {
    const QString fdDir = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QString& fd : QDir(fdDir).entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const QByteArray path = (fdDir + '/' + fd).toLocal8Bit();
        char target[64];
        const ssize_t length = ::readlink(path.constData(), target, sizeof target);
        if (length <= 0) continue;
        const auto inode = parseSocketLink(std::string_view(target, size_t(length)));
        if (inode && inodes.count(*inode)) return true;
    }
    return false;
}

}  // namespace

std::vector<PortHolder> udpPortHolders(quint16 port) {
    const std::set<uint64_t> inodes = socketInodes(port);
    std::vector<PortHolder> holders;
    if (inodes.empty()) return holders;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (numeric && holdsOneOf(entry, inodes)) holders.push_back({programName(entry), pid});
    }
    return holders;
}

#elif defined(Q_OS_WIN)
namespace {

std::string programName(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return {};
    wchar_t path[MAX_PATH];
    DWORD size = MAX_PATH;
    std::string name;
    if (QueryFullProcessImageNameW(process, 0, path, &size))
        name = QFileInfo(QString::fromWCharArray(path, int(size))).fileName().toStdString();
    CloseHandle(process);
    return name;
}

}  // namespace

std::vector<PortHolder> udpPortHolders(quint16 port) {
    std::vector<PortHolder> holders;
    ULONG size = 0;
    // The table may grow between the call that sizes it and the one that fills it.
    std::vector<unsigned char> buffer;
    DWORD result = ERROR_INSUFFICIENT_BUFFER;
    for (int attempt = 0; attempt < 4 && result == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        buffer.resize(size);
        result = GetExtendedUdpTable(buffer.empty() ? nullptr : buffer.data(), &size, FALSE, AF_INET,
                                     UDP_TABLE_OWNER_PID, 0);
    }
    if (result != NO_ERROR) return holders;
    const auto* table = reinterpret_cast<const MIB_UDPTABLE_OWNER_PID*>(buffer.data());
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_UDPROW_OWNER_PID& row = table->table[i];
        if (ntohs(u_short(row.dwLocalPort)) != port) continue;
        const bool seen = std::any_of(holders.begin(), holders.end(),
                                      [&row](const PortHolder& h) { return h.pid == int64_t(row.dwOwningPid); });
        if (!seen) holders.push_back({programName(row.dwOwningPid), int64_t(row.dwOwningPid)});
    }
    return holders;
}

#else
std::vector<PortHolder> udpPortHolders(quint16) { return {}; }
#endif

}  // namespace tavo
