#include "contacts/vcard_reader.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using contacts::ContactRecord;
using contacts::readVCards;

namespace
{

std::string joinLines(std::initializer_list<std::string_view> lines, std::string_view lineEnd = "\r\n")
{
    std::string text;
    for (const std::string_view line : lines) {
        text.append(line);
        text.append(lineEnd);
    }
    return text;
}

// An iPhone contacts export as iCloud writes it: 3.0, CR LF, item groups with Apple labels,
// folded base64 photos, escapes, and a company card.
const std::string iCloudExport = joinLines({
    "BEGIN:VCARD",
    "VERSION:3.0",
    "PRODID:-//Apple Inc.//iPhone OS 17.4//EN",
    "N:Lindqvist;Carl;Johan;Dr.;",
    "FN:Dr. Carl Johan Lindqvist",
    "ORG:Nordlicht GmbH;Einkauf",
    "TITLE:Einkäufer",
    "item1.EMAIL;type=INTERNET;type=pref:Carl.Lindqvist@Nordlicht.example",
    "item1.X-ABLabel:_$!<Other>!$_",
    "item2.EMAIL;type=INTERNET;type=HOME:carl@lindqvist.example",
    "TEL;type=CELL;type=VOICE;type=pref:+49 151 12345678",
    "item3.TEL:030 1234567",
    "item3.X-ABLabel:Büro",
    "item4.ADR;type=WORK;type=pref:;;Hafenstraße 5;Hamburg;;20457;Deutschland",
    "item4.X-ABADR:de",
    "NOTE:Met at the fair\\, 2019\\nCall after 6",
    "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAASABIAAD/4QBYRXhpZgAATU0AKgAAAAgAAgESAAMAAAABAAEAAIdpAAQAAA",
    " ABAAAAJgAAAAAAA6ABAAMAAAABAAEAAKACAAQAAAABAAAAQKADAAQAAAABAAAAQAAAAAD/7QA4UGhvdG",
    " 9zaG9wIDMuMAA4QklNBAQAAAAAAAA4QklNBCUAAAAAABDUHYzZjwCyBOmACZjs+EJ+/8AAEQgAQABAAw",
    " EiAAIRAQMRAf/EAB8AAAEFAQEBAQEBAAAAAAAAAAABAgMEBQYHCAkKC//EALUQAAIBAwMCBAMFBQQE",
    " AAABfQECAwAEEQUSITFBBhNRYQcicRQygZGhCCNCscEVUtHwJDNicoIJChYXGBkaJSYnKCkqNDU2Nzg5Ok",
    " NERUZHSElKU1RVVldYWVpjZGVmZ2hpanN0dXZ3eHl6g4SFhoeIiYqSk5SVlpeYmZqio6Slpqeoqaqys7S1tr",
    " e4ubrCw8TFxsfIycrS09TV1tfY2drh4uPk5ebn6Onq8fLz9PX29/j5+v/Z",
    "UID:2C3A8A5E-7F1B-4F59-9E0B-3C1D7A2B6E11",
    "END:VCARD",
    "BEGIN:VCARD",
    "VERSION:3.0",
    "N:;;;;",
    "FN:Stadtwerke Nord",
    "ORG:Stadtwerke Nord AG;",
    "item1.TEL;type=WORK;type=VOICE;type=pref:0800 123 456 7",
    "item1.X-ABLabel:_$!<Work>!$_",
    "X-ABShowAs:COMPANY",
    "UID:8F0E2D41-3C55-4A1B-A9B7-2E6D5C4F3A10",
    "END:VCARD",
    "BEGIN:VCARD",
    "VERSION:3.0",
    "N:Müller-Lüdenscheid;Zoë;;;",
    "FN:Zoë Müller-Lüdenscheid",
    "NICKNAME:Zo",
    "item1.EMAIL;type=INTERNET;type=pref:zoe.mueller@example.de",
    "item1.X-ABLabel:_$!<Home>!$_",
    "item2.TEL:+41 79 765 43 21",
    "item2.X-ABLabel:_$!<Mobile>!$_",
    "X-ABUID:5AD380FD-B2DE-4261-BA99-DE1D1DB52FBE\\:ABPerson",
    "END:VCARD",
});

// Base64 text of `bytes` pseudo-random bytes, the same on every run.
std::string photoText(std::size_t bytes, std::uint32_t seed)
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve(bytes / 3 * 4 + 4);
    for (std::size_t i = 0; i < bytes / 3 * 4; ++i) {
        seed = seed * 1664525u + 1013904223u;
        text.push_back(alphabet[seed >> 26]);
    }
    return text + "==";
}

