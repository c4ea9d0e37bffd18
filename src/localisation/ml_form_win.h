// The self-translating form: every window of the library derives from
// TMLForm, which translates its registered control texts and its caption
// while it is created (after its layout is built, before its creation event)
// and collects the texts the table does not have yet.
#pragma once

#include <string>

#include "localisation/form_translation.h"
#include "toolkit/form_win.h"

namespace qx {

class TMLForm : public TForm, public TranslatableForm {
public:
    explicit TMLForm(const std::string& caption = "Dialog");

    const ClassInfo& classInfo() const override { return classes::TMLForm; }

    // TranslatableForm
    TComponent& FormComponent() override { return *this; }
    std::string Caption() override { return text(); }
    void SetCaption(const std::string& caption) override { setText(caption); }
    // Controls that take their font from the form follow it.
    void SetFontName(const std::string& name) override;

protected:
    // Translates the form, reporting an error in the standard error box, then
    // runs the inherited hook (the creation event).
    void DoCreate() override;
};

}  // namespace qx
