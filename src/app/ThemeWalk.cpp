#include "app/ThemeWalk.h"

#include "app/Text.h"
#include "app/Theme.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <map>
#include <utility>

namespace quorvia {

namespace {

constexpr int kOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// The first levels stay open, and then every 32nd: a folder in between is closed while its
// subfolders are visited and opened again from the nearest open ancestor (at most 31 steps)
// when the walk comes back to it. A walk 3000 levels deep then holds about 100 descriptors.
bool keepsOpen(std::size_t depth) { return depth < 8 || depth % 32 == 0; }

struct FolderId {
    dev_t dev = 0;
    ino_t ino = 0;
    friend bool operator==(const FolderId&, const FolderId&) = default;
    friend bool operator<(const FolderId& a, const FolderId& b) {
        return std::pair(a.dev, a.ino) < std::pair(b.dev, b.ino);
    }
};

bool identify(int fd, FolderId& id) {
    struct stat st = {};
    if (::fstat(fd, &st) != 0) return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

struct Listing {
    std::vector<std::string> subfolders;  // in name order
    bool hasIcons = false;
};

// The subfolders and the icon test of an open folder; false when it cannot be listed.
// Entries that cannot be looked at (a dangling link, a name removed meanwhile) are neither.
bool readListing(int fd, Listing& out) {
    // A fresh open file description, so listing does not move the offset of `fd`.
    const int listFd = ::openat(fd, ".", kOpenFlags);
    if (listFd < 0) return false;
    DIR* dir = ::fdopendir(listFd);
    if (dir == nullptr) {
        ::close(listFd);
        return false;
    }
    bool ok = true;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            ok = errno == 0;
            break;
        }
        std::string name = entry->d_name;
        if (name.empty() || name.front() == '.') continue;
        struct stat st = {};
        if (::fstatat(fd, name.c_str(), &st, 0) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            out.subfolders.push_back(std::move(name));
        } else if (S_ISREG(st.st_mode) && theme::isFace(name)) {
            out.hasIcons = true;
        }
    }
    ::closedir(dir);
    std::sort(out.subfolders.begin(), out.subfolders.end(),
              [](const std::string& a, const std::string& b) { return lessIgnoreCase(a, b); });
    return ok;
}

// One folder on the walk's stack: what a recursive visit would keep in its locals.
struct Frame {
    std::string name;   // the name inside its parent
    std::string theme;  // path relative to the icons folder, '\' between the levels
    int fd = -1;        // -1 while closed to save descriptors
    FolderId id;
    Listing listing;
    std::size_t remaining = 0;  // subfolders not yet taken: positions 0 .. remaining - 1
};

class Walk {
public:
    explicit Walk(ThemeWalk& owner, const std::function<void()>& processEvents)
        : owner_(owner), processEvents_(processEvents) {}
    ~Walk() {
        for (Frame& f : stack_) closeFd(f);
    }
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;

    std::vector<std::string> run(const std::string& iconsFolder);

private:
    enum class Entered { Yes, AlreadyVisited, Failed };

    // A visit's first steps: mark the walk as running, let events through, and tell
    // whether the walk may go on.
    bool enterVisit() {
        owner_.ScanActive = true;
        if (processEvents_) processEvents_();
        return owner_.ScanActive;
    }

    Entered enterChild(std::size_t parent, const std::string& name, Frame& child);
    int folderFd(std::size_t index);
    void pop() {
        closeFd(stack_.back());
        stack_.pop_back();
    }
    static void closeFd(Frame& f) {
        if (f.fd >= 0) ::close(f.fd);
        f.fd = -1;
    }

    void keepEarlierName(const FolderId& id, const std::string& theme);

