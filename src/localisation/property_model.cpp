#include "localisation/property_model.h"

#include <algorithm>

#include "common/ansi_text.h"

namespace qx {

bool ClassInfo::inheritsFrom(const ClassInfo& other) const {
    for (const ClassInfo* c = this; c != nullptr; c = c->base_)
        if (c == &other) return true;
    return false;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && asciiLower(a) == asciiLower(b);
}

Property Property::text(Getter get, Setter set) {
    Property p;
    p.kind_ = Kind::Text;
    p.get_ = std::move(get);
    p.set_ = std::move(set);
    return p;
}

Property Property::object(TPersistent* value) {
    Property p;
    p.kind_ = Kind::Object;
    p.object_ = value;
    return p;
}

std::string Property::get() const {
    return kind_ == Kind::Text && get_ ? get_() : std::string();
}

void Property::set(const std::string& value) const {
    if (kind_ == Kind::Text && set_) set_(value);
}

Property TPersistent::property(std::string_view) { return {}; }

TComponent::TComponent(TComponent* owner, std::string name) : owner_(owner), name_(std::move(name)) {
    if (owner_) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
    for (TComponent* c : components_) c->owner_ = nullptr;
    if (owner_) std::erase(owner_->components_, this);
}

Property TComponent::property(std::string_view name) {
    if (sameName(name, "name"))
        return Property::text([this] { return name_; }, [this](const std::string& s) { name_ = s; });
    return {};
}

std::vector<std::string> SplitLines(std::string_view text) {
    // Only the part before a NUL counts.
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(pos, end - pos));
        pos = end;
        // CR, LF or CR LF ends the line; LF CR is two breaks.
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
    return lines;
}

std::string LinesText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string NormaliseLines(std::string_view text) { return LinesText(SplitLines(text)); }

}  // namespace qx
