// A main frame over a link context of the test's own, shown and focused, for driving the real
// console view with key events.
#pragma once
#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <string>

#include "console/link_context.h"
#include "shell/main_frame.h"
#include "shell/velmo_doc.h"

class QImage;
class QWidget;

// True when any pixel of the console cell differs from the background (white by default).
bool cellInked(const QImage& image, const LinkContext& ctx, int column, int row);

class WindowTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    CVelmoView* view() const { return frame->view(); }
    // The console line `index` as text (Shift-JIS bytes).
    std::string line(int index) const;
    std::string input() const;
    // True when some console line holds `text`.
    bool consoleShows(const std::string& text) const;
    QString pane(int index) const;
    // Types text as one key event per character, the way a keyboard delivers it.
    void type(const QString& text) const;
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const;
    // Sends a command line with Enter and waits until the command has ended.
    void runCommand(const QString& text) const;

    std::unique_ptr<LinkContext> ctx;
    std::unique_ptr<CVelmoDoc> doc;
    std::unique_ptr<CMainFrame> frame;
};
