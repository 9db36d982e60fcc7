#pragma once

#include <string>
#include <vector>

#include "FileDB.h"

// The BootP device table "bootp.ini": for each device its hardware type and length, the
// IP address to give it, its MAC address and its gateway and subnet mask. The file is a
// run of eight-line records:
//
//   (empty line)
//   [1]
//   HType : 1 
//   hlen : 6 
//   IP : 192.168.  1. 10 
//   MAC : 0011AABBCCDD 
//   Gateway :   0.  0.  0.  0 
//   Subnet : 255.255.255.  0
//
// Lines end in CR LF on every platform; LF alone is read too. Every user loads the whole
// table, works on it, saves it if it changed anything and discards it.
namespace tavo {

class CBootPFDB : public CFileDB {
public:
    static constexpr const char* kFileName = "bootp.ini";
    // Room for additions. A file holding more is still read and saved whole.
    static constexpr int kCapacity = 5000;

    struct Record {
        int HType = 0;
        int hlen = 0;
        std::string IP;
        std::string MAC;
        std::string Gateway;
        std::string Subnet;
    };

    explicit CBootPFDB(const std::string& dataDir, TableMessageSink sink = {});

    // Reading stops at the first record that does not match the record form.
    void loadText(std::string_view text) override;
    // Records renumbered from 1, texts in upper case. A record that would not read back
    // ("Wrong data type!!") leaves `text` unspecified and returns false.
    bool saveText(std::string& text) override;

    bool SetPosition(int n);  // 0..count; "Out of range of the database !" otherwise
    bool MoveFirst() { return SetPosition(0); }
    bool MoveNext() { return SetPosition(m_nPos + 1); }
    bool IsEOF() const override { return m_nCount == 0 || m_nPos > m_nCount - 1; }
    // Appends an empty record and positions on it; returns the new count, or -1 when the
    // table is full (reported as out of range, nothing changed).
    int AddNew();

    // Index -1 means the current position; any other index becomes the position. A
    // position that is not a record reads as an empty record and ignores writes.
    void GetRecord(int& HType, int& hlen, std::string& IP, std::string& MAC, std::string& Gateway,
                   std::string& Subnet, int index = -1);
    void SetRecord(int HType, int hlen, const std::string& IP, const std::string& MAC,
                   const std::string& Gateway, const std::string& Subnet, int index = -1);

    int getHType() const { return current().HType; }
    int getHLen() const { return current().hlen; }
    const std::string& getIP() const { return current().IP; }
    const std::string& getMAC() const { return current().MAC; }
    const std::string& getGateway() const { return current().Gateway; }
    const std::string& getSubnet() const { return current().Subnet; }
    void setHType(int value);
    void setHLen(int value);
    void setIP(const std::string& value);
    void setMAC(const std::string& value);
    void setGateway(const std::string& value);
    void setSubnet(const std::string& value);

    // Replaces every record at once (an import); the position becomes the append position.
    // More than kCapacity records are taken as a load takes them.
    void assign(std::vector<Record> records);

    // Removes the record at `index` (or at the position when -1); later records move up.
    // An index that is not a record is ignored.
    void Delete(int index = -1);
    // Lowest index whose IP text equals `ip` or whose MAC text equals `mac`, else -1.
    // Exact, case-sensitive comparisons.
    int Find(const std::string& ip, const std::string& mac) const;
    int FindByMac(const std::string& mac) const;

    int getCount() const { return m_nCount; }
    int getPosition() const { return m_nPos; }

private:
    const Record& current() const;
    Record* currentForWrite();
    bool isRecordIndex(int n) const { return n >= 0 && n < m_nCount; }

    std::vector<Record> m_records;
    int m_nPos = 0;
    int m_nCount = 0;
};

}  // namespace tavo
