// Throughput of the two ways to a message body's text: the byte scan (scanAttributedBody) and
// the full typedstream decode (decodeAttributedString), over bodies shaped like Messages' own.
// Prints MB/s and bodies/s for each, and how many times slower the decode is.

#include "export/attributed_body.h"
#include "export/typedstream_decoder.h"
#include "typedstream/archive.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace
{

struct Body {
    std::string name;
    std::string bytes;
};

std::vector<Body> typicalBodies()
{
    using namespace typedstream;
    std::vector<Body> bodies;
    bodies.push_back({"short", archiveAttributedString("Ok see you at 7")});
    bodies.push_back(
        {"sentence+emoji",
         archiveAttributedString("Running ten minutes late, the train is stuck outside the station again 🙄🚆")});

    Dictionary bold = messagePartAttributes(0);
    bold.entries.push_back({string("__kIMTextBoldAttributeName"), number(1)});
    Dictionary link = messagePartAttributes(0);
    link.entries.push_back({string("__kIMLinkAttributeName"), string("https://example.com/menu")});
    const std::string styled = "Look at this: https://example.com/menu - the *bold* part matters";
    ArchiveOptions styledOptions;
    styledOptions.runs = std::vector<AttributeRun>{{14, messagePartAttributes(0)},
                                                   {24, link},
                                                   {7, messagePartAttributes(0)},
                                                   {6, bold},
                                                   {13, messagePartAttributes(0)}};
    bodies.push_back({"three dictionaries", archiveAttributedString(styled, styledOptions)});

    std::string paragraph;
    while (paragraph.size() < 480)
        paragraph += "Ça va? שלום, we should plan the weekend properly this time. ";
    bodies.push_back({"paragraph 0x81", archiveAttributedString(paragraph)});
    return bodies;
}

struct Figures {
    double seconds = 0;
    std::size_t bodies = 0;
    std::size_t bytes = 0;
};

// Runs `read` over every body, round after round, for about `budget` of wall time.
template<typename Read>
Figures measure(const std::vector<Body> &bodies, Read read, std::chrono::milliseconds budget)
{
    using Clock = std::chrono::steady_clock;
    Figures figures;
    std::size_t sink = 0;
    const auto start = Clock::now();
    auto now = start;
    while (now - start < budget) {
        for (int round = 0; round < 1000; ++round) {
            for (const Body &body : bodies) {
                const std::optional<std::string> text = read(body.bytes);
                sink += text ? text->size() + 1 : 0;
                figures.bytes += body.bytes.size();
                ++figures.bodies;
            }
        }
        now = Clock::now();
    }
    figures.seconds = std::chrono::duration<double>(now - start).count();
    if (sink == 0)
        std::puts("(no text read)");
    return figures;
}

void report(const char *label, const Figures &scan, const Figures &decode)
{
    const auto mbPerSecond = [](const Figures &f) {
        return static_cast<double>(f.bytes) / f.seconds / 1e6;
    };
    const auto perSecond = [](const Figures &f) {
        return static_cast<double>(f.bodies) / f.seconds;
    };
    std::printf("%-28s scan %9.1f MB/s %12.0f bodies/s | decode %8.1f MB/s %11.0f bodies/s | decode/scan time %5.1fx\n",
                label, mbPerSecond(scan), perSecond(scan), mbPerSecond(decode), perSecond(decode),
                perSecond(scan) / perSecond(decode));
}

} // namespace

int main()
{
    const std::vector<Body> bodies = typicalBodies();
    const auto scan = [](std::string_view bytes) {
        return exporter::scanAttributedBody(bytes);
    };
    const auto decode = [](std::string_view bytes) {
        return exporter::decodeAttributedString(bytes);
    };
    constexpr std::chrono::milliseconds budget(400);

    std::printf("attributedBody: byte scan vs full typedstream decode\n");
    std::size_t total = 0;
    for (const Body &body : bodies) {
        if (exporter::scanAttributedBody(body.bytes) != exporter::decodeAttributedString(body.bytes)) {
            std::printf("scan and decode disagree on %s\n", body.name.c_str());
            return 1;
        }
        total += body.bytes.size();
        const std::vector<Body> one{body};
        char label[64];
        std::snprintf(label, sizeof label, "%s (%zu B)", body.name.c_str(), body.bytes.size());
        report(label, measure(one, scan, budget), measure(one, decode, budget));
    }
    char label[64];
    std::snprintf(label, sizeof label, "mix (avg %zu B)", total / bodies.size());
    report(label, measure(bodies, scan, budget), measure(bodies, decode, budget));
    return 0;
}
