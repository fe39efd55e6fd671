#include "contacts/contacts_index.h"
#include "contacts/vcard_contacts_service.h"
#include "contacts/vcard_reader.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using contacts::AuthorizationStatus;
using contacts::ContactRecord;
using contacts::ContactsIndex;
using contacts::VCardContactsService;

namespace
{

const std::string twoCards = "BEGIN:VCARD\r\n"
                             "VERSION:3.0\r\n"
                             "N:Smith;Anna;;;\r\n"
                             "FN:Anna Smith\r\n"
                             "item1.EMAIL;type=INTERNET;type=pref:Anna.Smith@Example.com\r\n"
                             "item1.X-ABLabel:_$!<Home>!$_\r\n"
                             "TEL;type=CELL;type=VOICE;type=pref:+1 (555) 123-4567\r\n"
                             "UID:A1B2C3D4-0000-4000-8000-000000000001\r\n"
                             "END:VCARD\r\n"
                             "BEGIN:VCARD\r\n"
                             "VERSION:3.0\r\n"
                             "N:Ode;Ben;;;\r\n"
                             "FN:Ben Ode\r\n"
                             "TEL;type=CELL:+1 555 123 4567\r\n"
                             "TEL;type=HOME:0151 12345678\r\n"
                             "END:VCARD\r\n";

} // namespace

TEST(VCardContactsService, IsUndeterminedUntilAFileIsChosen)
{
    VCardContactsService service;
    int delivered = 0;

    EXPECT_EQ(service.authorizationStatus(), AuthorizationStatus::NotDetermined);
    EXPECT_FALSE(service.requestAccess());
    EXPECT_FALSE(service.enumerate([&](const ContactRecord &) {
        ++delivered;
    }));
    EXPECT_EQ(delivered, 0);
    EXPECT_TRUE(ContactsIndex::build(service).byKey.empty());
}

TEST(VCardContactsService, IsDeniedForAFileThatCannotBeRead)
{
    const testsupport::TempDir dir;
    VCardContactsService missing(dir / "missing.vcf");
    VCardContactsService folder(dir.path());

    EXPECT_EQ(missing.authorizationStatus(), AuthorizationStatus::Denied);
    EXPECT_FALSE(missing.requestAccess());
    EXPECT_EQ(folder.authorizationStatus(), AuthorizationStatus::Denied);
    EXPECT_FALSE(folder.enumerate([](const ContactRecord &) {}));
    EXPECT_TRUE(ContactsIndex::build(folder).byKey.empty());
}

TEST(VCardContactsService, BuildsTheIndexFromAReadableFile)
{
    const testsupport::TempDir dir;
    const auto file = dir / "Contacts.vcf";
    testsupport::writeFile(file, twoCards);
    VCardContactsService service(file);

    EXPECT_EQ(service.authorizationStatus(), AuthorizationStatus::Authorized);
    EXPECT_TRUE(service.requestAccess());
    const ContactsIndex index = ContactsIndex::build(service);

    ASSERT_NE(index.lookup("anna.smith@example.com"), nullptr);
    EXPECT_EQ(index.lookup("anna.smith@example.com")->id, "A1B2C3D4-0000-4000-8000-000000000001");
    // Both contacts hold +1 555 123 4567; the first in the file keeps it.
    ASSERT_NE(index.lookup("5551234567"), nullptr);
    EXPECT_EQ(index.lookup("5551234567")->name, "Anna Smith");
    ASSERT_NE(index.lookup("+49 151 12345678"), nullptr);
    EXPECT_EQ(index.lookup("+49 151 12345678")->name, "Ben Ode");
    EXPECT_EQ(index.byKey.size(), 3u);
}

TEST(ReadVCardFile, ReportsMissingFilesAndFoldersAsErrors)
{
    const testsupport::TempDir dir;

    const auto missing = contacts::readVCardFile(dir / "missing.vcf");
    const auto folder = contacts::readVCardFile(dir.path());

    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind, common::Error::Kind::NotFound);
    ASSERT_FALSE(folder);
    EXPECT_EQ(folder.error().kind, common::Error::Kind::Invalid);
}

TEST(ReadVCardFile, ReadsEmptyAndLargeFiles)
{
    const testsupport::TempDir dir;
    testsupport::writeFile(dir / "empty.vcf", "");
    std::string large;
    // Larger than one read buffer, so the file is read in several pieces.
    while (large.size() < std::size_t{200} * 1024)
        large += twoCards;
    testsupport::writeFile(dir / "large.vcf", large);

    const auto empty = contacts::readVCardFile(dir / "empty.vcf");
    const auto read = contacts::readVCardFile(dir / "large.vcf");

    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, contacts::readVCards(large));
    EXPECT_GT(read->size(), 600u);
}