// Cards without identifiers of their own, each with a photo written in one of the ways exporters
// write them: folded as Apple does, a 2.1 block of unfolded lines, one line longer than any
// value kept, and a photo after a quoted-printable name; LF and CR LF line ends.
std::string photoCards()
{
    std::string cards;
    for (std::uint32_t i = 0; i < 12; ++i) {
        const std::string end = i % 4 == 3 ? "\n" : "\r\n";
        const std::string photo = photoText(std::size_t{8000} + i * 3001, i);
        cards += "BEGIN:VCARD" + end + "VERSION:3.0" + end;
        if (i % 3 == 2)
            cards += "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Ren=C3=A9e=" + end + " No. " + std::to_string(i) + end;
        else
            cards += "FN:Person " + std::to_string(i) + end;
        cards += "TEL;type=CELL:+1 555 010 " + std::to_string(1000 + i) + end;
        if (i % 4 == 1) { // 2.1: unfolded base64 lines, ended by an empty line
            cards += "PHOTO;ENCODING=BASE64;JPEG:" + end;
            for (std::size_t at = 0; at < photo.size(); at += 76)
                cards += photo.substr(at, 76) + end;
            cards += end;
        } else if (i == 6) { // one line of 1.1 MB
            cards += "PHOTO;ENCODING=b;TYPE=JPEG:" + photoText(800000, i) + end;
        } else {
            cards += "PHOTO;ENCODING=b;TYPE=JPEG:" + photo.substr(0, 46) + end;
            for (std::size_t at = 46; at < photo.size(); at += 74)
                cards += " " + photo.substr(at, 74) + end;
        }
        cards += "EMAIL:p" + std::to_string(i) + "@example.com" + end + "END:VCARD" + end;
    }
    return cards;
}

} // namespace

TEST(ReadVCards, ReadsAnICloudExport)
{
    const std::vector<ContactRecord> cards = readVCards(iCloudExport);

    ASSERT_EQ(cards.size(), 3u);
    const ContactRecord &carl = cards[0];
    EXPECT_EQ(carl.identifier, "2C3A8A5E-7F1B-4F59-9E0B-3C1D7A2B6E11");
    EXPECT_EQ(carl.formattedName, "Dr. Carl Johan Lindqvist");
    EXPECT_EQ(carl.organization, "Nordlicht GmbH");
    EXPECT_EQ(carl.nickname, "");
    EXPECT_EQ(carl.phones, (std::vector<std::string>{"+49 151 12345678", "030 1234567"}));
    EXPECT_EQ(carl.emails, (std::vector<std::string>{"Carl.Lindqvist@Nordlicht.example", "carl@lindqvist.example"}));

    const ContactRecord &company = cards[1];
    EXPECT_EQ(company.identifier, "8F0E2D41-3C55-4A1B-A9B7-2E6D5C4F3A10");
    EXPECT_EQ(company.formattedName, "Stadtwerke Nord AG");
    EXPECT_EQ(company.organization, "Stadtwerke Nord AG");
    EXPECT_EQ(company.phones, (std::vector<std::string>{"0800 123 456 7"}));

    const ContactRecord &zoe = cards[2];
    EXPECT_EQ(zoe.identifier, "5AD380FD-B2DE-4261-BA99-DE1D1DB52FBE:ABPerson");
    EXPECT_EQ(zoe.formattedName, "Zoë Müller-Lüdenscheid");
    EXPECT_EQ(zoe.nickname, "Zo");
    EXPECT_EQ(zoe.phones, (std::vector<std::string>{"+41 79 765 43 21"}));
}

