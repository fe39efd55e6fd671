// Memory and time of reading a large contacts file: an export of CARDS cards, each with a photo
// of PHOTO_KB KB folded as iCloud writes it, against the same cards without photos. Each read
// runs in a child process of its own, so that its peak resident memory (ru_maxrss) is its own.
// The files are generated in a temporary folder in the run and removed after it.
//   vcard_reader_bench [CARDS [PHOTO_KB]]     defaults 20000, 100

#include "bench_support.h"
#include "contacts/vcard_reader.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{

std::string photoLines(std::size_t kilobytes)
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::uint32_t seed = 7;
    std::string base64;
    for (std::size_t i = 0; i < kilobytes * 1024 / 3 * 4; ++i) {
        seed = seed * 1664525u + 1013904223u;
        base64.push_back(alphabet[seed >> 26]);
    }
    std::string lines = "PHOTO;ENCODING=b;TYPE=JPEG:" + base64.substr(0, 46) + "\r\n";
    for (std::size_t at = 46; at < base64.size(); at += 74)
        lines += " " + base64.substr(at, 74) + "\r\n";
    return lines;
}

void writeExport(const std::filesystem::path &path, int cards, const std::string &photo)
{
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < cards; ++i) {
        out << "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Apple Inc.//iPhone OS 17.4//EN\r\nN:Person;Number " << i
            << ";;;\r\nFN:Number " << i << " Person\r\nitem1.TEL;type=CELL;type=VOICE;type=pref:+1 555 " << 1000000 + i
            << "\r\nitem2.EMAIL;type=INTERNET:person" << i << "@example.com\r\n"
            << photo << "END:VCARD\r\n";
    }
    if (!out)
        bench::fail("cannot write " + path.string());
}

struct Read {
    double seconds = 0;
    double peakMiB = 0;
};

Read readInChild(const std::filesystem::path &path, int cards)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0)
        bench::fail("cannot fork");
    if (child == 0) {
        const auto read = contacts::readVCardFile(path);
        std::_Exit(read && read->size() == static_cast<std::size_t>(cards) ? 0 : 1);
    }
    int status = 0;
    struct rusage usage {};
    if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        bench::fail("reading " + path.string() + " failed");
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            static_cast<double>(usage.ru_maxrss) / 1024.0};
}

} // namespace

int main(int argc, char **argv)
{
    const int cards = argc > 1 ? std::atoi(argv[1]) : 20000;
    const std::size_t photoKb = argc > 2 ? static_cast<std::size_t>(std::atoi(argv[2])) : 100;
    char pattern[] = "/tmp/tovik-vcard-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
        bench::fail("cannot make a temporary folder");
    const std::filesystem::path dir(pattern);
    const auto withPhotos = dir / "with-photos.vcf";
    const auto withoutPhotos = dir / "without-photos.vcf";
    writeExport(withPhotos, cards, photoLines(photoKb));
    writeExport(withoutPhotos, cards, "");

    const Read plain = readInChild(withoutPhotos, cards);
    const Read photos = readInChild(withPhotos, cards);
    const double photoMiB = static_cast<double>(std::filesystem::file_size(withPhotos)) / (1 << 20);
    const double plainMiB = static_cast<double>(std::filesystem::file_size(withoutPhotos)) / (1 << 20);
    std::printf("%d cards, photos of %zu KB; cap %llu MiB\n", cards, photoKb,
                static_cast<unsigned long long>(contacts::maxVCardFileBytes >> 20));
    std::printf("  with photos     %9.1f MiB  read %6.2f s (%6.0f MiB/s)  peak RSS %7.1f MiB\n", photoMiB,
                photos.seconds, photoMiB / photos.seconds, photos.peakMiB);
    std::printf("  without photos  %9.1f MiB  read %6.2f s (%6.0f MiB/s)  peak RSS %7.1f MiB\n", plainMiB,
                plain.seconds, plainMiB / plain.seconds, plain.peakMiB);
    std::printf("  ratio           file %.1fx, time %.1fx, peak RSS %.2fx\n", photoMiB / plainMiB,
                photos.seconds / plain.seconds, photos.peakMiB / plain.peakMiB);
    std::filesystem::remove_all(dir);
    return 0;
}
