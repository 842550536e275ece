// The document: the console has no file of its own, so the document only hands the one link
// context to the frame and the view.
#pragma once

struct LinkContext;

class CVelmoDoc {
  public:
    explicit CVelmoDoc(LinkContext* ctx) : ctx_(ctx) {}
    LinkContext* context() const { return ctx_; }

  private:
    LinkContext* ctx_;
};
