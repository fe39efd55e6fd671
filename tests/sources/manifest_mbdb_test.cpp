#include "sources/manifest_mbdb.h"

#include "backup/mbdb_writer.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using sources::MbdbRecord;
using testsupport::TempDir;

namespace
{

// The published byte sample of a Manifest.mbdb: the folder HomeDomain/Library/SMS, then sms.db
// (122,880 bytes, class 3) with a made-up wrapped key 00 01 ... 27.
const std::string phoneSample = std::string("mbdb\x05\x00\x00\x0aHomeDomain\x00\x0bLibrary/SMS", 31)
    + std::string("\xff\xff\xff\xff\xff\xff\x41\xed\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x01\xf5\x00\x00\x01\xf5"
                  "\x59\x68\x2f\x00\x59\x68\x2f\x00\x59\x68\x2f\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00",
                  46)
    + std::string("\x00\x0aHomeDomain\x00\x12Library/SMS/sms.db\xff\xff\xff\xff\x00\x2c\x03\x00\x00\x00", 42)
    + std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13"
                  "\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f\x20\x21\x22\x23\x24\x25\x26\x27",
                  40)
    + std::string("\x81\xa4\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x01\xf5\x00\x00\x01\xf5"
                  "\x59\x68\x2f\x00\x59\x68\x2f\x00\x59\x68\x2f\x00\x00\x00\x00\x00\x00\x01\xe0\x00\x03\x00",
                  40);

struct Read {
    std::vector<MbdbRecord> records;
    std::optional<common::Error> error;
};

Read readBytes(const std::filesystem::path &file, const std::string &bytes, std::size_t stopAfter = SIZE_MAX)
{
    testsupport::writeFile(file, bytes);
    Read read;
    auto result = sources::readMbdb(file, [&](const MbdbRecord &record) {
        read.records.push_back(record);
        return read.records.size() < stopAfter;
    });
    if (!result)
        read.error = result.error();
    return read;
}

} // namespace

TEST(ManifestMbdb, ThePhonesByteSampleReadsAsItsTwoRecords)
{
    TempDir dir;
    const auto read = readBytes(dir / "Manifest.mbdb", phoneSample);
    ASSERT_FALSE(read.error) << read.error->detail;
    ASSERT_EQ(read.records.size(), 2u);
    const auto &folder = read.records[0];
    EXPECT_EQ(folder.domain, "HomeDomain");
    EXPECT_EQ(folder.relativePath, "Library/SMS");
    EXPECT_FALSE(folder.isFile());
    EXPECT_FALSE(folder.encryptionKey);
    const auto &messages = read.records[1];
    EXPECT_EQ(messages.relativePath, "Library/SMS/sms.db");
    EXPECT_TRUE(messages.isFile());
    EXPECT_EQ(messages.size, 122'880u);
    EXPECT_EQ(messages.protectionClass, 3);
    ASSERT_TRUE(messages.encryptionKey);
    EXPECT_EQ(messages.encryptionKey->size(), 44u);
    EXPECT_EQ(messages.encryptionKey->substr(0, 5), std::string("\x03\x00\x00\x00\x00", 5));
    EXPECT_EQ(messages.encryptionKey->back(), '\x27');

    // Our writer writes the same bytes for the same records.
    const backup::MbdbEntry smsFolder{.domain = "HomeDomain", .relativePath = "Library/SMS", .mode = 0x41ED};
    const backup::MbdbEntry smsDb{.domain = "HomeDomain",
                                  .relativePath = "Library/SMS/sms.db",
                                  .size = 122'880,
                                  .protectionClass = 3,
                                  .encryptionKey = messages.encryptionKey};
    const std::string written = backup::mbdbFile({smsFolder, smsDb});
    ASSERT_EQ(written.size(), phoneSample.size());
    // Inode and times differ; everything else is the same.
    EXPECT_EQ(written.substr(0, 0x27), phoneSample.substr(0, 0x27));
    EXPECT_EQ(written.substr(0x4d, 0x9f - 0x4d), phoneSample.substr(0x4d, 0x9f - 0x4d));
    EXPECT_EQ(written.substr(written.size() - 10), phoneSample.substr(phoneSample.size() - 10));
}

TEST(ManifestMbdb, EveryCutAndAForeignStartIsAnErrorNamingTheFileAndTheRecord)
{
    TempDir dir;
    for (std::size_t length = 0; length < phoneSample.size(); ++length) {
        const auto read = readBytes(dir / "Manifest.mbdb", phoneSample.substr(0, length));
        // Whole records before the cut are read; a cut between two records is a whole file.
        if (length == 6 || length == 0x4d) {
            EXPECT_FALSE(read.error) << length;
            continue;
        }
        ASSERT_TRUE(read.error) << length;
        EXPECT_EQ(read.error->kind, common::Error::Kind::Invalid);
        EXPECT_EQ(read.error->detail.rfind("Manifest.mbdb", 0), 0u) << read.error->detail;
        if (length > 6) {
            EXPECT_NE(read.error->detail.find(length < 0x4d ? "record 1 (at byte 6)" : "record 2 (at byte 77)"),
                      std::string::npos)
                << read.error->detail;
        }
    }
    const auto tail = readBytes(dir / "Manifest.mbdb", phoneSample + std::string(1, '\0'));
    ASSERT_TRUE(tail.error);
    EXPECT_EQ(tail.error->detail, "Manifest.mbdb: record 3 (at byte 199) ends inside its domain");
    EXPECT_EQ(tail.records.size(), 2u);

    for (const std::string &start : {std::string("mbdx\x02\x00", 6), std::string("mbdb\x04\x00", 6), std::string()})
        EXPECT_EQ(readBytes(dir / "Manifest.mbdb", start + phoneSample.substr(6)).error->detail,
                  "Manifest.mbdb does not start with \"mbdb\" and version 5.0");
    std::filesystem::create_directory(dir / "folder.mbdb");
    EXPECT_EQ(sources::readMbdb(dir / "folder.mbdb",
                                [](const MbdbRecord &) {
                                    return true;
                                })
                  .error()
                  .kind,
              common::Error::Kind::Invalid);
}

TEST(ManifestMbdb, LongStringsAndManyPropertiesReadAndTheReaderStopsWhenAsked)
{
    TempDir dir;
    backup::MbdbEntry big{.domain = "AppDomain-" + std::string(65'000, 'd'), .relativePath = std::string(65'534, 'p')};
    for (int i = 0; i < 255; ++i)
        big.properties.emplace_back(std::string(1000, 'n'), std::string(20'000, 'v'));
    const backup::MbdbEntry after{.domain = "HomeDomain", .relativePath = "Library/SMS/sms.db", .size = 7};
    const auto read = readBytes(dir / "Manifest.mbdb", backup::mbdbFile({big, after, after, after}), 2);
    ASSERT_FALSE(read.error) << read.error->detail;
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(read.records[0].relativePath.size(), 65'534u);
    EXPECT_EQ(read.records[1].size, 7u);
}