TEST(ReadVCards, ReadsAnAndroidExportWithQuotedPrintableNamesAndPhotoBlocks)
{
    const std::string android = joinLines({
        "BEGIN:VCARD",
        "VERSION:2.1",
        "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=9F=D0=B5=D1=82=D1=80=D0=BE=D0=B2;=D0=90=D0=BB=D0=B5=D0=BA=",
        "=D1=81=D0=B0=D0=BD=D0=B4=D1=80;;;",
        "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=90=D0=BB=D0=B5=D0=BA=D1=81=D0=B0=D0=BD=D0=B4=D1=80 =D0=9F=",
        "=D0=B5=D1=82=D1=80=D0=BE=D0=B2",
        "TEL;CELL:+7 912 345-67-89",
        "TEL;HOME:8 (495) 123-45-67",
        "EMAIL;HOME:a.petrov@example.ru",
        "PHOTO;ENCODING=BASE64;JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/4gIoSUNDX1BST0ZJTEUAAQEAAAIYAAAAAAIQAABtbnRy",
        " UkdCIFhZWiAAAAAAAAAAAAAAAABhY3NwAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAQAA9tYA",
        " AQAAAADTLQAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA",
        " AAAACWRlc2MAAADwAAAAdHJYWVoAAAFkAAAAFGdYWVoAAAF4AAAAFGJYWVoAAAGMAAAAFHJUUkMA//Z",
        "",
        "END:VCARD",
        "BEGIN:VCARD",
        "VERSION:2.1",
        "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=96zt=C3=BCrk;Ay=C5=9Fe;;;",
        "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Ay=C5=9Fe =C3=96zt=C3=BCrk",
        "PHOTO;ENCODING=BASE64;JPEG:",
        "/9j/4AAQSkZJRgABAQEASABIAAD/2wBDAAMCAgMCAgMDAwMEAwMEBQgFBQQEBQoHBwYIDAoMDAsK",
        "CwsNDhIQDQ4RDgsLEBYQERMUFRUVDA8XGBYUGBIUFRT/wAALCAABAAEBAREA/8QAFAABAAAAAAAA",
        "AAAAAAAAAAAACf/EABQQAQAAAAAAAAAAAAAAAAAAAAD/2gAIAQEAAD8AVN//2Q==",
        "",
        "TEL;CELL;PREF:+90 532 123 45 67",
        "TEL;WORK:0212 555 12 34",
        "EMAIL;WORK:ayse.ozturk@example.com.tr",
        "END:VCARD",
    });

    const std::vector<ContactRecord> cards = readVCards(android);

    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0].formattedName, "Александр Петров");
    EXPECT_EQ(cards[0].phones, (std::vector<std::string>{"+7 912 345-67-89", "8 (495) 123-45-67"}));
    EXPECT_EQ(cards[0].emails, (std::vector<std::string>{"a.petrov@example.ru"}));
    EXPECT_EQ(cards[1].formattedName, "Ayşe Öztürk");
    EXPECT_EQ(cards[1].phones, (std::vector<std::string>{"+90 532 123 45 67", "0212 555 12 34"}));
    EXPECT_EQ(cards[1].emails, (std::vector<std::string>{"ayse.ozturk@example.com.tr"}));
    EXPECT_TRUE(cards[0].identifier.starts_with("vcard-"));
    EXPECT_NE(cards[0].identifier, cards[1].identifier);
}

TEST(ReadVCards, ReadsAGoogleContactsExport)
{
    const std::string google = joinLines({
        "BEGIN:VCARD",
        "VERSION:3.0",
        "FN:Marta García",
        "N:García;Marta;;;",
        "NICKNAME:Martita",
        "EMAIL;TYPE=INTERNET;TYPE=HOME:marta.garcia@example.es",
        "EMAIL;TYPE=INTERNET;TYPE=WORK:M.Garcia@Empresa.example",
        "TEL;TYPE=CELL:+34 612 34 56 78",
        "TEL;TYPE=WORK:+34 91 123 45 67",
        "ADR;TYPE=HOME:;;Calle Mayor 1;Madrid;;28013;España",
        "ORG:Empresa Ejemplo\\, S.L.",
        "item1.URL:http\\://empresa.example",
        "item1.X-ABLabel:",
        "CATEGORIES:myContacts,Trabajo",
        "END:VCARD",
        "BEGIN:VCARD",
        "VERSION:3.0",
        "N:;;;;",
        "NICKNAME:Peque",
        "TEL;TYPE=CELL:612 98 76 54",
        "CATEGORIES:myContacts",
        "END:VCARD",
    });

    const std::vector<ContactRecord> cards = readVCards(google);

    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0].formattedName, "Marta García");
    EXPECT_EQ(cards[0].nickname, "Martita");
    EXPECT_EQ(cards[0].organization, "Empresa Ejemplo, S.L.");
    EXPECT_EQ(cards[0].emails, (std::vector<std::string>{"marta.garcia@example.es", "M.Garcia@Empresa.example"}));
    EXPECT_EQ(cards[0].phones, (std::vector<std::string>{"+34 612 34 56 78", "+34 91 123 45 67"}));
    EXPECT_EQ(cards[1].formattedName, std::nullopt);
    EXPECT_EQ(cards[1].nickname, "Peque");
    EXPECT_EQ(cards[1].phones, (std::vector<std::string>{"612 98 76 54"}));
}

