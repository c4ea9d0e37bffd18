#include "localisation/file_system.h"

#include <utility>

namespace qx::files {
namespace {

FaultInjector& injector() {
    static FaultInjector instance;
    return instance;
}

}  // namespace

void SetFaultInjectorForTesting(FaultInjector f) { injector() = std::move(f); }

void detail::injectFault(FileOperation operation, const std::string& path) {
    if (const auto& f = injector()) f(operation, path);
}

}  // namespace qx::files
