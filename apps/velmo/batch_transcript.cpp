#include "batch_transcript.h"

#include <cstdio>

#include "base/encoding.h"
#include "batch_progress.h"
#include "console/link_context.h"

void BatchTranscript::lineAppended(int index) {
    const ConsoleLine& line = ctx_->lines[index];
    std::string text(line.text, static_cast<size_t>(line.length));
    if (promptHeld_) {
        promptHeld_ = false;
        bool replaced = line.state == LINE_COMMAND && index == promptIndex_;
        if (!replaced) print(prompt_);
    }
    if (line.state == LINE_PROMPT) {
        promptHeld_ = true;
        promptIndex_ = index;
        prompt_ = text;
        return;
    }
    print(text);
}

void BatchTranscript::finish() {
    if (promptHeld_) print(prompt_);
    promptHeld_ = false;
}

void BatchTranscript::print(const std::string& cp932) {
    progress_->clear();
    std::string shown = k_utf8_inert(cp932);
    shown += '\n';
    std::fwrite(shown.data(), 1, shown.size(), stdout);
    std::fflush(stdout);
}
