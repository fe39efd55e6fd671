#pragma once

#include "typedstream/writer.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <variant>
#include <vector>

// Foundation objects as NSArchiver lays them out, and whole archives of them: what Messages
// stores in `message.attributedBody`, plus the other roots tests need.
namespace typedstream
{

enum class StringClass {
    String, // NSString v1
    MutableString, // NSMutableString v1, subclass of NSString
};

enum class AttributedStringClass {
    AttributedString, // NSAttributedString v0
    MutableAttributedString, // NSMutableAttributedString v0, subclass of NSAttributedString
};

struct Object;

// An NSNumber (subclass of NSValue). `typeCode` is its Objective-C type: 'f' and 'd' carry
// `real`, every other code ('c', 's', 'i', 'q', 'Q', ...) carries `integer`.
struct Number {
    char typeCode = 'q';
    std::int64_t integer = 0;
    double real = 0.0;
    bool operator==(const Number &) const = default;
};

struct String {
    std::string utf8;
    StringClass stringClass = StringClass::String;
    bool operator==(const String &) const = default;
};

// An NSData: its length, then its bytes as a "[Nc]" group.
struct Data {
    std::string bytes;
    bool operator==(const Data &) const = default;
};

struct DictionaryEntry;

// An NSDictionary; entries are written in the order given.
struct Dictionary {
    std::vector<DictionaryEntry> entries;
    bool operator==(const Dictionary &other) const;
};

struct Array {
    std::vector<Object> items;
    bool operator==(const Array &other) const;
};

// One attribute run: `length` counts UTF-16 code units, so an astral character counts 2.
struct AttributeRun {
    std::uint64_t length = 0;
    Dictionary attributes;
    bool operator==(const AttributeRun &) const = default;
};

struct AttributedString {
    String string;
    std::vector<AttributeRun> runs;
    AttributedStringClass attributedClass = AttributedStringClass::MutableAttributedString;
    bool operator==(const AttributedString &) const = default;
};

struct Object {
    using Value = std::variant<Number, String, Data, Array, Dictionary, AttributedString>;

    Object(Number v)
        : value(std::move(v))
    {
    }
    Object(String v)
        : value(std::move(v))
    {
    }
    Object(Data v)
        : value(std::move(v))
    {
    }
    Object(Array v)
        : value(std::move(v))
    {
    }
    Object(Dictionary v)
        : value(std::move(v))
    {
    }
    Object(AttributedString v)
        : value(std::move(v))
    {
    }

    Value value;
    bool operator==(const Object &) const = default;
};

struct DictionaryEntry {
    Object key;
    Object value;
    bool operator==(const DictionaryEntry &) const = default;
};

struct ArchiveOptions {
    AttributedStringClass attributedClass = AttributedStringClass::MutableAttributedString;
    StringClass stringClass = StringClass::MutableString;
    // Written as given when set. Unset: one run over the whole text carrying
    // messagePartAttributes(0), as Messages writes, and no run at all for an empty text.
    std::optional<std::vector<AttributeRun>> runs;
};

// Writes objects into a Writer. Equal NSStrings and equal NSNumbers are written once and
// referenced afterwards (Foundation's constant strings and cached numbers are single objects);
// mutable strings and containers are always written anew.
class Archiver
{
public:
    explicit Archiver(Writer &writer)
        : m_writer(&writer)
    {
    }

    // The value of an '@': a NEW object, or a reference to an equal shared one.
    void object(const Object &value);
    // A whole group of type "@" holding `value`.
    void objectGroup(const Object &value);

private:
    void write(const Number &number);
    void write(const String &string);
    void write(const Data &data);
    void write(const Array &array);
    void write(const Dictionary &dictionary);
    void write(const AttributedString &attributed);

    Writer *m_writer;
    std::map<std::string, std::size_t, std::less<>> m_strings;
    // Keyed by the bits of `real`, so that every value (NaN too) has one key.
    std::map<std::tuple<char, std::int64_t, std::uint64_t>, std::size_t> m_numbers;
};

// The number of UTF-16 code units of well-formed UTF-8 text.
std::size_t utf16Length(std::string_view utf8);

Number number(std::int64_t value, char typeCode = 'q');
String string(std::string_view utf8, StringClass stringClass = StringClass::String);
// {"__kIMMessagePartAttributeName": NSNumber part}, the attribute Messages puts on every run.
Dictionary messagePartAttributes(std::int64_t part = 0);
AttributedString attributedString(std::string_view utf8, const ArchiveOptions &options = {});

// A whole archive whose one top-level group "@" holds `root`.
std::string archive(const Object &root);
// A whole archive of an attributed string, shaped like a `message.attributedBody`.
std::string archiveAttributedString(std::string_view utf8, const ArchiveOptions &options = {});

} // namespace typedstream
