#include "batch_settings.h"
#include "fuzz_input.h"
#include "settings_keys.h"

#include <array>
#include <cstdio>

namespace {

void Fail(const kalvimo::SettingsKey& key, const std::string& expected, const std::string& read) {
    std::fprintf(stderr, "[%.*s] %.*s: expected \"%s\", read \"%s\"\n",
                 static_cast<int>(key.section.size()), key.section.data(),
                 static_cast<int>(key.name.size()), key.name.data(), expected.c_str(),
                 read.c_str());
    std::abort();
}

} // namespace

// A settings file as kalvimo-batch loads it, then as the window saves one option on close: the
// value written reads back, and every other key reads as it did.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kalvimo;
    const std::filesystem::path folder = fuzz::InputFolder();
    const std::filesystem::path file = folder / "Settings.ini";
    fuzz::WriteInput(file, std::string_view(reinterpret_cast<const char*>(data), size));
    // No presets.txt in the program's folder: the built-in list.
    LoadBatchSettings(file, LocateFiles({.programFolder = folder.string()}));

    std::array<std::string, kSettingsKeys.size()> before;
    for (std::size_t i = 0; i < kSettingsKeys.size(); ++i) {
        before[i] = ReadSetting(kSettingsKeys[i], file);
    }
    const std::size_t written = size % kSettingsKeys.size();
    const std::string value = before[written] == "1024" ? "&H80" : "1024";
    if (!WriteSetting(kSettingsKeys[written], value, file)) {
        Fail(kSettingsKeys[written], value, "(not written)");
    }
    for (std::size_t i = 0; i < kSettingsKeys.size(); ++i) {
        const std::string expected = i == written ? value : before[i];
        const std::string read = ReadSetting(kSettingsKeys[i], file);
        if (read != expected) {
            Fail(kSettingsKeys[i], expected, read);
        }
    }
    return 0;
}
