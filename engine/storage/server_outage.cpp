#include "engine/storage/server_outage.h"

#include <mariadb/errmsg.h>
#include <mariadb/mysqld_error.h>

namespace trevalon {

bool ServerUnreachable(const DatabaseError& error) {
    switch (error.ServerCode()) {
        case CR_SOCKET_CREATE_ERROR:
        case CR_CONNECTION_ERROR:
        case CR_CONN_HOST_ERROR:
        case CR_UNKNOWN_HOST:
        case CR_SERVER_GONE_ERROR:
        case CR_SERVER_LOST:
        case CR_SERVER_LOST_EXTENDED:
        case ER_SERVER_SHUTDOWN:
        case ER_CONNECTION_KILLED:
        case ER_CON_COUNT_ERROR:
            return true;
        default:
            return false;
    }
}

}  // namespace trevalon
