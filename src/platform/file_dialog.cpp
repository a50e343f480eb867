#include "platform/file_dialog.h"

#include <dlfcn.h>

#include <utility>

namespace xlt::file_dialog {
namespace {

Handler& registered() {
    static Handler handler;
    return handler;
}

}  // namespace

Handler set_handler(Handler handler) {
    return std::exchange(registered(), std::move(handler));
}

Answer show(const Request& request) {
    const Handler& handler = registered();
    return handler ? handler(request) : Answer{};
}

std::uintptr_t program_module() {
    static const std::uintptr_t module =
        reinterpret_cast<std::uintptr_t>(dlopen(nullptr, RTLD_LAZY));
    return module;
}

}  // namespace xlt::file_dialog
