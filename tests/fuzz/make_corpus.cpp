// Writes the seed inputs of the fuzz targets into <folder>/<target>/seed-NN, made with our own
// typedstream writer, our encrypting and Manifest.mbdb backup writers and by hand. Run once when the seeds change;
// the output is committed. The typedstream writer does not build with clang yet, so this is built by a GCC
// configuration with TOVIK_FUZZ:
//   cmake -S . -B build-seeds -G Ninja -DTOVIK_FUZZ=ON -DTOVIK_BUILD_GUI=OFF -DBUILD_TESTING=OFF
//   cmake --build build-seeds --target tovik-fuzz-corpus && build-seeds/tests/fuzz/tovik-fuzz-corpus tests/fuzz/corpus
#include "backup/encryption_writer.h"
#include "backup/mbdb_writer.h"
#include "typedstream/archive.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
namespace ts = typedstream;

std::string repeated(const std::string &piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

std::vector<std::string> archives()
{
    const std::vector<std::string> texts = {"",
                                            "hi",
                                            "Dinner at 7?",
                                            "caf\xC3\xA9 \xF0\x9F\x98\x82 \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D",
                                            "\xEF\xBF\xBC",
                                            repeated("long line ", 30),
                                            repeated("x", 70000)};
    std::vector<std::string> out;
    for (const auto &text : texts)
        out.push_back(ts::archiveAttributedString(text));
    ts::ArchiveOptions plain;
    plain.attributedClass = ts::AttributedStringClass::AttributedString;
    plain.stringClass = ts::StringClass::String;
    out.push_back(ts::archiveAttributedString("plain classes", plain));
    ts::ArchiveOptions runs;
    runs.runs = std::vector<ts::AttributeRun>{{3, ts::messagePartAttributes(0)}, {4, ts::messagePartAttributes(1)}};
    out.push_back(ts::archiveAttributedString("abc\xF0\x9F\x98\x80"
                                              "de",
                                              runs));
    // Roots that are not attributed strings, and an archive cut short.
    out.push_back(ts::archive(ts::string("only a string")));
    out.push_back(ts::archive(ts::number(42)));
    out.push_back(ts::archive(ts::Array{{ts::string("a"), ts::number(1)}}));
    const std::string whole = ts::archiveAttributedString("cut short");
    out.push_back(whole.substr(0, whole.size() / 2));
    return out;
}

std::map<std::string, std::vector<std::string>> seeds()
{
    std::map<std::string, std::vector<std::string>> all;

    auto bodies = archives();
    bodies.push_back(std::string("NSString\x01\x94\x84\x01+\x05hello", 16));
    bodies.push_back(std::string("xxNSString\x01\x94\x84\x01+\x81\x2c\x01", 15) + repeated("y", 300));
    bodies.push_back(std::string("NSString\x01\x94\x84\x01+\x82\x00\x00\x01\x00", 18));
    bodies.push_back(std::string("NSString") + repeated("\x01", 16) + "+\x02ok");
    bodies.push_back("NSString+");
    all["attributed_body"] = bodies;

    auto decoder = archives();
    decoder.erase(decoder.begin() + 6); // the 70,000-byte one stays with the scan
    all["typedstream_decoder"] = decoder;

    all["vcard_reader"] = {
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Okafor;Maya;;;\r\nFN:Maya Okafor\r\nNICKNAME:May\r\nORG:Acme;Sales\r\n"
        "item1.TEL;type=CELL;type=VOICE;type=pref:+1 (415) 555-0132\r\nitem1.X-ABLabel:mobile\r\n"
        "EMAIL;type=INTERNET;type=HOME:maya@example.com\r\nX-ABUID:5A1B2C3D-0001:ABPerson\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;J=F6rg\n"
        "FN;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:J=C3=B6rg M=C3=BC=\nller\nTEL;CELL:0151 1234 5678\nEND:VCARD\n",
        "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ana\r\n "
        "Lu\xC3\xADsa\r\nTEL;VALUE=uri;TYPE=\"voice,cell\":tel:+351-912-345-678\r\n"
        "EMAIL;PREF=1:ANA@Example.PT\r\nUID:urn:uuid:0000-1111\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\r\nNICKNAME:\r\nORG:Plumbing Ltd\r\nTEL:12345\r\nTEL:+44 20 7946 0958\r\n"
        "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQ\r\n AAAQABAAD\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:No end\r\nTEL:+1 212 555 0100\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:After\r\nEMAIL:after@example.com\r\nEND:VCARD\r\n",
        "\xEF\xBB\xBF"
        "begin:vcard\r\nversion:3.0\r\nfn:lower case\\, escaped\\; text\\n\r\nend:vcard",
    };

    all["clean_text"] = {
        "hello",
        "  hello  \r\n\r\nworld",
        "Mar 09, 2024  9:15:00 AM\nMe\nnot a block",
        "\xEF\xBF\xBC",
        "a\xE2\x80\xA8"
        "b\xE2\x80\xA9"
        "c\xC2\x85"
        "d\x0b"
        "e\x0c"
        "f",
        "\t\xC2\xA0x\xE3\x80\x80",
        "Mar \xEF\xBC\x90\xEF\xBC\x99, 2024\t9:15:00 PM",
        "\xFF\xFE ill-formed \xC0\xAF",
        "Jan 1, 2020\xE2\x80\x83"
        "12:00:00 AM and more",
        "\r\r\n\n",
    };

    all["safe_file_name"] = {
        "Anna",
        "Anna / Ben: plans?",
        "../../x",
        "\t \xC2\xA0",
        repeated("a", 70),
        repeated("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7", 61),
        repeated("e\xCC\x81", 70),
        "\xE2\x80\xAEgnp.txt",
        std::string("a\0b\xFF", 4),
    };

    all["phone_key"] = {
        "+1 (555) 123-4567",
        "5551234567",
        "12345",
        "123456",
        "0049 151 1234 5678",
        "\xEF\xBC\x95\xEF\xBC\x95\xEF\xBC\x95\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x93",
        "\xD9\xA5\xD9\xA5\xD9\xA5\xD9\xA1\xD9\xA2\xD9\xA3",
        "1\xEF\xB8\x8F\xE2\x83\xA3"
        "23456789",
        "12\xCC\x81"
        "3456789",
        "Maya.Okafor@Example.COM",
        "1\r\n234567",
    };
    namespace tw = backup;
    tw::KeyBagOptions recent;
    recent.classKeys = {{1, tw::testKey(1)}, {3, tw::testKey(3)}, {4, tw::testKey(4)}};
    tw::KeyBagOptions older = recent;
    older.passwordIterations.reset();
    const std::string recentBag = tw::makeKeyBag(recent);
    all["key_bag"] = {
        recentBag,
        tw::makeKeyBag(older),
        recentBag.substr(0, recentBag.size() - 20),
        tw::keyBagHeader(recent) + tw::classKeyRecords(6, 1, std::string(40, 'd'))
            + tw::classKeyRecords(2, 2, std::string(39, 'w')),
        tw::keyBagHeader(recent) + tw::keyBagRecord("PBKY", std::string(32, 'p'))
            + tw::classKeyRecords(3, 3, std::string(40, 'x')),
    };

    const std::string wrapped = tw::wrapWithClass(3, "0123456789abcdef0123456789abcdef", tw::testKey(8));
    const std::string record = tw::fileRecord(wrapped, 3, 1234567);
    all["file_key"] = {
        record,
        tw::fileRecord(wrapped, 4, 0),
        tw::fileRecord(wrapped.substr(0, 30), 3, 10),
        record.substr(0, record.size() - 9),
    };

    const tw::MbdbEntry folder{.domain = "HomeDomain", .relativePath = "Library/SMS", .mode = 0x41ED};
    const tw::MbdbEntry encrypted{.domain = "HomeDomain",
                                  .relativePath = "Library/SMS/sms.db",
                                  .size = 122'880,
                                  .protectionClass = 3,
                                  .encryptionKey = wrapped};
    const tw::MbdbEntry plainFile{.domain = "HomeDomain",
                                  .relativePath = "Library/AddressBook/AddressBook.sqlitedb",
                                  .size = 40'960,
                                  .dataHash = std::string(20, '\x3c'),
                                  .properties = {{"com.apple.backup.note", "kept"}, {"", ""}}};
    const std::string manifest = tw::mbdbFile({folder, encrypted, plainFile});
    all["manifest_mbdb"] = {
        manifest,
        tw::mbdbFile({}),
        tw::mbdbFile({plainFile}),
        manifest.substr(0, manifest.size() - 11),
        std::string("mbdx\x02\x00", 6) + manifest.substr(6),
    };
    return all;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    for (const auto &[target, inputs] : seeds()) {
        const fs::path folder = fs::path(argv[1]) / target;
        fs::create_directories(folder);
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "seed-%02zu", i + 1);
            std::ofstream(folder / name, std::ios::binary)
                .write(inputs[i].data(), static_cast<std::streamsize>(inputs[i].size()));
        }
    }
    return 0;
}
