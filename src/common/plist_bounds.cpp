#include "common/plist_bounds.h"

#include <vector>

namespace common
{

namespace
{

constexpr std::string_view binaryMagic = "bplist00";
constexpr std::size_t trailerSize = 32;

tl::unexpected<Error> refuse(const std::string &why)
{
    return failure(Error{Error::Kind::Invalid, "the property list is refused: " + why});
}

std::uint64_t bigEndian(std::string_view bytes, std::uint64_t at, std::size_t width)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(at) + i]);
    return value;
}

enum class Shape {
    Scalar,
    Payload, // data or a string: its bytes are copied once per reference
    Array, // arrays and sets: `length` references
    Dictionary, // `length` key references, then `length` value references
};

struct Object {
    Shape shape = Shape::Scalar;
    bool isString = false;
    std::uint64_t length = 0; // payload bytes, or entries of a container
    std::uint64_t content = 0; // offset of the payload or the references
};

// The trailer, the offset table and the object headers of one binary property list.
class BinaryPlist
{
public:
    static Result<BinaryPlist> open(std::string_view bytes)
    {
        if (bytes.size() < binaryMagic.size() + 1 + trailerSize || !bytes.starts_with(binaryMagic))
            return refuse("it is too short for a binary property list");
        BinaryPlist plist;
        plist.m_bytes = bytes;
        const std::uint64_t trailer = bytes.size() - trailerSize;
        plist.m_offsetSize = static_cast<std::size_t>(bigEndian(bytes, trailer + 6, 1));
        plist.m_refSize = static_cast<std::size_t>(bigEndian(bytes, trailer + 7, 1));
        plist.m_count = bigEndian(bytes, trailer + 8, 8);
        plist.m_top = bigEndian(bytes, trailer + 16, 8);
        plist.m_table = bigEndian(bytes, trailer + 24, 8);
        if (plist.m_offsetSize < 1 || plist.m_offsetSize > 8 || plist.m_refSize < 1 || plist.m_refSize > 8)
            return refuse("its trailer gives an offset or reference size outside 1 to 8 bytes");
        if (plist.m_count == 0 || plist.m_top >= plist.m_count)
            return refuse("its trailer names no objects or a top object outside them");
        if (plist.m_table < binaryMagic.size() || plist.m_table > trailer
            || plist.m_count > (trailer - plist.m_table) / plist.m_offsetSize)
            return refuse("its offset table lies outside the file");
        for (std::uint64_t i = 0; i < plist.m_count; ++i) {
            const std::uint64_t offset = plist.offsetOf(i);
            if (offset < binaryMagic.size() || offset >= plist.m_table)
                return refuse("object " + std::to_string(i) + " starts outside the object area");
        }
        return plist;
    }

    [[nodiscard]] std::uint64_t count() const { return m_count; }
    [[nodiscard]] std::uint64_t top() const { return m_top; }

    // The header of object `index` (below count()), its content checked to end inside the object area.
    [[nodiscard]] Result<Object> object(std::uint64_t index) const
    {
        std::uint64_t at = offsetOf(index);
        const auto marker = static_cast<unsigned char>(m_bytes[static_cast<std::size_t>(at)]);
        const unsigned type = marker >> 4;
        const unsigned info = marker & 0x0F;
        ++at;
        Object object;
        std::uint64_t width = 0; // bytes of content
        switch (type) {
        case 0x0: // null, booleans, fill
            break;
        case 0x1: // integer
        case 0x2: // real
        case 0x3: // date
            if (info > 4)
                return bad(index, "a number wider than 16 bytes");
            width = std::uint64_t{1} << info;
            break;
        case 0x8: // UID
            width = info + 1;
            break;
        case 0x4: // data
        case 0x5: // ASCII string
        case 0x6: // UTF-16 string
        case 0x7: // UTF-8 string
        case 0xA: // array
        case 0xC: // set
        case 0xD: // dictionary
        {
            auto length = lengthAt(index, info, at);
            RETURN_IF_FAILED(length);
            object.length = *length;
            const std::uint64_t room = m_table - at;
            const std::uint64_t unit = type == 0x6 ? 2
                : type == 0xA || type == 0xC       ? m_refSize
                : type == 0xD                      ? 2 * m_refSize
                                                   : 1;
            if (object.length > room / unit)
                return bad(index, "content running past the object area");
            width = object.length * unit;
            object.shape = type == 0xA || type == 0xC ? Shape::Array : type == 0xD ? Shape::Dictionary : Shape::Payload;
            object.isString = type >= 0x5 && type <= 0x7;
            if (type == 0x6)
                object.length *= 2;
            break;
        }
        default:
            return bad(index, "an unknown type");
        }
        if (width > m_table - at)
            return bad(index, "content running past the object area");
        object.content = at;
        return object;
    }

    // The `position`th reference of a container whose references start at `content`.
    [[nodiscard]] std::uint64_t reference(std::uint64_t content, std::uint64_t position) const
    {
        return bigEndian(m_bytes, content + position * m_refSize, m_refSize);
    }

private:
    [[nodiscard]] std::uint64_t offsetOf(std::uint64_t index) const
    {
        return bigEndian(m_bytes, m_table + index * m_offsetSize, m_offsetSize);
    }

    static tl::unexpected<Error> bad(std::uint64_t index, const std::string &what)
    {
        return refuse("object " + std::to_string(index) + " has " + what);
    }

