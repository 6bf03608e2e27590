#include "driver/paths.h"

#include <filesystem>
#include <system_error>

#include "textio/errors.h"

namespace qb {

namespace fs = std::filesystem;

std::string output_path(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    return (fs::path(dir) / name).string();
}

void make_output_folder(const std::string& dir) {
    if (dir.empty()) return;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir))
        throw OutputError("cannot create the output folder '" + dir + "'" + (ec ? ": " + ec.message() : std::string()));
}

std::string data_stem(const std::string& data) { return fs::path(data).stem().string(); }

std::string read_console_name(std::istream& in, const char* what) {
    std::string s;
    if (!std::getline(in, s)) throw InputError(std::string("no ") + what + " name was given at the console");
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    if (s.empty()) throw InputError(std::string("an empty ") + what + " name was given at the console");
    return s;
}

} // namespace qb
