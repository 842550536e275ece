// The transcript of the batch front end: every line appended to the console, printed on
// standard output as UTF-8 the moment it appears, so that it reads like the console itself.
//
// A prompt is held back until the next line: when that line is the entered command taking the
// prompt's place ("A:\>dir"), the prompt alone is not printed. Control characters from the
// other machine are printed inert, in caret notation.
#pragma once
#include <string>

#include "base/view_host.h"

struct LinkContext;
class BatchProgress;

class BatchTranscript : public ConsoleObserver {
  public:
    BatchTranscript(const LinkContext* ctx, BatchProgress* progress)
        : ctx_(ctx), progress_(progress) {}
    void lineAppended(int index) override;
    // What was cleared away stays in the transcript.
    void consoleCleared() override {}
    // Prints a prompt still held back (at the end of input).
    void finish();

  private:
    void print(const std::string& cp932);

    const LinkContext* ctx_;
    BatchProgress* progress_;
    bool promptHeld_ = false;
    int promptIndex_ = 0;
    std::string prompt_;
};
