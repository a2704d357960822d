#include "platform/modules.h"

#include <dlfcn.h>

namespace platform {
namespace {

// The folder of the object that holds this function: this shared library, wherever it was loaded
// from (the build tree or an installed copy).
std::string ownFolder() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void *>(&ownFolder), &info) == 0 || !info.dli_fname)
        return {};
    const std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

} // namespace

void *moduleSymbol(const char *fileName, const char *symbol, std::string *error) {
    static const std::string folder = ownFolder();
    const std::string path = folder + '/' + fileName;
    // dlopen counts its loads of one file and returns the same handle; the module is never closed.
    void *module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        if (error) {
            const char *reason = ::dlerror();
            *error = reason ? reason : path + ": cannot be loaded";
        }
        return nullptr;
    }
    void *address = ::dlsym(module, symbol);
    if (!address && error)
        *error = path + ": no symbol " + symbol;
    return address;
}

} // namespace platform
