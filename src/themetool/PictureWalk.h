#pragma once
// Finding the pictures to make a theme of, in whatever the player points at: a folder off a
// phone, a download, a network share, with links, loops, pipes and parts that cannot be read.
//
// Contract
// --------
// walkPictures() takes each input in turn: a folder is read with all its subfolders, in
// name order without regard to case; a file named on its own is taken whatever its name,
// inside folders only files with a picture extension are (the others, videos and sidecar
// files off a phone, say, are only counted). Hidden entries (a leading dot: a phone's
// .thumbnails and .trashed files, a Mac's .DS_Store) are left out. It never opens anything but folders, never blocks
// and never throws:
// - every folder is read once, however many links lead to it, so a link loop ends;
// - a file reached twice (through links) is taken once; the second way is passed over;
// - a picture-named entry that is no regular file (a FIFO, a socket, a device, a dangling
//   link) and a folder that cannot be read are skipped, each with a line saying why;
// - the walk stops early (with what it found so far) when `cancel` becomes true.

#include <QStringList>

#include <atomic>
#include <filesystem>
#include <vector>

namespace quorvia::themes {

struct PictureList {
    std::vector<std::filesystem::path> pictures;
    QStringList skipped;     // "name: why" for each picture or folder that could not be read
    QStringList passedOver;  // "name: why" for each file or folder reached a second time
    int others = 0;          // files in the folders that are no pictures: videos, sidecars and such
};

PictureList walkPictures(const std::vector<std::filesystem::path>& inputs, const std::atomic<bool>* cancel = nullptr);

// True for the file name extensions of the formats a theme is made of.
bool isPictureName(const std::filesystem::path& path);

// A path as the player reads it (names that are not UTF-8 read as Windows-1252).
QString shown(const std::filesystem::path& path);

}  // namespace quorvia::themes