TEST(ReadVCards, ReadsAVersionFourCardWithTelephoneUris)
{
    const std::string card = joinLines({
        "BEGIN:VCARD",
        "VERSION:4.0",
        "UID:urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1",
        "FN;LANGUAGE=fr:Jean-Luc Dupont",
        "N:Dupont;Jean-Luc;;M.;",
        "NICKNAME:JL,Jeannot",
        "TEL;VALUE=uri;TYPE=\"voice,cell\";PREF=1:tel:+33-6-12-34-56-78",
        "TEL;VALUE=uri;TYPE=work:tel:+33-1-23-45-67-89;ext=123",
        "TEL;VALUE=uri:TEL:+33%206%2011%2022%2033",
        "EMAIL;TYPE=work:jl.dupont@exemple.fr",
        "ORG:Exemple SA;R&D",
        "ADR;LABEL=\"12 rue de la Paix\\n75002 Paris: France\";TYPE=home:;;12 rue de la Paix;Paris;;75002;France",
        "END:VCARD",
    });

    const std::vector<ContactRecord> cards = readVCards(card);

    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].identifier, "urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1");
    EXPECT_EQ(cards[0].formattedName, "Jean-Luc Dupont");
    EXPECT_EQ(cards[0].nickname, "JL");
    EXPECT_EQ(cards[0].organization, "Exemple SA");
    EXPECT_EQ(cards[0].phones, (std::vector<std::string>{"+33-6-12-34-56-78", "+33-1-23-45-67-89", "+33 6 11 22 33"}));
    EXPECT_EQ(cards[0].emails, (std::vector<std::string>{"jl.dupont@exemple.fr"}));
}

TEST(ReadVCards, BuildsTheNameFromItsPartsWhenTheFormattedNameIsMissing)
{
    const std::string cards = joinLines({
        "BEGIN:VCARD",
        "VERSION:3.0",
        "N:Public;John;Quincy,Adams;Dr.;Jr.",
        "END:VCARD",
        "BEGIN:VCARD",
        "VERSION:3.0",
        "FN:",
        "N:Ode;Ben;;;",
        "END:VCARD",
        "BEGIN:VCARD",
        "VERSION:3.0",
        "N:;;;;",
        "ORG:Only Org",
        "END:VCARD",
        "BEGIN:VCARD",
        "VERSION:3.0",
        "N:O\\;Brien;Sea\\,n;;;",
        "FN:  ",
        "END:VCARD",
    });

    const std::vector<ContactRecord> read = readVCards(cards);

    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[0].formattedName, "Dr. John Quincy Adams Public Jr.");
    EXPECT_EQ(read[1].formattedName, "Ben Ode");
    EXPECT_EQ(read[2].formattedName, std::nullopt);
    EXPECT_EQ(read[2].organization, "Only Org");
    // A formatted name of spaces is kept: it is the card's own choice.
    EXPECT_EQ(read[3].formattedName, "  ");
}

TEST(ReadVCards, UndoesTextEscapes)
{
    const std::string card = joinLines({
        "BEGIN:VCARD",
        "VERSION:3.0",
        "FN:Smith\\, Anna\\; \\\\ Co\\nLine\\NTwo \\q",
        "ORG:A\\;B;C",
        "END:VCARD",
    });

    const std::vector<ContactRecord> read = readVCards(card);

    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].formattedName, "Smith, Anna; \\ Co\nLine\nTwo \\q");
    EXPECT_EQ(read[0].organization, "A;B");
}

TEST(ReadVCards, AcceptsEveryLineEndFoldingStyleAndByteOrderMark)
{
    const std::initializer_list<std::string_view> lines{
        "begin:vcard",
        "version:3.0",
        "Fn:Anna",
        "  Smith",
        "tel;TYPE=cell:+1 555",
        "\t123 4567",
        "Email:anna@example.com",
        "end:VCARD",
    };

    for (const std::string_view lineEnd : {"\r\n", "\n", "\r"}) {
        const std::vector<ContactRecord> read = readVCards("\xEF\xBB\xBF" + joinLines(lines, lineEnd));

        ASSERT_EQ(read.size(), 1u) << "line end of " << lineEnd.size() << " bytes";
        EXPECT_EQ(read[0].formattedName, "Anna Smith");
        EXPECT_EQ(read[0].phones, (std::vector<std::string>{"+1 555123 4567"}));
        EXPECT_EQ(read[0].emails, (std::vector<std::string>{"anna@example.com"}));
    }
}

