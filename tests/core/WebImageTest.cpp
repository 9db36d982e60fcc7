#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WebImage.h"
#include "WebImageReader.h"

namespace tavo {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

void append(Bytes& out, std::initializer_list<uint8_t> bytes) { out.insert(out.end(), bytes); }
void append(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

Bytes gifBody() {
    Bytes body(1234);
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i * 7);
    return body;
}

const std::string kPage = "<html><body>TAVO 707</body></html>\r\n";

Bytes workedExample() {
    WebImageComposer composer;
    EXPECT_TRUE(composer.addResource("/a.gif", gifBody()));
    EXPECT_TRUE(composer.addResource("/707.html", bytesOf(kPage)));
    return composer.finish();
}

TEST(WebImage, ResourceIndexIsTheByteSumOfTheUrlPath) {
    EXPECT_EQ(ResourceIndex("/a.gif"), 0xF4);
    EXPECT_EQ(ResourceIndex("/ab.gif"), 0x56);
    EXPECT_EQ(ResourceIndex("/ba.gif"), 0x56);
    EXPECT_NE(ResourceIndex("/img/a.gif"), ResourceIndex("/a.gif"));
    EXPECT_EQ(ResourceIndex(""), 0);
}

TEST(WebImage, ContentTypesByExtensionInAnyCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"a.gif", "image/gif"},         {"Index.HTM", "text/html"},  {"x.html", "text/html"},
        {"PHOTO.JPEG", "image/jpeg"},   {"p.jpe", "image/jpeg"},     {"p.JPG", "image/jpeg"},
        {"b.bmp", "image/bmp"},         {"a.jar", "application/java-archive"},
        {"A.class", "application/octet-stream"}, {"t.txt", "text/plain"}, {"f.swf", "image/flash"},
        {"readme", "unknown"},          {"gif", "unknown"},          {"x.gif.bak", "unknown"},
        {".htm", "text/html"},          {"a.", "unknown"},
    };
    for (const auto& [name, type] : cases) EXPECT_EQ(contentTypeOf(name), type) << name;
}

TEST(WebImage, HeaderOfA1234ByteGifIs108Bytes) {
    const std::string header = responseHeader(1234, "image/gif");
    EXPECT_EQ(header,
              "HTTP/1.1 200 OK\r\nContent-Length: 1234\r\nServer: KV Web Server\r\nContent-Type: image/gif\r\n"
              "Connection: close\r\n\r\n");
    EXPECT_EQ(header.size(), 108u);
    EXPECT_EQ(responseHeader(0, "unknown").size(), 95u + 1 + 7);
}

TEST(WebImage, WorkedExampleByteForByte) {
    const Bytes body = gifBody();
    Bytes expected;
    const uint8_t pageIndex = ResourceIndex("/707.html");
    for (int k = 0; k < 256; ++k) {
        if (k == 0xF4)
            append(expected, {0x00, 0x00, 0x04, 0x00});
        else
            append(expected, {0x00, 0x00, 0x09, 0x44});  // the default page at 2372, its own entry too
    }
    EXPECT_NE(pageIndex, 0xF4);
    append(expected, {0x00, 0x00, 0x05, 0x3E, 0x00, 0x00});
    append(expected,
           "HTTP/1.1 200 OK\r\nContent-Length: 1234\r\nServer: KV Web Server\r\nContent-Type: image/gif\r\n"
           "Connection: close\r\n\r\n");
    expected.insert(expected.end(), body.begin(), body.end());
    ASSERT_EQ(expected.size(), 2372u);
    const std::string pageHeader = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kPage.size()) +
                                   "\r\nServer: KV Web Server\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n";
    const uint32_t pageLength = static_cast<uint32_t>(pageHeader.size() + kPage.size());
    append(expected, {0, 0, static_cast<uint8_t>(pageLength >> 8), static_cast<uint8_t>(pageLength), 0x00, 0x01});
    append(expected, pageHeader);
    append(expected, kPage);

    EXPECT_EQ(workedExample(), expected);
}

TEST(WebImage, EmptyFileAndNoDefaultPage) {
    WebImageComposer composer;
    ASSERT_TRUE(composer.addResource("/empty.txt", {}));
    ASSERT_TRUE(composer.addResource("/707.HTML", bytesOf("x")));  // not the default page
    const Bytes image = composer.finish();
    const std::string header = responseHeader(0, "text/plain");
    EXPECT_NE(header.find("Content-Length: 0\r\n"), std::string::npos);
    EXPECT_EQ(image[1024 + 3], header.size());
    const WebImageContents contents = readWebImage(image);
    EXPECT_TRUE(contents.ok());
    EXPECT_FALSE(contents.defaultRecord.has_value());
    int zero = 0;
    for (uint32_t entry : contents.table) zero += entry == 0;
    EXPECT_EQ(zero, 254);
    EXPECT_EQ(contents.records[1].flag, 1);  // .HTML is a page all the same
}

TEST(WebImage, HtmlFlagAndTypeOfEachRecord) {
    WebImageComposer composer;
    ASSERT_TRUE(composer.addResource("/Index.HTM", bytesOf("<p>")));
    ASSERT_TRUE(composer.addResource("/PHOTO.JPEG", bytesOf("jpeg")));
    ASSERT_TRUE(composer.addResource("/readme", bytesOf("text")));
    const WebImageContents contents = readWebImage(composer.finish());
    ASSERT_TRUE(contents.ok());
    ASSERT_EQ(contents.records.size(), 3u);
    EXPECT_EQ(contents.records[0].flag, 1);
    EXPECT_EQ(contents.records[0].contentType, "text/html");
    EXPECT_EQ(contents.records[1].flag, 0);
    EXPECT_EQ(contents.records[1].contentType, "image/jpeg");
    EXPECT_EQ(contents.records[2].flag, 0);
    EXPECT_EQ(contents.records[2].contentType, "unknown");
}

