#include "localisation/ml_form_win.h"

#include "toolkit/error_box_win.h"

namespace qx {

TMLForm::TMLForm(const std::string& caption) : TForm(caption) {}

void TMLForm::SetFontName(const std::string& name) {
    TFont f = font();
    f.name = name;
    setFont(f);
}

void TMLForm::DoCreate() {
    TranslateOnCreate(*this, [](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (...) {
            showCurrentException();
        }
    });
    TForm::DoCreate();
}

}  // namespace qx
