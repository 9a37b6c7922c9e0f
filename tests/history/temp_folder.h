// A fresh folder under the system's temporary folder, removed with everything in it.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

namespace varnel::testing {

class TempFolder {
public:
    TempFolder() {
        std::string templ =
            (std::filesystem::temp_directory_path() / "varnel-cache-XXXXXX").string();
        if (::mkdtemp(templ.data())) path_ = templ;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string path() const { return path_.string(); }

    // The names of the files in `folder` (none when it does not exist).
    static std::vector<std::string> filesIn(const std::string& folder) {
        std::vector<std::string> out;
        std::error_code ec;
        for (auto it = std::filesystem::directory_iterator(folder, ec);
             !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
            out.push_back(it->path().filename().string());
        return out;
    }

private:
    std::filesystem::path path_;
};

}  // namespace varnel::testing
