#pragma once

#include "batch_host.h"
#include "canvas.h"
#include "gdiplus.h"

#include <string>
#include <vector>

namespace kalvimo {

// The batch run and its per-picture routine. The window owns one and forwards the process
// button's clicks and the source list's double-clicks to it.
class BatchRun {
public:
    static constexpr int kJpegQuality = 85;

    BatchRun(BatchHost& host, cGdiPlus& gdip);

    // The process button: starts a run, or asks the run under way to stop after its picture.
    void PressProcess();

    // One picture: with save, the full processing and the output file; without, a dry run that
    // only renders picDest.
    void ProcessFile(const std::string& folder, const std::string& fileName, bool save);

    [[nodiscard]] bool running() const { return running_; }
    [[nodiscard]] bool stopRequested() const { return stopRequested_; }
    [[nodiscard]] bool fileBusy() const { return fileBusy_; }
    [[nodiscard]] const std::vector<std::string>& lstToDo() const { return lstToDo_; }
    [[nodiscard]] const Canvas& picDest() const { return picDest_; }
    [[nodiscard]] const Canvas& picBuffer() const { return picBuffer_; }
    [[nodiscard]] bool pictureTurned() const { return pictureTurned_; }

private:
    // Steps 4 to 12 of one picture; false sends it to the failure step.
    bool ProcessPicture(const std::string& folder, const std::string& fileName, bool save);
    void FinishPicture(const std::string& caption);
    // Turns picSrc into picBuffer when the options ask for it; false when that cannot be done.
    bool AutoRotate();
    // The picture that is fitted into the frame: the turned copy when there is one.
    [[nodiscard]] const Canvas& FramePicture() const {
        return pictureTurned_ ? picBuffer_ : picSrc_;
    }

    BatchHost& host_;
    cGdiPlus& gdip_;
    bool running_ = false;
    bool stopRequested_ = false;
    bool fileBusy_ = false;
    bool pictureTurned_ = false;
    std::vector<std::string> lstToDo_;
    // Reused for every picture, so a run holds one decoded picture at a time; picBuffer is the
    // one extra full-size buffer, for turning.
    Canvas picSrc_;
    Canvas picBuffer_;
    Canvas picDest_;
};

} // namespace kalvimo
