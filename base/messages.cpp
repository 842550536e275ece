// The console texts, written here in UTF-8 and turned into Shift-JIS on first use.
#include "base/messages.h"

#include <array>
#include <string>

#include "base/encoding.h"

namespace {

constexpr std::array<const char*, 5> kUtf8Texts = {
    "*処理を中断しました。",
    "*MS-DOS側のファイルをWindows側にコピーします",
    "*Usage : #GET MS-DOS側ファイル名 [Windows側ファイル名/ディレクトリ名\\] [/V]",
    "*Windows側のファイルをMS-DOS側にコピーします",
    "*Usage : #PUT Windows側ファイル名 [MS-DOS側ファイル名/ディレクトリ名\\] [/V]",
};

}  // namespace

const char* k_message(Message message) {
    static const std::array<std::string, kUtf8Texts.size()> converted = [] {
        std::array<std::string, kUtf8Texts.size()> texts;
        // The texts above are fixed and all have a Shift-JIS form.
        for (size_t i = 0; i < kUtf8Texts.size(); ++i) k_cp932_from_utf8(kUtf8Texts[i], &texts[i]);
        return texts;
    }();
    return converted[static_cast<size_t>(message)].c_str();
}
