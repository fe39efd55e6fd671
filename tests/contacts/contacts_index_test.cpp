#include "contacts/contacts_index.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using contacts::AuthorizationStatus;
using contacts::ContactRecord;
using contacts::ContactsIndex;
using contacts::indexKey;
using contacts::phoneKey;

namespace
{

ContactRecord person(std::string id,
                     std::optional<std::string> formattedName,
                     std::vector<std::string> phones,
                     std::vector<std::string> emails = {})
{
    ContactRecord record;
    record.identifier = std::move(id);
    record.formattedName = std::move(formattedName);
    record.phones = std::move(phones);
    record.emails = std::move(emails);
    return record;
}

ContactsIndex indexOf(const std::vector<ContactRecord> &records)
{
    ContactsIndex index;
    for (const ContactRecord &record : records)
        contacts::addContact(record, index.byKey);
    return index;
}

// Records the calls the index builder makes and hands out a fixed list of contacts.
class FakeContactsService : public contacts::ContactsService
{
public:
    FakeContactsService(AuthorizationStatus status, std::vector<ContactRecord> records, bool failsAfterRecords = false)
        : m_status(status)
        , m_records(std::move(records))
        , m_failsAfterRecords(failsAfterRecords)
    {
    }

    AuthorizationStatus authorizationStatus() const override { return m_status; }
    bool requestAccess() override
    {
        ++accessRequests;
        return m_status == AuthorizationStatus::Authorized;
    }
    bool enumerate(const std::function<void(const ContactRecord &)> &onContact) override
    {
        ++enumerations;
        for (const ContactRecord &record : m_records)
            onContact(record);
        return !m_failsAfterRecords;
    }

    int enumerations = 0;
    int accessRequests = 0;

private:
    AuthorizationStatus m_status;
    std::vector<ContactRecord> m_records;
    bool m_failsAfterRecords;
};

} // namespace

TEST(PhoneKey, KeepsTheLastNineDigitsOfAtLeastSix)
{
    EXPECT_EQ(phoneKey("+1 (555) 123-4567"), "551234567");
    EXPECT_EQ(phoneKey("5551234567"), "551234567");
    EXPECT_EQ(phoneKey("0049 151 1234 5678"), "112345678");
    EXPECT_EQ(phoneKey("+49 151 1234 5678"), phoneKey("015112345678"));
    EXPECT_EQ(phoneKey("123456"), "123456");
    EXPECT_EQ(phoneKey("123456789"), "123456789");
    EXPECT_EQ(phoneKey("12345678901234"), "678901234");
}

TEST(PhoneKey, HasNoKeyBelowSixAsciiDigits)
{
    EXPECT_EQ(phoneKey("12345"), std::nullopt);
    EXPECT_EQ(phoneKey(""), std::nullopt);
    EXPECT_EQ(phoneKey("+ () - "), std::nullopt);
    EXPECT_EQ(phoneKey("Anna"), std::nullopt);
}

TEST(PhoneKey, IgnoresDigitsThatAreNotStandaloneAsciiCharacters)
{
    // Full-width and Arabic-Indic digits are numbers, but not ASCII.
    const std::string fullWidth = "\xEF\xBC\x95\xEF\xBC\x95\xEF\xBC\x95\xEF\xBC\x91"
                                  "\xEF\xBC\x92\xEF\xBC\x93\xEF\xBC\x94";
    EXPECT_EQ(phoneKey(fullWidth), std::nullopt);
    EXPECT_EQ(phoneKey("\xD9\xA5\xD9\xA5\xD9\xA5\xD9\xA1\xD9\xA2\xD9\xA3\xD9\xA4"), std::nullopt);
    // Mixed: only the ASCII digits count, the full-width ones drop out.
    EXPECT_EQ(phoneKey("555 \xEF\xBC\x91 123456"), "555123456");
    // A keycap "1️⃣" (1 U+FE0F U+20E3) and a "2" with a combining acute are single non-ASCII
    // characters, so their digits do not count.
    EXPECT_EQ(phoneKey("1\xEF\xB8\x8F\xE2\x83\xA3"
                       "234567"),
              "234567");
    EXPECT_EQ(phoneKey("2\xCC\x81"
                       "34567"),
              std::nullopt);
    EXPECT_EQ(phoneKey("\xC3\xA9"
                       "123456"),
              "123456");
}

TEST(PhoneKey, CountsCarriageReturnLineFeedAsAscii)
{
    EXPECT_EQ(phoneKey("555\r\n1234567"), "551234567");
    EXPECT_EQ(phoneKey("555\r\n12\xC2\xA0"
                       "34567"),
              "551234567");
}