TEST(WebImage, LaterResourceOwnsASharedIndex) {
    WebImageComposer composer;
    ASSERT_TRUE(composer.addResource("/ab.gif", bytesOf("first")));
    ASSERT_TRUE(composer.addResource("/ba.gif", bytesOf("second")));
    const Bytes image = composer.finish();
    EXPECT_FALSE(composer.records()[0].reachable);
    EXPECT_TRUE(composer.records()[1].reachable);
    const WebImageContents contents = readWebImage(image);
    ASSERT_EQ(contents.records.size(), 2u);
    EXPECT_EQ(contents.table[0x56], contents.records[1].offset);
    EXPECT_EQ(contents.unreachable, std::vector<int>{0});
}

TEST(WebImage, ReaderTakesTheWorkedExampleApart) {
    const WebImageContents contents = readWebImage(workedExample());
    ASSERT_TRUE(contents.ok());
    ASSERT_EQ(contents.records.size(), 2u);
    EXPECT_EQ(contents.records[0].offset, 1024u);
    EXPECT_EQ(contents.records[0].length, 1342u);
    EXPECT_EQ(contents.records[0].statusLine, "HTTP/1.1 200 OK");
    EXPECT_EQ(contents.records[0].contentLength, 1234u);
    EXPECT_EQ(contents.records[0].contentType, "image/gif");
    EXPECT_EQ(contents.records[0].bodySize, 1234u);
    EXPECT_EQ(contents.records[1].offset, 2372u);
    EXPECT_EQ(contents.records[1].flag, 1);
    EXPECT_EQ(contents.defaultRecord, 1);
    EXPECT_EQ(contents.records[1].entries.size(), 255u);
    EXPECT_TRUE(contents.unreachable.empty());
}

struct Malformation {
    const char* name;
    std::function<void(Bytes&)> damage;
    WebImageProblem problem;
};

void put32(Bytes& image, size_t at, uint32_t value) {
    image[at] = static_cast<uint8_t>(value >> 24);
    image[at + 1] = static_cast<uint8_t>(value >> 16);
    image[at + 2] = static_cast<uint8_t>(value >> 8);
    image[at + 3] = static_cast<uint8_t>(value);
}

TEST(WebImage, ReaderReportsEveryMalformation) {
    const Malformation cases[] = {
        {"table cut short", [](Bytes& b) { b.resize(1000); }, WebImageProblem::TableCutShort},
        {"offset inside table", [](Bytes& b) { put32(b, 4 * 5, 16); }, WebImageProblem::OffsetInsideTable},
        {"offset past end", [](Bytes& b) { put32(b, 4 * 5, 0x00100000); }, WebImageProblem::OffsetPastEnd},
        {"offset not at a record", [](Bytes& b) { put32(b, 4 * 0xF4, 1030); }, WebImageProblem::OffsetNotAtRecord},
        {"record past end", [](Bytes& b) { put32(b, 2372, 0x7FFFFFFF); }, WebImageProblem::RecordPastEnd},
        {"record header cut short", [](Bytes& b) { b.insert(b.end(), {1, 2, 3}); },
         WebImageProblem::RecordHeaderCutShort},
        {"flag 2", [](Bytes& b) { b[1024 + 5] = 2; }, WebImageProblem::BadHtmlFlag},
        {"flag 0x0100", [](Bytes& b) { b[1024 + 4] = 1; }, WebImageProblem::BadHtmlFlag},
        {"no status line", [](Bytes& b) { b[1024 + 6] = 'X'; }, WebImageProblem::HeaderUnparsable},
        {"header without its end", [](Bytes& b) { put32(b, 1024, 50); b.resize(1024 + 6 + 50); },
         WebImageProblem::HeaderUnparsable},
        {"length not a number", [](Bytes& b) { b[1024 + 6 + 33] = 'x'; }, WebImageProblem::HeaderUnparsable},
        {"length differs", [](Bytes& b) { b[1024 + 6 + 33] = '5'; }, WebImageProblem::ContentLengthMismatch},
        {"flag against type", [](Bytes& b) { b[1024 + 5] = 1; }, WebImageProblem::HtmlFlagMismatch},
    };
    for (const Malformation& m : cases) {
        Bytes image = workedExample();
        m.damage(image);
        const WebImageContents contents = readWebImage(image);
        bool found = false;
        for (const WebImageIssue& issue : contents.issues) found |= issue.problem == m.problem;
        EXPECT_TRUE(found) << m.name;
        EXPECT_FALSE(describeWebImageProblem(m.problem).empty());
    }
}

TEST(WebImage, ReaderStaysInsideAnyBuffer) {
    // Every prefix of a good image, and a few random fillings, are read without a fault
    // (the sanitizers watch the reads).
    const Bytes image = workedExample();
    for (size_t size = 0; size <= image.size(); size += 37) {
        const Bytes cut(image.begin(), image.begin() + static_cast<long>(size));
        (void)readWebImage(cut);
    }
    uint32_t seed = 12345;
    for (int round = 0; round < 50; ++round) {
        Bytes noise(1024 + (round * 97) % 700);
        for (uint8_t& b : noise) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
        for (int k = 0; k < 256; k += 3) put32(noise, 4 * k, 1024 + (seed >> (k % 16)) % 900);
        (void)readWebImage(noise);
    }
}

}  // namespace
}  // namespace tavo
