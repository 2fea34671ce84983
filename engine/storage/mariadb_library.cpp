#include "engine/storage/mariadb_library.h"

#include <atomic>
#include <mutex>

#include <dlfcn.h>

namespace trevalon {
namespace {

std::mutex gLoadMutex;
MariaDbLibrary gLibrary;
std::atomic<const MariaDbLibrary*> gLoaded{nullptr};

template <typename Function>
bool TakeSymbol(void* handle, const char* name, Function& target, std::string& error) {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        error = std::string("the client library has no entry point ") + name;
        return false;
    }
    target = reinterpret_cast<Function>(symbol);
    return true;
}

bool TakeAllSymbols(void* handle, MariaDbLibrary& library, std::string& error) {
    return TakeSymbol(handle, "mysql_server_init", library.server_init, error) &&
           TakeSymbol(handle, "mysql_thread_init", library.thread_init, error) &&
           TakeSymbol(handle, "mysql_thread_end", library.thread_end, error) &&
           TakeSymbol(handle, "mysql_init", library.init, error) &&
           TakeSymbol(handle, "mysql_options", library.options, error) &&
           TakeSymbol(handle, "mysql_real_connect", library.real_connect, error) &&
           TakeSymbol(handle, "mysql_close", library.close, error) &&
           TakeSymbol(handle, "mysql_real_query", library.real_query, error) &&
           TakeSymbol(handle, "mysql_store_result", library.store_result, error) &&
           TakeSymbol(handle, "mysql_free_result", library.free_result, error) &&
           TakeSymbol(handle, "mysql_field_count", library.field_count, error) &&
           TakeSymbol(handle, "mysql_num_fields", library.num_fields, error) &&
           TakeSymbol(handle, "mysql_fetch_fields", library.fetch_fields, error) &&
           TakeSymbol(handle, "mysql_fetch_row", library.fetch_row, error) &&
           TakeSymbol(handle, "mysql_fetch_lengths", library.fetch_lengths, error) &&
           TakeSymbol(handle, "mysql_errno", library.error_number, error) &&
           TakeSymbol(handle, "mysql_error", library.error_text, error) &&
           TakeSymbol(handle, "mysql_stmt_init", library.stmt_init, error) &&
           TakeSymbol(handle, "mysql_stmt_prepare", library.stmt_prepare, error) &&
           TakeSymbol(handle, "mysql_stmt_attr_set", library.stmt_attr_set, error) &&
           TakeSymbol(handle, "mysql_stmt_bind_param", library.stmt_bind_param, error) &&
           TakeSymbol(handle, "mysql_stmt_execute", library.stmt_execute, error) &&
           TakeSymbol(handle, "mysql_stmt_close", library.stmt_close, error) &&
           TakeSymbol(handle, "mysql_stmt_errno", library.stmt_error_number, error) &&
           TakeSymbol(handle, "mysql_stmt_error", library.stmt_error_text, error);
}

// Ties the client library's per-thread state to the life of the thread.
class ClientThreadScope {
  public:
    explicit ClientThreadScope(const MariaDbLibrary& library) : library_(library) {
        library_.thread_init();
    }
    ~ClientThreadScope() { library_.thread_end(); }
    ClientThreadScope(const ClientThreadScope&) = delete;
    ClientThreadScope& operator=(const ClientThreadScope&) = delete;

  private:
    const MariaDbLibrary& library_;
};

}  // namespace

const MariaDbLibrary* LoadMariaDbLibrary(const std::string& path, std::string* error) {
    std::lock_guard lock(gLoadMutex);
    if (const MariaDbLibrary* loaded = gLoaded.load(std::memory_order_acquire)) {
        return loaded;
    }
    std::string failure;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* text = dlerror();
        failure = text != nullptr ? text : "cannot load " + path;
    } else if (!TakeAllSymbols(handle, gLibrary, failure)) {
        dlclose(handle);
    } else if (gLibrary.server_init(0, nullptr, nullptr) != 0) {
        // The library stays loaded: its initialisation may have started threads or handlers.
        failure = "the client library could not be initialised";
    } else {
        gLoaded.store(&gLibrary, std::memory_order_release);
        return &gLibrary;
    }
    gLibrary = MariaDbLibrary{};
    if (error != nullptr) {
        *error = failure;
    }
    return nullptr;
}

const MariaDbLibrary* LoadedMariaDbLibrary() {
    return gLoaded.load(std::memory_order_acquire);
}

void RegisterClientThread(const MariaDbLibrary& library) {
    thread_local ClientThreadScope scope(library);
}

}  // namespace trevalon
