#pragma once
// A picture as the game rules see it: something a card, a cover or a preview shows.
//
// The rules only copy pictures around and ask whether a file can be loaded as one; the
// pixels belong to the front end. A Picture therefore carries the file it came from (for
// tests and for the front end) and an opaque decoded image made by the PictureLoader.
// Two pictures are the same when they come from the same load (or are both empty).

#include <memory>
#include <optional>
#include <string>

namespace quorvia {

struct Picture {
    std::string source;                 // file it was loaded from; a ":" name for built-ins
    std::shared_ptr<const void> image;  // decoded image, owned by the front end

    bool empty() const { return source.empty() && !image; }
    friend bool operator==(const Picture& a, const Picture& b) { return a.source == b.source && a.image == b.image; }
};

class PictureLoader {
public:
    virtual ~PictureLoader() = default;
    // Loads an icon file (whatever its extension). Nothing when it is not a loadable picture.
    virtual std::optional<Picture> load(const std::string& path) = 0;
};

}  // namespace quorvia