    ThemeWalk& owner_;
    const std::function<void()>& processEvents_;
    std::vector<Frame> stack_;
    std::map<FolderId, std::string> visited_;  // each folder's theme path, as first visited
    std::vector<std::string> found_;
};

// The open folder at `index` of the stack, opened again level by level from the nearest
// open ancestor when it was closed. -1 when that fails or a level is no longer the folder
// that was visited (renamed or replaced meanwhile).
int Walk::folderFd(std::size_t index) {
    if (stack_[index].fd >= 0) return stack_[index].fd;
    std::size_t anchor = index;
    while (stack_[anchor].fd < 0) --anchor;  // the icons folder itself is always open
    int current = stack_[anchor].fd;
    for (std::size_t level = anchor + 1; level <= index; ++level) {
        const int next = ::openat(current, stack_[level].name.c_str(), kOpenFlags);
        if (current != stack_[anchor].fd) ::close(current);
        if (next < 0) return -1;
        FolderId id;
        if (!identify(next, id) || !(id == stack_[level].id)) {
            ::close(next);
            return -1;
        }
        current = next;
    }
    stack_[index].fd = current;
    return current;
}

Walk::Entered Walk::enterChild(std::size_t parent, const std::string& name, Frame& child) {
    const int parentFd = folderFd(parent);
    if (parentFd < 0) return Entered::Failed;
    const int fd = ::openat(parentFd, name.c_str(), kOpenFlags);
    if (fd < 0) return Entered::Failed;
    child.fd = fd;
    child.name = name;
    const std::string& up = stack_[parent].theme;
    child.theme = up.empty() ? name : up + '\\' + name;
    if (!identify(fd, child.id)) {
        closeFd(child);
        return Entered::Failed;
    }
    if (visited_.count(child.id) != 0) {
        closeFd(child);
        keepEarlierName(child.id, child.theme);
        return Entered::AlreadyVisited;
    }
    if (!readListing(fd, child.listing)) {
        closeFd(child);
        return Entered::Failed;
    }
    visited_.emplace(child.id, child.theme);
    child.remaining = child.listing.subfolders.size();
    return Entered::Yes;
}

// A folder met again under another name (a link): its themes, and those below it, are
// named after the path that comes first in name order, whichever the walk met first.
void Walk::keepEarlierName(const FolderId& id, const std::string& theme) {
    const std::string known = visited_[id];
    if (!lessIgnoreCase(theme, known)) return;
    const auto rename = [](std::string& path, const std::string& from, const std::string& to) {
        if (path == from || path.starts_with(from + '\\')) path = to + path.substr(from.size());
    };
    for (auto& entry : visited_) rename(entry.second, known, theme);
    for (std::string& name : found_) rename(name, toUpper(known), toUpper(theme));
}

std::vector<std::string> Walk::run(const std::string& iconsFolder) {
    Frame root;
    root.fd = ::open(iconsFolder.c_str(), kOpenFlags);
    if (root.fd < 0) return found_;
    if (!identify(root.fd, root.id) || !readListing(root.fd, root.listing)) {
        closeFd(root);
        return found_;
    }
    visited_.emplace(root.id, root.theme);
    root.remaining = root.listing.subfolders.size();
    stack_.push_back(std::move(root));
    if (!enterVisit()) return found_;

    while (!stack_.empty()) {
        const std::size_t top = stack_.size() - 1;
        if (stack_[top].remaining > 0 && owner_.ScanActive) {
            const std::string name = stack_[top].listing.subfolders[--stack_[top].remaining];
            Frame child;
            switch (enterChild(top, name, child)) {
                case Entered::Failed:
                    pop();  // this folder's visit ends here: no theme, no further subfolders
                    continue;
                case Entered::AlreadyVisited:
                    continue;
                case Entered::Yes:
                    break;
            }
            if (!keepsOpen(top)) closeFd(stack_[top]);
            stack_.push_back(std::move(child));
            if (!enterVisit()) {
                pop();  // the stopped visit ...
                pop();  // ... ends its parent's visit as well
            }
            continue;
        }

        const Frame& done = stack_[top];
        if (top > 0 && done.listing.hasIcons && theme::mayBeTheme(done.theme)) found_.push_back(toUpper(done.theme));
        pop();
    }

    std::sort(found_.begin(), found_.end(),
              [](const std::string& a, const std::string& b) { return lessIgnoreCase(a, b); });
    // "Natur" and "natur" are two folders on disk but one theme name.
    found_.erase(std::unique(found_.begin(), found_.end(),
                             [](const std::string& a, const std::string& b) { return equalsIgnoreCase(a, b); }),
                 found_.end());
    return std::move(found_);
}

}  // namespace

std::vector<std::string> ThemeWalk::ScanIconFolders(const std::string& iconsFolder) {
    Walk walk(*this, processEvents_);
    return walk.run(iconsFolder);
}

}  // namespace quorvia
