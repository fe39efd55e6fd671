#include "typedstream/archive.h"

#include <array>
#include <bit>

namespace typedstream
{

namespace
{

constexpr ClassInfo nsObject{"NSObject", 0};
constexpr ClassInfo nsString{"NSString", 1};
constexpr ClassInfo nsAttributedString{"NSAttributedString", 0};
constexpr std::array stringChain{nsString, nsObject};
constexpr std::array mutableStringChain{ClassInfo{"NSMutableString", 1}, nsString, nsObject};
constexpr std::array attributedStringChain{nsAttributedString, nsObject};
constexpr std::array mutableAttributedStringChain{ClassInfo{"NSMutableAttributedString", 0}, nsAttributedString,
                                                  nsObject};
constexpr std::array numberChain{ClassInfo{"NSNumber", 0}, ClassInfo{"NSValue", 0}, nsObject};
constexpr std::array dataChain{ClassInfo{"NSData", 0}, nsObject};
constexpr std::array arrayChain{ClassInfo{"NSArray", 0}, nsObject};
constexpr std::array dictionaryChain{ClassInfo{"NSDictionary", 0}, nsObject};

} // namespace

bool Dictionary::operator==(const Dictionary &other) const
{
    return entries == other.entries;
}

bool Array::operator==(const Array &other) const
{
    return items == other.items;
}

void Archiver::object(const Object &value)
{
    std::visit(
        [this](const auto &alternative) {
            write(alternative);
        },
        value.value);
}

void Archiver::objectGroup(const Object &value)
{
    m_writer->typeEncoding("@");
    object(value);
}

void Archiver::write(const Number &number)
{
    const auto key = std::make_tuple(number.typeCode, number.integer, std::bit_cast<std::uint64_t>(number.real));
    if (const auto known = m_numbers.find(key); known != m_numbers.end()) {
        m_writer->objectReference(known->second);
        return;
    }
    m_numbers.emplace(key, m_writer->beginObject(numberChain));
    const std::string code(1, number.typeCode);
    m_writer->typeEncoding("*");
    m_writer->cString(code);
    m_writer->typeEncoding(code);
    switch (number.typeCode) {
    case 'c':
    case 'C':
    case 'B':
        m_writer->rawByte(static_cast<std::uint8_t>(number.integer));
        break;
    case 'f':
        m_writer->realFloat(static_cast<float>(number.real));
        break;
    case 'd':
        m_writer->realDouble(number.real);
        break;
    case 'S':
    case 'I':
    case 'L':
    case 'Q':
        m_writer->unsignedInteger(static_cast<std::uint64_t>(number.integer));
        break;
    default:
        m_writer->integer(number.integer);
        break;
    }
    m_writer->endObject();
}

void Archiver::write(const String &string)
{
    if (string.stringClass == StringClass::String) {
        if (const auto known = m_strings.find(string.utf8); known != m_strings.end()) {
            m_writer->objectReference(known->second);
            return;
        }
        m_strings.emplace(string.utf8, m_writer->beginObject(stringChain));
    } else {
        m_writer->beginObject(mutableStringChain);
    }
    m_writer->typeEncoding("+");
    m_writer->byteString(string.utf8);
    m_writer->endObject();
}

void Archiver::write(const Data &data)
{
    m_writer->beginObject(dataChain);
    m_writer->typeEncoding("i");
    m_writer->integer(static_cast<std::int64_t>(data.bytes.size()));
    m_writer->typeEncoding("[" + std::to_string(data.bytes.size()) + "c]");
    m_writer->raw(data.bytes);
    m_writer->endObject();
}

void Archiver::write(const Array &array)
{
    m_writer->beginObject(arrayChain);
    m_writer->typeEncoding("i");
    m_writer->integer(static_cast<std::int64_t>(array.items.size()));
    for (const Object &item : array.items)
        objectGroup(item);
    m_writer->endObject();
}

void Archiver::write(const Dictionary &dictionary)
{
    m_writer->beginObject(dictionaryChain);
    m_writer->typeEncoding("i");
    m_writer->integer(static_cast<std::int64_t>(dictionary.entries.size()));
    for (const DictionaryEntry &entry : dictionary.entries) {
        objectGroup(entry.key);
        objectGroup(entry.value);
    }
    m_writer->endObject();
}

void Archiver::write(const AttributedString &attributed)
{
    if (attributed.attributedClass == AttributedStringClass::AttributedString)
        m_writer->beginObject(attributedStringChain);
    else
        m_writer->beginObject(mutableAttributedStringChain);
    m_writer->typeEncoding("@");
    write(attributed.string);
    // Attribute dictionaries are numbered from 1 in order of first use; a run whose attributes
    // equal an earlier run's repeats that number and does not write the dictionary again.
    std::vector<const Dictionary *> numbered;
    for (const AttributeRun &run : attributed.runs) {
        std::size_t number = 0;
        while (number < numbered.size() && !(*numbered[number] == run.attributes))
            ++number;
        const bool isNew = number == numbered.size();
        if (isNew)
            numbered.push_back(&run.attributes);
        m_writer->typeEncoding("iI");
        m_writer->integer(static_cast<std::int64_t>(number + 1));
        m_writer->unsignedInteger(run.length);
        if (isNew) {
            m_writer->typeEncoding("@");
            write(run.attributes);
        }
    }
    m_writer->endObject();
}

std::size_t utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<std::uint8_t>(c);
        if ((byte & 0xC0) != 0x80)
            ++units;
        if (byte >= 0xF0)
            ++units;
    }
    return units;
}

Number number(std::int64_t value, char typeCode)
{
    return Number{.typeCode = typeCode, .integer = value, .real = 0.0};
}

String string(std::string_view utf8, StringClass stringClass)
{
    return String{.utf8 = std::string(utf8), .stringClass = stringClass};
}

Dictionary messagePartAttributes(std::int64_t part)
{
    Dictionary attributes;
    attributes.entries.push_back({string("__kIMMessagePartAttributeName"), number(part)});
    return attributes;
}

AttributedString attributedString(std::string_view utf8, const ArchiveOptions &options)
{
    AttributedString attributed;
    attributed.string = string(utf8, options.stringClass);
    attributed.attributedClass = options.attributedClass;
    if (options.runs)
        attributed.runs = *options.runs;
    else if (!utf8.empty())
        attributed.runs.push_back({utf16Length(utf8), messagePartAttributes(0)});
    return attributed;
}

std::string archive(const Object &root)
{
    Writer writer;
    Archiver archiver(writer);
    archiver.objectGroup(root);
    return writer.take();
}

std::string archiveAttributedString(std::string_view utf8, const ArchiveOptions &options)
{
    return archive(attributedString(utf8, options));
}

} // namespace typedstream
