#include "localisation/form_translation.h"

#include "common/ansi_text.h"
#include "localisation/caption_registry.h"

namespace qx {

void TranslateForm(TranslatableForm& form, const Translator& translate) {
    TComponent& self = form.FormComponent();
    const std::string prefix = asciiLower(self.classInfo().name());
    for (std::size_t i = 0, n = self.componentCount(); i < n; ++i)
        TranslateComponent(prefix, *self.component(i), translate);
    // The caption keeps its line breaks and blanks, both ways.
    form.SetCaption(translate(prefix + ".caption", form.Caption()));
    form.Translated();
}

void TranslateComponent(const std::string& prefix, TComponent& component, const Translator& translate) {
    const ClassInfo& cls = component.classInfo();
    if (cls.inheritsFrom(classes::TFrame)) {
        const std::string framePrefix = asciiLower(cls.name());
        for (std::size_t i = 0, n = component.componentCount(); i < n; ++i)
            TranslateComponent(framePrefix, *component.component(i), translate);
        return;
    }
    const CaptionRegistryList* registry = CaptionRegistry();
    if (!registry) return;
    const bool comboBox = cls.inheritsFrom(classes::TComboBox);
    for (std::size_t r = 0; r < registry->Count(); ++r) {
        const TMLCaptionRegInfo& info = (*registry)[r];
        if (!info.ControlClass || !cls.inheritsFrom(*info.ControlClass)) continue;
        const std::string path = info.PropertyPath;
        // Rewriting a combo box's item list loses its selection.
        Property itemIndex;
        std::string selected;
        if (comboBox) {
            itemIndex = component.property("ItemIndex");
            selected = itemIndex.get();
        }
        TranslateProperty(prefix, component, path, translate);
        if (itemIndex.exists()) itemIndex.set(selected);
    }
}

void TranslateProperty(std::string key, TPersistent& object, std::string_view path,
                       const Translator& translate) {
    const std::size_t dot = path.find('.');
    const std::string_view head = path.substr(0, dot);
    const std::string_view rest = dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);

    if (auto* component = dynamic_cast<TComponent*>(&object)) key += "." + asciiLower(component->Name());
    key += "." + asciiLower(head);
    if (head.empty()) return;

    if (const Property property = object.property(head); property.exists()) {
        if (property.holdsObject()) {
            if (TPersistent* sub = property.object()) TranslateProperty(key, *sub, rest, translate);
            return;
        }
        // A control text goes through a string list both ways, so every line
        // ends in CR LF; the result then loses its trailing blanks and breaks.
        const std::string result = translate(key, NormaliseLines(property.get()));
        property.set(trimRight(NormaliseLines(result)));
        return;
    }
    if (auto* strings = dynamic_cast<TStrings*>(&object)) {
        const std::string result = translate(key, strings->Text());
        strings->SetText(trimRight(result));
        return;
    }
    if (auto* collection = dynamic_cast<TCollection*>(&object)) {
        // The key already ends in ".items"; the index follows directly.
        for (std::size_t i = 0, n = collection->Count(); i < n; ++i)
            if (TPersistent* item = collection->Item(i))
                TranslateProperty(key + "items[" + std::to_string(i) + "]", *item, rest, translate);
    }
}

void TranslateOnCreate(TranslatableForm& form, const ErrorReport& report, const Translator& translate) {
    if (form.Designing()) return;
    try {
        TranslateForm(form, translate);
        form.SetFontName("Tahoma");
    } catch (...) {
        if (report) report(std::current_exception());
    }
}

}  // namespace qx
