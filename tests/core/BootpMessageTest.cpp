#include "BootpMessage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BootpStatus.h"
#include "BootpWords.h"

namespace tavo {
namespace {

std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::vector<uint8_t> ToVector(const BootpMessage& message) { return {message.begin(), message.end()}; }

// A request from 02-4B-7E-0A-1B-2C in which every byte the server does not examine holds a
// different value (7 * offset + 3), so that an echo from the wrong place shows.
const char* const kRequestHex =
    "010A11181F262D343B424950575E656C737A8188"  // 0
    "8F969DA4ABB2B9C0024B7E0A1B2CF1F8FF060D14"  // 20
    "1B222930373E454C535A61686F767D848B9299A0"  // 40
    "A7AEB5BCC3CAD1D8DFE6EDF4FB020910171E252C"  // 60
    "333A41484F565D646B727980878E959CA3AAB1B8"  // 80
    "BFC6CDD4DBE2E9F0F7FE050C131A21282F363D44"  // 100
    "4B525960676E757C838A91989FA6ADB4BBC2C9D0"  // 120
    "D7DEE5ECF3FA01080F161D242B323940474E555C"  // 140
    "636A71787F868D949BA2A9B0B7BEC5CCD3DAE1E8"  // 160
    "EFF6FD040B121920272E353C434A51585F666D74"  // 180
    "7B828990979EA5ACB3BAC1C8CFD6DDE4EBF2F900"  // 200
    "070E151C232A31383F464D545B626970777E858C"  // 220
    "939AA1A8AFB6BDC4CBD2D9E0E7EEF5FC030A1118"  // 240
    "1F262D343B424950575E656C737A81888F969DA4"  // 260
    "ABB2B9C0C7CED5DCE3EAF1F8FF060D141B222930"  // 280
    ;

// Its reply for the entry HType 1, hlen 6, IP 192.168.1.20, gateway 192.168.1.1, subnet
// 255.255.255.0, from the server address 10.0.0.1: op, htype, hlen, yiaddr (offset 16),
// siaddr (20), giaddr (24) and offset 242 replaced, the rest as in the request.
const char* const kReplyHex =
    "020106181F262D343B424950575E656CC0A80114"  // 0
    "0A000001C0A80101024B7E0A1B2CF1F8FF060D14"  // 20
    "1B222930373E454C535A61686F767D848B9299A0"  // 40
    "A7AEB5BCC3CAD1D8DFE6EDF4FB020910171E252C"  // 60
    "333A41484F565D646B727980878E959CA3AAB1B8"  // 80
    "BFC6CDD4DBE2E9F0F7FE050C131A21282F363D44"  // 100
    "4B525960676E757C838A91989FA6ADB4BBC2C9D0"  // 120
    "D7DEE5ECF3FA01080F161D242B323940474E555C"  // 140
    "636A71787F868D949BA2A9B0B7BEC5CCD3DAE1E8"  // 160
    "EFF6FD040B121920272E353C434A51585F666D74"  // 180
    "7B828990979EA5ACB3BAC1C8CFD6DDE4EBF2F900"  // 200
    "070E151C232A31383F464D545B626970777E858C"  // 220
    "939AFFFFFF00BDC4CBD2D9E0E7EEF5FC030A1118"  // 240
    "1F262D343B424950575E656C737A81888F969DA4"  // 260
    "ABB2B9C0C7CED5DCE3EAF1F8FF060D141B222930"  // 280
    ;

const Ipv4Octets kServer = {10, 0, 0, 1};

BootpReplyFields TableEntry() {
    // The texts as "bootp.ini" holds them, blanks of the aligned form included.
    return makeBootpReplyFields(1, 6, "192.168.  1. 20", "192.168.  1.  1", "255.255.255.  0");
}

TEST(BootpMessage, ReplyToAKnownDeviceIsGolden) {
    const auto datagram = FromHex(kRequestHex);
    ASSERT_EQ(datagram.size(), BOOTP_MESSAGE_SIZE);
    const BootpRequest request = checkBootpRequest(datagram);
    ASSERT_EQ(request.check, BootpRequestCheck::Accepted);
    EXPECT_EQ(FormatMac(request.mac), "024B7E0A1B2C");
    EXPECT_EQ(ToVector(buildBootpReply(request.message, TableEntry(), kServer)), FromHex(kReplyHex));
}

TEST(BootpMessage, OnlyTheLowEightBitsOfHTypeAndHlenAreSent) {
    const BootpRequest request = checkBootpRequest(FromHex(kRequestHex));
    const BootpReplyFields fields = makeBootpReplyFields(0x101, -1, "10.0.0.9", "0.0.0.0", "255.0.0.0");
    const BootpMessage reply = buildBootpReply(request.message, fields, kServer);
    EXPECT_EQ(reply[1], 0x01);
    EXPECT_EQ(reply[2], 0xFF);
}

// Every way a datagram can differ from a full request of the family.
TEST(BootpMessage, RequestVariants) {
    struct Case {
        const char* name;
        size_t length;   // bytes of kRequestHex sent (it is repeated beyond 300)
        size_t patchAt;  // one byte replaced, or SIZE_MAX
        uint8_t patch;
        BootpRequestCheck expected;
    };
    const Case cases[] = {
        {"full request", 300, SIZE_MAX, 0, BootpRequestCheck::Accepted},
        {"other vendor prefix 02-4B-7F", 300, 30, 0x7F, BootpRequestCheck::NotOfFamily},
        {"other first octet", 300, 28, 0x00, BootpRequestCheck::NotOfFamily},
        {"op 2", 300, 0, 2, BootpRequestCheck::NotARequest},
        {"op 0", 300, 0, 0, BootpRequestCheck::NotARequest},
        {"ends inside chaddr after the prefix", 31, SIZE_MAX, 0, BootpRequestCheck::Accepted},
        {"ends inside the prefix", 30, SIZE_MAX, 0, BootpRequestCheck::NotOfFamily},
        {"empty datagram", 0, SIZE_MAX, 0, BootpRequestCheck::NotOfFamily},
        {"ends before the vendor area", 240, SIZE_MAX, 0, BootpRequestCheck::Accepted},
        {"longer than 300 bytes", 420, SIZE_MAX, 0, BootpRequestCheck::Accepted},
        {"byte 300 of a long datagram is not examined", 420, 300, 0x00, BootpRequestCheck::Accepted},
    };
    const auto full = FromHex(kRequestHex);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> datagram;
        for (size_t i = 0; i < c.length; ++i) datagram.push_back(full[i % full.size()]);
        if (c.patchAt < datagram.size()) datagram[c.patchAt] = c.patch;

        const BootpRequest request = checkBootpRequest(datagram);
        EXPECT_EQ(request.check, c.expected);
        // The message worked on is the first 300 bytes, completed with zeros.
        for (size_t i = 0; i < BOOTP_MESSAGE_SIZE; ++i) {
            ASSERT_EQ(request.message[i], i < datagram.size() ? datagram[i] : 0) << "offset " << i;
        }
    }
}

TEST(BootpMessage, ShortRequestIsRepliedWithZerosWhereItHadNothing) {
    auto datagram = FromHex(kRequestHex);
    datagram.resize(240);
    const BootpRequest request = checkBootpRequest(datagram);
    ASSERT_EQ(request.check, BootpRequestCheck::Accepted);
    auto expected = FromHex(kReplyHex);
    for (size_t i = 240; i < BOOTP_MESSAGE_SIZE; ++i) expected[i] = (i >= 242 && i < 246) ? expected[i] : 0;
    EXPECT_EQ(ToVector(buildBootpReply(request.message, TableEntry(), kServer)), expected);
}

TEST(BootpMessage, MacIsTheFirstSixOctetsOfChaddrWhateverHlenSays) {
    auto datagram = FromHex(kRequestHex);
    datagram[2] = 2;  // hlen 2
    EXPECT_EQ(FormatMac(checkBootpRequest(datagram).mac), "024B7E0A1B2C");
}

TEST(BootpStatus, TextsAreExact) {
    const auto withIp = [](BootpStatus status, const char* ip) {
        BootpEvent event(status);
        event.entryIp = ip;
        return event;
    };
    BootpEvent notFound(BootpStatus::NotFound);
    notFound.mac = {0x02, 0x4b, 0x7e, 0x0a, 0x1b, 0x2c};
    BootpEvent portUnavailable(BootpStatus::PortUnavailable);
    portUnavailable.port = 67;
    portUnavailable.reason = "Permission denied";
    const struct {
        BootpEvent event;
        const char* text;
    } cases[] = {
        {BootpEvent(BootpStatus::Initializing), "Inizializzazione del BootP Server.."},
        {BootpEvent(BootpStatus::Waiting), "In attesa di richeste BootP ...."},
        {BootpEvent(BootpStatus::Stopped), "BootP interrotto .."},
        {BootpEvent(BootpStatus::Received), "Ricevuto.."},
        {BootpEvent(BootpStatus::InvalidRequest), "Socket BootP non valido.. Annullo operazione.."},
        {BootpEvent(BootpStatus::Accepted), "Socket BootP  Accettato.."},
        {withIp(BootpStatus::ReplySent, "192.168.  1. 20"),
         "Invio della replica BootP  all'indirizzo IP [ 192.168.  1. 20 ]"},
        {withIp(BootpStatus::ReplySendFailed, "192.168.  1. 20"),
         "Errore nel Socket Error durante l'invio della replica BootP all'indirizzo [ 192.168.  1. 20 ]"},
        {notFound, "INDIRIZZO H/W , 024B7E0A1B2C , NON TROVATO .."},
        {BootpEvent(BootpStatus::HostNameUnavailable), "Impossibile individuare il nome dell'Host!"},
        {BootpEvent(BootpStatus::HostAddressUnavailable), "Impossibile individuare l'indirizzo IP dell'Host!"},
        {portUnavailable, "Impossibile aprire la porta BootP 67 (Permission denied) .. BootP non avviato .."},
    };
    for (const auto& c : cases) EXPECT_EQ(bootpStatusText(c.event), c.text);
    EXPECT_STREQ(kBootpReadFailedText, "Errore nel Socket !!");
    EXPECT_STREQ(kBootpReadFailedCaption, "errore");
}

}  // namespace
}  // namespace tavo
