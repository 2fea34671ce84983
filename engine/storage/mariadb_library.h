#pragma once

#include <string>

#include <mariadb/mysql.h>

namespace trevalon {

// The entry points of libmariadb that the client uses, taken from the library loaded at run
// time. The header only supplies the declarations; the engine never links libmariadb.
struct MariaDbLibrary {
    decltype(&::mysql_server_init) server_init = nullptr;
    decltype(&::mysql_thread_init) thread_init = nullptr;
    decltype(&::mysql_thread_end) thread_end = nullptr;
    decltype(&::mysql_init) init = nullptr;
    decltype(&::mysql_options) options = nullptr;
    decltype(&::mysql_real_connect) real_connect = nullptr;
    decltype(&::mysql_close) close = nullptr;
    decltype(&::mysql_real_query) real_query = nullptr;
    decltype(&::mysql_store_result) store_result = nullptr;
    decltype(&::mysql_free_result) free_result = nullptr;
    decltype(&::mysql_field_count) field_count = nullptr;
    decltype(&::mysql_num_fields) num_fields = nullptr;
    decltype(&::mysql_fetch_fields) fetch_fields = nullptr;
    decltype(&::mysql_fetch_row) fetch_row = nullptr;
    decltype(&::mysql_fetch_lengths) fetch_lengths = nullptr;
    decltype(&::mysql_errno) error_number = nullptr;
    decltype(&::mysql_error) error_text = nullptr;
    decltype(&::mysql_stmt_init) stmt_init = nullptr;
    decltype(&::mysql_stmt_prepare) stmt_prepare = nullptr;
    decltype(&::mysql_stmt_attr_set) stmt_attr_set = nullptr;
    decltype(&::mysql_stmt_bind_param) stmt_bind_param = nullptr;
    decltype(&::mysql_stmt_execute) stmt_execute = nullptr;
    decltype(&::mysql_stmt_close) stmt_close = nullptr;
    decltype(&::mysql_stmt_errno) stmt_error_number = nullptr;
    decltype(&::mysql_stmt_error) stmt_error_text = nullptr;
};

// Loads the library once per process and keeps it loaded: connections may live until exit.
// Later calls return the first successful load whatever path they name.
const MariaDbLibrary* LoadMariaDbLibrary(const std::string& path, std::string* error);
// The loaded library, or nullptr before the first successful load.
const MariaDbLibrary* LoadedMariaDbLibrary();

// Every thread that calls into the client library is registered with it once and
// unregistered when the thread ends.
void RegisterClientThread(const MariaDbLibrary& library);

}  // namespace trevalon
