#pragma once

#include "batch_run.h"
#include "fake_host.h"
#include "picture_maker.h"
#include "temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace kalvimo::test {

// A batch run over a fresh temporary source and destination folder, with a 40 x 30 frame.
class RunFixture : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        std::filesystem::create_directories(root_ / "src");
        std::filesystem::create_directories(root_ / "dst");
        host_.options.sourceFolder = (root_ / "src").string();
        host_.options.destinationFolder = (root_ / "dst").string();
        host_.options.newWidth = 40;
        host_.options.newHeight = 30;
        host_.options.selectedOnly = false;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::permissions(root_ / "dst", std::filesystem::perms::owner_all, ignored);
        TempFolderTest::TearDown();
    }

    // Writes a picture into the source folder and lists it in the source list.
    void AddPicture(const std::string& name, int w = 64, int h = 48) {
        ASSERT_TRUE(gdip_.PictureBoxToFile(CoordinatePicture(w, h), Src(name), 85));
        host_.files.push_back({name});
    }
    void AddPictures(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            AddPicture(name);
        }
    }
    // Copies file of tests/data into the source folder as name, and lists it.
    void AddData(const std::string& file, const std::string& name) {
        std::filesystem::copy_file(KALVIMO_TEST_DATA "/" + file, Src(name),
                                   std::filesystem::copy_options::overwrite_existing);
        host_.files.push_back({name});
    }
    void AddRawFile(const std::string& name, const std::string& bytes) {
        WriteBytes(Src(name), bytes);
        host_.files.push_back({name});
    }
    std::string Src(const std::string& name) const { return (root_ / "src" / name).string(); }
    std::string Dst(const std::string& name) const { return (root_ / "dst" / name).string(); }
    std::string Saved(const std::string& name) const { return "Saved file: " + Dst(name); }
    // Runs the batch afresh and gives the lines it logged.
    std::vector<std::string> Run() {
        host_.events.clear();
        run_.PressProcess();
        return host_.Only("log");
    }
    std::vector<std::string> DestinationNames() const { return FolderNames(root_ / "dst"); }

    cGdiPlus gdip_;
    FakeHost host_;
    BatchRun run_{host_, gdip_};
};

} // namespace kalvimo::test