TEST(ReadVCards, DecodesLegacyCharsets)
{
    const std::string cards = joinLines({
        "BEGIN:VCARD",
        "VERSION:2.1",
        "FN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Ren=E9e M=FCller =80",
        "END:VCARD",
        "BEGIN:VCARD",
        "VERSION:2.1",
        "FN;CHARSET=SHIFT_JIS:\x82\xE2\x82\xDC\x82\xBE", // やまだ
        "END:VCARD",
        "BEGIN:VCARD",
        "VERSION:2.1",
        "FN:Fran\xE7ois",
        "END:VCARD",
        "BEGIN:VCARD",
        "VERSION:2.1",
        "FN;CHARSET=NO-SUCH-CHARSET:Ana\xFF",
        "END:VCARD",
        "BEGIN:VCARD",
        "VERSION:2.1",
        "FN;CHARSET=UTF-8;ENCODING=BASE64:w4lsb2RpZQ==",
        "END:VCARD",
    });

    const std::vector<ContactRecord> read = readVCards(cards);

    ASSERT_EQ(read.size(), 5u);
    EXPECT_EQ(read[0].formattedName, "Renée Müller €");
    EXPECT_EQ(read[1].formattedName, "やまだ");
    // Unlabelled bytes that are not UTF-8 are read as Windows-1252.
    EXPECT_EQ(read[2].formattedName, "François");
    EXPECT_EQ(read[3].formattedName, "Ana\uFFFD");
    EXPECT_EQ(read[4].formattedName, "Élodie");
}

TEST(ReadVCards, IgnoresTheCardsOfAgents)
{
    const std::string cards = joinLines({
        "BEGIN:VCARD",
        "VERSION:2.1",
        "FN:Boss Person",
        "AGENT:",
        "BEGIN:VCARD",
        "VERSION:2.1",
        "FN:Assistant",
        "TEL:+1 555 999 0000",
        "END:VCARD",
        "TEL:+1 555 111 0000",
        "END:VCARD",
        "BEGIN:VCARD",
        "VERSION:3.0",
        "FN:Other Boss",
        "AGENT:BEGIN:VCARD\\nFN:Inline Assistant\\nTEL:+1 555 888 0000\\nEND:VCARD",
        "TEL:+1 555 222 0000",
        "END:VCARD",
    });

    const std::vector<ContactRecord> read = readVCards(cards);

    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].formattedName, "Boss Person");
    EXPECT_EQ(read[0].phones, (std::vector<std::string>{"+1 555 111 0000"}));
    EXPECT_EQ(read[1].formattedName, "Other Boss");
    EXPECT_EQ(read[1].phones, (std::vector<std::string>{"+1 555 222 0000"}));
}

TEST(ReadVCards, SkipsAnUnclosedCardAndKeepsTheCardsAroundIt)
{
    const std::string cards = joinLines({
        "garbage before the first card",
        "BEGIN:VCARD",
        "VERSION:3.0",
        "FN:First",
        "END:VCARD",
        "BEGIN:VCARD",
        "VERSION:3.0",
        "FN:Broken",
        "TEL:+1 555 000 0000",
        "BEGIN:VCARD",
        "VERSION:3.0",
        "FN:Second",
        "a line without a colon",
        "\x01\x02\xFF\xFE",
        "END:VCARD",
        "END:VCARD",
        "BEGIN:VCARD",
        "FN:Cut off at the end",
    });

    const std::vector<ContactRecord> read = readVCards(cards);

    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].formattedName, "First");
    EXPECT_EQ(read[1].formattedName, "Second");
    EXPECT_TRUE(read[1].phones.empty());
}

TEST(ReadVCards, GivesNoRecordsForInputWithoutCards)
{
    EXPECT_TRUE(readVCards("").empty());
    EXPECT_TRUE(readVCards("\xEF\xBB\xBF").empty());
    EXPECT_TRUE(readVCards("FN:Nobody\r\nEND:VCARD\r\n").empty());
    EXPECT_TRUE(readVCards(std::string(1000, '\0')).empty());
}

