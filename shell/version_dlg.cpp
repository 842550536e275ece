#include "shell/version_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <cstring>

#include "base/encoding.h"
#include "console/link_context.h"
#include "shell/notice_dlg.h"
#include "shell/shell_resources.h"
#include "shell/sjis_text.h"

namespace {
constexpr size_t kCaptionShown = 25;

// Cuts at `limit` bytes without leaving half of a double-byte character at the end.
size_t cutLength(const char* text, size_t length, size_t limit) {
    if (length <= limit) return length;
    size_t i = 0;
    while (i < limit) {
        const size_t width = k_is_lead_byte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + width > limit) break;
        i += width;
    }
    return i;
}
}  // namespace

std::string CVersionDlg::versionLine(const LinkContext* ctx) {
    const size_t length = strnlen(ctx->captionText, sizeof ctx->captionText);
    std::string line(ctx->captionText, cutLength(ctx->captionText, length, kCaptionShown));
    line += "  ";
    line += ctx->versionText ? ctx->versionText : "";
    return line;
}

CVersionDlg::CVersionDlg(const LinkContext* ctx, QWidget* parent) : QDialog(parent) {
    velmo_shell_resources();
    setObjectName(QStringLiteral("versionDialog"));
    setWindowTitle(QStringLiteral("Version"));
    auto* layout = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(QStringLiteral(":/velmo/velmo-32.png")));
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    auto* version = new QLabel(sjisToQString(versionLine(ctx)), this);
    version->setObjectName(QStringLiteral("versionLine"));
    layout->addWidget(version, 0, 1);
    layout->addWidget(new QLabel(CNoticeDlg::noticeLine(), this), 1, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Vertical, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
    layout->setHorizontalSpacing(16);
}
