#include "WebImage.h"

#include <limits>

namespace tavo {
namespace {

struct ContentTypeRow {
    const char* extension;
    const char* type;
};
constexpr ContentTypeRow kContentTypes[] = {
    {".gif", "image/gif"},  {".htm", HTML_CONTENT_TYPE},  {".html", HTML_CONTENT_TYPE},
    {".jpg", "image/jpeg"}, {".jpe", "image/jpeg"},       {".jpeg", "image/jpeg"},
    {".bmp", "image/bmp"},  {".jar", "application/java-archive"},
    {".class", "application/octet-stream"},              {".txt", "text/plain"},
    {".swf", "image/flash"},
};

void putBigEndian32(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value >> 24);
    out[1] = static_cast<uint8_t>(value >> 16);
    out[2] = static_cast<uint8_t>(value >> 8);
    out[3] = static_cast<uint8_t>(value);
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

uint8_t ResourceIndex(std::string_view urlPath) {
    uint8_t sum = 0;
    for (char c : urlPath) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
    return sum;
}

std::string_view fileNameOf(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string contentTypeOf(std::string_view fileName) {
    const size_t dot = fileName.find_last_of('.');
    if (dot == std::string_view::npos) return UNKNOWN_CONTENT_TYPE;
    const std::string extension = lowerAscii(fileName.substr(dot));
    for (const ContentTypeRow& row : kContentTypes)
        if (extension == row.extension) return row.type;
    return UNKNOWN_CONTENT_TYPE;
}

std::string responseHeader(uint64_t bodyLength, std::string_view contentType) {
    std::string header = "HTTP/1.1 200 OK\r\nContent-Length: ";
    header += std::to_string(bodyLength);
    header += "\r\nServer: KV Web Server\r\nContent-Type: ";
    header += contentType;
    header += "\r\nConnection: close\r\n\r\n";
    return header;
}

uint64_t webRecordSize(std::string_view urlPath, uint64_t bodyLength) {
    return WEB_RECORD_HEADER_SIZE + responseHeader(bodyLength, contentTypeOf(fileNameOf(urlPath))).size() +
           bodyLength;
}

WebImageComposer::WebImageComposer(size_t expectedSize) : m_image(WEB_TABLE_SIZE, 0) {
    if (expectedSize > WEB_TABLE_SIZE) m_image.reserve(expectedSize);
}

bool WebImageComposer::addResource(std::string_view urlPath, std::span<const uint8_t> body) {
    const std::string_view name = fileNameOf(urlPath);
    const std::string type = contentTypeOf(name);
    const std::string header = responseHeader(body.size(), type);
    const uint64_t length = header.size() + static_cast<uint64_t>(body.size());
    const uint64_t offset = m_image.size();
    if (offset + WEB_RECORD_HEADER_SIZE + length > std::numeric_limits<uint32_t>::max()) return false;

    WebImageRecord record;
    record.urlPath = std::string(urlPath);
    record.index = ResourceIndex(urlPath);
    record.offset = static_cast<uint32_t>(offset);
    record.length = static_cast<uint32_t>(length);
    record.html = type == HTML_CONTENT_TYPE;

    uint8_t recordHeader[WEB_RECORD_HEADER_SIZE];
    putBigEndian32(recordHeader, record.length);
    recordHeader[4] = 0;
    recordHeader[5] = record.html ? 1 : 0;
    m_image.insert(m_image.end(), recordHeader, recordHeader + WEB_RECORD_HEADER_SIZE);
    m_image.insert(m_image.end(), header.begin(), header.end());
    m_image.insert(m_image.end(), body.begin(), body.end());

    if (const int previous = m_owner[record.index]; previous != 0) m_records[previous - 1].reachable = false;
    m_offsetTable[record.index] = record.offset;
    m_records.push_back(std::move(record));
    m_owner[m_records.back().index] = static_cast<int>(m_records.size());
    if (name == DEFAULT_PAGE_NAME) m_nDefaultOffset = m_records.back().offset;
    return true;
}

std::vector<uint8_t> WebImageComposer::finish() {
    for (size_t k = 0; k < WEB_INDEX_COUNT; ++k) {
        const uint32_t offset = m_owner[k] != 0 ? m_offsetTable[k] : m_nDefaultOffset;
        putBigEndian32(&m_image[4 * k], offset);
    }
    std::vector<uint8_t> image = std::move(m_image);
    m_image.assign(WEB_TABLE_SIZE, 0);
    m_offsetTable.fill(0);
    m_owner.fill(0);
    m_nDefaultOffset = 0;
    return image;
}

}  // namespace tavo
