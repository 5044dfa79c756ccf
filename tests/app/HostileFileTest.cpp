// Files a player may leave where pictures are looked for: none of them may block the game,
// read a device or cost more than its real size, and a good icon under a Windows-1252 name
// still loads.

#include "app/Startup.h"
#include "board/QtPictureLoader.h"
#include "fakes/TempDir.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

namespace quorvia::test {
namespace {

std::string encoded(int side, const char* format) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return buffer.data().toStdString();
}

// FileExists and the picture loader on each file: (name, content, exists, loads).
TEST(HostileFiles, NeitherBlockNorCostMoreThanTheirSize) {
    TempDir dir;
    const std::string icon = encoded(16, "ico");
    std::string bomb = icon, outside = icon;
    bomb[4] = bomb[5] = '\xFF';  // 65,535 images in a file with room for one
    outside[17] = '\x7F';        // the image's size reaches far beyond the end
    ::mkfifo((dir.path() + "fifo.ico").c_str(), 0644);
    std::filesystem::create_symlink("/dev/zero", dir.path() + "zero.ico");
    dir.mkdir("folder.ico");
    const std::tuple<std::string, std::string, bool, bool> cases[] = {
        {"good.ico", icon, true, true},
        {"\xE4pfel.ico", icon, true, true},
        {"fifo.ico", "", false, false},
        {"zero.ico", "", false, false},
        {"folder.ico", "", false, false},
        {"empty.ico", "", true, false},
        {"cut.ico", icon.substr(0, icon.size() / 2), true, false},
        {"bomb.ico", bomb, true, false},
        {"outside.ico", outside, true, false},
        {"huge.png", encoded(2100, "png"), true, false}};  // 17 MiB decoded from a few KiB
    const FileSystem fs;
    QtPictureLoader loader(fs);
    for (const auto& [name, content, exists, loads] : cases) {
        if (!dir.exists(name)) dir.write(name, content);
        EXPECT_EQ(FileExists(fs, dir.path() + name), exists) << name;
        EXPECT_EQ(loader.load(dir.path() + name).has_value(), loads) << name;
    }
}

}  // namespace
}  // namespace quorvia::test
