// The caption registry: which property of which control class carries a
// visible text that the form translation looks up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "localisation/property_model.h"

namespace qx {

// One registration: the control class (its descendants match too), the
// dotted path of lower-case property names down to the text, and a code kept
// with it that nothing reads.
struct TMLCaptionRegInfo {
    const ClassInfo* ControlClass = nullptr;
    std::string PropertyPath;
    std::uint8_t KindCode = 0;
};

// The registrations, matched in the order they were added.
class CaptionRegistryList {
public:
    TMLCaptionRegInfo& Add();
    std::size_t Count() const { return items_.size(); }
    const TMLCaptionRegInfo& operator[](std::size_t index) const { return items_.at(index); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<TMLCaptionRegInfo> items_;
};

// The library-wide registry, or nullptr before the first registration and
// after FreeCaptionRegistry.
CaptionRegistryList* CaptionRegistry();

// Creates the registry when it does not exist and appends the built-in
// registrations. A registry that was not freed in between gets them a
// second time.
void RegisterCaptionInfos();

// Frees the registry and its registrations; the form translation then finds
// nothing to translate but form captions.
void FreeCaptionRegistry();

}  // namespace qx
