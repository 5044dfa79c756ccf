#pragma once
// A temporary folder tree for a test, removed again at the end.

#include <filesystem>
#include <fstream>
#include <string>

namespace quorvia::test {

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "quorvia-test-XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder's path, ending in '/'.
    std::string path() const { return path_.string() + "/"; }

    // Writes a file (creating its folders) and returns its full path.
    std::string write(const std::string& relative, const std::string& content = "") const {
        const auto p = path_ / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    std::string mkdir(const std::string& relative) const {
        const auto p = path_ / relative;
        std::filesystem::create_directories(p);
        return p.string();
    }
    std::string read(const std::string& relative) const {
        std::ifstream in(path_ / relative, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    bool exists(const std::string& relative) const { return std::filesystem::exists(path_ / relative); }

private:
    std::filesystem::path path_;
};

}  // namespace quorvia::test
