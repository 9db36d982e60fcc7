// Writes the generated seeds of the fuzz corpora: valid datagrams, tables, an image and
// address texts made by the core's own encoders, one folder per harness under argv[1].
// The golden table files of the core tests are copied beside them by fuzz/run-all.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BootPFDB.h"
#include "BootpMessage.h"
#include "CommissionReport.h"
#include "DeviceCommand.h"
#include "IPFDB.h"
#include "MacHistoryFDB.h"
#include "WebImage.h"

namespace fs = std::filesystem;

namespace {

fs::path g_root;

void seed(const std::string& harness, const std::string& name, const std::vector<uint8_t>& bytes) {
    fs::create_directories(g_root / harness);
    std::ofstream out(g_root / harness / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void seed(const std::string& harness, const std::string& name, const std::string& text) {
    seed(harness, name, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void datagrams() {
    tavo::BootpMessage request{};
    request[0] = tavo::BOOTP_OP_REQUEST;
    request[1] = 1;
    request[2] = 6;
    const uint8_t mac[] = {0x02, 0x4B, 0x7E, 0x0A, 0x1B, 0x2C};
    std::copy(std::begin(mac), std::end(mac), request.begin() + tavo::bootp_offset::kChaddr);
    const uint8_t cookie[] = {99, 130, 83, 99, 1, 4};
    std::copy(std::begin(cookie), std::end(cookie), request.begin() + 236);
    seed("bootp_request", "request", std::vector<uint8_t>(request.begin(), request.end()));
    seed("bootp_request", "short", std::vector<uint8_t>(request.begin(), request.begin() + 40));
    request[0] = tavo::BOOTP_OP_REPLY;
    seed("bootp_request", "reply", std::vector<uint8_t>(request.begin(), request.end()));

    std::vector<uint8_t> search = tavo::encodeIpSearch({0x02, 0x4B, 0x7E, 0x0A, 0x1B, 0x2C});
    search.resize(11);
    search[7] = 192, search[8] = 168, search[9] = 1, search[10] = 10;
    seed("search_reply", "reply", search);
    seed("search_reply", "full", std::vector<uint8_t>(tavo::SEARCH_REPLY_BUFFER, 0x35));

    std::vector<uint8_t> sector = tavo::encodeSectorRead(7);
    sector.resize(tavo::SECTOR_REPLY_BUFFER);
    for (size_t i = 1; i < sector.size(); ++i) sector[i] = static_cast<uint8_t>(i);
    seed("sector_reply", "reply", std::vector<uint8_t>(sector.begin(), sector.end()));
    seed("sector_reply", "short", std::vector<uint8_t>(sector.begin(), sector.begin() + 3));

    seed("register_value_reply", "reply", std::vector<uint8_t>{tavo::CMD_REGISTER_READ, 0x5A});
    std::vector<uint8_t> table(tavo::REGISTER_REPLY_BUFFER);
    table[0] = tavo::CMD_REGISTER_TABLE_READ;
    for (size_t i = 1; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i + 0x0F);
    seed("register_table_reply", "reply", table);
}

void tables(const fs::path& work) {
    fs::create_directories(work);
    {
        tavo::CBootPFDB table(work.string());
        for (int i = 0; i < 3; ++i) {
            table.AddNew();
            table.SetRecord(1, 6, tavo::formatDottedAligned(192, 168, 1, 10 + i), "024B7E0A1B2" + std::to_string(i),
                            tavo::formatDottedAligned(192, 168, 1, 1), tavo::formatDottedAligned(255, 255, 255, 0));
        }
        table.Save();
        seed("bootp_table", "generated", fileBytes(table.GetPath()));
    }
    {
        tavo::CIPFDB history(work.string());
        for (int i = 0; i < 3; ++i) {
            history.AddNew();
            history.SetRecord(10, 0, i, 200 + i);
        }
        history.Save();
        seed("ip_history", "generated", fileBytes(history.GetPath()));
    }
    {
        tavo::CMacHistoryFDB history(work.string());
        for (int i = 0; i < 3; ++i) {
            history.AddNew();
            history.SetRecord(2, 75, 126, 10, 27, 44 + i);
        }
        history.Save();
        seed("mac_history", "generated", fileBytes(history.GetPath()));
    }
}

void images() {
    tavo::WebImageComposer composer;
    const std::string page = "<html><a href=\"logo.gif\">x</a></html>";
    composer.addResource("/707.html", std::span(reinterpret_cast<const uint8_t*>(page.data()), page.size()));
    const std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 0, 1, 2};
    composer.addResource("/logo.gif", gif);
    composer.addResource("/sub/Applet.class", gif);
    seed("web_image", "image", composer.finish());
    seed("web_image", "table-only", std::vector<uint8_t>(tavo::WEB_TABLE_SIZE, 0));
}

void names() {
    std::string slots(256, '\0');
    const std::string list[] = {"707.html", "index.html", "logo.gif", "ogol.gif", "Applet.class",
                                "sub/page.htm", "sub/bpge.htm", "a.jar", "b.txt", "c.txt"};
    std::string text = slots;
    for (const std::string& name : list) text += name + std::string(1, '\0');
    seed("web_collision", "folder", text);
    std::string crowded(256, '\1');
    crowded[0x41] = '\0';
    seed("web_collision", "crowded", crowded + "x.gif" + std::string(1, '\0') + "y.gif");

    seed("ip_text", "plain", std::string("192.168.1.10"));
    seed("ip_text", "aligned", tavo::formatDottedAligned(10, 0, 0, 1));
    seed("ip_text", "five", std::string("1.2.3.4.5"));
    seed("mac_text", "plain", std::string("024B7E0A1B2C"));
    seed("mac_text", "colons", std::string("02:4b:7e:0a:1b:2c"));
    seed("mac_text", "dashes", std::string("02-4B-7E-0A-1B-2C"));
}

}  // namespace

// What spreadsheets and the kernel write: the CSV in both separators, quoted, with a byte
// order mark and CR LF; a socket list with an IPv4 and an IPv6 row.
void texts() {
    seed("device_csv", "comma", std::string("ip,mac,gateway,subnet,htype,hlen\n192.168.1.10,024B7E000001,0.0.0.0,255.255.255.0,1,6\n"));
    seed("device_csv", "spreadsheet",
         std::string("\xEF\xBB\xBF\"MAC\";\"IP\";\"Gateway\"\r\n\"02:4B:7E:00:00:02\";\"10.0.0.7\";\"\"\r\n\r\n02-4b-7e-00-00-03;10.0.0.8;10.0.0.1\r\n"));
    seed("proc_net_udp", "udp",
         std::string("   sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode ref pointer drops\n"
                     "  123: 00000000:0043 00000000:0000 07 00000000:00000000 00:00000000 00000000     0        0 40123 2 0000000000000000 0\n"));
    seed("proc_net_udp", "udp6",
         std::string("  sl  local_address                         remote_address                        st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode ref pointer drops\n"
                     "  45: 00000000000000000000000000000000:0044 00000000000000000000000000000000:0000 07 00000000:00000000 00:00000000 00000000   101        0 50234 2 0000000000000000 0\n"));
    seed("proc_net_udp", "link", std::string("socket:[40123]"));
}

// Commissioning reports of both formats, with a name that needs quoting and a half last
// line; a registers file with comments, both line ends and a byte order mark.
void commissioning() {
    tavo::CommissionRecord record;
    record.time = "2026-12-11T17:40:05Z";
    record.mac = {0x00, 0x50, 0xC2, 0x12, 0x34, 0x56};
    record.ip = {192, 168, 1, 10};
    record.imageName = "plant \"a,b\"\r\n.tav";
    record.imageSha256 = std::string(64, 'a');
    record.blocksSent = 512;
    record.verified = true;
    record.seconds = 12.3;
    record.outcome = tavo::CommissionOutcome::Verified;
    tavo::CommissionRecord failed = record;
    failed.mac[5] = 0x57;
    failed.verified = false;
    failed.outcome = tavo::CommissionOutcome::Failed;
    failed.failure = tavo::CommissionFailure::RegisterDiffers;
    failed.reg = 0x21;
    failed.regValue = 0x00;
    for (const auto format : {tavo::CommissionReportFormat::Csv, tavo::CommissionReportFormat::JsonLines}) {
        std::string text = format == tavo::CommissionReportFormat::Csv ? tavo::commissionCsvHeader() + "\r\n" : "";
        text += tavo::commissionReportLine(record, format) + tavo::commissionReportLine(failed, format);
        const std::string name = format == tavo::CommissionReportFormat::Csv ? "csv" : "jsonl";
        seed("commission_report", name, text);
        seed("commission_report", name + "-half", text + tavo::commissionReportLine(record, format).substr(0, 40));
    }
    seed("register_file", "plain", std::string("\xEF\xBB\xBF# plant settings\r\n21 00\r\n22\tff # speed\n0a 1\n\n"));
    seed("register_file", "duplicate", std::string("21 00\n21 01\n"));
}

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    g_root = argv[1];
    datagrams();
    tables(g_root / ".tables");
    images();
    names();
    texts();
    commissioning();
    fs::remove_all(g_root / ".tables");
    return 0;
}
