// The form translation: every registered text of a form's components, and the
// form's caption, is replaced by its translation while the form is created.
//
// Keys are dotted and lower case: the form's class name, the component's
// Name and the registered property path, e.g. "tfsomedlg.label1.caption";
// items of a collection add "items[i]" right after the path's "items", so a
// grid column title reads "...columns.itemsitems[0].title.caption". A
// frame's components take the frame's class name instead of the form's, so
// every form embedding that frame shares its keys.
//
// How a window plugs in: the toolkit's self-translating form class derives
// from its form class and from TranslatableForm, answers FormComponent() with
// itself, maps Caption/SetCaption/SetFontName onto the window, and in its
// creation hook calls TranslateOnCreate with a report that shows the error in
// the standard error box, before running the inherited hook. Its controls
// expose their texts through the property model (property_model.h).
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "localisation/language_table.h"
#include "localisation/property_model.h"

namespace qx {

// Looks a key up and returns the text to show; TranslateByKey in the product.
using Translator = std::function<std::string(const std::string& key, const std::string& defaultText)>;

// What the translation needs of a form besides its components.
class TranslatableForm {
public:
    virtual ~TranslatableForm() = default;
    // The form as a component: its class names the keys, its owned
    // components are walked in order.
    virtual TComponent& FormComponent() = 0;
    virtual std::string Caption() = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetFontName(const std::string& name) = 0;
    // A form being designed is left untranslated.
    virtual bool Designing() { return false; }
    // Runs at the end of every TranslateForm; does nothing unless overridden.
    virtual void Translated() {}
};

// Translates the owned components in order, then the caption (passed and
// stored unchanged), then calls Translated().
void TranslateForm(TranslatableForm& form, const Translator& translate = TranslateByKey);

// Translates the registered texts of one component with `prefix` as the
// start of its keys; a frame's components instead, under the frame's class
// name. Nothing happens without a caption registry.
void TranslateComponent(const std::string& prefix, TComponent& component,
                        const Translator& translate = TranslateByKey);

// Follows `path` from `object`, extending `key` on the way, and translates
// the text at its end.
void TranslateProperty(std::string key, TPersistent& object, std::string_view path,
                       const Translator& translate = TranslateByKey);

// Receives an error raised while a form translates itself at creation.
using ErrorReport = std::function<void(std::exception_ptr)>;

// The translating steps of a form's creation hook: unless the form is being
// designed, TranslateForm and then the font name "Tahoma". An error ends
// these steps where it happens (the font stays as designed), is handed to
// `report`, and does not leave this function, so the creation goes on.
void TranslateOnCreate(TranslatableForm& form, const ErrorReport& report,
                       const Translator& translate = TranslateByKey);

}  // namespace qx
