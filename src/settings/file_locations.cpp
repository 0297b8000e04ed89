#include "file_locations.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace kalvimo {

namespace {

namespace fs = std::filesystem;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
            home = entry->pw_dir;
        }
    }
    return home;
}

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

std::string ConfigFolder(const std::string& configHome, const std::string& home) {
    return WithSlash(configHome.starts_with('/') ? configHome : WithSlash(home) + ".config");
}

// The desktop's folder names start with $HOME or are absolute; anything else is not a folder.
std::string FolderOfUserDir(std::string value, const std::string& home) {
    if (value == "$HOME" || value.starts_with("$HOME/")) {
        value = home + value.substr(5);
    }
    return value.starts_with('/') ? value : std::string();
}

// The quoted value of XDG_PICTURES_DIR in a user-dirs.dirs file, with its escapes undone.
std::string PicturesInUserDirs(const std::string& file) {
    std::ifstream in(file);
    std::string line;
    std::string value;
    constexpr std::string_view kKey = "XDG_PICTURES_DIR=\"";
    while (std::getline(in, line)) {
        if (!line.starts_with(kKey) || line.size() < kKey.size() + 1 || line.back() != '"') {
            continue;
        }
        value.clear();
        for (std::size_t i = kKey.size(); i + 1 < line.size(); ++i) {
            if (line[i] == '\\' && i + 2 < line.size()) {
                ++i;
            }
            value += line[i];
        }
    }
    return value;
}

} // namespace

std::string UserPicturesFolder(const std::string& xdgPicturesDir, const std::string& configFolder,
                               const std::string& home) {
    if (std::string folder = FolderOfUserDir(xdgPicturesDir, home); !folder.empty()) {
        return folder;
    }
    return FolderOfUserDir(PicturesInUserDirs(WithSlash(configFolder) + "user-dirs.dirs"), home);
}

LocationInputs ProcessLocationInputs(const std::string& programFolder) {
    LocationInputs inputs;
    inputs.programFolder = programFolder;
    // Installed wherever the prefix is (~/.local, /opt/kalvimo, /usr): a bin/ with the data where
    // the install puts it beside, though the user may well be able to write it.
    const fs::path program = fs::path(WithSlash(programFolder)).parent_path();
    const fs::path data = (program / KALVIMO_DATA_FROM_BIN).lexically_normal();
    std::error_code error;
    const bool installed = program.filename() == KALVIMO_BIN_NAME && fs::is_directory(data, error);
    inputs.besideProgram = !installed && (fs::exists(program / "Settings.ini", error) ||
                                          ::access(programFolder.c_str(), W_OK) == 0);
    inputs.dataFolder = installed ? data.string() : programFolder;
    inputs.docFolder =
        installed ? (program / KALVIMO_DOC_FROM_BIN).lexically_normal().string() : programFolder;
    inputs.configHome = Environment("XDG_CONFIG_HOME");
    inputs.home = HomeFolder();
    inputs.picturesFolder = UserPicturesFolder(
        Environment("XDG_PICTURES_DIR"), ConfigFolder(inputs.configHome, inputs.home), inputs.home);
    return inputs;
}

std::string ProcessPicturesFolder() {
    const std::string home = HomeFolder();
    const std::string folder = UserPicturesFolder(
        Environment("XDG_PICTURES_DIR"), ConfigFolder(Environment("XDG_CONFIG_HOME"), home), home);
    return folder.empty() ? WithSlash(home) + "Pictures" : folder;
}

FileLocations LocateFiles(const LocationInputs& inputs) {
    FileLocations result;
    const std::string program = WithSlash(inputs.programFolder);
    if (inputs.besideProgram) {
        result.settingsPath = program + "Settings.ini";
        result.presetsPaths = {program + "presets.txt"};
        result.guidePath = program + "user-guide.pdf";
        result.defaultSource = program;
        result.defaultDestination = program;
        return result;
    }
    const std::string home = WithSlash(inputs.home);
    const std::string config = ConfigFolder(inputs.configHome, inputs.home) + "kalvimo/";
    result.settingsPath = config + "Settings.ini";
    result.presetsPaths = {config + "presets.txt", WithSlash(inputs.dataFolder) + "presets.txt"};
    result.guidePath = WithSlash(inputs.docFolder) + "user-guide.pdf";
    const std::string pictures =
        WithSlash(inputs.picturesFolder.empty() ? home + "Pictures" : inputs.picturesFolder);
    result.defaultSource = pictures;
    result.defaultDestination = pictures + "Kalvimo/";
    return result;
}

std::string PresetsFile(const FileLocations& locations) {
    std::error_code error;
    for (const std::string& path : locations.presetsPaths) {
        if (std::filesystem::exists(path, error)) {
            return path;
        }
    }
    return locations.presetsPaths.empty() ? std::string() : locations.presetsPaths.front();
}

} // namespace kalvimo
