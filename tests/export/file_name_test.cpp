#include "export/file_name.h"

#include "support/text_samples.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using testsupport::family;
using testsupport::repeated;

TEST(SafeFileName, TurnsEachRemovedCharacterIntoOneSpace)
{
    EXPECT_EQ(exporter::safeFileName("Anna"), "Anna");
    EXPECT_EQ(exporter::safeFileName("Anna / Ben: plans?"), "Anna   Ben  plans");
    EXPECT_EQ(exporter::safeFileName("a/b\\c:d?e%f*g|h\"i<j>k\nl\rm\tn"), "a b c d e f g h i j k l m n");
    EXPECT_EQ(exporter::safeFileName(std::string("a\0b", 3)), "a b");
}

TEST(SafeFileName, TurnsControlsAndSeparatorsIntoSpacesAndDropsBidiControls)
{
    EXPECT_EQ(exporter::safeFileName("\xE2\x80\xAEgnp.txt"), "gnp.txt");
    EXPECT_EQ(exporter::safeFileName("a\x1B[2Jb\x7F"
                                     "c\xC2\x85"
                                     "d\xC2\x9F"
                                     "e\xE2\x80\xA8"
                                     "f\xE2\x80\xA9"
                                     "g"),
              "a [2Jb c d e f g");
    EXPECT_EQ(exporter::safeFileName("x\xD8\x9C\xE2\x80\x8E\xE2\x80\x8F\xE2\x80\xAA\xE2\x81\xA6\xE2\x81\xA9y"), "xy");
    // Removal comes first, so the spaces around a removed mark are trimmed; the fallback still applies.
    EXPECT_EQ(exporter::safeFileName("\xE2\x81\xA7 Anna \x01"), "Anna");
    EXPECT_EQ(exporter::safeFileName("\xE2\x80\x8E\xE2\x80\x8F"), "iMessage");
    // Joiners and variation selectors are part of emoji and stay.
    EXPECT_EQ(exporter::safeFileName(family + "\xE2\x9D\xA4\xEF\xB8\x8F"), family + "\xE2\x9D\xA4\xEF\xB8\x8F");
}

TEST(SafeFileName, GivesIMessageWhenNothingIsLeft)
{
    EXPECT_EQ(exporter::safeFileName(""), "iMessage");
    EXPECT_EQ(exporter::safeFileName(" /:?\t\n \xC2\xA0"), "iMessage");
}

TEST(SafeFileName, TrimsTabAndSpaceSeparatorsOnly)
{
    EXPECT_EQ(exporter::safeFileName("\xE3\x80\x80 Anna\xC2\xA0"), "Anna");
    EXPECT_EQ(exporter::safeFileName("\xE2\x80\x8B"
                                     "Anna"),
              "\xE2\x80\x8B"
              "Anna");
}

TEST(SafeFileName, KeepsTheFirstSixtyGraphemeClusters)
{
    const std::string seventy = repeated("abcdefghij", 7);
    EXPECT_EQ(exporter::safeFileName(seventy), seventy.substr(0, 60));

    EXPECT_EQ(exporter::safeFileName(repeated(family, 60)), repeated(family, 60));
    EXPECT_EQ(exporter::safeFileName(repeated(family, 61)), repeated(family, 60));
    // e + combining acute is one cluster.
    EXPECT_EQ(exporter::safeFileName(repeated("e\xCC\x81", 70)), repeated("e\xCC\x81", 60));
    // The cut is not trimmed again.
    EXPECT_EQ(exporter::safeFileName(repeated("a", 59) + " b"), repeated("a", 59) + " ");
}

TEST(SafeFileName, ReplacesIllFormedBytes)
{
    EXPECT_EQ(exporter::safeFileName("A\xFF"
                                     "B"),
              "A\xEF\xBF\xBD"
              "B");
}

TEST(ExportFileName, LeavesNamesThatFitUnchanged)
{
    EXPECT_EQ(exporter::exportFileName("Anna", 1), "Tovik - Anna.txt");
    EXPECT_EQ(exporter::exportFileName("Anna", 2), "Tovik - Anna 2.txt");
    EXPECT_EQ(exporter::exportFileName("Anna", 1234), "Tovik - Anna 1234.txt");
    const std::string exact(243, 'x');
    EXPECT_EQ(exporter::exportFileName(exact, 1), "Tovik - " + exact + ".txt");
}

TEST(ExportFileName, CutsLongNamesAtGraphemeBoundariesToFitTheLimit)
{
    const std::string exact(243, 'x');
    EXPECT_EQ(exporter::exportFileName(exact, 2), "Tovik - " + std::string(241, 'x') + " 2.txt");

    const std::string sixty = repeated(family, 60);
    for (const unsigned number : {1u, 2u, 10u, 1000000u}) {
        const std::string name = exporter::exportFileName(sixty, number);
        const std::string suffix = number == 1 ? ".txt" : " " + std::to_string(number) + ".txt";
        const std::size_t budget = 255 - 8 - suffix.size();
        EXPECT_EQ(name, "Tovik - " + repeated(family, static_cast<int>(budget / family.size())) + suffix);
        EXPECT_LE(name.size(), 255u);
    }
    EXPECT_EQ(exporter::exportFileName(sixty, 1, 143), "Tovik - " + repeated(family, 5) + ".txt");
}

TEST(ExportFileName, UsesIMessageWhenNotOneClusterFits)
{
    const std::string oneHugeCluster = "e" + repeated("\xCC\x81", 200);

    EXPECT_EQ(exporter::exportFileName(oneHugeCluster, 3), "Tovik - iMessage 3.txt");
}

} // namespace