TEST(PhoneKey, SurvivesIllFormedUtf8)
{
    EXPECT_EQ(phoneKey("\xFF"
                       "123456\xC3"),
              "123456");
}

TEST(IndexKey, LowercasesHandlesWithAtSignAndKeysOthersByPhone)
{
    EXPECT_EQ(indexKey("Anna.Smith@Example.COM"), "anna.smith@example.com");
    EXPECT_EQ(indexKey("\xC3\x89MILE@example.fr"), "\xC3\xA9mile@example.fr");
    EXPECT_EQ(indexKey("+1 555 123 4567"), "551234567");
    EXPECT_EQ(indexKey("5551234567@sms.example"), "5551234567@sms.example");
    EXPECT_EQ(indexKey("1234"), std::nullopt);
}

TEST(AddContact, ChoosesFormattedNameThenNicknameThenOrganization)
{
    ContactRecord formatted = person("A", " Anna Smith\n", {"+1 555 000 0001"});
    formatted.nickname = "Annie";
    ContactRecord absentName = person("B", std::nullopt, {"+1 555 000 0002"});
    absentName.nickname = "Benny";
    absentName.organization = "Ode Ltd";
    ContactRecord emptyName = person("C", "", {"+1 555 000 0003"});
    emptyName.nickname = "\xC2\xA0"
                         "Cee ";
    ContactRecord company = person("D", "", {"+1 555 000 0004"});
    company.organization = "Nordlicht GmbH";

    const ContactsIndex index = indexOf({formatted, absentName, emptyName, company});

    EXPECT_EQ(index.byKey.at("550000001"), (ContactsIndex::Entry{"A", "Anna Smith"}));
    EXPECT_EQ(index.byKey.at("550000002"), (ContactsIndex::Entry{"B", "Benny"}));
    EXPECT_EQ(index.byKey.at("550000003"), (ContactsIndex::Entry{"C", "Cee"}));
    EXPECT_EQ(index.byKey.at("550000004"), (ContactsIndex::Entry{"D", "Nordlicht GmbH"}));
}

TEST(AddContact, IgnoresAContactWhoseChosenNameIsOnlyWhiteSpace)
{
    // The untrimmed formatted name is not empty, so the nickname is never consulted.
    ContactRecord spaces = person("S", "   ", {"+1 555 000 0005"}, {"s@example.com"});
    spaces.nickname = "Sam";
    ContactRecord nothing = person("N", std::nullopt, {"+1 555 000 0006"});

    const ContactsIndex index = indexOf({spaces, nothing});

    EXPECT_TRUE(index.byKey.empty());
}

TEST(AddContact, FirstContactKeepsASharedKeyAndTheSecondKeepsItsOtherKeys)
{
    const ContactRecord first = person("1", "Anna", {"+49 151 1234 5678"}, {"Family@Example.com"});
    const ContactRecord second =
        person("2", "Ben", {"0151 12345678", "030 1234567"}, {"family@example.com", "ben@example.com"});

    const ContactsIndex index = indexOf({first, second});

    EXPECT_EQ(index.byKey.at("112345678").id, "1");
    EXPECT_EQ(index.byKey.at("family@example.com").id, "1");
    EXPECT_EQ(index.byKey.at("301234567").id, "2");
    EXPECT_EQ(index.byKey.at("ben@example.com").id, "2");
    EXPECT_EQ(index.byKey.size(), 4u);
}

TEST(AddContact, SkipsShortNumbersAndValuesThatAreNoAddresses)
{
    // "555123456" in an e-mail field would otherwise claim the phone key of whoever has that
    // number, and name them wrongly.
    const ContactRecord odd = person("O", "Odd", {"112", "12345"}, {"555123456", ""});
    const ContactRecord owner = person("P", "Pia", {"+1 555 123 456"});

    const ContactsIndex index = indexOf({odd, owner});

    ASSERT_EQ(index.byKey.size(), 1u);
    EXPECT_EQ(index.byKey.at("555123456").id, "P");
}

TEST(AddContact, LowercasesAddressesWithoutTrimmingThem)
{
    const ContactsIndex index = indexOf({person("E", "\xC3\x89mile", {}, {"\xC3\x89MILE@Example.FR", " x@y.z"})});

    EXPECT_EQ(index.byKey.count("\xC3\xA9mile@example.fr"), 1u);
    EXPECT_EQ(index.byKey.count(" x@y.z"), 1u);
    EXPECT_EQ(index.byKey.count("x@y.z"), 0u);
}

