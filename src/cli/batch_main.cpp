// kalvimo-batch: the batch run without a window.

#include "batch_run.h"
#include "batch_settings.h"
#include "console_host.h"
#include "file_locations.h"
#include "file_pattern.h"
#include "gdiplus.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kExitUsage = 2;

// The arguments are the settings file looked for without --settings, the presets file and the
// user guide.
constexpr const char* kUsage =
    "Usage: kalvimo-batch [--settings FILE] [--jobs N] [--memory MB] [SOURCE [DESTINATION]]\n"
    "\n"
    "Resizes every picture of SOURCE that matches the settings' \"Filter\" into DESTINATION,\n"
    "with the options of a settings file written by the Kalvimo window, and prints one log\n"
    "line per picture.\n"
    "\n"
    "  --settings FILE  the settings file (default: %s)\n"
    "  --jobs N         pictures prepared at once (default: the number of processors)\n"
    "  --memory MB      the memory, in megabytes, those pictures share (default: 512); a\n"
    "                   picture that needs more than its share waits to be prepared alone\n"
    "  --help           show this help\n"
    "  --version        show the version\n"
    "\n"
    "Without --settings it reads the file the window keeps: for an installed copy (share/kalvimo\n"
    "beside its bin folder) $XDG_CONFIG_HOME/kalvimo/Settings.ini, or\n"
    "~/.config/kalvimo/Settings.ini when XDG_CONFIG_HOME is not set; for an unpacked copy\n"
    "Settings.ini beside this program when that folder holds one or can be written. Without\n"
    "that file the window's defaults apply. Presets are read from %s.\n"
    "The user guide: %s\n"
    "\n"
    "SOURCE and DESTINATION default to the settings' \"Last source\" and \"Last destination\".\n"
    "A name clash that the settings leave to a question is skipped; a custom crop uses the\n"
    "stored rectangle without asking. Why a picture could not be processed is told on\n"
    "standard error.\n"
    "\n"
    "Exit status: 0 when every picture was saved or skipped by choice, 1 when any picture\n"
    "failed or could not be saved, 2 for a usage error.\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "kalvimo-batch: %s\nTry 'kalvimo-batch --help'.\n", message.c_str());
    return kExitUsage;
}

std::string ExecutableFolder() {
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    std::string folder = error ? fs::current_path(error).string() : exe.parent_path().string();
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

struct Arguments {
    std::optional<std::string> settings;
    int jobs = 0;
    int memoryMb = kalvimo::MemoryBudget::kDefaultBytes >> 20;
    std::vector<std::string> folders;
    bool help = false;
    bool version = false;
};

constexpr int kMaxJobs = 256;
constexpr int kMinMemoryMb = 16;
constexpr int kMaxMemoryMb = 1 << 20;

std::optional<int> ParseWhole(std::string_view text, int least, int most) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < least || value > most) {
        return std::nullopt;
    }
    return value;
}

// Returns an error message, or nothing when the arguments are sound.
std::optional<std::string> Parse(int argc, char** argv, Arguments& args) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            args.help = true;
        } else if (!optionsEnded && arg == "--version") {
            args.version = true;
        } else if (!optionsEnded && (arg == "--settings" || arg == "--jobs" || arg == "--memory")) {
            if (i + 1 >= argc) {
                return std::string(arg) + " needs a value";
            }
            const std::string_view value = argv[++i];
            if (arg == "--settings") {
                args.settings = std::string(value);
            } else if (arg == "--jobs") {
                const std::optional<int> jobs = ParseWhole(value, 1, kMaxJobs);
                if (!jobs) {
                    return "--jobs needs a whole number from 1 to " + std::to_string(kMaxJobs) +
                           ", not '" + std::string(value) + "'";
                }
                args.jobs = *jobs;
            } else {
                const std::optional<int> memory = ParseWhole(value, kMinMemoryMb, kMaxMemoryMb);
                if (!memory) {
                    return "--memory needs a whole number of megabytes from " +
                           std::to_string(kMinMemoryMb) + " to " + std::to_string(kMaxMemoryMb) +
                           ", not '" + std::string(value) + "'";
                }
                args.memoryMb = *memory;
            }
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return "unknown option '" + std::string(arg) + "'";
        } else {
            args.folders.emplace_back(arg);
        }
    }
    if (args.folders.size() > 2) {
        return "too many folders: give at most SOURCE and DESTINATION";
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (const std::optional<std::string> error = Parse(argc, argv, args)) {
        return UsageError(*error);
    }
    const kalvimo::FileLocations locations =
        kalvimo::LocateFiles(kalvimo::ProcessLocationInputs(ExecutableFolder()));
    if (args.help) {
        std::printf(kUsage, locations.settingsPath.c_str(), kalvimo::PresetsFile(locations).c_str(),
                    locations.guidePath.c_str());
        return 0;
    }
    if (args.version) {
        std::puts("kalvimo-batch " KALVIMO_VERSION);
        return 0;
    }
    const fs::path settingsFile =
        args.settings ? fs::path(*args.settings) : fs::path(locations.settingsPath);
    std::error_code fsError;
    if (args.settings && !fs::is_regular_file(settingsFile, fsError)) {
        return UsageError("settings file not found: " + settingsFile.string());
    }
    kalvimo::BatchSettings settings = kalvimo::LoadBatchSettings(settingsFile, locations);
    for (const std::string& note : settings.notes) {
        std::fprintf(stderr, "kalvimo-batch: %s\n", note.c_str());
    }
    kalvimo::JobOptions& options = settings.options;
    if (!args.folders.empty()) {
        options.sourceFolder = args.folders[0];
    }
    if (args.folders.size() > 1) {
        options.destinationFolder = args.folders[1];
    }
    if (options.sourceFolder.empty() || !fs::is_directory(options.sourceFolder, fsError)) {
        return UsageError("source folder not found: '" + options.sourceFolder + "'");
    }
    if (options.destinationFolder.empty()) {
        return UsageError("no destination folder: give DESTINATION");
    }

    std::vector<std::string> files =
        kalvimo::ListMatchingFiles(options.sourceFolder, options.filterPattern);
    // The default destination is made by the first run that writes there.
    if (!files.empty() && !fs::exists(options.destinationFolder, fsError) &&
        fs::path(options.destinationFolder) == fs::path(locations.defaultDestination) &&
        !fs::create_directories(options.destinationFolder, fsError)) {
        std::fprintf(stderr, "kalvimo-batch: cannot make the destination folder '%s': %s\n",
                     options.destinationFolder.c_str(), fsError.message().c_str());
        return 1;
    }
    if (!files.empty() && !fs::is_directory(options.destinationFolder, fsError)) {
        return UsageError("destination folder not found: '" + options.destinationFolder + "'");
    }
    kalvimo::ConsoleHost host(options, settings.crop, std::move(files), stdout,
                              ::isatty(STDERR_FILENO) ? stderr : nullptr);
    kalvimo::cGdiPlus gdip;
    kalvimo::BatchRun run(host, gdip);
    run.SetJobs(args.jobs > 0 ? args.jobs
                              : static_cast<int>(std::max(1U, std::thread::hardware_concurrency())),
                std::int64_t{args.memoryMb} << 20);
    run.PressProcess();
    return host.AnyFailure() ? 1 : 0;
}