TEST(ReadVCards, FallbackIdentifiersAreStableAndUnique)
{
    const std::initializer_list<std::string_view> card{
        "BEGIN:VCARD", "VERSION:3.0", "FN:No Uid", "TEL:+1 555 010 2030", "END:VCARD",
    };
    const std::string crlf = joinLines(card);
    const std::string lf = joinLines(card, "\n");

    const std::vector<ContactRecord> once = readVCards(crlf + crlf + lf);
    const std::vector<ContactRecord> again = readVCards(crlf + crlf + lf);
    const std::vector<ContactRecord> folded = readVCards(joinLines({
        "BEGIN:VCARD",
        "VERSION:3.0",
        "FN:No ",
        " Uid",
        "TEL:+1 555 010 2030",
        "END:VCARD",
    }));

    ASSERT_EQ(once.size(), 3u);
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(once[0].identifier, again[0].identifier);
    EXPECT_EQ(once[2].identifier, again[2].identifier);
    EXPECT_EQ(once[1].identifier, once[0].identifier + "-2");
    EXPECT_EQ(once[2].identifier, once[0].identifier + "-3");
    ASSERT_EQ(folded.size(), 1u);
    EXPECT_EQ(folded[0].identifier, once[0].identifier);
    EXPECT_EQ(once[0].identifier.size(), std::string("vcard-").size() + 16);
}

TEST(ReadVCards, NeverCrashesOnTruncatedOrCorruptedInput)
{
    const std::string sample = iCloudExport;

    for (std::size_t length = 0; length <= sample.size(); ++length) {
        const std::vector<ContactRecord> read = readVCards(std::string_view(sample).substr(0, length));
        EXPECT_LE(read.size(), 3u);
    }
    std::string corrupted = sample;
    for (std::size_t i = 0; i < corrupted.size(); i += 7)
        corrupted[i] = static_cast<char>(corrupted[i] ^ 0xA5);
    EXPECT_LE(readVCards(corrupted).size(), 3u);
    EXPECT_TRUE(readVCards("BEGIN:VCARD\r\nFN;ENCODING=QUOTED-PRINTABLE:=\r\n=").empty());
    EXPECT_TRUE(readVCards("BEGIN:VCARD\r\nFN;X=\"unclosed:value\r\nEND:VCARD").size() <= 1u);
}

TEST(ReadVCards, ReadsLargeInputsInOnePass)
{
    // Shapes that a quadratic reader would choke on: many cards, many identical cards without an
    // identifier, a long soft-broken value, a long folded head, a long unfolded 2.1 photo block
    // and deep agent nesting.
    std::string many;
    constexpr int cardCount = 100000;
    for (int i = 0; i < cardCount; ++i) {
        many += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Person " + std::to_string(i) + "\r\nitem1.TEL;type=CELL:+1 555 "
            + std::to_string(1000000 + i) + "\r\nEND:VCARD\r\n";
    }
    std::string softBreaks = "BEGIN:VCARD\r\nFN;ENCODING=QUOTED-PRINTABLE:";
    std::string foldedHead = "BEGIN:VCARD\r\nX-LONG";
    std::string photo = "BEGIN:VCARD\r\nFN:Photo\r\nPHOTO;ENCODING=BASE64;JPEG:\r\n";
    std::string agents = "BEGIN:VCARD\r\nFN:Top\r\n";
    std::string identical;
    constexpr int shapeLines = 20000;
    for (int i = 0; i < shapeLines; ++i) {
        identical += "BEGIN:VCARD\r\nFN:Same\r\nEND:VCARD\r\n";
        softBreaks += "a=\r\n";
        foldedHead += "\r\n ;x=y";
        photo += "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2d3h5\r\n";
        agents += "AGENT:\r\nBEGIN:VCARD\r\n";
    }
    softBreaks += "b\r\nEND:VCARD\r\n";
    foldedHead += ":value\r\nFN:Folded\r\nEND:VCARD\r\n";
    photo += "\r\nTEL:+1 555 123 4567\r\nEND:VCARD\r\n";
    for (int i = 0; i < shapeLines; ++i)
        agents += "END:VCARD\r\n";
    agents += "END:VCARD\r\n";

    const std::vector<ContactRecord> manyRead = readVCards(many);
    const std::vector<ContactRecord> identicalRead = readVCards(identical);
    const std::vector<ContactRecord> softRead = readVCards(softBreaks);
    const std::vector<ContactRecord> foldedRead = readVCards(foldedHead);
    const std::vector<ContactRecord> photoRead = readVCards(photo);
    const std::vector<ContactRecord> agentsRead = readVCards(agents);

    ASSERT_EQ(manyRead.size(), static_cast<std::size_t>(cardCount));
    EXPECT_EQ(manyRead.back().formattedName, "Person 99999");
    ASSERT_EQ(identicalRead.size(), static_cast<std::size_t>(shapeLines));
    EXPECT_EQ(identicalRead.back().identifier, identicalRead.front().identifier + "-" + std::to_string(shapeLines));
    ASSERT_EQ(softRead.size(), 1u);
    EXPECT_EQ(softRead[0].formattedName, std::string(shapeLines, 'a') + "b");
    ASSERT_EQ(foldedRead.size(), 1u);
    EXPECT_EQ(foldedRead[0].formattedName, "Folded");
    ASSERT_EQ(photoRead.size(), 1u);
    EXPECT_EQ(photoRead[0].phones, (std::vector<std::string>{"+1 555 123 4567"}));
    ASSERT_EQ(agentsRead.size(), 1u);
    EXPECT_EQ(agentsRead[0].formattedName, "Top");
}