TEST(ContactsIndexLookup, FindsAddressesInAnyCaseAndNumbersInAnyFormat)
{
    const ContactsIndex index = indexOf({
        person("A", "Anna Smith", {"+1 (555) 123-4567"}, {"Anna.Smith@Example.com"}),
        person("B", "Ben", {}, {"ben@example.com"}),
    });

    const ContactsIndex::Entry *byLower = index.lookup("anna.smith@example.com");
    const ContactsIndex::Entry *byUpper = index.lookup("BEN@EXAMPLE.COM");
    const ContactsIndex::Entry *byNumber = index.lookup("5551234567");

    ASSERT_NE(byLower, nullptr);
    EXPECT_EQ(byLower->name, "Anna Smith");
    ASSERT_NE(byUpper, nullptr);
    EXPECT_EQ(byUpper->id, "B");
    ASSERT_NE(byNumber, nullptr);
    EXPECT_EQ(byNumber->id, "A");
    EXPECT_EQ(index.lookup("+1 555 123 4568"), nullptr);
    EXPECT_EQ(index.lookup("4567"), nullptr);
}

TEST(ContactsIndexLookup, FindsAnAddressInEitherCanonicalForm)
{
    // "Émile" with U+00C9 in one card, with E U+0301 in the other; the first card owns the key.
    const ContactsIndex index = indexOf({person("A", "Emile A", {}, {"\xC3\x89mile@example.fr"}),
                                         person("B", "Emile B", {}, {"E\xCC\x81mile@example.fr"})});

    const ContactsIndex::Entry *decomposed = index.lookup("e\xCC\x81mile@example.fr");
    const ContactsIndex::Entry *composed = index.lookup("\xC3\xA9MILE@example.fr");

    EXPECT_EQ(index.byKey.size(), 1u);
    ASSERT_NE(decomposed, nullptr);
    EXPECT_EQ(decomposed->id, "A");
    ASSERT_NE(composed, nullptr);
    EXPECT_EQ(composed->id, "A");
}

TEST(ContactsIndexLookup, NeverLooksUpAHandleWithAtSignAsAPhoneNumber)
{
    const ContactsIndex index = indexOf({person("A", "Anna", {"+1 555 123 4567"})});

    EXPECT_EQ(index.lookup("+15551234567@mms.example"), nullptr);
    EXPECT_EQ(index.lookup("551234567@"), nullptr);
    EXPECT_NE(index.lookup("+15551234567"), nullptr);
}

TEST(ContactsIndexLookup, EmptyIndexFindsNothing)
{
    const ContactsIndex empty;

    EXPECT_EQ(empty.lookup("anna@example.com"), nullptr);
    EXPECT_EQ(empty.lookup("+1 555 123 4567"), nullptr);
    EXPECT_EQ(empty.lookup(""), nullptr);
}

TEST(ContactsIndexBuild, IsEmptyWithoutAuthorisationAndDoesNotEnumerate)
{
    for (const auto status :
         {AuthorizationStatus::NotDetermined, AuthorizationStatus::Restricted, AuthorizationStatus::Denied}) {
        FakeContactsService service(status, {person("A", "Anna", {"+1 555 123 4567"})});

        const ContactsIndex index = ContactsIndex::build(service);

        EXPECT_TRUE(index.byKey.empty());
        EXPECT_EQ(service.enumerations, 0);
    }
}

TEST(ContactsIndexBuild, IndexesEveryContactWhenAuthorised)
{
    FakeContactsService service(
        AuthorizationStatus::Authorized,
        {person("A", "Anna", {"+1 555 123 4567"}, {"anna@example.com"}), person("B", "Ben", {"0151 12345678"})});

    const ContactsIndex index = ContactsIndex::build(service);

    EXPECT_EQ(service.enumerations, 1);
    EXPECT_EQ(index.byKey.size(), 3u);
    ASSERT_NE(index.lookup("+49 151 12345678"), nullptr);
    EXPECT_EQ(index.lookup("+49 151 12345678")->name, "Ben");
}

TEST(ContactsIndexBuild, KeepsTheContactsReadBeforeAFailedEnumeration)
{
    FakeContactsService service(AuthorizationStatus::Authorized, {person("A", "Anna", {"+1 555 123 4567"})}, true);

    const ContactsIndex index = ContactsIndex::build(service);

    ASSERT_NE(index.lookup("5551234567"), nullptr);
    EXPECT_EQ(index.lookup("5551234567")->id, "A");
}

TEST(RequestContactsAccess, ReportsTheServiceAnswer)
{
    FakeContactsService granted(AuthorizationStatus::Authorized, {});
    FakeContactsService refused(AuthorizationStatus::Denied, {});

    EXPECT_TRUE(contacts::requestContactsAccess(granted));
    EXPECT_FALSE(contacts::requestContactsAccess(refused));
    EXPECT_EQ(granted.accessRequests, 1);
}
