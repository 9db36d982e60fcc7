#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The project file (".TAV"): a table of 256 big-endian offsets, then one record per web
// resource in list order. A record is a 4-byte response length L, a 2-byte HTML flag and
// L bytes of ready-made HTTP response (header text, then the file's bytes unchanged).
// The table maps every resource index (the 8-bit sum of the URL path's bytes) to a
// record; indexes that belong to no resource address the default page, or hold 0.
namespace tavo {

inline constexpr size_t WEB_INDEX_COUNT = 256;
inline constexpr size_t WEB_TABLE_SIZE = WEB_INDEX_COUNT * 4;  // 1024
inline constexpr size_t WEB_RECORD_HEADER_SIZE = 6;             // L and the HTML flag
// The largest project file the upload sends (2032 flash blocks of 256 bytes); the build
// refuses a selection whose files add up to more.
inline constexpr uint64_t WEB_IMAGE_LIMIT = 520192;
inline constexpr const char* DEFAULT_PAGE_NAME = "707.html";
inline constexpr const char* UNKNOWN_CONTENT_TYPE = "unknown";
inline constexpr const char* HTML_CONTENT_TYPE = "text/html";

// The 8-bit sum of the bytes of a URL path ("/img/logo.gif"), no case folding.
uint8_t ResourceIndex(std::string_view urlPath);

// The content type of a file name, by its extension from the last "." (lowered);
// "unknown" for any other extension and for a name without ".".
std::string contentTypeOf(std::string_view fileName);

// The response header of a body of `bodyLength` bytes, ending in CR LF CR LF.
std::string responseHeader(uint64_t bodyLength, std::string_view contentType);

// The last path element of a URL path or file path ('/' separated).
std::string_view fileNameOf(std::string_view path);

// Where one record went in a composed image.
struct WebImageRecord {
    std::string urlPath;
    uint8_t index = 0;
    uint32_t offset = 0;
    uint32_t length = 0;  // L
    bool html = false;
    bool reachable = true;  // false when a later record took its table entry
};

// Composes an image record by record, straight into the output buffer, so that the
// image is held in memory once. Records go in the order they are added; a later
// resource with the same index takes over the table entry. The default page is the
// last resource whose file name is exactly "707.html".
class WebImageComposer {
public:
    // `expectedSize`, when known, reserves the buffer once.
    explicit WebImageComposer(size_t expectedSize = 0);

    // False, and nothing added, when the record would not fit the 32-bit fields.
    bool addResource(std::string_view urlPath, std::span<const uint8_t> body);
    // Fills the unused table entries with the default page's offset and hands the image
    // over. records() still describes it; the next resource starts a new image.
    std::vector<uint8_t> finish();

    const std::vector<WebImageRecord>& records() const { return m_records; }
    uint32_t defaultOffset() const { return m_nDefaultOffset; }
    size_t size() const { return m_image.size(); }

private:
    std::vector<uint8_t> m_image;
    std::array<uint32_t, WEB_INDEX_COUNT> m_offsetTable{};
    std::array<int, WEB_INDEX_COUNT> m_owner{};  // record number + 1 owning each entry, 0 none
    std::vector<WebImageRecord> m_records;
    uint32_t m_nDefaultOffset = 0;
};

// The size of the image of bodies with these lengths and URL paths (no bytes needed).
uint64_t webRecordSize(std::string_view urlPath, uint64_t bodyLength);

}  // namespace tavo
