// The property model: how the form translation sees the toolkit's objects.
//
// The translation needs nothing of a control but its class, its name and its
// published properties, so every object it walks is a TPersistent:
//
//   TPersistent    an object with named properties (ASCII case ignored) and a
//                  class descriptor. A property either holds a sub-object
//                  (possibly absent) or a plain value read and written as text.
//   TComponent     a TPersistent with a Name, an owner and the components it
//                  owns, in creation order. A form or frame owns its controls.
//   TStrings       a list of lines with no named properties of its own; its
//                  whole text is read and written at once (SplitLines tells
//                  how a written text becomes lines).
//   TCollection    items reached by index, with no named properties.
//
// How a control plugs in (a Win32-backed one as well as a test fake):
//
//   1. Derive from TComponent (next to the window base class) and pass the
//      owner, normally the form, to its constructor; the owner lists its
//      components in construction order.
//   2. Return the control's descriptor from classInfo(). Descriptors for the
//      classes the caption registry names live in qx::classes; a new control
//      class declares its own with the nearest one as its base, e.g.
//          inline constexpr ClassInfo TMyCombo{"TMyCombo", &classes::TComboBox};
//   3. Override property() and answer the names of the texts the registry
//      asks for, using sameName() to compare:
//          if (sameName(name, "caption"))
//              return Property::text([this] { return text(); },
//                                    [this](const std::string& s) { setText(s); });
//          if (sameName(name, "lines")) return Property::object(&lines_);
//          return TComponent::property(name);
//      A combo box also answers "itemindex" (the selected index as decimal
//      text, -1 for none); the walk saves and restores it around the item
//      list, so setting an index the translated list no longer has must be
//      harmless (the window's own CB_SETCURSEL simply refuses it).
//   4. Item lists are TStrings (TStringList keeps lines in memory; a window
//      backed list reads and writes the window's text instead), grid columns
//      and status bar panels are a TCollection of TPersistent items.
//   5. A form implements TranslatableForm (form_translation.h).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

// A class descriptor: the class name and the descriptor of its base class.
// Descriptors are compared by address; each class has exactly one.
class ClassInfo {
public:
    constexpr ClassInfo(const char* name, const ClassInfo* base) : name_(name), base_(base) {}
    ClassInfo(const ClassInfo&) = delete;
    ClassInfo& operator=(const ClassInfo&) = delete;

    std::string_view name() const { return name_; }
    const ClassInfo* base() const { return base_; }
    // True when `other` is this class or one of its base classes.
    bool inheritsFrom(const ClassInfo& other) const;

private:
    const char* name_;
    const ClassInfo* base_;
};

// Descriptors of the toolkit's classes known to the form translation: the
// ones the caption registry names, whether or not this library has a window
// for them, and the bases they share.
namespace classes {
inline constexpr ClassInfo TObject{"TObject", nullptr};
inline constexpr ClassInfo TPersistent{"TPersistent", &TObject};
inline constexpr ClassInfo TCollection{"TCollection", &TPersistent};
inline constexpr ClassInfo TCollectionItem{"TCollectionItem", &TPersistent};
inline constexpr ClassInfo TStrings{"TStrings", &TPersistent};
inline constexpr ClassInfo TStringList{"TStringList", &TStrings};
inline constexpr ClassInfo TComponent{"TComponent", &TPersistent};
inline constexpr ClassInfo TMenuItem{"TMenuItem", &TComponent};
inline constexpr ClassInfo TControl{"TControl", &TComponent};
inline constexpr ClassInfo TFrame{"TFrame", &TControl};
inline constexpr ClassInfo TForm{"TForm", &TControl};
inline constexpr ClassInfo TMLForm{"TMLForm", &TForm};
inline constexpr ClassInfo TLabel{"TLabel", &TControl};
inline constexpr ClassInfo TMemo{"TMemo", &TControl};
inline constexpr ClassInfo TDBGridEh{"TDBGridEh", &TControl};
inline constexpr ClassInfo TDBGrid{"TDBGrid", &TControl};
inline constexpr ClassInfo TButton{"TButton", &TControl};
inline constexpr ClassInfo TEdit{"TEdit", &TControl};
inline constexpr ClassInfo TCheckBox{"TCheckBox", &TControl};
inline constexpr ClassInfo TRadioButton{"TRadioButton", &TControl};
inline constexpr ClassInfo TListBox{"TListBox", &TControl};
inline constexpr ClassInfo TComboBox{"TComboBox", &TControl};
inline constexpr ClassInfo TGroupBox{"TGroupBox", &TControl};
inline constexpr ClassInfo TPanel{"TPanel", &TControl};
inline constexpr ClassInfo TSpeedButton{"TSpeedButton", &TControl};
inline constexpr ClassInfo TCheckListBox{"TCheckListBox", &TControl};
inline constexpr ClassInfo TStaticText{"TStaticText", &TControl};
inline constexpr ClassInfo TTabControl{"TTabControl", &TControl};
inline constexpr ClassInfo TTabSheet{"TTabSheet", &TControl};
inline constexpr ClassInfo TStatusBar{"TStatusBar", &TControl};
inline constexpr ClassInfo TListView{"TListView", &TControl};
inline constexpr ClassInfo TfcLabel{"TfcLabel", &TControl};
inline constexpr ClassInfo TRadioGroup{"TRadioGroup", &TControl};
inline constexpr ClassInfo TfcShapeBtn{"TfcShapeBtn", &TControl};
// Classes of the toolkit with no registration of their own.
inline constexpr ClassInfo TImage{"TImage", &TControl};
inline constexpr ClassInfo TTimer{"TTimer", &TComponent};
}  // namespace classes

