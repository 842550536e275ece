#include "shell/demo_drive.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <string>

#include "shell/sjis_text.h"

namespace {
// DOS text: CR LF line ends, Shift-JIS.
std::string dosText(const QStringList& lines) {
    std::string text;
    for (const QString& line : lines) text += qstringToSjis(line) + "\r\n";
    return text;
}

std::string binaryPattern() {
    std::string bytes(4096, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return bytes;
}

bool writeFile(const QString& path, const std::string& bytes, QString* error) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) &&
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
            static_cast<qint64>(bytes.size())) {
        return true;
    }
    *error = QStringLiteral("Cannot write the demo file %1: %2").arg(path, file.errorString());
    return false;
}
}  // namespace

bool write_demo_drive(const QString& root, QString* error) {
    const QDir drive(root);
    if (!drive.mkpath(QStringLiteral("GAMES"))) {
        *error = QStringLiteral("Cannot create the demo drive in %1").arg(root);
        return false;
    }
    const struct {
        const char* name;
        std::string bytes;
    } files[] = {
        {"README.TXT", dosText({"Velmo demo drive", "",
                                "This drive belongs to velmo-dos, a simulated MS-DOS machine.",
                                "Try:  dir    type readme.txt    #GET README.TXT",
                                "      #GET DATA.BIN /V    #PUT somefile.txt"})},
        {"AUTOEXEC.BAT", dosText({"@ECHO OFF", "PROMPT $P$G", "PATH A:\\;A:\\GAMES"})},
        {"日本語.TXT", dosText({"日本語のテキストファイルです。", "シフトJISで書かれています。",
                                "ｶﾀｶﾅ(半角)もあります。"})},
        {"DATA.BIN", binaryPattern()},
        {"GAMES/SCORES.TXT", dosText({"1. MAROBI   98000", "2. QUANDOR  87500"})},
    };
    for (const auto& file : files) {
        if (!writeFile(drive.filePath(QString::fromUtf8(file.name)), file.bytes, error)) {
            return false;
        }
    }
    return true;
}
