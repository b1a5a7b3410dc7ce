#pragma once
#include <dlfcn.h>

#include <string>

namespace tavik {

// Opens the shared library `file` with its symbols resolved at once and kept
// to itself; null when it cannot be opened, with the loader's reason (or the
// file name, when the loader gives none) in `reason`.
inline void* openLibrary(const std::string& file, std::string& reason) {
    void* library = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* why = ::dlerror();
        reason = why != nullptr ? why : file;
    }
    return library;
}

// Points `function` at the symbol `name` of an opened library; false when the
// library has no such symbol.
template <typename Function>
bool loadSymbol(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

}  // namespace tavik