TEST(ReadVCardFile, RefusesAFileLargerThanAnyAddressBookWithoutReadingIt)
{
    const testsupport::TempDir dir;
    const auto path = dir / "huge.vcf";
    std::ofstream(path) << "BEGIN:VCARD\r\nFN:Anna\r\nEND:VCARD\r\n";
    std::filesystem::resize_file(path, contacts::maxVCardFileBytes + 1); // sparse: no disk, no time
    const auto read = contacts::readVCardFile(path);
    ASSERT_FALSE(read.has_value());
    EXPECT_EQ(read.error().kind, common::Error::Kind::Invalid);
    EXPECT_NE(read.error().detail.find("larger than any address book"), std::string::npos) << read.error().detail;

    std::filesystem::resize_file(path, 1024);
    EXPECT_TRUE(contacts::readVCardFile(path).has_value());
}

TEST(ReadVCardFile, StopsAtTheLimitOfWhatTheRecordsHold)
{
    // Many tiny cards, or one card of endless numbers: a small file can still make huge records.
    const testsupport::TempDir dir;
    const auto many = dir / "many.vcf";
    const auto numbers = dir / "numbers.vcf";
    {
        std::ofstream manyOut(many);
        std::ofstream numbersOut(numbers);
        numbersOut << "BEGIN:VCARD\r\nFN:Anna\r\n";
        for (int i = 0; i < 20000; ++i) {
            manyOut << "BEGIN:VCARD\r\nTEL:" << i << "\r\nEND:VCARD\r\n";
            numbersOut << "TEL:+1555" << i << "\r\n";
        }
        numbersOut << "END:VCARD\r\n";
    }
    for (const auto &path : {many, numbers}) {
        const auto whole = contacts::readVCardFile(path);
        ASSERT_TRUE(whole.has_value()) << path;
        EXPECT_EQ(whole->size(), path == many ? 20000u : 1u);

        const auto limited = contacts::readVCardFile(path, 64 * 1024);
        ASSERT_FALSE(limited.has_value()) << path;
        EXPECT_EQ(limited.error().kind, common::Error::Kind::Invalid);
        EXPECT_NE(limited.error().detail.find("more contacts than any address book"), std::string::npos)
            << limited.error().detail;
    }
}

TEST(ReadVCardFile, StreamsPhotoCardsToTheRecordsAndIdentifiersOfTheWholeFileReader)
{
    // The identifiers the reader gave when it read the whole file into memory at once.
    const std::vector<std::string> before{
        "pad",
        "vcard-2df5a818767df8a8",
        "vcard-d787a44bbf025626",
        "vcard-bc4ba45c05007ee0",
        "vcard-603e9640680f1213",
        "vcard-e1ad64bb74da5bb9",
        "vcard-87ffa24df0180268",
        "vcard-8f4bba8f7b34e3dc",
        "vcard-25d7fa039f789192",
        "vcard-731cf306ca8e88de",
        "vcard-ca401b3cc601c100",
        "vcard-e15dd07ce7e544f2",
        "vcard-903be0ab889cf790",
    };
    const auto identifiers = [](const std::vector<ContactRecord> &cards) {
        std::vector<std::string> ids;
        for (const ContactRecord &card : cards)
            ids.push_back(card.identifier);
        return ids;
    };
    const testsupport::TempDir dir;
    const auto path = dir / "photos.vcf";
    const std::string cards = photoCards();
    const auto padded = [&](std::size_t pad) {
        return "BEGIN:VCARD\r\nUID:pad\r\nNOTE:" + std::string(pad, 'a') + "\r\nEND:VCARD\r\n" + cards;
    };
    std::ofstream(path, std::ios::binary) << padded(0);

    const auto read = contacts::readVCardFile(path);

    ASSERT_TRUE(read.has_value()) << read.error().detail;
    EXPECT_EQ(identifiers(*read), before);
    EXPECT_EQ((*read)[3].formattedName, "Renée No. 2");
    EXPECT_EQ((*read)[7].formattedName, "Person 6"); // the card with a photo of one 1.1 MB line
    EXPECT_EQ((*read)[7].phones, (std::vector<std::string>{"+1 555 010 1006"}));
    EXPECT_EQ((*read)[12].emails, (std::vector<std::string>{"p11@example.com"}));
    // Shifted by a byte at a time, every line end, a CR LF among them, meets a chunk's end once.
    for (std::size_t shift = 1; shift < 80; ++shift)
        ASSERT_EQ(identifiers(readVCards(padded(shift))), before) << "shifted by " << shift;
}

