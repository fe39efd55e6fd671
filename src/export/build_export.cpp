#include "export/build_export.h"

#include "common/text.h"
#include "export/clean_text.h"
#include "export/messages.h"
#include "export/timestamp.h"

#include <unicode/timezone.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <unordered_map>

#include <unistd.h>

namespace exporter
{

namespace
{

constexpr std::string_view me = "Me";
constexpr std::string_view unknown = "Unknown";
constexpr std::string_view mediaBody = "[media]";
constexpr std::string_view unsentBody = "[unsent message]";

// The share of the rows read before the text's final size is projected: early, so that moving the
// text is cheap, yet enough rows for their average size to be a fair guide.
constexpr std::int64_t sampleDivisor = 32;

std::size_t physicalMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
}

// Once a sample of the rows has been read, makes room in `text` for the whole export as projected
// from the bytes per row so far, with a margin. A string that outgrows its room late, when nearly
// complete, is briefly held twice while it moves; room reserved and never written costs address
// space, not memory. Rows beyond the expected number (the database grew since the list was read)
// are assumed to keep coming at an eighth of the rows read.
void reserveAhead(std::string &text, std::int64_t rowsRead, std::int64_t rowsExpected)
{
    if (rowsRead <= 0 || rowsRead * sampleDivisor < rowsExpected)
        return;
    const auto remaining = static_cast<double>(std::max(rowsExpected - rowsRead, rowsRead / 8));
    const double perRow = static_cast<double>(text.size()) / static_cast<double>(rowsRead);
    const double projected = static_cast<double>(text.size()) + perRow * remaining * 1.5;
    if (projected <= static_cast<double>(text.capacity()))
        return;
    static const std::size_t limit = physicalMemory();
    if (projected >= static_cast<double>(limit))
        return; // such a text cannot be held anyway; let it grow as it will
    text.reserve(static_cast<std::size_t>(projected));
}

} // namespace

std::string systemTimeZoneId()
{
    // TZ names a zone (":Europe/Berlin" or "Europe/Berlin"); a POSIX rule such as "CET-1CEST" or
    // a file path is left to ICU's own default.
    if (const char *tz = std::getenv("TZ"); tz != nullptr) {
        std::string_view zone = tz;
        if (zone.starts_with(':'))
            zone.remove_prefix(1);
        if (zone.empty())
            return "UTC";
        if (zone.find('/') != std::string_view::npos && !zone.starts_with('/'))
            return std::string(zone);
        if (zone == "UTC" || zone == "GMT")
            return std::string(zone);
        return {};
    }
    // The link /etc/localtime → .../zoneinfo/Area/City names the system's zone.
    std::error_code error;
    const std::string target = std::filesystem::read_symlink("/etc/localtime", error).string();
    if (const auto at = target.find("zoneinfo/"); !error && at != std::string::npos)
        return target.substr(at + 9);
    std::ifstream file("/etc/timezone");
    std::string zone;
    std::getline(file, zone);
    return zone;
}

std::string senderLine(std::string_view name)
{
    std::string flat(name);
    for (char &c : flat) {
        if (c == '\n')
            c = ' ';
    }
    const std::string_view trimmed = common::trimSpaceSeparators(flat);
    return trimmed.empty() ? std::string(unknown) : std::string(trimmed);
}

common::Result<ExportResult, store::SQLiteDB::Failure> buildExport(store::MessagesStore &store,
                                                                   const catalogue::Conversation &conversation,
                                                                   const contacts::ContactsIndex &contacts,
                                                                   std::optional<std::string_view> timeZone)
{
    std::optional<std::string> partner;
    if (!conversation.isGroup)
        partner = senderLine(conversation.members.empty() ? conversation.title : conversation.members.front());

    // The zone is read afresh for every export, so a change of the system's zone is followed.
    std::unique_ptr<TimestampFormatter> stamps;
    const std::string systemZone = timeZone ? std::string() : systemTimeZoneId();
    if (timeZone)
        stamps = std::make_unique<TimestampFormatter>(*timeZone);
    else if (!systemZone.empty())
        stamps = std::make_unique<TimestampFormatter>(systemZone);
    else
        stamps = std::make_unique<TimestampFormatter>();

    ExportResult result;
    result.text.reserve(static_cast<std::size_t>(std::max<std::int64_t>(conversation.count, 0)) * 80);
    std::string body;
    // Sender lines of a group, by handle, so that each handle is looked up and cleaned once.
    std::unordered_map<std::string, std::string> groupSenders;
    std::string unknownSender(unknown);
    std::string meSender(me);

    std::int64_t rowsRead = 0;
    auto read = readMessages(store, conversation, [&](const MessageValues &message) {
        ++rowsRead;
        body.clear();
        appendCleanMessageText(body, message.text);
        if (body.empty()) {
            if (message.retracted || (message.edited && !message.media)) {
                body = unsentBody;
                ++result.unsent;
            } else if (message.media) {
                body = mediaBody;
                ++result.media;
            } else {
                return;
            }
        }

        const std::string *sender = &meSender;
        if (!message.fromMe) {
            if (partner) {
                sender = &*partner;
            } else if (!message.handle) {
                sender = &unknownSender;
            } else {
                auto known = groupSenders.find(std::string(*message.handle));
                if (known == groupSenders.end()) {
                    const auto *entry = contacts.lookup(*message.handle);
                    known = groupSenders
                                .emplace(std::string(*message.handle),
                                         senderLine(entry != nullptr ? std::string_view(entry->name) : *message.handle))
                                .first;
                }
                sender = &known->second;
            }
        }

        stamps->append(result.text, message.instant);
        result.text += '\n';
        result.text += *sender;
        result.text += '\n';
        result.text += body;
        result.text += "\n\n";
        reserveAhead(result.text, rowsRead, conversation.count);
        ++result.senders[*sender];
        ++result.messages;
        if (!result.first)
            result.first = message.instant;
        result.last = message.instant;
    });
    RETURN_IF_FAILED(read);

    auto reactions = countReactions(store, conversation);
    RETURN_IF_FAILED(reactions);
    result.skippedReactions = *reactions;
    return result;
}

} // namespace exporter
