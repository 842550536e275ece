// The fixed texts the program shows on the console, kept in the sources as UTF-8 and turned
// into Shift-JIS once, the first time each is needed.
#pragma once

enum class Message {
    Cancelled,  // "*処理を中断しました。"
    GetPurpose,
    GetUsage,
    PutPurpose,
    PutUsage,
};

// The Shift-JIS text, NUL-terminated; valid for the whole run.
const char* k_message(Message message);
