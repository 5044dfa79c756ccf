#pragma once
// Loads icon files as pictures with Qt's ico reader: every size stored in the file is kept,
// so a card can be drawn from the best size for its size on screen. Only regular files of
// at most 16 MiB are read, from memory; what a picture costs is bounded by its real size.

#include "app/FileSystem.h"
#include "app/Picture.h"

#include <QImage>
#include <QPainter>

#include <vector>

namespace quorvia {

struct IconImages {
    std::vector<QImage> sizes;  // an image of each size in the file, largest last

    // The smallest image at least `pixels` wide, or the largest one.
    const QImage* best(int pixels) const;
};

class QtPictureLoader : public PictureLoader {
public:
    explicit QtPictureLoader(const FileSystem& fs) : fs_(fs) {}
    std::optional<Picture> load(const std::string& path) override;

    // A picture from a Qt resource (the built-in card back and the like), read in the format
    // its suffix names.
    static Picture fromResource(const QString& resource, const std::string& name);

private:
    const FileSystem& fs_;
};

// One of the program's own image resources, read in the format its suffix names; a null
// image when it is missing. Content is not probed: that would load every image plug-in Qt
// has, a good part of a millisecond at start-up.
QImage resourceImage(const QString& resource);

// Decodes an icon file's bytes into a picture; nothing when no image can be read, or when
// an icon directory claims more images than the bytes hold or images outside them. Each
// image may cost at most 16 MiB.
std::optional<Picture> decodeIcon(const QByteArray& bytes, const std::string& source);

// Draws a picture stretched to `target`, smoothly, from its best-sized image.
void drawPicture(QPainter& painter, const QRectF& target, const Picture& picture);

}  // namespace quorvia