TEST(ReadVCards, PassesOverValuesLongerThanAnyNameAndKeepsTheCard)
{
    const std::string megabytes(std::size_t{3} << 20, 'x');
    std::string folded;
    for (int i = 0; i < 20000; ++i)
        folded += " " + std::string(99, 'y') + "\r\n";
    const std::string cards = "BEGIN:VCARD\r\nFN:" + megabytes
        + "\r\nN:Lang;Anna;;;\r\nTEL:+1 555 010 2000\r\nEND:VCARD\r\n" + "BEGIN:VCARD\r\nX-" + megabytes
        + "\r\nEMAIL:\r\n" + folded + "FN:Ben\r\nEND:VCARD\r\n";

    const std::vector<ContactRecord> read = readVCards(cards);

    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].formattedName, "Anna Lang");
    EXPECT_EQ(read[0].phones, (std::vector<std::string>{"+1 555 010 2000"}));
    EXPECT_EQ(read[1].formattedName, "Ben");
    EXPECT_TRUE(read[1].emails.empty());
}

TEST(ReadVCardFile, RefusesWhatIsNotARegularFileWithoutWaiting)
{
    const testsupport::TempDir dir;
    const auto fifo = dir / "contacts.vcf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto started = std::chrono::steady_clock::now();

    const auto fromFifo = contacts::readVCardFile(fifo);
    const auto fromFolder = contacts::readVCardFile(dir.path());
    const auto missing = contacts::readVCardFile(dir / "missing.vcf");

    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    ASSERT_FALSE(fromFifo.has_value());
    EXPECT_EQ(fromFifo.error().kind, common::Error::Kind::Invalid);
    ASSERT_FALSE(fromFolder.has_value());
    EXPECT_EQ(fromFolder.error().kind, common::Error::Kind::Invalid);
    ASSERT_FALSE(missing.has_value());
    EXPECT_EQ(missing.error().kind, common::Error::Kind::NotFound);
}

TEST(ReadVCards, PutsTheFamilyNameFirstInNamesOfEastAsianScripts)
{
    const std::string cards = joinLines({
        "BEGIN:VCARD",   "VERSION:3.0", "N:雷;霞锋;;;",     "END:VCARD",    "BEGIN:VCARD",        "VERSION:3.0",
        "N:김;민준;;;",  "END:VCARD",   "BEGIN:VCARD",      "VERSION:3.0",  "N:ヤマダ;タロー;;;", "END:VCARD",
        "BEGIN:VCARD",   "VERSION:3.0", "N:山田;花子;;;様", "END:VCARD",    "BEGIN:VCARD",        "VERSION:3.0",
        "N:Lee;霞锋;;;", "END:VCARD",   "BEGIN:VCARD",      "VERSION:3.0",  "N:雷;霞锋;;Dr.;",    "END:VCARD",
        "BEGIN:VCARD",   "VERSION:3.0", "FN:霞锋 雷",       "N:雷;霞锋;;;", "END:VCARD",
    });

    const std::vector<ContactRecord> read = readVCards(cards);

    ASSERT_EQ(read.size(), 7u);
    EXPECT_EQ(read[0].formattedName, "雷霞锋");
    EXPECT_EQ(read[1].formattedName, "김민준");
    EXPECT_EQ(read[2].formattedName, "ヤマダタロー");
    EXPECT_EQ(read[3].formattedName, "山田花子様");
    // Any part in another script keeps the order and the spaces; a written full name stays.
    EXPECT_EQ(read[4].formattedName, "霞锋 Lee");
    EXPECT_EQ(read[5].formattedName, "Dr. 霞锋 雷");
    EXPECT_EQ(read[6].formattedName, "霞锋 雷");
}