// Property names compare with the ASCII letters case-insensitive.
bool sameName(std::string_view a, std::string_view b);

class TPersistent;

// One named property of an object: absent, a sub-object (which may itself be
// absent), or a plain value read and written as text.
class Property {
public:
    using Getter = std::function<std::string()>;
    using Setter = std::function<void(const std::string&)>;

    Property() = default;  // no such property
    static Property text(Getter get, Setter set);
    static Property object(TPersistent* value);

    bool exists() const { return kind_ != Kind::None; }
    bool holdsObject() const { return kind_ == Kind::Object; }
    TPersistent* object() const { return object_; }
    std::string get() const;
    void set(const std::string& value) const;

private:
    enum class Kind { None, Text, Object };
    Kind kind_ = Kind::None;
    Getter get_;
    Setter set_;
    TPersistent* object_ = nullptr;
};

// A text property read and written through an object's caption() and
// setCaption().
template <class T>
Property captionProperty(T& object) {
    return Property::text([&object] { return std::string(object.caption()); },
                          [&object](const std::string& s) { object.setCaption(s); });
}

class TPersistent {
public:
    virtual ~TPersistent() = default;
    virtual const ClassInfo& classInfo() const = 0;
    // The property called `name`, or an absent Property.
    virtual Property property(std::string_view name);
};

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner = nullptr, std::string name = {});
    // Leaves the owner's list; the components it owned lose their owner.
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const ClassInfo& classInfo() const override { return classes::TComponent; }
    // Answers "name".
    Property property(std::string_view name) override;

    const std::string& Name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    TComponent* owner() const { return owner_; }
    std::size_t componentCount() const { return components_.size(); }
    TComponent* component(std::size_t index) const { return components_.at(index); }

private:
    TComponent* owner_;
    std::string name_;
    std::vector<TComponent*> components_;
};

// Splits a text into lines at CR LF, at a lone CR and at a lone LF; a NUL
// ends the text. A final line break ends the last line and adds none: "a\n"
// and "a" are both one line, "" is none.
std::vector<std::string> SplitLines(std::string_view text);
// Every line followed by CR LF.
std::string LinesText(const std::vector<std::string>& lines);
// A text as a string list gives it back after taking it: LinesText(SplitLines()).
std::string NormaliseLines(std::string_view text);

class TStrings : public TPersistent {
public:
    const ClassInfo& classInfo() const override { return classes::TStrings; }
    // A list has no named properties; "text" in a path stands for Text().
    Property property(std::string_view) final { return {}; }

    virtual std::string Text() const = 0;
    // Takes the lines of `text` as SplitLines finds them.
    virtual void SetText(std::string_view text) = 0;
};

// A list of lines in memory; Text() is every line followed by CR LF.
class TStringList : public TStrings {
public:
    TStringList() = default;
    explicit TStringList(std::vector<std::string> lines) : lines_(std::move(lines)) {}

    const ClassInfo& classInfo() const override { return classes::TStringList; }
    std::string Text() const override { return LinesText(lines_); }
    void SetText(std::string_view text) override { lines_ = SplitLines(text); }
    const std::vector<std::string>& lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

class TCollection : public TPersistent {
public:
    const ClassInfo& classInfo() const override { return classes::TCollection; }
    // Items are reached by index only.
    Property property(std::string_view) final { return {}; }

    virtual std::size_t Count() const = 0;
    virtual TPersistent* Item(std::size_t index) = 0;
};

}  // namespace qx
