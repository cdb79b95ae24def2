#include "shell/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace pelquor {

namespace {
bool g_fault_before_rename = false;
}

void set_atomic_write_fault(bool fail_before_rename) {
    g_fault_before_rename = fail_before_rename;
}

bool file_exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

bool folder_exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

bool create_folder(const std::string& path, std::string* error) {
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return true;
    fs::create_directories(path, ec);
    if (ec || !fs::is_directory(path)) {
        if (error)
            *error = "Cannot create folder " + path + ": " + (ec ? ec.message() : "unknown error");
        return false;
    }
    return true;
}

bool read_file(const std::string& path, std::string& content, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = "Cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) {
        if (error)
            *error = "Cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    content = ss.str();
    return true;
}

bool write_file_atomic(const std::string& path, const std::string& content, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error)
            *error = "Cannot write " + path + ": " + why;
        return false;
    };
    std::string tmp = path + ".tmp" + std::to_string(::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(std::strerror(errno));
    const char* p = content.data();
    size_t left = content.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            std::string why = std::strerror(errno);
            ::close(fd);
            ::unlink(tmp.c_str());
            return fail(why);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        std::string why = std::strerror(errno);
        ::unlink(tmp.c_str());
        return fail(why);
    }
    if (g_fault_before_rename) {
        ::unlink(tmp.c_str());
        return fail("injected failure before rename");
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        std::string why = std::strerror(errno);
        ::unlink(tmp.c_str());
        return fail(why);
    }
    return true;
}

bool copy_folder(const std::string& source, const std::string& dest) {
    std::error_code ec;
    if (!fs::is_directory(source, ec))
        return false;
    fs::create_directories(dest, ec);
    fs::copy(source, dest, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    return !ec;
}

bool delete_folder(const std::string& path) {
    std::error_code ec;
    if (path.empty() || !fs::exists(path, ec))
        return false;
    fs::remove_all(path, ec);
    return !ec;
}

bool match_mask(const std::string& name, const std::string& mask) {
    // '*' any run, '?' one character; letters compared case-blind as on the
    // platform the masks were written for.
    size_t n = 0, m = 0, star = std::string::npos, mark = 0;
    auto eq = [](char a, char b) {
        return std::tolower((unsigned char)a) == std::tolower((unsigned char)b);
    };
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || (mask[m] != '*' && eq(mask[m], name[n])))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            star = m++;
            mark = n;
        } else if (star != std::string::npos) {
            m = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

std::vector<std::string> list_by_mask(const std::string& folder, const std::string& mask) {
    std::vector<std::string> out;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (match_mask(name, mask))
            out.push_back(name);
    }
    return out;
}

void copy_by_mask(const std::string& source, const std::string& dest, const std::string& mask) {
    for (const auto& name : list_by_mask(source, mask)) {
        std::error_code ec;
        if (!fs::is_regular_file(source + name, ec))
            continue;
        fs::copy_file(source + name, dest + name, fs::copy_options::overwrite_existing, ec);
    }
}

std::string file_name_of(const std::string& path) {
    auto pos = path.find_last_of("/\\");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string with_separator(const std::string& folder) {
    if (folder.empty() || folder.back() == '/')
        return folder;
    return folder + "/";
}

std::string del_last_char(const std::string& text) {
    return text.empty() ? text : text.substr(0, text.size() - 1);
}

} // namespace pelquor
