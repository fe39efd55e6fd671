// Throughput of the export's per-message formatting: cleanMessageText against a plain ICU
// implementation of the same steps, and the timestamp formatter's fast path against ICU's
// SimpleDateFormat. Prints figures only; run a Release build on an idle machine.

#include "export/clean_text.h"
#include "export/timestamp.h"
#include "reference/clean_text_reference.h"

#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

// Message texts shaped like a real conversation: mostly short ASCII, some emoji and accents, some
// multi-line with CR LF, attachments' U+FFFC, and a few pasted timestamp lines.
std::vector<std::string> sampleMessages(std::size_t count)
{
    const std::vector<std::string> words = {"ok", "see",  "you",  "tomorrow", "haha", "the",  "train",
                                            "is", "late", "love", "it",       "what", "time", "dinner",
                                            "at", "8",    "?",    "!",        "sure"};
    const std::vector<std::string> extras = {"\xF0\x9F\x98\x82", "\xF0\x9F\x91\x8D", "caf\xC3\xA9",
                                             "\xC3\xBC"
                                             "ber",
                                             "\xE2\x9D\xA4\xEF\xB8\x8F"};
    std::mt19937 random(1);
    std::uniform_int_distribution<int> kind(0, 99);
    std::uniform_int_distribution<std::size_t> wordCount(1, 14);
    std::uniform_int_distribution<std::size_t> pickWord(0, words.size() - 1);
    std::uniform_int_distribution<std::size_t> pickExtra(0, extras.size() - 1);
    std::vector<std::string> messages;
    messages.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const int k = kind(random);
        std::string text;
        if (k < 3) {
            text = "\xEF\xBF\xBC";
        } else if (k < 5) {
            text = "Mar 09, 2024  9:15:00 AM\r\nAnna\r\nsee you";
        } else {
            for (std::size_t n = wordCount(random); n > 0; --n) {
                if (!text.empty())
                    text += k < 15 && n % 4 == 0 ? "\r\n" : " ";
                text += words[pickWord(random)];
            }
            if (k >= 80)
                text += " " + extras[pickExtra(random)];
        }
        messages.push_back(std::move(text));
    }
    return messages;
}

template<typename Body>
double secondsFor(Body body)
{
    const auto start = Clock::now();
    body();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void reportPair(const char *what, std::size_t items, double fast, double icu)
{
    std::printf("%-34s fast %8.1f ns/item (%6.2f M/s)   ICU %8.1f ns/item (%6.2f M/s)   ratio %6.1fx\n", what,
                fast * 1e9 / static_cast<double>(items), static_cast<double>(items) / fast / 1e6,
                icu * 1e9 / static_cast<double>(items), static_cast<double>(items) / icu / 1e6, icu / fast);
}

void benchCleaning()
{
    const auto messages = sampleMessages(1'000'000);
    std::size_t bytes = 0;
    for (const auto &message : messages)
        bytes += message.size();

    std::size_t checksum = 0;
    const double fast = secondsFor([&] {
        std::string out;
        for (const auto &message : messages) {
            out.clear();
            exporter::appendCleanMessageText(out, message);
            checksum += out.size();
        }
    });
    const std::size_t icuMessages = messages.size() / 10;
    std::size_t icuChecksum = 0;
    std::size_t fastChecksumOfSubset = 0;
    const double icu = secondsFor([&] {
        for (std::size_t i = 0; i < icuMessages; ++i)
            icuChecksum += reference::cleanWithIcu(messages[i]).size();
    });
    for (std::size_t i = 0; i < icuMessages; ++i)
        fastChecksumOfSubset += exporter::cleanMessageText(messages[i]).size();

    std::printf("cleanMessageText over %zu messages, %.1f MB (ICU side: first %zu)%s\n", messages.size(),
                static_cast<double>(bytes) / 1e6, icuMessages,
                icuChecksum == fastChecksumOfSubset ? "" : "   OUTPUTS DIFFER");
    reportPair("cleanMessageText", messages.size(), fast,
               icu * static_cast<double>(messages.size()) / static_cast<double>(icuMessages));
    std::printf("%-34s fast %8.1f MB/s\n", "", static_cast<double>(bytes) / fast / 1e6);

    std::vector<std::string> lines;
    for (const auto &message : messages) {
        if (lines.size() == 200'000)
            break;
        lines.push_back(message.substr(0, message.find('\r')));
    }
    std::size_t hits = 0;
    const double matchFast = secondsFor([&] {
        for (const auto &line : lines)
            hits += exporter::matchesTimestampLine(line) ? 1 : 0;
    });
    const double matchIcu = secondsFor([&] {
        for (const auto &line : lines)
            hits += exporter::matchesTimestampLineWithIcu(line) ? 1 : 0;
    });
    reportPair("timestamp line match", lines.size(), matchFast, matchIcu);
    std::printf("(checksums %zu %zu)\n", checksum, hits);
}

void benchTimestamps()
{
    constexpr std::size_t count = 1'000'000;
    // Five years of a busy conversation, in order, with fractional seconds as stored dates have.
    std::vector<common::Instant> instants;
    instants.reserve(count);
    std::mt19937_64 random(2);
    std::exponential_distribution<double> gap(1.0 / 157.0);
    double seconds = 1.6e9;
    for (std::size_t i = 0; i < count; ++i) {
        seconds += gap(random);
        instants.push_back(common::instantFromUnixSeconds(seconds));
    }

    for (const char *zone : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe"}) {
        exporter::TimestampFormatter formatter(zone);
        std::string out;
        out.reserve(32);
        std::size_t checksum = 0;
        const double fast = secondsFor([&] {
            for (const auto instant : instants) {
                out.clear();
                formatter.append(out, instant);
                checksum += out.size();
            }
        });
        const std::size_t icuCount = count / 5;
        std::size_t mismatches = 0;
        const double icu = secondsFor([&] {
            for (std::size_t i = 0; i < icuCount; ++i)
                checksum += formatter.formatWithIcu(instants[i]).size();
        });
        for (std::size_t i = 0; i < icuCount; i += 97)
            mismatches += formatter.format(instants[i]) != formatter.formatWithIcu(instants[i]) ? 1 : 0;
        char label[64];
        std::snprintf(label, sizeof label, "timestamp %s", zone);
        reportPair(label, count, fast, icu * static_cast<double>(count) / static_cast<double>(icuCount));
        if (mismatches)
            std::printf("  %zu MISMATCHES\n", mismatches);
        std::printf("(checksum %zu)\n", checksum);
    }

    std::vector<common::Instant> shuffled = instants;
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    exporter::TimestampFormatter formatter("Europe/Berlin");
    std::string out;
    std::size_t checksum = 0;
    const double fast = secondsFor([&] {
        for (const auto instant : shuffled) {
            out.clear();
            formatter.append(out, instant);
            checksum += out.size();
        }
    });
    const std::size_t icuCount = count / 5;
    const double icu = secondsFor([&] {
        for (std::size_t i = 0; i < icuCount; ++i)
            checksum += formatter.formatWithIcu(shuffled[i]).size();
    });
    reportPair("timestamp Berlin, shuffled", count, fast,
               icu * static_cast<double>(count) / static_cast<double>(icuCount));
    std::printf("(checksum %zu)\n", checksum);
}

} // namespace

int main()
{
    benchCleaning();
    benchTimestamps();
    return 0;
}
