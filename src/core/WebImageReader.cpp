#include "WebImageReader.h"

#include <map>
#include <string_view>

namespace tavo {
namespace {

uint32_t bigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

std::optional<uint64_t> parseDecimal(std::string_view text) {
    if (text.empty() || text.size() > 19) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

// The header of a response: CR LF separated lines up to an empty one; the first line is
// the status line. False when there is no empty line or no status line.
bool parseHeader(std::string_view response, WebImageRecordView& view) {
    const size_t end = response.find("\r\n\r\n");
    if (end == std::string_view::npos) return false;
    std::string_view lines = response.substr(0, end + 2);
    bool first = true;
    while (!lines.empty()) {
        const size_t eol = lines.find("\r\n");
        const std::string_view line = lines.substr(0, eol);
        lines.remove_prefix(eol + 2);
        if (first) {
            if (line.substr(0, 5) != "HTTP/") return false;
            view.statusLine = std::string(line);
            first = false;
            continue;
        }
        const size_t colon = line.find(": ");
        if (colon == std::string_view::npos) return false;
        const std::string_view name = line.substr(0, colon);
        const std::string_view value = line.substr(colon + 2);
        if (name == "Content-Length") {
            view.contentLength = parseDecimal(value);
            if (!view.contentLength) return false;
        } else if (name == "Content-Type") {
            view.contentType = std::string(value);
        }
    }
    view.headerSize = end + 4;
    view.bodySize = response.size() - view.headerSize;
    return true;
}

void readRecords(std::span<const uint8_t> image, WebImageContents& out) {
    size_t pos = WEB_TABLE_SIZE;
    while (pos < image.size()) {
        const int number = static_cast<int>(out.records.size());
        if (image.size() - pos < WEB_RECORD_HEADER_SIZE) {
            out.issues.push_back({WebImageProblem::RecordHeaderCutShort, -1, number, image.size() - pos});
            return;
        }
        WebImageRecordView view;
        view.offset = static_cast<uint32_t>(pos);
        view.length = bigEndian32(&image[pos]);
        view.flag = static_cast<uint16_t>((image[pos + 4] << 8) | image[pos + 5]);
        const size_t body = pos + WEB_RECORD_HEADER_SIZE;
        if (view.length > image.size() - body) {
            out.issues.push_back({WebImageProblem::RecordPastEnd, -1, number, view.length});
            out.records.push_back(std::move(view));
            return;
        }
        if (view.flag > 1) out.issues.push_back({WebImageProblem::BadHtmlFlag, -1, number, view.flag});
        const std::string_view response(reinterpret_cast<const char*>(&image[body]), view.length);
        view.headerParsed = parseHeader(response, view);
        if (!view.headerParsed) {
            out.issues.push_back({WebImageProblem::HeaderUnparsable, -1, number, 0});
        } else {
            if (!view.contentLength || *view.contentLength != view.bodySize)
                out.issues.push_back({WebImageProblem::ContentLengthMismatch, -1, number, view.bodySize});
            if (view.flag <= 1 && (view.flag == 1) != (view.contentType == HTML_CONTENT_TYPE))
                out.issues.push_back({WebImageProblem::HtmlFlagMismatch, -1, number, view.flag});
        }
        pos = body + view.length;
        out.records.push_back(std::move(view));
    }
}

void mapTable(std::span<const uint8_t> image, WebImageContents& out) {
    std::map<uint32_t, int> recordAt;
    for (size_t r = 0; r < out.records.size(); ++r) recordAt[out.records[r].offset] = static_cast<int>(r);
    for (int k = 0; k < static_cast<int>(WEB_INDEX_COUNT); ++k) {
        const uint32_t offset = out.table[k];
        if (offset == 0) continue;
        if (offset < WEB_TABLE_SIZE) {
            out.issues.push_back({WebImageProblem::OffsetInsideTable, k, -1, offset});
        } else if (offset >= image.size()) {
            out.issues.push_back({WebImageProblem::OffsetPastEnd, k, -1, offset});
        } else if (auto found = recordAt.find(offset); found == recordAt.end()) {
            out.issues.push_back({WebImageProblem::OffsetNotAtRecord, k, -1, offset});
        } else {
            out.records[found->second].entries.push_back(k);
        }
    }
    // Each resource owns one entry; only the default page also fills the unused ones.
    for (size_t r = 0; r < out.records.size(); ++r) {
        const auto& entries = out.records[r].entries;
        if (entries.empty()) out.unreachable.push_back(static_cast<int>(r));
        if (entries.size() < 2) continue;
        if (out.defaultRecord)
            out.issues.push_back({WebImageProblem::SeveralDefaultPages, entries.front(), static_cast<int>(r), 0});
        else
            out.defaultRecord = static_cast<int>(r);
    }
}

}  // namespace

WebImageContents readWebImage(std::span<const uint8_t> image) {
    WebImageContents out;
    if (image.size() < WEB_TABLE_SIZE) {
        out.issues.push_back({WebImageProblem::TableCutShort, -1, -1, image.size()});
        return out;
    }
    out.table.resize(WEB_INDEX_COUNT);
    for (size_t k = 0; k < WEB_INDEX_COUNT; ++k) out.table[k] = bigEndian32(&image[4 * k]);
    readRecords(image, out);
    mapTable(image, out);
    return out;
}

std::string describeWebImageProblem(WebImageProblem problem) {
    switch (problem) {
        case WebImageProblem::TableCutShort: return "the offset table is cut short";
        case WebImageProblem::OffsetInsideTable: return "the offset points inside the offset table";
        case WebImageProblem::OffsetPastEnd: return "the offset points past the end of the image";
        case WebImageProblem::OffsetNotAtRecord: return "the offset does not point at the start of a record";
        case WebImageProblem::RecordHeaderCutShort: return "the record's length and flag are cut short";
        case WebImageProblem::RecordPastEnd: return "the record runs past the end of the image";
        case WebImageProblem::BadHtmlFlag: return "the HTML flag is neither 0 nor 1";
        case WebImageProblem::HeaderUnparsable: return "the response header does not parse";
        case WebImageProblem::ContentLengthMismatch: return "Content-Length differs from the body's size";
        case WebImageProblem::HtmlFlagMismatch: return "the HTML flag does not match the content type";
        case WebImageProblem::SeveralDefaultPages: return "more than one record fills unused table entries";
    }
    return "unknown problem";
}

}  // namespace tavo
