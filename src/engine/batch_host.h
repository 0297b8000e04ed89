#pragma once

#include "canvas.h"
#include "job_options.h"

#include <string>

namespace kalvimo {

enum class MessageIcon { Exclamation, Information };
// YesNoToAll adds answers that hold for the rest of the run.
enum class MessageButtons { Ok, YesNo, YesNoToAll };
enum class MessageAnswer { Ok, Yes, No, YesToAll, NoToAll };
// What became of one picture: saved under its own name or a new one, skipped by choice, or lost.
enum class PictureOutcome { Saved, Renamed, Skipped, CouldNotSave, Error };

// Everything a batch run needs from outside the engine: the window implements it over its
// controls, tests with a script. Every call is made at the moment the run needs the answer.
class BatchHost {
public:
    virtual ~BatchHost() = default;

    virtual JobOptions Options() = 0;
    virtual CropBox CropRectangle() = 0;
    virtual int TwipsPerPixel() = 0;

    // The source file list, in list order.
    virtual int SourceFileCount() = 0;
    virtual std::string SourceFileName(int index) = 0;
    virtual bool SourceFileSelected(int index) = 0;

    virtual void AddLogLine(const std::string& line) = 0;
    // Told once a run has found its folders and starts, with the line that heads it; a host
    // that gives only the pictures' lines leaves it.
    virtual void RunStarted(const std::string& /*heading*/) {}
    virtual void SetStatus(const std::string& caption) = 0;
    virtual void SetProcessCaption(const std::string& caption) = 0;
    virtual void SetProgressVisible(bool visible) = 0;
    virtual void SetProgress(int value) = 0;
    virtual void RefreshDestinationList() = 0;

    // Lets the user interface handle what is pending (a "Stop" click, repaints).
    virtual void PumpMessages() = 0;

    virtual MessageAnswer ShowMessage(const std::string& text, MessageIcon icon,
                                      MessageButtons buttons) = 0;

    // Told once per picture, besides its log line, so that a host can count without reading
    // log text; reason says why an error happened, where it is known.
    virtual void ReportOutcome(const std::string& /*fileName*/, PictureOutcome /*outcome*/,
                               const std::string& /*reason*/) {}

    // The one folder a run makes when it is the destination and missing: the default
    // destination, made by the first run that writes there rather than when it is chosen. "" for
    // none; any other destination that is missing is one that vanished after it was chosen.
    virtual std::string FolderToMake() { return {}; }

    virtual bool CropDialogVisible() = 0;
    // Shows the picture in the crop dialog, modally; true when the user cancelled.
    virtual bool PromptCustomCrop(const Canvas& picture, const std::string& fileName) = 0;
};

} // namespace kalvimo
