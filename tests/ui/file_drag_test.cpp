#include "support/temp_dir.h"
#include "ui/file_drag.h"

#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>

TEST(FileDragData, OffersAnExistingFileAsItsFileUrl)
{
    const testsupport::TempDir dir;
    const std::filesystem::path file = dir / "Tovik - Anna Smith.txt";
    testsupport::writeFile(file, "[2021-03-01 10:00:00]\nAnna Smith\nhello\n");
    const QString path = QString::fromStdString(file.string());

    const std::unique_ptr<QMimeData> data = ui::fileDragData(path);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->urls().size(), 1);
    EXPECT_EQ(data->urls().front(), QUrl::fromLocalFile(path));
    EXPECT_TRUE(data->urls().front().isLocalFile());
    // The form file managers and browsers' upload boxes read.
    EXPECT_EQ(data->formats(), QStringList{QStringLiteral("text/uri-list")});
}

TEST(FileDragData, CarriesNothingOnceTheFileIsGone)
{
    const testsupport::TempDir dir;
    const std::filesystem::path file = dir / "Tovik - Bob.txt";
    testsupport::writeFile(file, "text");
    const QString path = QString::fromStdString(file.string());
    ASSERT_NE(ui::fileDragData(path), nullptr);

    std::filesystem::remove(file);
    EXPECT_EQ(ui::fileDragData(path), nullptr);
    EXPECT_EQ(ui::fileDragData(QString()), nullptr);
}

TEST(FileDragData, NameWithSpacesAndAccentsRoundTripsThroughTheUrl)
{
    const testsupport::TempDir dir;
    const std::filesystem::path file = dir / "Tovik - \xC3\x89mile & Zo\xC3\xAB #1.txt";
    testsupport::writeFile(file, "text");
    const QString path = QString::fromStdString(file.string());

    const std::unique_ptr<QMimeData> data = ui::fileDragData(path);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->urls().front().toLocalFile(), path);
}
