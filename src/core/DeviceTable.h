#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AddressText.h"
#include "BootPFDB.h"

// The rules of the BootP device table, once for every front end: what a new device must
// have, what it gets by default, when it is a duplicate, how a row of a front end's list
// is matched to its record, and the lowest free address of a pool. Each operation loads
// "bootp.ini", works, saves when it changed something and lets the file go; file
// problems go to the table's message sink, and the outcome comes back as a status.
namespace tavo {

using DeviceRecord = CBootPFDB::Record;

// Why a new device cannot be entered, in the order the checks are made.
enum class NewDeviceProblem { None, NoIp, BadIp, NoMac };
NewDeviceProblem checkNewDevice(const Ipv4Octets& ip, bool macGiven);

// A new device's record: hardware type 1 (Ethernet), length 6, the addresses in the
// table's aligned form and the MAC as twelve upper-case characters.
inline constexpr int kNewDeviceHType = 1;
inline constexpr int kNewDeviceHLen = 6;
inline constexpr Ipv4Octets kNewDeviceSubnet{255, 255, 255, 0};
DeviceRecord newDeviceRecord(const Ipv4Octets& ip, const MacOctets& mac, const Ipv4Octets& gateway,
                             const Ipv4Octets& subnet);

// Records a device's addresses in the MAC and IP histories ("mach.ini", "iph.ini"), as a
// confirmed entry does. A MAC byte that could not be read is handed in as -1; the MAC
// history then refuses that record with its message and the IP is still recorded.
void recordDeviceAddresses(const std::string& dataDir, const std::array<int, 6>& macBytes, const Ipv4Octets& ip,
                           const TableMessageSink& sink);
// The same for many devices at once (an import), in their order, each history loaded
// and saved once.
struct DeviceAddresses {
    std::array<int, 6> macBytes{};
    Ipv4Octets ip{};
};
void recordDeviceAddresses(const std::string& dataDir, const std::vector<DeviceAddresses>& devices,
                           const TableMessageSink& sink);

enum class DeviceTableStatus {
    Done,
    Unreadable,  // the file exists but cannot be read; nothing was changed
    Duplicate,   // add: a record has the same IP or MAC text (`index` names it)
    Full,        // add: the table has no room (reported by the table)
    NotSaved,    // the save failed (reported by the table); the file is as it was
    NoRecords,   // row operations: the list has no rows
    NoSelection, // row operations: no row chosen, or its record is no longer in the file
    NotFound,    // by MAC: no record has it
    PoolUsedUp,  // pool: every address of the pool is taken
};

struct DeviceTableResult {
    DeviceTableStatus status = DeviceTableStatus::Done;
    int index = -1;       // the record concerned
    DeviceRecord record;  // its contents (a duplicate's, or the record as saved)
};

// An address pool for devices added without an operator: FIRST..LAST, at most
// kMaxPoolSize addresses; addresses ending in .0 or .255 are never given.
struct AddressPool {
    static constexpr uint32_t kMaxPoolSize = 65536;
    Ipv4Octets first{};
    Ipv4Octets last{};
    Ipv4Octets gateway{};
    Ipv4Octets subnet = kNewDeviceSubnet;
    // FIRST-LAST on a command line; nothing when it is not such a range.
    static std::optional<AddressPool> parse(std::string_view text);
};

class DeviceTable {
public:
    DeviceTable(std::string dataDir, TableMessageSink sink = {});

    // Every record in file order. The file is rewritten in its normal form on the way
    // (and created empty when it was missing), as the device list does on start.
    std::vector<DeviceRecord> list(bool normalise = false);
    // False after a load found the file but could not read it (reported by the table).
    bool readable() const { return !m_db.isFileUnreadable(); }

    // Adds a record unless a record has the same IP or MAC text.
    DeviceTableResult add(const DeviceRecord& record);

    // The record of row `row` of a list of `rowCount` rows in file order, whose texts are
    // `shown`: the record at the row's own index when its IP and MAC texts agree (two
    // records may share one of them), else the first record with either text, for a file
    // changed meanwhile. Loads the table and keeps it for modify() and remove().
    DeviceTableResult locate(int row, int rowCount, const DeviceRecord& shown);
    // Replace or delete the record that locate() found, and save.
    DeviceTableResult modify(int index, const DeviceRecord& record);
    DeviceTableResult remove(int index);
    // Deletes the first record with this MAC.
    DeviceTableResult removeByMac(const MacOctets& mac);

    // Replaces every record with `records`, in one save (the file old or new, never
    // half). The caller has checked them against the table's rules and capacity.
    DeviceTableResult replaceAll(std::vector<DeviceRecord> records);

    // Adds the device with the lowest free address of the pool and records its addresses
    // in the histories.
    DeviceTableResult addFromPool(const MacOctets& mac, const AddressPool& pool);

private:
    bool load();
    DeviceTableResult saved(int index);

    std::string m_dataDir;
    TableMessageSink m_sink;
    CBootPFDB m_db;
    bool m_loaded = false;
};

}  // namespace tavo
