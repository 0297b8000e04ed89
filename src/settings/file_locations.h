#pragma once

#include <string>
#include <vector>

namespace kalvimo {

// Where the window and kalvimo-batch keep and find their files. An installed copy (its program
// folder is a bin/ with the installed data beside it, whatever the prefix) keeps the settings in
// the user's configuration folder and finds its data relative to itself; any other copy keeps
// everything beside the program when its folder already holds Settings.ini or the user can
// write it.

struct LocationInputs {
    // The running program's folder.
    std::string programFolder = {};
    bool besideProgram = true;
    // $XDG_CONFIG_HOME; ignored unless absolute, as the desktop's rules say.
    std::string configHome = {};
    std::string home = {};
    // The desktop's Pictures folder; "" for home + "/Pictures".
    std::string picturesFolder = {};
    std::string dataFolder = {};
    std::string docFolder = {};
};

struct FileLocations {
    std::string settingsPath = {};
    // The first of these that exists is the presets file.
    std::vector<std::string> presetsPaths = {};
    std::string guidePath = {};
    // The folders "Default" chooses: the program's own, or when installed, Pictures and a
    // "Kalvimo" folder inside it, which the first run that writes there makes.
    std::string defaultSource = {};
    std::string defaultDestination = {};
};

// The inputs of this process: its environment and where the program runs from.
LocationInputs ProcessLocationInputs(const std::string& programFolder);

// The desktop's Pictures folder: $XDG_PICTURES_DIR (xdgPicturesDir), else the one named in
// user-dirs.dirs of the configuration folder, else "" (home + "/Pictures").
std::string UserPicturesFolder(const std::string& xdgPicturesDir, const std::string& configFolder,
                               const std::string& home);

// This process's Pictures folder, as "Default" and the drive list take it.
std::string ProcessPicturesFolder();

FileLocations LocateFiles(const LocationInputs& inputs);

// The presets file to read: the first that exists, else the first place looked at.
std::string PresetsFile(const FileLocations& locations);

} // namespace kalvimo
