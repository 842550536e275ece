#include "shell/fatal_error_box.h"

#include <QMessageBox>

#include "files/reporter.h"
#include "shell/sjis_text.h"

namespace {
void showFatalError(const char* title, const char* text) {
    QMessageBox box(QMessageBox::Warning, sjisToQString(title ? title : "Fatal Error"),
                    sjisToQString(text ? text : ""), QMessageBox::Ok);
    box.exec();
}
}  // namespace

void install_fatal_error_box() {
    k_set_message_box(showFatalError);
}