    // A container's or payload's length: the marker's low nibble, or an integer object after it.
    [[nodiscard]] Result<std::uint64_t> lengthAt(std::uint64_t index, unsigned info, std::uint64_t &at) const
    {
        if (info != 0x0F)
            return info;
        if (at >= m_table)
            return bad(index, "a length running past the object area");
        const auto marker = static_cast<unsigned char>(m_bytes[static_cast<std::size_t>(at)]);
        if ((marker >> 4) != 0x1 || (marker & 0x0F) > 3)
            return bad(index, "a length that is not an integer of up to 8 bytes");
        const std::size_t width = std::size_t{1} << (marker & 0x0F);
        if (width > m_table - at - 1)
            return bad(index, "a length running past the object area");
        const std::uint64_t length = bigEndian(m_bytes, at + 1, width);
        at += 1 + width;
        return length;
    }

    std::string_view m_bytes;
    std::size_t m_offsetSize = 0;
    std::size_t m_refSize = 0;
    std::uint64_t m_count = 0;
    std::uint64_t m_top = 0;
    std::uint64_t m_table = 0;
};

// One container on the path from the top object to the object being visited.
struct Frame {
    std::uint64_t index = 0;
    Object object;
    std::uint64_t next = 0; // the next reference to follow
};

} // namespace

Result<void> checkBinaryPlist(std::string_view bytes, const PlistLimits &limits)
{
    auto opened = BinaryPlist::open(bytes);
    RETURN_IF_FAILED(opened);
    const BinaryPlist &plist = *opened;
    std::vector<bool> onPath(static_cast<std::size_t>(plist.count()));
    std::vector<Frame> path;
    std::uint64_t nodes = 0;
    std::uint64_t payload = 0;

    // Visits one object as libplist would build it; a container is entered, to be walked below.
    auto visit = [&](std::uint64_t index, bool mustBeString) -> Result<void> {
        if (index >= plist.count())
            return refuse("a reference points past its " + std::to_string(plist.count()) + " objects");
        if (++nodes > limits.nodes)
            return refuse("it expands to more than " + std::to_string(limits.nodes) + " nodes");
        auto object = plist.object(index);
        RETURN_IF_FAILED(object);
        if (mustBeString && !object->isString)
            return refuse("a dictionary key is not a string");
        if (object->shape == Shape::Payload) {
            payload += object->length;
            if (payload > limits.expandedBytes)
                return refuse("it expands to more than " + std::to_string(limits.expandedBytes) + " bytes");
        }
        if (object->shape != Shape::Array && object->shape != Shape::Dictionary)
            return {};
        if (onPath[static_cast<std::size_t>(index)])
            return refuse("object " + std::to_string(index) + " contains itself");
        if (path.size() >= limits.depth)
            return refuse("it nests deeper than " + std::to_string(limits.depth) + " levels");
        onPath[static_cast<std::size_t>(index)] = true;
        path.push_back(Frame{index, *object, 0});
        return {};
    };

    if (auto top = visit(plist.top(), false); !top)
        return top;
    while (!path.empty()) {
        Frame &frame = path.back();
        const std::uint64_t references =
            frame.object.shape == Shape::Dictionary ? 2 * frame.object.length : frame.object.length;
        if (frame.next == references) {
            onPath[static_cast<std::size_t>(frame.index)] = false;
            path.pop_back();
            continue;
        }
        const std::uint64_t position = frame.next++;
        const bool isKey = frame.object.shape == Shape::Dictionary && position < frame.object.length;
        // `frame` may move when visit enters a container, so nothing of it is used after.
        if (auto visited = visit(plist.reference(frame.object.content, position), isKey); !visited)
            return visited;
    }
    return {};
}

namespace
{

// The end of the markup that starts at `from` with `open` and ends with `close`, or npos.
std::size_t endOf(std::string_view bytes, std::size_t from, std::string_view close)
{
    const std::size_t found = bytes.find(close, from);
    return found == std::string_view::npos ? found : found + close.size();
}

// The end of a tag that starts at `from` ('<'), past its '>' and skipping quoted attribute values.
std::size_t endOfTag(std::string_view bytes, std::size_t from)
{
    char quote = 0;
    for (std::size_t i = from + 1; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

} // namespace

Result<void> checkXmlPlist(std::string_view bytes, const PlistLimits &limits)
{
    std::size_t depth = 0;
    std::uint64_t entities = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c == '&') {
            if (++entities > limits.entities)
                return refuse("it has more than " + std::to_string(limits.entities) + " entity references");
            ++i;
            continue;
        }
        if (c != '<') {
            ++i;
            continue;
        }
        const std::string_view rest = bytes.substr(i);
        std::size_t end = std::string_view::npos;
        if (rest.starts_with("<?")) {
            end = endOf(bytes, i + 2, "?>");
        } else if (rest.starts_with("<!--")) {
            end = endOf(bytes, i + 4, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            end = endOf(bytes, i + 9, "]]>");
        } else if (rest.starts_with("<!")) {
            end = endOfTag(bytes, i);
            if (end != std::string_view::npos
                && bytes.substr(i, end - i).find_first_of("[&%") != std::string_view::npos)
                return refuse("it declares entities");
        } else if (rest.starts_with("</")) {
            if (depth == 0)
                return refuse("it closes an element it never opened");
            --depth;
            end = endOfTag(bytes, i);
        } else {
            end = endOfTag(bytes, i);
            // The <plist> element and a leaf element come on top of the containers.
            if (end != std::string_view::npos && bytes[end - 2] != '/' && ++depth > limits.depth + 2)
                return refuse("it nests deeper than " + std::to_string(limits.depth) + " levels");
        }
        if (end == std::string_view::npos)
            return refuse("its markup is cut short");
        i = end;
    }
    return {};
}

Result<void> checkPlist(std::string_view bytes, const PlistLimits &limits)
{
    if (bytes.starts_with(binaryMagic))
        return checkBinaryPlist(bytes, limits);
    return checkXmlPlist(bytes, limits);
}

} // namespace common
