#include "shell/velmo_app.h"

#include "console/link_context.h"
#include "driver/context_instance.h"
#include "shell/main_frame.h"
#include "shell/sjis_text.h"
#include "shell/velmo_doc.h"
#include "shell/window_position.h"

CVelmoApp::CVelmoApp(QString organisation)
    : organisation_(std::move(organisation)), ctx_(a_ContextGet()) {}

CVelmoApp::~CVelmoApp() = default;

bool CVelmoApp::initInstance() {
    WindowPosition position(organisation_);
    position.load(ctx_);
    doc_ = std::make_unique<CVelmoDoc>(ctx_);
    frame_ = std::make_unique<CMainFrame>(doc_.get(), position);
    frame_->setWindowTitle(sjisToQString(ctx_->captionText));
    frame_->placeAndSize();
    frame_->show();
    return true;
}
