#include "DeviceTable.h"

#include <unordered_set>

#include "IPFDB.h"
#include "MacHistoryFDB.h"

namespace tavo {
namespace {

constexpr Ipv4Octets kBlankAddress{0, 0, 0, 0};

uint32_t toNumber(const Ipv4Octets& ip) {
    return (uint32_t(ip[0]) << 24) | (uint32_t(ip[1]) << 16) | (uint32_t(ip[2]) << 8) | ip[3];
}

Ipv4Octets toOctets(uint32_t value) {
    return {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
}

// The save writes texts in upper case: records come back as the file holds them, so that
// a later lookup of a front end's row finds its record.
DeviceRecord asSaved(DeviceRecord record) {
    for (std::string* text : {&record.IP, &record.MAC, &record.Gateway, &record.Subnet}) {
        for (char& c : *text) {
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        }
    }
    return record;
}

DeviceTableResult outcome(DeviceTableStatus status, int index = -1, DeviceRecord record = {}) {
    return {status, index, std::move(record)};
}

}  // namespace

NewDeviceProblem checkNewDevice(const Ipv4Octets& ip, bool macGiven) {
    if (ip == kBlankAddress) return NewDeviceProblem::NoIp;
    if (ip[3] == 0 || ip[3] == 255) return NewDeviceProblem::BadIp;
    if (!macGiven) return NewDeviceProblem::NoMac;
    return NewDeviceProblem::None;
}

DeviceRecord newDeviceRecord(const Ipv4Octets& ip, const MacOctets& mac, const Ipv4Octets& gateway,
                             const Ipv4Octets& subnet) {
    return {kNewDeviceHType, kNewDeviceHLen, formatDottedAligned(ip), FormatMac(mac), formatDottedAligned(gateway),
            formatDottedAligned(subnet)};
}

void recordDeviceAddresses(const std::string& dataDir, const std::array<int, 6>& macBytes, const Ipv4Octets& ip,
                           const TableMessageSink& sink) {
    recordDeviceAddresses(dataDir, std::vector<DeviceAddresses>{{macBytes, ip}}, sink);
}

void recordDeviceAddresses(const std::string& dataDir, const std::vector<DeviceAddresses>& devices,
                           const TableMessageSink& sink) {
    std::vector<CMacHistoryFDB::Values> macs;
    std::vector<CIPFDB::Values> ips;
    macs.reserve(devices.size());
    ips.reserve(devices.size());
    for (const DeviceAddresses& d : devices) {
        macs.push_back(d.macBytes);
        ips.push_back({d.ip[0], d.ip[1], d.ip[2], d.ip[3]});
    }
    CMacHistoryFDB::AddAllIfAbsent(dataDir, macs, sink);
    CIPFDB::AddAllIfAbsent(dataDir, ips, sink);
}

std::optional<AddressPool> AddressPool::parse(std::string_view text) {
    const size_t dash = text.find('-');
    if (dash == std::string_view::npos || text.find('-', dash + 1) != std::string_view::npos) return std::nullopt;
    const auto first = parseIpArgument(text.substr(0, dash));
    const auto last = parseIpArgument(text.substr(dash + 1));
    if (!first || !last || toNumber(*first) > toNumber(*last)) return std::nullopt;
    if (toNumber(*last) - toNumber(*first) >= kMaxPoolSize) return std::nullopt;
    AddressPool pool;
    pool.first = *first;
    pool.last = *last;
    return pool;
}

DeviceTable::DeviceTable(std::string dataDir, TableMessageSink sink)
    : m_dataDir(std::move(dataDir)), m_sink(std::move(sink)), m_db(m_dataDir, m_sink) {}

bool DeviceTable::load() {
    if (!m_loaded) {
        m_db.Load();
        m_loaded = true;
    }
    return !m_db.isFileUnreadable();
}

DeviceTableResult DeviceTable::saved(int index) {
    if (!m_db.Save()) return outcome(DeviceTableStatus::NotSaved, index);
    DeviceRecord record;
    if (index >= 0 && index < m_db.getCount()) {
        m_db.GetRecord(record.HType, record.hlen, record.IP, record.MAC, record.Gateway, record.Subnet, index);
    }
    return outcome(DeviceTableStatus::Done, index, asSaved(std::move(record)));
}

std::vector<DeviceRecord> DeviceTable::list(bool normalise) {
    std::vector<DeviceRecord> records;
    load();
    records.reserve(size_t(m_db.getCount()));
    for (int i = 0; i < m_db.getCount(); ++i) {
        DeviceRecord record;
        m_db.GetRecord(record.HType, record.hlen, record.IP, record.MAC, record.Gateway, record.Subnet, i);
        records.push_back(asSaved(std::move(record)));
    }
    if (normalise) m_db.Save();
    return records;
}

DeviceTableResult DeviceTable::add(const DeviceRecord& record) {
    if (!load()) return outcome(DeviceTableStatus::Unreadable);
    if (const int existing = m_db.Find(record.IP, record.MAC); existing != -1) {
        DeviceRecord found;
        m_db.GetRecord(found.HType, found.hlen, found.IP, found.MAC, found.Gateway, found.Subnet, existing);
        return outcome(DeviceTableStatus::Duplicate, existing, std::move(found));
    }
    if (m_db.AddNew() < 0) return outcome(DeviceTableStatus::Full);
    const int index = m_db.getCount() - 1;
    m_db.SetRecord(record.HType, record.hlen, record.IP, record.MAC, record.Gateway, record.Subnet, index);
    return saved(index);
}

DeviceTableResult DeviceTable::locate(int row, int rowCount, const DeviceRecord& shown) {
    if (rowCount == 0) return outcome(DeviceTableStatus::NoRecords);
    if (!load()) return outcome(DeviceTableStatus::Unreadable);
    if (row < 0 || row >= rowCount) return outcome(DeviceTableStatus::NoSelection);
    if (row < m_db.getCount() && !shown.IP.empty()) {
        DeviceRecord record;
        m_db.GetRecord(record.HType, record.hlen, record.IP, record.MAC, record.Gateway, record.Subnet, row);
        if (record.IP == shown.IP && record.MAC == shown.MAC) return outcome(DeviceTableStatus::Done, row, record);
    }
    const int found = m_db.Find(shown.IP, shown.MAC);
    if (found < 0) return outcome(DeviceTableStatus::NoSelection);
    DeviceRecord record;
    m_db.GetRecord(record.HType, record.hlen, record.IP, record.MAC, record.Gateway, record.Subnet, found);
    return outcome(DeviceTableStatus::Done, found, std::move(record));
}

DeviceTableResult DeviceTable::modify(int index, const DeviceRecord& record) {
    if (!load()) return outcome(DeviceTableStatus::Unreadable);
    if (index < 0 || index >= m_db.getCount()) return outcome(DeviceTableStatus::NoSelection);
    m_db.SetRecord(record.HType, record.hlen, record.IP, record.MAC, record.Gateway, record.Subnet, index);
    return saved(index);
}

DeviceTableResult DeviceTable::remove(int index) {
    if (!load()) return outcome(DeviceTableStatus::Unreadable);
    if (index < 0 || index >= m_db.getCount()) return outcome(DeviceTableStatus::NoSelection);
    DeviceRecord record;
    m_db.GetRecord(record.HType, record.hlen, record.IP, record.MAC, record.Gateway, record.Subnet, index);
    m_db.Delete(index);
    if (!m_db.Save()) return outcome(DeviceTableStatus::NotSaved, index);
    return outcome(DeviceTableStatus::Done, index, std::move(record));
}

DeviceTableResult DeviceTable::removeByMac(const MacOctets& mac) {
    if (!load()) return outcome(DeviceTableStatus::Unreadable);
    const int index = m_db.FindByMac(FormatMac(mac));
    if (index < 0) return outcome(DeviceTableStatus::NotFound);
    return remove(index);
}

DeviceTableResult DeviceTable::replaceAll(std::vector<DeviceRecord> records) {
    if (!load()) return outcome(DeviceTableStatus::Unreadable);
    m_db.assign(std::move(records));
    return saved(-1);
}

DeviceTableResult DeviceTable::addFromPool(const MacOctets& mac, const AddressPool& pool) {
    if (!load()) return outcome(DeviceTableStatus::Unreadable);
    std::unordered_set<uint32_t> used;
    for (int i = 0; i < m_db.getCount(); ++i) {
        DeviceRecord record;
        m_db.GetRecord(record.HType, record.hlen, record.IP, record.MAC, record.Gateway, record.Subnet, i);
        used.insert(toNumber(ParseDottedIp(record.IP)));
    }
    for (uint64_t candidate = toNumber(pool.first); candidate <= toNumber(pool.last); ++candidate) {
        const uint32_t address = uint32_t(candidate);
        const uint8_t last = uint8_t(address);
        if (last == 0 || last == 255 || used.count(address)) continue;
        const Ipv4Octets ip = toOctets(address);
        const DeviceTableResult added = add(newDeviceRecord(ip, mac, pool.gateway, pool.subnet));
        if (added.status == DeviceTableStatus::Done) {
            recordDeviceAddresses(m_dataDir, {mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]}, ip, m_sink);
        }
        return added;
    }
    return outcome(DeviceTableStatus::PoolUsedUp);
}

}  // namespace tavo
