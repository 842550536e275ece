#include "shell/sjis_text.h"

#include "base/encoding.h"

QString sjisToQString(std::string_view sjis) {
    std::string utf8;
    if (k_utf8_from_cp932(sjis, &utf8)) return QString::fromStdString(utf8);
    // Decode character by character so that only the damaged ones are replaced.
    QString text;
    for (size_t i = 0; i < sjis.size();) {
        size_t width =
            k_is_lead_byte(static_cast<unsigned char>(sjis[i])) && i + 1 < sjis.size() ? 2 : 1;
        utf8.clear();
        if (k_utf8_from_cp932(sjis.substr(i, width), &utf8)) {
            text += QString::fromStdString(utf8);
        } else {
            text += QChar(QChar::ReplacementCharacter);
        }
        i += width;
    }
    return text;
}

std::string qstringToSjis(const QString& text, bool* complete) {
    std::string sjis;
    if (k_cp932_from_utf8(text.toStdString(), &sjis)) {
        if (complete) *complete = true;
        return sjis;
    }
    sjis.clear();
    bool all = true;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        std::string one;
        if (k_cp932_from_utf8(text.mid(i, width).toStdString(), &one)) {
            sjis += one;
        } else {
            all = false;
        }
        i += width;
    }
    if (complete) *complete = all;
    return sjis;
}
