// Small in-memory stand-ins for the toolkit's controls, built through the
// property model the way a window-backed control would be.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/ansi_text.h"
#include "localisation/form_translation.h"
#include "localisation/property_model.h"

namespace qxtest {

using qx::ClassInfo;
using qx::Property;
using qx::TComponent;
using qx::TPersistent;

// Named properties kept in memory: texts and sub-objects.
class PropertyBag {
public:
    void setText(const std::string& name, std::string value) { texts_[qx::asciiLower(name)] = std::move(value); }
    std::string text(const std::string& name) const { return texts_.at(qx::asciiLower(name)); }
    void setObject(const std::string& name, TPersistent* value) { objects_[qx::asciiLower(name)] = value; }

    Property find(std::string_view name) {
        const std::string key = qx::asciiLower(name);
        if (auto it = objects_.find(key); it != objects_.end()) return Property::object(it->second);
        if (auto it = texts_.find(key); it != texts_.end()) {
            std::string* value = &it->second;
            return Property::text([value] { return *value; }, [value](const std::string& s) { *value = s; });
        }
        return {};
    }

private:
    std::map<std::string, std::string> texts_;
    std::map<std::string, TPersistent*> objects_;
};

// A sub-object or collection item: a grid column, its title, a panel.
class FakeItem : public TPersistent {
public:
    explicit FakeItem(const ClassInfo& cls = qx::classes::TCollectionItem) : cls_(cls) {}
    const ClassInfo& classInfo() const override { return cls_; }
    Property property(std::string_view name) override { return props.find(name); }
    PropertyBag props;

private:
    const ClassInfo& cls_;
};

class FakeCollection : public qx::TCollection {
public:
    FakeItem& add() { return *items_.emplace_back(std::make_unique<FakeItem>()); }
    std::size_t Count() const override { return items_.size(); }
    TPersistent* Item(std::size_t index) override { return items_.at(index).get(); }
    FakeItem& at(std::size_t index) { return *items_.at(index); }

private:
    std::vector<std::unique_ptr<FakeItem>> items_;
};

// Any control: a class descriptor and properties in a bag.
class FakeControl : public TComponent {
public:
    FakeControl(TComponent* owner, const ClassInfo& cls, std::string name) : TComponent(owner, std::move(name)), cls_(cls) {}
    const ClassInfo& classInfo() const override { return cls_; }
    Property property(std::string_view name) override {
        if (Property p = props.find(name); p.exists()) return p;
        return TComponent::property(name);
    }
    std::string text(const std::string& name) const { return props.text(name); }
    PropertyBag props;

private:
    const ClassInfo& cls_;
};

// A combo box: rewriting its item list clears the selection, as the window does.
class FakeComboBox : public TComponent {
public:
    FakeComboBox(TComponent* owner, std::string name, std::vector<std::string> items, int itemIndex,
                 const ClassInfo& cls = qx::classes::TComboBox)
        : TComponent(owner, std::move(name)), cls_(cls), items_(this, std::move(items)), itemIndex_(itemIndex) {}
    const ClassInfo& classInfo() const override { return cls_; }
    Property property(std::string_view name) override {
        if (qx::sameName(name, "items")) return Property::object(&items_);
        if (qx::sameName(name, "itemindex"))
            return Property::text([this] { return std::to_string(itemIndex_); },
                                  [this](const std::string& s) { itemIndex_ = std::stoi(s); });
        return TComponent::property(name);
    }
    int itemIndex() const { return itemIndex_; }
    const std::vector<std::string>& items() const { return items_.lines(); }

private:
    class Items : public qx::TStringList {
    public:
        Items(FakeComboBox* box, std::vector<std::string> lines) : TStringList(std::move(lines)), box_(box) {}
        void SetText(std::string_view text) override {
            TStringList::SetText(text);
            box_->itemIndex_ = -1;
        }

    private:
        FakeComboBox* box_;
    };
    const ClassInfo& cls_;
    Items items_;
    int itemIndex_;
};

class FakeForm : public TComponent, public qx::TranslatableForm {
public:
    FakeForm(const ClassInfo& cls, std::string caption) : cls_(cls), caption_(std::move(caption)) {}
    const ClassInfo& classInfo() const override { return cls_; }

    TComponent& FormComponent() override { return *this; }
    std::string Caption() override { return caption_; }
    void SetCaption(const std::string& caption) override { caption_ = caption; }
    void SetFontName(const std::string& name) override { fontName = name; }
    bool Designing() override { return designing; }
    void Translated() override { ++translatedCalls; }

    const std::string& caption() const { return caption_; }
    std::string fontName = "MS Sans Serif";
    bool designing = false;
    int translatedCalls = 0;

    // Controls, sub-objects and lists live as long as the form.
    template <class T, class... Args>
    T& make(Args&&... args) {
        auto owned = std::make_shared<T>(std::forward<Args>(args)...);
        T& ref = *owned;
        keep_.push_back(std::move(owned));
        return ref;
    }

private:
    const ClassInfo& cls_;
    std::string caption_;
    std::deque<std::shared_ptr<void>> keep_;
};

struct Call {
    std::string key;
    std::string defaultText;
    bool operator==(const Call&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Call& c) {
    return os << "{\"" << c.key << "\", \"" << c.defaultText << "\"}";
}

// Records every lookup; answers from `translations`, else with the default.
struct RecordingTranslator {
    std::vector<Call> calls;
    std::map<std::string, std::string> translations;

    qx::Translator fn() {
        return [this](const std::string& key, const std::string& defaultText) {
            calls.push_back({key, defaultText});
            auto it = translations.find(key);
            return it != translations.end() ? it->second : defaultText;
        };
    }
};

}  // namespace qxtest
