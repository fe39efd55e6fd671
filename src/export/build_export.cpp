#include "export/build_export.h"

#include "common/text.h"
#include "export/clean_text.h"
#include "export/messages.h"
#include "export/timestamp.h"

#include <unicode/timezone.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unordered_map>

namespace exporter {

namespace {

constexpr std::string_view me = "Me";
constexpr std::string_view unknown = "Unknown";
constexpr std::string_view mediaBody = "[media]";
constexpr std::string_view unsentBody = "[unsent message]";

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

    auto read = readMessages(store, conversation, [&](const MessageValues &message) {
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
        ++result.senders[*sender];
        ++result.messages;
        if (!result.first)
            result.first = message.instant;
        result.last = message.instant;
    });
    if (!read)
        return common::failure(std::move(read.error()));

    auto reactions = countReactions(store, conversation);
    if (!reactions)
        return common::failure(std::move(reactions.error()));
    result.skippedReactions = *reactions;
    return result;
}

} // namespace exporter
